#include "remote/worker.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <libssh/callbacks.h>

#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>

#include "remote/keys.h"
#include "remote/known_hosts.h"
#include "remote/sftp_client.h"
#include "storage/safe_write.h"

namespace remote::detail {

Failure failure(const QString& code, const QString& message) {
    Failure result;
    result.outcome.code = code;
    result.outcome.message = message;
    return result;
}

void quietLibssh() {
    static std::once_flag once;
    std::call_once(once, [] {
        ssh_init();
        ssh_set_log_level(SSH_LOG_NOLOG);
        ssh_set_log_callback([](int, const char*, const char*, void*) {});
    });
}

namespace {

// A stream's bytes waiting in one direction of a tunnel, at most: past it the other side waits.
constexpr std::size_t kTunnelBuffer = std::size_t{256} << 10;

QString seconds(int ms) { return QString::number(ms / 1000.0, 'g', 3) + QStringLiteral(" 秒"); }

QString sshError(ssh_session session) { return QString::fromUtf8(ssh_get_error(session)).left(300); }

// The host key algorithms libssh is asked for: those of the keys kept for the host first.
QByteArray hostKeyOrder(const QByteArrayList& knownTypes) {
    static const QByteArrayList defaults = {"ssh-ed25519",         "ecdsa-sha2-nistp521", "ecdsa-sha2-nistp384",
                                            "ecdsa-sha2-nistp256", "rsa-sha2-512",        "rsa-sha2-256"};
    QByteArrayList order;
    for (const QByteArray& type : knownTypes) {
        const QByteArrayList algorithms =
            type == "ssh-rsa" ? QByteArrayList{"rsa-sha2-512", "rsa-sha2-256"} : QByteArrayList{type};
        for (const QByteArray& algorithm : algorithms)
            if (defaults.contains(algorithm) && !order.contains(algorithm)) order.append(algorithm);
    }
    for (const QByteArray& algorithm : defaults)
        if (!order.contains(algorithm)) order.append(algorithm);
    return order.join(',');
}

// Fills a secret's bytes with zeros once it has been handed to libssh.
struct Wiped {
    QByteArray bytes;
    explicit Wiped(const QString& text) : bytes(text.toUtf8()) {}
    ~Wiped() { bytes.fill('\0'); }
    Wiped(const Wiped&) = delete;
    Wiped& operator=(const Wiped&) = delete;
    const char* data() const { return bytes.isEmpty() ? nullptr : bytes.constData(); }
};

struct ChannelOwner {
    ssh_channel channel;
    ~ChannelOwner() {
        if (channel != nullptr) ssh_channel_free(channel);
    }
    ssh_channel release() { return std::exchange(channel, nullptr); }
};

}  // namespace

// One forwarded channel and the local stream socket joined to it.
struct Tunnel {
    ssh_channel channel = nullptr;
    int fd = -1;
    std::string toSocket;       // from the server, for the local side
    std::string toChannel;      // from the local side, for the server
    bool socketEnded = false;   // the local side wrote its last byte
    bool eofSent = false;       // ... and the server was told
    bool channelEnded = false;  // the server sent its last byte
    bool shutdownSent = false;  // ... and the local side was told
    bool finished = false;

    Tunnel(ssh_channel forwarded, int socket) : channel(forwarded), fd(socket) {}
    ~Tunnel() {
        ssh_channel_close(channel);
        ssh_channel_free(channel);
        ::close(fd);
    }
    Tunnel(const Tunnel&) = delete;
    Tunnel& operator=(const Tunnel&) = delete;

    short events() const {
        short events = 0;
        if (!socketEnded && toChannel.size() < kTunnelBuffer) events |= POLLIN;
        if (!toSocket.empty()) events |= POLLOUT;
        return events;
    }

