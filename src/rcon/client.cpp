#include "rcon/client.h"

#include <unistd.h>

#include <QMetaObject>
#include <limits>
#include <string_view>
#include <utility>
#include <vector>

namespace rcon {
namespace {

// A line as messages quote it: long lines cut, so a message still fits a status bar.
QString quoted(const QString& line) {
    constexpr qsizetype kShown = 40;
    return QStringLiteral("“") + (line.size() > kShown ? line.left(kShown) + QStringLiteral("…") : line) +
           QStringLiteral("”");
}

QString seconds(int ms) { return QString::number(ms / 1000.0, 'g', 3) + QStringLiteral(" 秒"); }

int orDefault(int timeoutMs) { return timeoutMs > 0 ? timeoutMs : Client::kDefaultTimeoutMs; }

}  // namespace

Client::Client(QObject* parent) : QObject(parent), timer_(this), status_(QStringLiteral("未连接")) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);  // a coarse timer may end a limit 5 % early
    connect(&timer_, &QTimer::timeout, this, [this] {
        stopLimit();
        onTimeout();
    });
    resetDecoder();
}

// A fresh decoder for a new connection, which passes over every packet the client did not ask
// for as its bytes arrive.
void Client::resetDecoder() {
    decoder_ = Decoder{};
    decoder_.setFilter([this](const Header& header, std::string* why) { return admit(header, why); });
}

void Client::startLimit(int ms) {
    timer_.start(ms);
    deadline_ = QDeadlineTimer(ms, Qt::PreciseTimer);
}

void Client::stopLimit() {
    timer_.stop();
    deadline_ = QDeadlineTimer(QDeadlineTimer::Forever);
}

Client::~Client() {
    if (socket_ == nullptr) return;
    // Callbacks still waiting are dropped with this object; the socket must not call back into
    // members that are already gone while it closes.
    QObject::disconnect(socket_, nullptr, this, nullptr);
    socket_->abort();
}

// The socket is made on the first connection: the editor starts without the network code.
QTcpSocket& Client::socket() {
    if (socket_ == nullptr) {
        socket_ = new QTcpSocket(this);
        connect(socket_, &QTcpSocket::connected, this, &Client::onConnected);
        connect(socket_, &QTcpSocket::readyRead, this, &Client::onReadyRead);
        connect(socket_, &QTcpSocket::disconnected, this, &Client::onSocketLost);
        connect(socket_, &QTcpSocket::errorOccurred, this, &Client::onSocketLost);
    }
    return *socket_;
}

void Client::connectThrough(Opener opener, const QString& shownAs, const QString& password, int timeoutMs,
                            QObject* context, ConnectCallback done) {
    connectToServer(shownAs, 0, password, timeoutMs, context, std::move(done), std::move(opener));
}

void Client::connectToServer(const QString& host, quint16 port, const QString& password, int timeoutMs,
                             QObject* context, ConnectCallback done) {
    connectToServer(host, port, password, timeoutMs, context, std::move(done), {});
}

void Client::connectToServer(const QString& host, quint16 port, const QString& password, int timeoutMs,
                             QObject* context, ConnectCallback done, Opener opener) {
    deliverConnect({QStringLiteral("cancelled"), QStringLiteral("连接已取消：又开始了新的连接")});
    closeSocket();
    failCurrent(QStringLiteral("dropped"), QStringLiteral("又开始了新的连接"));
    failQueue(QStringLiteral("又开始了新的连接"));
    opener_ = std::move(opener);
    shownAs_ = opener_ ? host : QString();
    host_ = host;
    port_ = port;
    password_ = password;
    connectTimeoutMs_ = orDefault(timeoutMs);
    haveCredentials_ = true;
    connectDone_.emplace(Waiter{context, context != nullptr}, std::move(done));
    if (static_cast<std::size_t>(password.toUtf8().size()) > kMaxRequestPayload) {
        connectFailed(QStringLiteral("auth-failed"),
                      QStringLiteral("密码超过 %1 字节，服务器收不到它").arg(kMaxRequestPayload));
        return;
    }
    startConnecting();
}

