// The editor's RCON connection to a running Minecraft server: log in, send one console line at
// a time, hand back each line's whole answer, all without ever making the caller wait.
#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpSocket>
#include <QTimer>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "rcon/packet.h"

namespace rcon {

// What became of connectToServer or connectThrough. code is empty on success, otherwise one of
//   "auth-failed"  the server refused the password (it answered with id -1)
//   "unreachable"  no connection: nothing listens there, the host is unknown, it closed on us
//   "timeout"      no connection or no login answer within the time given
//   "cancelled"    disconnectFromServer or another connectToServer came first
// or, through an opener, the opener's own code (for example a tunnel's "no-tunnel").
struct ConnectOutcome {
    QString code;
    QString message;  // for the user, simplified Chinese; empty on success

    bool ok() const { return code.isEmpty(); }
};

// What became of one line given to send. code is empty when text holds the answer, otherwise
//   "too-long"       over 1446 UTF-8 bytes (bytes says how many); nothing was sent
//   "timeout"        sent, and no whole answer came within the time given; not sent again
//   "not-connected"  not sent: no connection, or the connection failed before its turn
//   "dropped"        sent, and the connection broke before the whole answer came: the server
//                    may or may not have run it; not sent again
struct Answer {
    QString line;  // the line as given to send
    QString code;
    QString message;      // for the user, simplified Chinese, naming the line; empty on success
    QString text;         // the whole answer, every packet joined in order ("§" and all)
    qsizetype bytes = 0;  // the line's size in UTF-8

    bool ok() const { return code.isEmpty(); }
};

// A stream to the server that some other part of the program opened (a channel through an SSH
// connection): a connected stream socket's descriptor, which the client then owns, or why there
// is none (code and message, as ConnectOutcome has them).
struct Stream {
    qintptr descriptor = -1;
    QString code;
    QString message;
};
// Asked for a stream each time the client connects, the first time and after a lost connection;
// answers once, later, through the callback it is given.
using Opener = std::function<void(std::function<void(const Stream&)>)>;

// One connection at a time. Lines queue and go out one at a time, in the order given; each is
// sent at most once. Every callback comes from the event loop, never from inside the call that
// asked for it, and is dropped when its context object is gone. After a dropped connection the
// next send connects again with the host, port and password kept in memory (never on disk);
// disconnectFromServer forgets them, and so does a refused password.
class Client : public QObject {
    Q_OBJECT

public:
    // Status bar: 未连接 / 正在连接 host:port / 已连接 host:port / 连接失败：why
    enum class State { Disconnected, Connecting, Connected, Failed };
    Q_ENUM(State)

    static constexpr int kDefaultTimeoutMs = 10'000;
    // A longer answer than any server sends for a console line; past it the connection is
    // dropped instead of holding ever more memory for one answer. Checked as each packet's
    // header arrives, before its payload is kept.
    static constexpr std::size_t kMaxAnswerBytes = std::size_t{16} << 20;
    // More pieces than any answer has (the game's are 4096 units each, 4096 bytes at the
    // least): a stream of empty packets under the line's id cannot keep the client busy.
    static constexpr int kMaxAnswerPackets = 65'536;
    // What the client reads from the socket in one turn of the event loop, at the most: the
    // rest waits in the system, where the server's flood stops when the system's buffer is
    // full, and timers and the window have their turn in between.
    static constexpr qint64 kReadPerTurn = qint64{64} * 1024;

    using ConnectCallback = std::function<void(const ConnectOutcome&)>;
    using AnswerCallback = std::function<void(const Answer&)>;

    explicit Client(QObject* parent = nullptr);
    ~Client() override;