    bool service() {
        bool moved = false;
        char buffer[64 * 1024];
        if (!socketEnded && toChannel.size() < kTunnelBuffer) {
            const ssize_t count = ::read(fd, buffer, sizeof buffer);
            if (count > 0) {
                toChannel.append(buffer, static_cast<std::size_t>(count));
                moved = true;
            } else if (count == 0 || (errno != EAGAIN && errno != EINTR)) {
                socketEnded = true;
                moved = true;
            }
        }
        while (!toChannel.empty()) {
            const std::uint32_t window = ssh_channel_window_size(channel);
            if (window == 0) break;
            const auto size = static_cast<std::uint32_t>(std::min<std::size_t>({toChannel.size(), window, 32768}));
            const int written = ssh_channel_write(channel, toChannel.data(), size);
            if (written < 0) {
                finished = true;
                return true;
            }
            if (written == 0) break;
            toChannel.erase(0, static_cast<std::size_t>(written));
            moved = true;
        }
        if (socketEnded && toChannel.empty() && !eofSent) {
            ssh_channel_send_eof(channel);
            eofSent = true;
        }
        while (!channelEnded && toSocket.size() < kTunnelBuffer) {
            const int count = ssh_channel_read_nonblocking(channel, buffer, sizeof buffer, 0);
            if (count > 0) {
                toSocket.append(buffer, static_cast<std::size_t>(count));
                moved = true;
                continue;
            }
            if (count == SSH_EOF || count == SSH_ERROR || ssh_channel_is_eof(channel) != 0 ||
                ssh_channel_is_closed(channel) != 0) {
                channelEnded = true;
                moved = true;
            }
            break;
        }
        while (!toSocket.empty()) {
            const ssize_t count = ::send(fd, toSocket.data(), toSocket.size(), MSG_NOSIGNAL);
            if (count > 0) {
                toSocket.erase(0, static_cast<std::size_t>(count));
                moved = true;
                continue;
            }
            if (count < 0 && (errno == EAGAIN || errno == EINTR)) break;
            finished = true;  // the local side is gone
            return true;
        }
        if (channelEnded && toSocket.empty() && !shutdownSent) {
            ::shutdown(fd, SHUT_WR);
            shutdownSent = true;
        }
        if ((eofSent && shutdownSent) || (ssh_channel_is_closed(channel) != 0 && toSocket.empty())) finished = true;
        return moved;
    }
};

Worker::Worker(Settings settings, Post post, StateReport states)
    : settings_(std::move(settings)), post_(std::move(post)), states_(std::move(states)) {
    quietLibssh();
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    thread_ = std::thread([this] { run(); });
}

Worker::~Worker() { ::close(wake_); }

void Worker::release(std::unique_ptr<Worker> worker) {
    if (!worker) return;
    std::unique_lock lock(worker->mutex_);
    worker->stopping_ = true;
    worker->wake();
    if (worker->finishedChanged_.wait_for(lock, std::chrono::milliseconds(100), [&] { return worker->finished_; })) {
        lock.unlock();
        worker->thread_.join();
        return;  // the worker goes with the pointer
    }
    worker->selfOwned_ = true;
    worker->thread_.detach();
    lock.unlock();
    [[maybe_unused]] Worker* const left = worker.release();  // freed by its thread as it ends
}

void Worker::enqueue(quint64 id, Job job) {
    {
        const std::lock_guard lock(mutex_);
        jobs_.push_back({id, std::move(job)});
    }
    wake();
}

void Worker::cancel(quint64 id) {
    {
        const std::lock_guard lock(mutex_);
        cancelled_.insert(id);
    }
    wake();
}

void Worker::wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wake_, &one, sizeof one);
}

void Worker::run() {
    for (;;) {
        Queued next;
        {
            const std::lock_guard lock(mutex_);
            if (stopping_) break;
            if (!jobs_.empty()) {
                next = std::move(jobs_.front());
                jobs_.pop_front();
                current_ = next.id;
            }
        }
        if (!next.job) {
            idle();
            continue;
        }
        cancellable_ = true;
        next.job(*this);
        if (sftp_ && !sftp_->alive()) sftp_.reset();
        if (sftp_) sftp_->forgetAll();
        const std::lock_guard lock(mutex_);
        cancelled_.erase(next.id);
        current_ = 0;
    }
    dropLink();
    bool selfOwned = false;
    {
        const std::lock_guard lock(mutex_);
        finished_ = true;
        selfOwned = selfOwned_;
        finishedChanged_.notify_all();
    }
    if (selfOwned) delete this;
}