void Client::send(const QString& line, int timeoutMs, QObject* context, AnswerCallback done) {
    Request request{line, line.toUtf8().toStdString(), orDefault(timeoutMs), Waiter{context, context != nullptr},
                    std::move(done)};
    const auto bytes = static_cast<qsizetype>(request.payload.size());
    if (request.payload.size() > kMaxRequestPayload) {
        // The server would drop it without a word and the line would only time out: refuse it here.
        deliver(request.waiter, std::move(request.done),
                {line,
                 QStringLiteral("too-long"),
                 QStringLiteral("%1有 %2 字节，超过了服务器能收的 %3 字节（约 480 个汉字），没有发送")
                     .arg(quoted(line))
                     .arg(bytes)
                     .arg(kMaxRequestPayload),
                 {},
                 bytes});
        return;
    }
    if (!haveCredentials_) {
        deliver(request.waiter, std::move(request.done),
                {line,
                 QStringLiteral("not-connected"),
                 QStringLiteral("未连接服务器，%1没有发送").arg(quoted(line)),
                 {},
                 bytes});
        return;
    }
    queue_.push_back(std::move(request));
    if (phase_ == Phase::Idle) {
        startConnecting();  // the connection was lost: connect again with the kept credentials
    } else {
        dispatchNext();
    }
}

void Client::disconnectFromServer() {
    deliverConnect({QStringLiteral("cancelled"), QStringLiteral("连接已取消")});
    closeSocket();
    failCurrent(QStringLiteral("dropped"), QStringLiteral("已断开连接"));
    failQueue(QStringLiteral("已断开连接"));
    forgetCredentials();
    setState(State::Disconnected, QStringLiteral("未连接"));
}

void Client::startConnecting() {
    closeSocket();
    phase_ = Phase::Connecting;
    setState(State::Connecting, QStringLiteral("正在连接 ") + address());
    startLimit(connectTimeoutMs_);
    if (opener_) {
        const quint64 attempt = ++openAttempt_;
        opener_([self = QPointer<Client>(this), attempt](const Stream& stream) {
            if (self.isNull() || self->openAttempt_ != attempt || self->phase_ != Phase::Connecting) {
                if (stream.descriptor >= 0) ::close(static_cast<int>(stream.descriptor));  // asked for in vain
                return;
            }
            self->opened(stream);
        });
        return;
    }
    // Unbuffered: a line goes straight to the system and an answer is read straight from it,
    // without the buffered socket's extra wake-ups of the event loop on every line.
    socket().connectToHost(host_, port_, QIODevice::ReadWrite | QIODevice::Unbuffered);
}

