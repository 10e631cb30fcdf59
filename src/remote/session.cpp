#include "remote/session.h"

#include <unistd.h>

#include <QElapsedTimer>
#include <QMetaObject>
#include <mutex>
#include <utility>
#include <vector>

#include "remote/files.h"
#include "remote/known_hosts.h"
#include "remote/worker.h"

namespace remote {

namespace detail {

// What the worker hands to the session's thread: queued under a std::mutex that both threads take,
// so everything the worker wrote before it queued a call is in order when the call runs (Qt's own
// event queue gives that order too, but inside a library ThreadSanitizer cannot see into).
struct Mailbox {
    std::mutex mutex;
    Session* session = nullptr;  // null once the session is gone
    std::vector<std::function<void()>> pending;
};

}  // namespace detail

namespace {

Settings withDefaults(Settings settings) {
    if (settings.knownHosts.isEmpty()) settings.knownHosts = {ownKnownHostsPath(), userKnownHostsPath()};
    if (settings.timeoutMs <= 0) settings.timeoutMs = Settings::kDefaultTimeoutMs;
    return settings;
}

// What a request's result holds that must not be lost when nobody takes it: a tunnel's socket.
template <typename Result>
void discard(const Result&) {}
void discard(const TunnelOutcome& tunnel) {
    if (tunnel.descriptor >= 0) ::close(static_cast<int>(tunnel.descriptor));
}

// Progress of one transfer, handed to the caller's thread at once (a transfer that stalls early is
// still shown, with its way to stop it) and then at most every 100 ms.
class Reporter {
public:
    Reporter(detail::Worker& worker, QPointer<QObject> context, bool guarded, Session::Progress progress, qint64 total)
        : worker_(worker), context_(std::move(context)), guarded_(guarded), progress_(std::move(progress)),
          total_(total) {
        clock_.start();
    }
    void add(qint64 bytes) {
        done_ += bytes;
        if (!progress_ || total_ <= Session::kProgressFrom) return;
        if (told_ && done_ < total_ && clock_.elapsed() < 100) return;
        told_ = true;
        clock_.restart();
        worker_.post([context = context_, guarded = guarded_, progress = progress_, done = done_, total = total_] {
            if (!guarded || context) progress(std::min(done, total), total);
        });
    }

private:
    detail::Worker& worker_;
    QPointer<QObject> context_;
    bool guarded_;
    Session::Progress progress_;
    qint64 total_;
    qint64 done_ = 0;
    bool told_ = false;
    QElapsedTimer clock_;
};

}  // namespace

Settings settingsFor(const storage::ServerProfile& profile, const QString& password, const QString& passphrase) {
    Settings settings;
    settings.host = profile.host;
    settings.port = profile.port;
    settings.user = profile.user;
    settings.auth = profile.auth;
    settings.keyFile = profile.keyFile;
    settings.password = password;
    settings.passphrase = passphrase;
    return withDefaults(settings);
}

Session::Session(Settings settings, QObject* parent)
    : QObject(parent), settings_(withDefaults(std::move(settings))), status_(QStringLiteral("未连接")),
      mailbox_(std::make_shared<detail::Mailbox>()) {
    mailbox_->session = this;
    const auto post = [mailbox = mailbox_](std::function<void()> call) {
        const std::lock_guard lock(mailbox->mutex);
        if (mailbox->session == nullptr) return;  // the session is gone: nobody to tell
        const bool wake = mailbox->pending.empty();
        mailbox->pending.push_back(std::move(call));
        // One wake-up for a batch, by name: nothing the worker made crosses inside Qt's event queue.
        if (wake) QMetaObject::invokeMethod(mailbox->session, "deliver", Qt::QueuedConnection);
    };
    worker_ = std::make_unique<detail::Worker>(settings_, post, [this, post](State state, const QString& text) {
        post([this, state, text] { setState(state, text); });
    });
}

Session::~Session() {
    {
        const std::lock_guard lock(mailbox_->mutex);
        mailbox_->session = nullptr;
    }
    detail::Worker::release(std::move(worker_));
}

void Session::deliver() {
    std::vector<std::function<void()>> ready;
    {
        const std::lock_guard lock(mailbox_->mutex);
        ready.swap(mailbox_->pending);
    }
    for (const std::function<void()>& call : ready) call();
}

void Session::setState(State state, const QString& text) {
    if (state == state_ && text == status_) return;
    state_ = state;
    status_ = text;
    emit stateChanged(state_, status_);
}

template <typename Result, typename Work>
Session::RequestId Session::run(QObject* context, Done<Result> done, Work work) {
    const RequestId id = ++lastRequest_;
    worker_->enqueue(id, [context = QPointer<QObject>(context), guarded = context != nullptr, done = std::move(done),
                          work = std::move(work)](detail::Worker& worker) {
        Result result;
        try {
            worker.checkCancelled();
            work(worker, result, context, guarded);
        } catch (const detail::Failure& failed) {
            static_cast<Outcome&>(result) = failed.outcome;
        }
        worker.post([context, guarded, done, result] {
            if (done && (!guarded || context)) {
                done(result);
            } else {
                discard(result);
            }
        });
    });
    return id;
}

void Session::setSettings(Settings settings) {
    settings_ = withDefaults(std::move(settings));
    worker_->enqueue(++lastRequest_, [settings = settings_](detail::Worker& worker) { worker.setSettings(settings); });
}

Session::RequestId Session::connectToServer(QObject* context, Done<Outcome> done) {
    return run<Outcome>(context, std::move(done), [](detail::Worker& worker, Outcome&, const QPointer<QObject>&, bool) {
        worker.ensureConnected();
    });
}

Session::RequestId Session::trustHost(const QString& fingerprint, QObject* context, Done<Outcome> done) {
    return run<Outcome>(context, std::move(done),
                        [fingerprint](detail::Worker& worker, Outcome&, const QPointer<QObject>&, bool) {
                            worker.trustHost(fingerprint);
                        });
}

Session::RequestId Session::list(const QByteArray& path, QObject* context, Done<Listing> done) {
    return run<Listing>(context, std::move(done),
                        [path](detail::Worker& worker, Listing& result, const QPointer<QObject>&, bool) {
                            detail::listFolder(worker, path, result);
                        });
}

Session::RequestId Session::read(const QByteArray& path, QObject* context, Done<FileRead> done, Progress progress) {
    return run<FileRead>(context, std::move(done),
                         [path, progress = std::move(progress)](detail::Worker& worker, FileRead& result,
                                                                const QPointer<QObject>& owner, bool guarded) {
                             // The size is known once the file is looked at; the reporter learns it from the
                             // first bytes' request.
                             std::optional<Reporter> reporter;
                             detail::readFile(worker, path, result, [&](qint64 bytes) {
                                 if (!reporter) reporter.emplace(worker, owner, guarded, progress, result.stamp.size);
                                 reporter->add(bytes);
                             });
                         });
}

Session::RequestId Session::readMany(const std::vector<QByteArray>& paths, qint64 limit, QObject* context,
                                     Done<ManyRead> done) {
    return run<ManyRead>(context, std::move(done),
                         [paths, limit](detail::Worker& worker, ManyRead& result, const QPointer<QObject>&, bool) {
                             detail::readFiles(worker, paths, limit, result);
                         });
}

Session::RequestId Session::save(const QByteArray& path, const QByteArray& bytes, const SaveOptions& options,
                                 QObject* context, Done<SaveOutcome> done, Progress progress) {
    return run<SaveOutcome>(
        context, std::move(done),
        [path, bytes, options, progress = std::move(progress)](detail::Worker& worker, SaveOutcome& result,
                                                               const QPointer<QObject>& owner, bool guarded) {
            // Checked, written and read back: the file's size three times (the check reads the old size,
            // which is near enough); twice where nothing is checked.
            const qint64 passes = options.expected && !options.force ? 3 : 2;
            Reporter reporter(worker, owner, guarded, progress, bytes.size() * passes);
            detail::saveFile(worker, path, bytes, options, result, [&](qint64 moved) { reporter.add(moved); });
        });
}

Session::RequestId Session::openTunnel(const QString& host, quint16 port, QObject* context, Done<TunnelOutcome> done) {
    return run<TunnelOutcome>(
        context, std::move(done),
        [host, port](detail::Worker& worker, TunnelOutcome& result, const QPointer<QObject>&, bool) {
            worker.ensureConnected();
            result.descriptor = worker.openTunnel(host, port);
        });
}

void Session::cancel(RequestId request) { worker_->cancel(request); }

void Session::disconnectFromServer() {
    worker_->enqueue(++lastRequest_, [](detail::Worker& worker) { worker.disconnect(); });
}

}  // namespace remote