void Worker::idle() {
    if (!linkUp()) {
        if (ssh_ != nullptr) dropLink();
        waitForEvents(-1);
        return;
    }
    const bool moved = service();
    if (!linkUp()) {
        dropLink();
        setState(Session::State::Disconnected, QStringLiteral("连接已断开"));
        return;
    }
    if (sftp_ && !sftp_->alive()) sftp_.reset();
    // A session without a channel would leave its socket's bytes unread: the next request connects again.
    if (!sftp_ && tunnels_.empty()) {
        dropLink();
        setState(Session::State::Disconnected, QStringLiteral("未连接"));
        return;
    }
    if (!moved) waitForEvents(-1);
}

bool Worker::linkUp() const { return ssh_ != nullptr && loggedIn_ && ssh_is_connected(ssh_) != 0; }

bool Worker::service() {
    bool moved = false;
    if (sftp_) moved = sftp_->service() || moved;
    for (const auto& tunnel : tunnels_) moved = tunnel->service() || moved;
    std::erase_if(tunnels_, [](const std::unique_ptr<Tunnel>& tunnel) { return tunnel->finished; });
    if (ssh_ != nullptr && (ssh_get_poll_flags(ssh_) & SSH_WRITE_PENDING) != 0) ssh_blocking_flush(ssh_, 0);
    return moved;
}