void Client::opened(const Stream& stream) {
    if (stream.descriptor < 0) {
        connectFailed(stream.code.isEmpty() ? QStringLiteral("unreachable") : stream.code,
                      stream.message.isEmpty() ? QStringLiteral("无法连接 %1").arg(address()) : stream.message, false);
        return;
    }
    if (!socket().setSocketDescriptor(stream.descriptor, QAbstractSocket::ConnectedState,
                                      QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        ::close(static_cast<int>(stream.descriptor));
        connectFailed(QStringLiteral("unreachable"),
                      QStringLiteral("无法连接 %1（%2）").arg(address(), socket().errorString()), false);
        return;
    }
    onConnected();
}

void Client::onConnected() {
    if (phase_ != Phase::Connecting) return;
    phase_ = Phase::LoggingIn;
    socket().setSocketOption(QAbstractSocket::LowDelayOption, 1);
    loginId_ = nextId();
    const QByteArray password = password_.toUtf8();
    transmit(encode(loginId_, kTypeLogin, std::string_view(password.constData(), password.size())));
}

// One turn: at most kReadPerTurn bytes. What is left waits in the system and is read on a later
// turn, so a server that sends without end holds neither the event loop nor memory, and the
// time limit is checked here too, should the server keep the loop too busy for the timer.
void Client::onReadyRead() {
    readQueued_ = false;
    if (socket_ == nullptr || !socket_->isOpen()) return;  // a turn asked for before the socket closed
    if (readBuffer_.isEmpty()) readBuffer_.resize(kReadPerTurn);
    const qint64 got = socket_->read(readBuffer_.data(), kReadPerTurn);
    if (got > 0) {
        std::vector<Packet> packets;
        const bool trusted =
            decoder_.feed(std::string_view(readBuffer_.constData(), static_cast<std::size_t>(got)), packets);
        for (const Packet& packet : packets) {
            if (phase_ != Phase::LoggingIn && phase_ != Phase::Ready) return;
            onPacket(packet);
        }
        if (!trusted) {
            const QString reason = QString::fromStdString(decoder_.error());
            if (phase_ == Phase::LoggingIn) connectFailed(QStringLiteral("unreachable"), reason);
            if (phase_ == Phase::Ready) connectionLost(reason);
            return;
        }
    }
    if (timer_.isActive() && deadline_.hasExpired()) {
        stopLimit();
        onTimeout();
    }
    // Unbuffered, the socket learns of the server's close in a read and only changes its state.
    if (socket_->state() == QAbstractSocket::UnconnectedState) {
        onSocketLost();
        return;
    }
    if (got == kReadPerTurn && !readQueued_) {
        readQueued_ = true;
        QMetaObject::invokeMethod(this, &Client::onReadyRead, Qt::QueuedConnection);
    }
}

// Which packets the client takes: the login's answer while logging in; then the answer to the
// line in flight and to its marker, and the server's "not logged in". Everything else (the rest
// of an answer that timed out, or a flood) is passed over as it arrives. An answer past its
// caps stops the stream here, before its payload is kept.
Take Client::admit(const Header& header, std::string* why) {
    switch (phase_) {
    case Phase::LoggingIn:
        return header.type == kTypeLoginAnswer && (header.id == loginId_ || header.id == kIdAuthFailed) ? Take::Keep
                                                                                                        : Take::Skip;
    case Phase::Ready: break;
    case Phase::Idle:
    case Phase::Connecting: return Take::Skip;
    }
    if (header.id == kIdAuthFailed) return Take::Keep;
    if (!current_) return Take::Skip;
    InFlight& sent = *current_;
    if (sent.markerId != 0 && header.id == sent.markerId) return Take::Keep;
    if (header.id != sent.id) return Take::Skip;
    sent.acceptedBytes += header.payloadBytes;
    ++sent.acceptedPackets;
    if (sent.acceptedBytes > kMaxAnswerBytes) {
        *why = QStringLiteral("服务器的回答超过了 %1 MiB").arg(kMaxAnswerBytes >> 20).toStdString();
        return Take::Stop;
    }
    if (sent.acceptedPackets > kMaxAnswerPackets) {
        *why = QStringLiteral("服务器的回答超过了 %1 个数据包").arg(kMaxAnswerPackets).toStdString();
        return Take::Stop;
    }
    return Take::Keep;
}

void Client::onSocketLost() {
    switch (phase_) {
    case Phase::Idle: return;
    case Phase::Connecting: {
        QString reason;
        switch (socket().error()) {
        case QAbstractSocket::ConnectionRefusedError:
            reason = QStringLiteral(
                         "%1 拒绝连接：那里没有 RCON 服务在监听（请检查 server.properties 中的 "
                         "enable-rcon 和 rcon.port）")
                         .arg(address());
            break;
        case QAbstractSocket::HostNotFoundError: reason = QStringLiteral("找不到主机 %1").arg(host_); break;
        default: reason = QStringLiteral("无法连接 %1（%2）").arg(address(), socket().errorString()); break;
        }
        connectFailed(QStringLiteral("unreachable"), reason);
        return;
    }
    case Phase::LoggingIn:
        connectFailed(QStringLiteral("unreachable"), QStringLiteral("%1 在登录时关闭了连接").arg(address()));
        return;
    case Phase::Ready: connectionLost(QStringLiteral("服务器关闭了连接")); return;
    }
}

void Client::onTimeout() {
    switch (phase_) {
    case Phase::Idle: return;
    case Phase::Connecting:
        connectFailed(QStringLiteral("timeout"),
                      QStringLiteral("连接 %1 超时：%2内没有连上").arg(address(), seconds(connectTimeoutMs_)));
        return;
    case Phase::LoggingIn:
        connectFailed(QStringLiteral("timeout"),
                      QStringLiteral("登录 %1 超时：%2内服务器没有回答").arg(address(), seconds(connectTimeoutMs_)));
        return;
    case Phase::Ready:
        if (!current_) return;
        // The connection stays: a late answer carries the old id and is thrown away.
        failCurrent(QStringLiteral("timeout"),
                    QStringLiteral("%1在%2内没有得到完整的回答（没有重发）")
                        .arg(quoted(current_->request.line), seconds(current_->request.timeoutMs)));
        dispatchNext();
        return;
    }
}

void Client::onPacket(const Packet& packet) {
    if (phase_ == Phase::LoggingIn) {
        // Some servers send an empty response before the login answer; only the answer counts.
        if (packet.type != kTypeLoginAnswer) return;
        if (packet.id == kIdAuthFailed) {
            connectFailed(QStringLiteral("auth-failed"), QStringLiteral("密码错误，%1 拒绝了登录").arg(address()));
        } else if (packet.id == loginId_) {
            phase_ = Phase::Ready;
            stopLimit();
            setState(State::Connected, QStringLiteral("已连接 ") + address());
            deliverConnect({});
            dispatchNext();
        }
        return;
    }
    if (packet.id == kIdAuthFailed) {
        connectionLost(QStringLiteral("服务器不再承认这次登录"));
        return;
    }
    if (!current_) return;  // the rest of an answer that timed out
    InFlight& sent = *current_;
    if (packet.id == sent.id) {
        sent.answer += packet.payload;
        if (sent.markerId != 0) return;
        // The server answers a request of unknown type only after it has sent every piece of
        // the answers before it, so that answer marks the end, whatever the pieces' lengths. It
        // goes out now rather than together with the line because the server takes one packet
        // per read, and two packets arriving together would be lost.
        sent.markerId = nextId();
        transmit(encode(sent.markerId, kTypeMarker, {}));
        return;
    }
    if (sent.markerId != 0 && packet.id == sent.markerId) finishCurrent();
}

void Client::connectFailed(const QString& code, const QString& reason, bool forget) {
    closeSocket();
    if (forget && code == QLatin1String("auth-failed")) forgetCredentials();
    setState(State::Failed, QStringLiteral("连接失败：") + reason);
    deliverConnect({code, reason});
    failQueue(reason);
}

void Client::connectionLost(const QString& reason) {
    closeSocket();
    setState(State::Failed, QStringLiteral("连接失败：") + reason);
    failCurrent(QStringLiteral("dropped"), reason);
    failQueue(reason);
}

void Client::dispatchNext() {
    if (phase_ != Phase::Ready || current_ || queue_.empty()) return;
    InFlight sent{std::move(queue_.front()), nextId(), 0, {}};
    queue_.pop_front();
    const std::string packet = encode(sent.id, kTypeCommand, sent.request.payload);
    startLimit(sent.request.timeoutMs);
    current_ = std::move(sent);
    transmit(packet);
}

void Client::transmit(const std::string& packet) {
    socket().write(packet.data(), static_cast<qint64>(packet.size()));
    socket().flush();  // what the system did not take at once: now, not on the loop's next turn
}

void Client::finishCurrent() {
    stopLimit();
    InFlight done = std::move(*current_);
    current_.reset();
    const auto bytes = static_cast<qsizetype>(done.request.payload.size());
    deliver(done.request.waiter, std::move(done.request.done),
            {done.request.line,
             {},
             {},
             QString::fromUtf8(done.answer.data(), static_cast<qsizetype>(done.answer.size())),
             bytes});
    dispatchNext();
}

void Client::failCurrent(const QString& code, const QString& message) {
    if (!current_) return;
    stopLimit();
    InFlight lost = std::move(*current_);
    current_.reset();
    QString text = message;
    if (code == QLatin1String("dropped"))
        text = QStringLiteral("%1发出后连接断开了（%2）：服务器可能已经执行了它，也可能没有；没有重发")
                   .arg(quoted(lost.request.line), message);
    const auto bytes = static_cast<qsizetype>(lost.request.payload.size());
    deliver(lost.request.waiter, std::move(lost.request.done), {lost.request.line, code, text, {}, bytes});
}

void Client::failQueue(const QString& reason) {
    std::deque<Request> waiting;
    waiting.swap(queue_);
    for (Request& request : waiting) {
        const auto bytes = static_cast<qsizetype>(request.payload.size());
        deliver(request.waiter, std::move(request.done),
                {request.line,
                 QStringLiteral("not-connected"),
                 QStringLiteral("%1没有发送：%2").arg(quoted(request.line), reason),
                 {},
                 bytes});
    }
}

void Client::closeSocket() {
    phase_ = Phase::Idle;  // first, so the signals abort() sends are ignored
    stopLimit();
    if (socket_ != nullptr) socket_->abort();
    resetDecoder();
}

void Client::forgetCredentials() {
    password_.clear();
    haveCredentials_ = false;
}

void Client::setState(State state, const QString& text) {
    if (state == state_ && text == status_) return;
    state_ = state;
    status_ = text;
    emit stateChanged(state_, status_);
}

std::int32_t Client::nextId() {
    // Positive and never -1, the server's "refused"; wraps long before it could overflow.
    lastId_ = lastId_ >= std::numeric_limits<std::int32_t>::max() - 1 ? 1 : lastId_ + 1;
    return lastId_;
}

QString Client::address() const {
    if (opener_) return shownAs_;
    const QString host = host_.contains(u':') ? QStringLiteral("[%1]").arg(host_) : host_;
    return host + u':' + QString::number(port_);
}

void Client::deliver(const Waiter& waiter, AnswerCallback done, Answer answer) {
    if (!done) return;
    QMetaObject::invokeMethod(
        this,
        [waiter, done = std::move(done), answer = std::move(answer)] {
            if (!waiter.guarded || !waiter.context.isNull()) done(answer);
        },
        Qt::QueuedConnection);
}

void Client::deliverConnect(ConnectOutcome outcome) {
    if (!connectDone_) return;
    auto [waiter, done] = std::move(*connectDone_);
    connectDone_.reset();
    if (!done) return;
    QMetaObject::invokeMethod(
        this,
        [waiter = std::move(waiter), done = std::move(done), outcome = std::move(outcome)] {
            if (!waiter.guarded || !waiter.context.isNull()) done(outcome);
        },
        Qt::QueuedConnection);
}

}  // namespace rcon