    // Connects and logs in; a connection already open is closed first. timeoutMs <= 0 means
    // kDefaultTimeoutMs, and the same time applies to the reconnections of later sends.
    void connectToServer(const QString& host, quint16 port, const QString& password, int timeoutMs, QObject* context,
                         ConnectCallback done);
    // The same over the streams opener gives instead of a TCP connection of the client's own (RCON
    // through an SSH tunnel); shownAs names the server in the status and the messages. A failure of
    // the opener keeps the credentials: the next send asks it again.
    void connectThrough(Opener opener, const QString& shownAs, const QString& password, int timeoutMs, QObject* context,
                        ConnectCallback done);
    // Queues a console line (without its leading "/" and line break) for the server.
    // timeoutMs <= 0 means kDefaultTimeoutMs, counted from when the line goes out.
    void send(const QString& line, int timeoutMs, QObject* context, AnswerCallback done);
    // Closes the connection, forgets the credentials and answers every waiting line.
    void disconnectFromServer();

    State state() const { return state_; }
    // A line given to send now goes out (connecting again first when the connection was
    // lost): a connection was asked for, and neither disconnectFromServer nor a refused
    // password has forgotten its credentials since.
    bool hasCredentials() const { return haveCredentials_; }
    QString statusText() const { return status_; }

signals:
    void stateChanged(rcon::Client::State state, const QString& statusText);

private:
    enum class Phase { Idle, Connecting, LoggingIn, Ready };

    struct Waiter {
        QPointer<QObject> context;
        bool guarded = false;  // a context was given: call only while it lives
    };
    struct Request {
        QString line;
        std::string payload;
        int timeoutMs = kDefaultTimeoutMs;
        Waiter waiter;
        AnswerCallback done;
    };
    struct InFlight {
        Request request;
        std::int32_t id = 0;
        std::int32_t markerId = 0;  // 0 until the marker has gone out
        std::string answer;
        std::size_t acceptedBytes = 0;  // payload bytes of the packets taken for the answer
        int acceptedPackets = 0;        // and how many packets
    };

    void connectToServer(const QString& host, quint16 port, const QString& password, int timeoutMs, QObject* context,
                         ConnectCallback done, Opener opener);
    void startConnecting();
    void opened(const Stream& stream);
    void onConnected();
    void onReadyRead();
    Take admit(const Header& header, std::string* why);
    void resetDecoder();
    void startLimit(int ms);
    void stopLimit();
    void onSocketLost();
    void onTimeout();
    void onPacket(const Packet& packet);
    void connectFailed(const QString& code, const QString& reason, bool forget = true);
    void connectionLost(const QString& reason);
    void dispatchNext();
    void finishCurrent();
    void failQueue(const QString& reason);
    void failCurrent(const QString& code, const QString& message);
    void transmit(const std::string& packet);
    void closeSocket();
    QTcpSocket& socket();
    void forgetCredentials();
    void setState(State state, const QString& text);
    std::int32_t nextId();
    QString address() const;
    void deliver(const Waiter& waiter, AnswerCallback done, Answer answer);
    void deliverConnect(ConnectOutcome outcome);

    QTcpSocket* socket_ = nullptr;  // made on the first connection, a child of this
    QTimer timer_;                  // the connection's or the line's time limit, whichever is running
    QDeadlineTimer deadline_;       // the same limit, checked while the server keeps the loop busy
    Decoder decoder_;
    QByteArray readBuffer_;    // kReadPerTurn bytes, allocated on the first read
    bool readQueued_ = false;  // another turn of reading is on its way
    Phase phase_ = Phase::Idle;
    State state_ = State::Disconnected;
    QString status_;

    QString host_;
    quint16 port_ = 0;
    Opener opener_;  // set: streams come from it, not from a connection to host_:port_
    QString shownAs_;
    quint64 openAttempt_ = 0;  // an opener's answer to an earlier attempt is closed unused
    QString password_;
    int connectTimeoutMs_ = kDefaultTimeoutMs;
    bool haveCredentials_ = false;

    std::optional<std::pair<Waiter, ConnectCallback>> connectDone_;
    std::int32_t loginId_ = 0;
    std::int32_t lastId_ = 0;
    std::deque<Request> queue_;
    std::optional<InFlight> current_;
};

}  // namespace rcon