void Worker::waitForEvents(int ms) {
    std::vector<pollfd> fds;
    fds.reserve(2 + tunnels_.size());
    fds.push_back({wake_, POLLIN, 0});
    if (ssh_ != nullptr && ssh_get_fd(ssh_) >= 0) {
        // Each reply acknowledged at once: an SSH server does not turn Nagle's algorithm off for a
        // session without a terminal, and its next small packet would otherwise wait for our
        // delayed acknowledgement (40 ms on Linux) at each round trip.
        const int on = 1;
        ::setsockopt(ssh_get_fd(ssh_), IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
        short events = POLLIN;
        if ((ssh_get_poll_flags(ssh_) & SSH_WRITE_PENDING) != 0) events |= POLLOUT;
        fds.push_back({ssh_get_fd(ssh_), events, 0});
    }
    for (const auto& tunnel : tunnels_) fds.push_back({tunnel->fd, tunnel->events(), 0});
    ::poll(fds.data(), fds.size(), ms);
    if (fds.front().revents != 0) {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t read = ::read(wake_, &count, sizeof count);
    }
}

void Worker::checkCancelled() {
    const std::lock_guard lock(mutex_);
    if (stopping_) throw failure(QStringLiteral("cancelled"), QStringLiteral("连接已关闭，请求没有完成"));
    if (cancellable_ && cancelled_.contains(current_))
        throw failure(QStringLiteral("cancelled"), QStringLiteral("已取消"));
}

Failure Worker::timeout(const QString& what) const {
    return failure(QStringLiteral("timeout"),
                   QStringLiteral("%1超时：%2 在 %3内没有回答").arg(what, where(), seconds(settings_.timeoutMs)));
}

void Worker::turn(const QDeadlineTimer& deadline, const QString& what) {
    checkCancelled();
    const bool moved = service();
    if (loggedIn_ && (ssh_ == nullptr || ssh_is_connected(ssh_) == 0))
        throw failure(QStringLiteral("dropped"), QStringLiteral("与 %1 的连接断开了（%2时）").arg(where(), what));
    if (moved) return;
    if (deadline.hasExpired()) throw timeout(what);
    const qint64 remaining = deadline.remainingTime();
    waitForEvents(remaining < 0 ? -1 : static_cast<int>(std::min<qint64>(remaining, INT_MAX)));
    checkCancelled();
}

QString Worker::where() const {
    const QString host = settings_.host.contains(u':') ? QStringLiteral("[%1]").arg(settings_.host) : settings_.host;
    return settings_.user + u'@' + host + u':' + QString::number(settings_.port);
}

void Worker::setState(Session::State state, const QString& text) {
    state_ = state;
    states_(state, text);
}

void Worker::setSettings(const Settings& settings) {
    const bool sameLogin = settings.host == settings_.host && settings.port == settings_.port &&
                           settings.user == settings_.user && settings.auth == settings_.auth &&
                           settings.keyFile == settings_.keyFile && settings.knownHosts == settings_.knownHosts;
    settings_ = settings;
    if (!sameLogin && ssh_ != nullptr) {
        dropLink();
        setState(Session::State::Disconnected, QStringLiteral("未连接"));
    }
    // A new time limit holds for the SFTP channel already open too.
    if (sftp_) sftp_->setTimeout(settings_.timeoutMs);
}

void Worker::disconnect() {
    if (ssh_ == nullptr) return;
    dropLink();
    setState(Session::State::Disconnected, QStringLiteral("未连接"));
}

void Worker::dropLink() {
    sftp_.reset();
    tunnels_.clear();
    if (ssh_ != nullptr) {
        ssh_disconnect(ssh_);
        ssh_free(ssh_);
        ssh_ = nullptr;
    }
    // A socket given to libssh stays open after the session is freed: it is ours to close.
    if (socket_ >= 0) {
        ::close(socket_);
        socket_ = -1;
    }
    loggedIn_ = false;
}

SftpClient& Worker::sftp() {
    if (!sftp_) throw failure(QStringLiteral("dropped"), QStringLiteral("与 %1 的 SFTP 连接断开了").arg(where()));
    return *sftp_;
}

void Worker::ensureConnected() { connectHost({}, false); }

void Worker::trustHost(const QString& fingerprint) { connectHost(fingerprint, true); }

int Worker::connectTcp(const QDeadlineTimer& deadline) {
    const QString address =
        (settings_.host.contains(u':') ? QStringLiteral("[%1]").arg(settings_.host) : settings_.host) + u':' +
        QString::number(settings_.port);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int resolved = ::getaddrinfo(settings_.host.toUtf8().constData(),
                                       QByteArray::number(settings_.port).constData(), &hints, &found);
    if (resolved != 0)
        throw failure(
            QStringLiteral("unreachable"),
            QStringLiteral("找不到主机 %1（%2）").arg(settings_.host, QString::fromLocal8Bit(gai_strerror(resolved))));
    const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> addresses(found, &::freeaddrinfo);
    int lastError = 0;
    for (const addrinfo* at = found; at != nullptr; at = at->ai_next) {
        const int fd = ::socket(at->ai_family, at->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, at->ai_protocol);
        if (fd < 0) {
            lastError = errno;
            continue;
        }
        bool connected = ::connect(fd, at->ai_addr, at->ai_addrlen) == 0;
        if (!connected && errno != EINPROGRESS) {
            lastError = errno;
            ::close(fd);
            continue;
        }
        try {
            while (!connected) {
                checkCancelled();
                if (deadline.hasExpired())
                    throw failure(QStringLiteral("timeout"),
                                  QStringLiteral("连接 %1 超时：%2内没有连上（主机没有回答）")
                                      .arg(address, seconds(settings_.timeoutMs)));
                pollfd fds[2] = {{fd, POLLOUT, 0}, {wake_, POLLIN, 0}};
                ::poll(fds, 2, static_cast<int>(std::min<qint64>(deadline.remainingTime(), INT_MAX)));
                if (fds[1].revents != 0) {
                    std::uint64_t count = 0;
                    [[maybe_unused]] const ssize_t read = ::read(wake_, &count, sizeof count);
                }
                if (fds[0].revents == 0) continue;
                int error = 0;
                socklen_t length = sizeof error;
                ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
                if (error != 0) {
                    lastError = error;
                    break;
                }
                connected = true;
            }
        } catch (...) {
            ::close(fd);
            throw;
        }
        if (!connected) {
            ::close(fd);
            continue;
        }
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        return fd;
    }
    if (lastError == ECONNREFUSED)
        throw failure(QStringLiteral("unreachable"),
                      QStringLiteral("%1 拒绝连接：那里没有 SSH 服务在监听（请检查主机和端口）").arg(address));
    throw failure(QStringLiteral("unreachable"),
                  QStringLiteral("无法连接 %1（%2）").arg(address, storage::systemError(lastError)));
}

void Worker::connectHost(const QString& trust, bool trustOnly) {
    if (linkUp()) {
        if (trustOnly) return;  // logged in: the key is trusted already
        if (sftp_ && sftp_->alive()) return;
        sftp_.reset();
        openSftp();
        return;
    }
    dropLink();
    setState(Session::State::Connecting, QStringLiteral("正在连接 ") + where());
    try {
        const QDeadlineTimer deadline(settings_.timeoutMs);
        const KnownHosts known = KnownHosts::read(settings_.knownHosts);
        socket_ = connectTcp(deadline);
        ssh_ = ssh_new();
        if (ssh_ == nullptr) throw failure(QStringLiteral("unreachable"), QStringLiteral("无法创建 SSH 会话"));
        const QByteArray host = settings_.host.toUtf8();
        const QByteArray user = settings_.user.toUtf8();
        const QByteArray order = hostKeyOrder(known.typesFor(settings_.host, settings_.port));
        const unsigned int port = settings_.port;
        const int no = 0;
        socket_t socket = socket_;
        ssh_options_set(ssh_, SSH_OPTIONS_HOST, host.constData());
        ssh_options_set(ssh_, SSH_OPTIONS_PORT, &port);
        ssh_options_set(ssh_, SSH_OPTIONS_USER, user.constData());
        ssh_options_set(ssh_, SSH_OPTIONS_PROCESS_CONFIG, &no);  // the profile says it all: no ~/.ssh/config
        ssh_options_set(ssh_, SSH_OPTIONS_HOSTKEYS, order.constData());
        ssh_options_set(ssh_, SSH_OPTIONS_FD, &socket);
        ssh_set_blocking(ssh_, 0);
        int rc = SSH_AGAIN;
        const QString handshake = QStringLiteral("SSH 握手");
        while ((rc = ssh_connect(ssh_)) == SSH_AGAIN) turn(deadline, handshake);
        if (rc != SSH_OK)
            throw failure(QStringLiteral("unreachable"),
                          QStringLiteral("无法和 %1 建立 SSH 连接：%2").arg(where(), sshError(ssh_)));
        checkHostKey(known, trust);
        if (trustOnly) {
            dropLink();
            setState(Session::State::Disconnected, QStringLiteral("未连接"));
            return;
        }
        authenticate();
        loggedIn_ = true;
        openSftp();
        setState(Session::State::Connected, QStringLiteral("已连接 ") + where());
    } catch (const Failure& failed) {
        dropLink();
        setState(
            failed.outcome.code == QLatin1String("cancelled") ? Session::State::Disconnected : Session::State::Failed,
            failed.outcome.code == QLatin1String("cancelled") ? QStringLiteral("未连接")
                                                              : QStringLiteral("连接失败：") + failed.outcome.message);
        throw;
    }
}

void Worker::checkHostKey(const KnownHosts& known, const QString& trust) {
    ssh_key key = nullptr;
    if (ssh_get_server_publickey(ssh_, &key) != SSH_OK)
        throw failure(QStringLiteral("unreachable"), QStringLiteral("%1 没有出示主机密钥").arg(where()));
    char* base64 = nullptr;
    const int exported = ssh_pki_export_pubkey_base64(key, &base64);
    ssh_key_free(key);
    if (exported != SSH_OK || base64 == nullptr)
        throw failure(QStringLiteral("unreachable"), QStringLiteral("%1 出示的主机密钥无法读取").arg(where()));
    const HostKey hostKey = HostKey::fromBlob(QByteArray::fromBase64(base64));
    ssh_string_free_char(base64);
    const HostKeyCheck check = known.check(settings_.host, settings_.port, hostKey);
    Failure refusal;
    refusal.outcome.fingerprint = check.fingerprint;
    switch (check.status) {
    case HostKeyStatus::Known: return;
    case HostKeyStatus::Unknown:
        if (!trust.isEmpty() && trust == check.fingerprint) {
            const storage::WriteResult written =
                trustHostKey(settings_.knownHosts.value(0), settings_.host, settings_.port, hostKey);
            if (!written.ok())
                throw failure(QStringLiteral("failed"), QStringLiteral("无法记住主机密钥：") + written.error);
            return;
        }
        refusal.outcome.code = QStringLiteral("unknown-host");
        refusal.outcome.message =
            trust.isEmpty() ? QStringLiteral(
                                  "第一次连接 %1：它的主机密钥指纹是 %2。请向服务器的管理员或主机商核对这个指纹，"
                                  "确认无误后再信任它。")
                                  .arg(where(), check.fingerprint)
                            : QStringLiteral("%1 现在出示的主机密钥（%2）不是你确认的那一个（%3），没有信任它。")
                                  .arg(where(), check.fingerprint, trust);
        throw refusal;
    case HostKeyStatus::Changed:
        refusal.outcome.code = QStringLiteral("host-key-changed");
        refusal.outcome.known = check.knownFingerprint;
        refusal.outcome.knownFile = check.file;
        refusal.outcome.knownLine = check.line;
        refusal.outcome.message =
            QStringLiteral(
                "警告：%1 出示的主机密钥和记住的不同！这可能是有人在冒充服务器（中间人攻击）。"
                "连接已中止，没有发送密码或任何请求。服务器出示的指纹：%2；记住的指纹：%3（%4 第 %5 行）。"
                "如果服务器确实重装过，请向管理员核对新指纹，再从 %4 删除第 %5 行"
                "（或运行 ssh-keygen -R \"%6\" -f \"%4\"）后重新连接。")
                .arg(where(), check.fingerprint, check.knownFingerprint, check.file)
                .arg(check.line)
                .arg(QString::fromUtf8(knownHostsName(settings_.host, settings_.port)));
        throw refusal;
    case HostKeyStatus::Revoked:
        refusal.outcome.code = QStringLiteral("host-key-revoked");
        refusal.outcome.knownFile = check.file;
        refusal.outcome.knownLine = check.line;
        refusal.outcome.message =
            QStringLiteral("%1 出示的主机密钥（%2）已被吊销（%3 第 %4 行的 @revoked），连接已中止，没有发送任何请求。")
                .arg(where(), check.fingerprint, check.file)
                .arg(check.line);
        throw refusal;
    }
}

void Worker::authenticate() {
    const QDeadlineTimer deadline(settings_.timeoutMs);
    switch (settings_.auth) {
    case storage::SshAuth::Key: authenticateWithKey(deadline); return;
    case storage::SshAuth::Password: authenticateWithPassword(deadline); return;
    case storage::SshAuth::Agent: authenticateWithAgent(deadline); return;
    }
}

namespace {

Failure authFailed(const QString& message, bool secretNeeded) {
    Failure refusal = failure(QStringLiteral("auth-failed"), message);
    refusal.outcome.secretNeeded = secretNeeded;
    return refusal;
}

}  // namespace

void Worker::authenticateWithKey(const QDeadlineTimer& deadline) {
    const QString& shown = settings_.keyFile;
    LoadedKey loaded = loadPrivateKey(settings_.keyFile, settings_.passphrase);
    switch (loaded.state) {
    case KeyFileState::Usable: break;
    case KeyFileState::NeedsPassphrase:
        throw authFailed(settings_.passphrase.isEmpty()
                             ? QStringLiteral("密钥文件 %1 有密码保护，请输入它的密码").arg(shown)
                             : QStringLiteral("密钥文件 %1 的密码不对").arg(shown),
                         true);
    case KeyFileState::Unreadable: throw authFailed(loaded.error, false);
    }
    int rc = SSH_AUTH_AGAIN;
    const QString what = QStringLiteral("登录");
    while ((rc = ssh_userauth_publickey(ssh_, nullptr, loaded.key.get())) == SSH_AUTH_AGAIN) turn(deadline, what);
    if (rc == SSH_AUTH_SUCCESS) return;
    if (rc == SSH_AUTH_ERROR)
        throw failure(QStringLiteral("dropped"), QStringLiteral("登录 %1 时连接出错：%2").arg(where(), sshError(ssh_)));
    throw authFailed(QStringLiteral("%1 不接受密钥 %2").arg(where(), shown), false);
}

void Worker::authenticateWithPassword(const QDeadlineTimer& deadline) {
    if (settings_.password.isEmpty()) throw authFailed(QStringLiteral("请输入 %1 的密码").arg(where()), true);
    const Wiped password(settings_.password);
    const QString what = QStringLiteral("登录");
    int rc = SSH_AUTH_AGAIN;
    while ((rc = ssh_userauth_password(ssh_, nullptr, password.data())) == SSH_AUTH_AGAIN) turn(deadline, what);
    if (rc == SSH_AUTH_DENIED) {
        // Servers that ask for the password as a question (keyboard-interactive) instead.
        const int methods = ssh_userauth_list(ssh_, nullptr);
        if ((methods & SSH_AUTH_METHOD_INTERACTIVE) != 0 && (methods & SSH_AUTH_METHOD_PASSWORD) == 0) {
            for (int round = 0; round < 4; ++round) {
                while ((rc = ssh_userauth_kbdint(ssh_, nullptr, nullptr)) == SSH_AUTH_AGAIN) turn(deadline, what);
                if (rc != SSH_AUTH_INFO) break;
                const int prompts = ssh_userauth_kbdint_getnprompts(ssh_);
                for (int i = 0; i < prompts; ++i) {
                    char echo = 0;
                    ssh_userauth_kbdint_getprompt(ssh_, static_cast<unsigned int>(i), &echo);
                    ssh_userauth_kbdint_setanswer(ssh_, static_cast<unsigned int>(i),
                                                  echo != 0 ? "" : password.bytes.constData());
                }
            }
        }
    }
    if (rc == SSH_AUTH_SUCCESS) return;
    if (rc == SSH_AUTH_ERROR)
        throw failure(QStringLiteral("dropped"), QStringLiteral("登录 %1 时连接出错：%2").arg(where(), sshError(ssh_)));
    throw authFailed(QStringLiteral("密码不对，或 %1 不接受这个用户用密码登录").arg(where()), true);
}

void Worker::authenticateWithAgent(const QDeadlineTimer& deadline) {
    if (qEnvironmentVariableIsEmpty("SSH_AUTH_SOCK"))
        throw authFailed(QStringLiteral("没有找到 SSH agent（环境变量 SSH_AUTH_SOCK 没有设置）"), false);
    const QString what = QStringLiteral("登录");
    int rc = SSH_AUTH_AGAIN;
    while ((rc = ssh_userauth_agent(ssh_, nullptr)) == SSH_AUTH_AGAIN) turn(deadline, what);
    if (rc == SSH_AUTH_SUCCESS) return;
    if (rc == SSH_AUTH_ERROR)
        throw failure(QStringLiteral("auth-failed"),
                      QStringLiteral("登录 %1 时出错（SSH agent 或连接）：%2").arg(where(), sshError(ssh_)));
    throw authFailed(QStringLiteral("SSH agent 里没有 %1 接受的密钥").arg(where()), false);
}

void Worker::openSftp() {
    const QDeadlineTimer deadline(settings_.timeoutMs);
    ChannelOwner owner{ssh_channel_new(ssh_)};
    if (owner.channel == nullptr)
        throw failure(QStringLiteral("dropped"), QStringLiteral("与 %1 的连接断开了").arg(where()));
    const QString what = QStringLiteral("打开 SFTP 通道");
    int rc = SSH_AGAIN;
    while ((rc = ssh_channel_open_session(owner.channel)) == SSH_AGAIN) turn(deadline, what);
    if (rc != SSH_OK)
        throw failure(QStringLiteral("no-sftp"),
                      QStringLiteral("%1 没有打开会话通道（%2）").arg(where(), sshError(ssh_)));
    // The subsystem only: panel servers give no shell, and no command is ever run.
    while ((rc = ssh_channel_request_subsystem(owner.channel, "sftp")) == SSH_AGAIN) turn(deadline, what);
    if (rc != SSH_OK) {
        ssh_channel_close(owner.channel);
        throw failure(QStringLiteral("no-sftp"),
                      QStringLiteral("%1 没有提供 SFTP 服务（%2）").arg(where(), sshError(ssh_)));
    }
    sftp_ = std::make_unique<SftpClient>(*this, owner.release(), settings_.timeoutMs);
    try {
        sftp_->start();
    } catch (...) {
        sftp_.reset();
        throw;
    }
}

int Worker::openTunnel(const QString& host, quint16 port) {
    const QDeadlineTimer deadline(settings_.timeoutMs);
    ChannelOwner owner{ssh_channel_new(ssh_)};
    if (owner.channel == nullptr)
        throw failure(QStringLiteral("dropped"), QStringLiteral("与 %1 的连接断开了").arg(where()));
    const QString target =
        (host.contains(u':') ? QStringLiteral("[%1]").arg(host) : host) + u':' + QString::number(port);
    const QString what = QStringLiteral("打开到 %1 的隧道").arg(target);
    const QByteArray name = host.toUtf8();
    int rc = SSH_AGAIN;
    while ((rc = ssh_channel_open_forward(owner.channel, name.constData(), port, "127.0.0.1", 0)) == SSH_AGAIN)
        turn(deadline, what);
    if (rc != SSH_OK) {
        const QString error = sshError(ssh_);
        // "Channel opening failure: channel 3 error (1) open failed": 1 is "administratively prohibited".
        const auto reason = QRegularExpression(QStringLiteral("error \\((\\d+)\\)")).match(error);
        if (reason.hasMatch() && reason.captured(1) == QLatin1String("1"))
            throw failure(
                QStringLiteral("no-tunnel"),
                QStringLiteral(
                    "%1 不允许经 SSH 转发连接（服务器设置了 AllowTcpForwarding no，面板服务器通常如此），"
                    "RCON 无法经隧道连接。可以取消“经 SSH 隧道”直接连接，但 RCON 密码和命令将以明文经过网络。")
                    .arg(where()));
        if (!linkUp())
            throw failure(QStringLiteral("dropped"), QStringLiteral("与 %1 的连接断开了（%2时）").arg(where(), what));
        throw failure(QStringLiteral("unreachable"),
                      QStringLiteral("服务器连不上它自己的 %1（那里没有 RCON 在监听？请检查 server.properties 中的 "
                                     "enable-rcon 和 rcon.port）：%2")
                          .arg(target, error));
    }
    int ends[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        throw failure(QStringLiteral("failed"), QStringLiteral("无法创建本地连接：") + storage::systemError(errno));
    ::fcntl(ends[0], F_SETFL, ::fcntl(ends[0], F_GETFL) | O_NONBLOCK);
    tunnels_.push_back(std::make_unique<Tunnel>(owner.release(), ends[0]));
    return ends[1];
}

}  // namespace remote::detail
