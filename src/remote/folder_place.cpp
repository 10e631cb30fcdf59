#include "remote/folder_place.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QThread>
#include <future>
#include <memory>
#include <mutex>
#include <utility>

#include "remote/paths.h"

namespace remote {
namespace {

// One answer of the session, handed from its thread to the thread that waits. A request whose
// callback is let go of without being called (the session closed, the editor quitting) answers
// "cancelled", so the waiting thread never waits for ever.
template <typename Result>
class Answer {
public:
    void give(Result result) {
        std::call_once(given_, [&] { promise_.set_value(std::move(result)); });
    }
    std::future<Result> future() { return promise_.get_future(); }

private:
    std::promise<Result> promise_;
    std::once_flag given_;
};

template <typename Result>
class Unanswered {
public:
    explicit Unanswered(std::shared_ptr<Answer<Result>> answer) : answer_(std::move(answer)) {}
    ~Unanswered() {
        Result cancelled;
        cancelled.code = QStringLiteral("cancelled");
        cancelled.message = QStringLiteral("与服务器的连接已关闭，没有读完");
        answer_->give(std::move(cancelled));
    }
    Unanswered(const Unanswered&) = delete;
    Unanswered& operator=(const Unanswered&) = delete;

private:
    std::shared_ptr<Answer<Result>> answer_;
};

// Asks the session on its own thread (start(session, done) makes the request) and waits for the
// answer on this one.
template <typename Result, typename Start>
Result ask(const QPointer<Session>& session, Start start) {
    auto answer = std::make_shared<Answer<Result>>();
    std::future<Result> future = answer->future();
    auto unanswered = std::make_shared<Unanswered<Result>>(answer);
    if (QThread::currentThread() == QCoreApplication::instance()->thread()) {
        // Waiting here would hold the thread that delivers the answer.
        Result refused;
        refused.code = QStringLiteral("failed");
        refused.message = QStringLiteral("服务器上的文件夹不能在界面的线程里读取");
        return refused;
    }
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [session, start, answer, unanswered]() mutable {
            if (session == nullptr) return;
            start(*session, [answer, unanswered](const Result& result) { answer->give(result); });
        },
        Qt::QueuedConnection);
    unanswered.reset();
    return future.get();
}

project::PlaceItem::Type placeType(EntryType type) {
    switch (type) {
    case EntryType::File: return project::PlaceItem::Type::File;
    case EntryType::Folder: return project::PlaceItem::Type::Folder;
    case EntryType::Link: return project::PlaceItem::Type::Link;
    case EntryType::Other: return project::PlaceItem::Type::Other;
    }
    return project::PlaceItem::Type::Other;
}

}  // namespace

FolderPlace::FolderPlace(QPointer<Session> session, QString name, QByteArray root)
    : session_(std::move(session)), name_(std::move(name)), root_(std::move(root)) {}

QByteArray FolderPlace::pathOf(const QString& relative) const {
    return relative.isEmpty() ? root_ : joinPath(root_, relative.toUtf8());
}

project::PlaceListing FolderPlace::list(const QString& folder) {
    const QByteArray path = pathOf(folder);
    const auto listing = ask<Listing>(
        session_, [path](Session& session, const Session::Done<Listing>& done) { session.list(path, nullptr, done); });
    project::PlaceListing out;
    if (!listing.ok()) {
        out.error = listing.message;
        return out;
    }
    for (const RemoteEntry& entry : listing.entries) {
        project::PlaceItem item;
        item.name = QString::fromUtf8(entry.name);
        item.type = placeType(entry.type);
        if (item.type == project::PlaceItem::Type::Other) item.kind = QStringLiteral("特殊文件");
        // The reading joins names as text: a name that is not UTF-8 would not come back as the
        // same bytes, so it is told as skipped rather than read under another name.
        if (item.name.toUtf8() != entry.name) {
            item.name = entry.displayName;
            item.type = project::PlaceItem::Type::Other;
            item.kind = QStringLiteral("名称不是 UTF-8 的文件");
        }
        item.size = entry.size;
        item.modified = QDateTime::fromSecsSinceEpoch(entry.mtime, Qt::UTC);
        out.items.append(std::move(item));
    }
    return out;
}

QList<project::PlaceRead> FolderPlace::read(const QStringList& paths, qint64 limit) {
    std::vector<QByteArray> wanted;
    wanted.reserve(static_cast<std::size_t>(paths.size()));
    for (const QString& path : paths) wanted.push_back(pathOf(path));
    const auto many = ask<ManyRead>(session_, [wanted, limit](Session& session, const Session::Done<ManyRead>& done) {
        session.readMany(wanted, limit, nullptr, done);
    });
    QList<project::PlaceRead> out;
    out.reserve(paths.size());
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        project::PlaceRead read;
        if (!many.ok()) {
            read.error = many.message;
        } else if (i >= many.files.size()) {
            read.error = QStringLiteral("无法打开：服务器没有回答");
        } else {
            const FileRead& file = many.files[i];
            if (file.ok()) {
                read.bytes = file.bytes;
                read.size = file.bytes.size();
                read.modified = QDateTime::fromSecsSinceEpoch(file.stamp.mtime, Qt::UTC);
            } else {
                read.error = file.message;
            }
        }
        out.append(std::move(read));
    }
    return out;
}

}  // namespace remote
