// The RCON client against the test server on 127.0.0.1: logins, whole answers however they
// are cut, lines that time out or are refused, dropped connections, and a server that lies.
#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <memory>
#include <optional>
#include <ostream>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "rcon/client.h"
#include "test_server.h"
#include "wait.h"

// Failure output shows the text, not its bytes.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

using rcon_test::ServerOptions;
using rcon_test::Stall;
using rcon_test::TestServer;

const QString kHost = QStringLiteral("127.0.0.1");
constexpr int kWaitMs = 20'000;  // far beyond any answer here: only a hang reaches it

class ClientTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.listen()); }

    rcon::ConnectOutcome connectWith(const QString& password, quint16 port, int timeoutMs = 5000) {
        QObject waiter;  // a late callback finds it gone and is dropped
        std::optional<rcon::ConnectOutcome> outcome;
        client.connectToServer(kHost, port, password, timeoutMs, &waiter,
                               [&](const rcon::ConnectOutcome& o) { outcome = o; });
        EXPECT_TRUE(rcon_test::waitFor([&] { return outcome.has_value(); }, kWaitMs));
        return outcome.value_or(rcon::ConnectOutcome{QStringLiteral("no callback"), {}});
    }
    rcon::ConnectOutcome connectToTestServer() { return connectWith(ServerOptions{}.password, server.port()); }

    rcon::Answer send(const QString& line, int timeoutMs = 5000) {
        QObject waiter;
        std::optional<rcon::Answer> answer;
        client.send(line, timeoutMs, &waiter, [&](const rcon::Answer& a) { answer = a; });
        EXPECT_TRUE(rcon_test::waitFor([&] { return answer.has_value(); }, kWaitMs));
        return answer.value_or(rcon::Answer{line, QStringLiteral("no callback"), {}, {}, 0});
    }

    // Commands the server took, as text.
    QStringList commandsReceived() const {
        QStringList lines;
        for (const rcon::Packet& p : server.requests())
            if (p.type == rcon::kTypeCommand)
                lines << QString::fromUtf8(p.payload.data(), static_cast<qsizetype>(p.payload.size()));
        return lines;
    }

    TestServer server;
    rcon::Client client;
};

TEST_F(ClientTest, LogsInAndSaysSoInTheStatus) {
    QStringList states;
    QObject::connect(&client, &rcon::Client::stateChanged,
                     [&](rcon::Client::State, const QString& text) { states << text; });
    const rcon::ConnectOutcome outcome = connectToTestServer();
    EXPECT_TRUE(outcome.ok()) << outcome.message.toStdString();
    const QString address = kHost + u':' + QString::number(server.port());
    EXPECT_EQ(states, QStringList({QStringLiteral("正在连接 ") + address, QStringLiteral("已连接 ") + address}));
    EXPECT_EQ(client.state(), rcon::Client::State::Connected);
    ASSERT_EQ(server.requests().size(), 1U);
    EXPECT_EQ(server.requests()[0].type, rcon::kTypeLogin);
    EXPECT_EQ(server.requests()[0].payload, ServerOptions{}.password.toUtf8().toStdString());
}

TEST_F(ClientTest, ChineseLineAndAnswerAreByteExact) {
    ASSERT_TRUE(connectToTestServer().ok());
    // "echo §a红宝石 ✦ 测试", spelled out in bytes.
    const QByteArray text =
        "\xC2\xA7"
        "a\xE7\xBA\xA2\xE5\xAE\x9D\xE7\x9F\xB3 \xE2\x9C\xA6 \xE6\xB5\x8B\xE8\xAF\x95";
    const rcon::Answer answer = send(QStringLiteral("echo ") + QString::fromUtf8(text));
    ASSERT_TRUE(answer.ok()) << answer.message.toStdString();
    EXPECT_EQ(commandsReceived().back().toUtf8(), "echo " + text);
    EXPECT_EQ(answer.text.toUtf8(), text);
    EXPECT_EQ(answer.bytes, 5 + text.size());
}

class SplitAnswer : public ClientTest, public testing::WithParamInterface<int> {};

// The server cuts every 4096 UTF-16 units; an answer of exactly one full piece, or one unit
// more, is where a wrong end-of-answer rule would hang or cut the text short. 9000 units are
// over 20 KB of UTF-8 in three packets; 300,000 are more than the client reads in a turn.
TEST_P(SplitAnswer, ComesBackWholeAndInOrder) {
    ASSERT_TRUE(connectToTestServer().ok());
    const int units = GetParam();
    const rcon::Answer answer = send(QStringLiteral("big %1").arg(units));
    ASSERT_TRUE(answer.ok()) << answer.message.toStdString();
    EXPECT_EQ(server.lastAnswerPackets(), (units + 4095) / 4096);
    EXPECT_EQ(answer.text.size(), units);
    EXPECT_TRUE(answer.text.toUtf8() == rcon_test::chineseText(units).toUtf8());
}

INSTANTIATE_TEST_SUITE_P(Units, SplitAnswer, testing::Values(1, 4095, 4096, 4097, 8192, 8193, 9000, 300'000));

// A server that will not cut through a surrogate pair sends 4095 units first when the 4096th
// starts one: a piece shorter than 4096 bytes that is not the last. Only the answer to the
// end marker says that an answer is whole.
TEST_F(ClientTest, AShortPieceIsNotTakenForTheLast) {
    server.options().keepsPairsWhole = true;
    ASSERT_TRUE(connectToTestServer().ok());
    const rcon::Answer answer = send(QStringLiteral("pair 4095"));
    ASSERT_TRUE(answer.ok()) << answer.message.toStdString();
    EXPECT_EQ(server.lastAnswerPackets(), 2);
    EXPECT_TRUE(answer.text == QString(4095, u'a') + QString::fromUcs4(U"\U0001F48E"));
    // The second piece went to the line it belongs to, not to the next one.
    EXPECT_EQ(send(QStringLiteral("echo next")).text, QStringLiteral("next"));
}

// The kernel's own count of the process's resident memory, in MiB: now (VmRSS) or at its
// highest (VmHWM) since resetPeakResident.
qint64 residentMiB(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(static_cast<qsizetype>(qstrlen(field))).trimmed().split(' ')[0].toLongLong() / 1024;
    return -1;
}
void resetPeakResident() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly)) clear.write("5");
}

// The test server on a thread of its own, so that a flood comes as fast as the client reads it,
// not at the pace of the client's own event loop.
class ServerThread {
public:
    explicit ServerThread(const ServerOptions& options) {
        thread_.start();
        home_.moveToThread(&thread_);
        QMetaObject::invokeMethod(
            &home_,
            [&] {
                server_ = new TestServer(options);
                if (server_->listen()) port_ = server_->port();
            },
            Qt::BlockingQueuedConnection);
    }
    ~ServerThread() {
        QMetaObject::invokeMethod(
            &home_, [&] { delete server_; }, Qt::BlockingQueuedConnection);
        thread_.quit();
        thread_.wait();
    }
    ServerThread(const ServerThread&) = delete;
    ServerThread& operator=(const ServerThread&) = delete;

    quint16 port() const { return port_; }

private:
    QThread thread_;
    QObject home_;  // lives on the thread: the server is made and deleted there
    TestServer* server_ = nullptr;
    quint16 port_ = 0;
};

struct Flood {
    std::size_t payload;  // bytes of each packet's payload
    bool underTheCommandsId;
};
void PrintTo(const Flood& flood, std::ostream* out) {
    *out << flood.payload + 14 << "-byte packets under " << (flood.underTheCommandsId ? "the line's id" : "a stray id");
}

class FloodTest : public ClientTest, public testing::WithParamInterface<Flood> {};

// Logged in, a line sent, and then packets as fast as the client takes them: under an id of no
// request, the line's time limit ends it on time; under the line's own id, the caps on an
// answer drop the connection. Either way memory stays small and the event loop runs on. The
// bounds are far from what the client needs, so that a loaded machine cannot fail the test:
// the limit is 1 second, held to 3 seconds; 300 MB resident where the flood reached gigabytes.
TEST_P(FloodTest, EndsOnTimeWithMemoryBoundedWhileTheEventLoopRuns) {
    ServerOptions options;
    options.floodPayload = GetParam().payload;
    options.floodUnderTheCommandsId = GetParam().underTheCommandsId;
    ServerThread flooding(options);
    ASSERT_NE(flooding.port(), 0);
    ASSERT_TRUE(connectWith(options.password, flooding.port()).ok());

    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    resetPeakResident();
    QElapsedTimer clock;
    clock.start();
    const rcon::Answer answer = send(QStringLiteral("list"), 1000);
    const qint64 elapsed = clock.elapsed();
    const qint64 peak = residentMiB("VmHWM:");
    client.disconnectFromServer();

    EXPECT_LT(peak, 300) << "MiB resident at the highest";
    EXPECT_GE(peak, 0) << "no VmHWM in /proc/self/status";
    EXPECT_LT(elapsed, 3000);
    if (GetParam().underTheCommandsId) {
        EXPECT_EQ(answer.code, QStringLiteral("dropped")) << answer.message.toStdString();
        EXPECT_TRUE(answer.message.contains(QStringLiteral("超过"))) << answer.message.toStdString();
    } else {
        EXPECT_EQ(answer.code, QStringLiteral("timeout")) << answer.message.toStdString();
        EXPECT_GE(elapsed, 1000);
        EXPECT_GE(ticks, 10);  // 100 expected in the second the line waited
    }
}

INSTANTIATE_TEST_SUITE_P(Packets, FloodTest,
                         testing::Values(Flood{8192, false}, Flood{26, false}, Flood{8192, true}, Flood{26, true}),
                         [](const testing::TestParamInfo<Flood>& flood) {
                             return std::to_string(flood.param.payload + 14) + "ByteUnder" +
                                    (flood.param.underTheCommandsId ? "TheLinesId" : "AStrayId");
                         });

// The same before the login is answered: the connection's time limit ends it on time.
TEST_F(ClientTest, AFloodInsteadOfTheLoginsAnswerTimesOutOnTime) {
    ServerOptions options;
    options.floodPayload = 26;
    options.floodsTheLogin = true;
    ServerThread flooding(options);
    ASSERT_NE(flooding.port(), 0);
    resetPeakResident();
    QElapsedTimer clock;
    clock.start();
    const rcon::ConnectOutcome outcome = connectWith(options.password, flooding.port(), 1000);
    const qint64 elapsed = clock.elapsed();
    const qint64 peak = residentMiB("VmHWM:");
    client.disconnectFromServer();
    EXPECT_EQ(outcome.code, QStringLiteral("timeout")) << outcome.message.toStdString();
    EXPECT_GE(elapsed, 1000);
    EXPECT_LT(elapsed, 3000);
    EXPECT_LT(peak, 300) << "MiB resident at the highest";
}

TEST_F(ClientTest, AnswerArrivingOneByteAtATime) {
    server.options().byteByByte = true;
    ASSERT_TRUE(connectToTestServer().ok());
    const rcon::Answer small = send(QStringLiteral("echo §a红宝石"));
    ASSERT_TRUE(small.ok()) << small.message.toStdString();
    EXPECT_EQ(small.text, QStringLiteral("§a红宝石"));
    const rcon::Answer large = send(QStringLiteral("big 4500"), 15'000);
    ASSERT_TRUE(large.ok()) << large.message.toStdString();
    EXPECT_EQ(server.lastAnswerPackets(), 2);
    EXPECT_TRUE(large.text == rcon_test::chineseText(4500));
}

TEST_F(ClientTest, QueuedLinesGoOutOneAtATimeInOrder) {
    ASSERT_TRUE(connectToTestServer().ok());
    QObject waiter;
    QStringList answers;
    for (int i = 1; i <= 5; ++i)
        client.send(QStringLiteral("echo 第%1行").arg(i), 5000, &waiter,
                    [&](const rcon::Answer& a) { answers << (a.ok() ? a.text : a.code); });
    ASSERT_TRUE(rcon_test::waitFor([&] { return answers.size() == 5; }, kWaitMs));
    EXPECT_EQ(answers, QStringList({"第1行", "第2行", "第3行", "第4行", "第5行"}));
}

// The first line's answer comes after its time is up; it must not become the answer of the
// line after it, nor of the one after that.
TEST_F(ClientTest, LateAnswerNeverGoesToTheNextLine) {
    ASSERT_TRUE(connectToTestServer().ok());
    QObject waiter;
    std::optional<rcon::Answer> first;
    std::optional<rcon::Answer> second;
    client.send(QStringLiteral("sleep 400 first"), 100, &waiter, [&](const rcon::Answer& a) { first = a; });
    client.send(QStringLiteral("echo second"), 5000, &waiter, [&](const rcon::Answer& a) { second = a; });
    ASSERT_TRUE(rcon_test::waitFor([&] { return first && second; }, kWaitMs));
    EXPECT_EQ(first->code, QStringLiteral("timeout"));
    EXPECT_TRUE(first->message.contains(QStringLiteral("“sleep 400 first”"))) << first->message.toStdString();
    ASSERT_TRUE(second->ok()) << second->message.toStdString();
    EXPECT_EQ(second->text, QStringLiteral("second"));
    const rcon::Answer third = send(QStringLiteral("echo third"));
    EXPECT_EQ(third.text, QStringLiteral("third"));
    EXPECT_EQ(commandsReceived().count(QStringLiteral("sleep 400 first")), 1);  // never sent again
}

TEST_F(ClientTest, WrongPasswordIsRefusedAndForgotten) {
    const rcon::ConnectOutcome outcome = connectWith(QStringLiteral("wrong"), server.port());
    EXPECT_EQ(outcome.code, QStringLiteral("auth-failed"));
    EXPECT_TRUE(outcome.message.contains(QStringLiteral("密码错误"))) << outcome.message.toStdString();
    EXPECT_EQ(client.state(), rcon::Client::State::Failed);
    EXPECT_EQ(client.statusText(), QStringLiteral("连接失败：") + outcome.message);
    // A refused password is not tried again behind the user's back.
    EXPECT_EQ(send(QStringLiteral("list")).code, QStringLiteral("not-connected"));
    EXPECT_EQ(server.connectionsAccepted(), 1);
}

TEST_F(ClientTest, NothingListeningIsUnreachable) {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 port = probe.serverPort();
    probe.close();
    const rcon::ConnectOutcome outcome = connectWith(QStringLiteral("x"), port);
    EXPECT_EQ(outcome.code, QStringLiteral("unreachable"));
    EXPECT_TRUE(outcome.message.contains(QStringLiteral("拒绝连接"))) << outcome.message.toStdString();
    EXPECT_TRUE(client.statusText().startsWith(QStringLiteral("连接失败：")));
}

TEST_F(ClientTest, SilentServerTimesOutTheLogin) {
    server.options().stall = Stall::Everything;
    QElapsedTimer clock;
    clock.start();
    const rcon::ConnectOutcome outcome = connectWith(ServerOptions{}.password, server.port(), 300);
    EXPECT_EQ(outcome.code, QStringLiteral("timeout"));
    EXPECT_GE(clock.elapsed(), 300);
    EXPECT_TRUE(outcome.message.contains(QStringLiteral("0.3 秒"))) << outcome.message.toStdString();
}

// While a line waits for a server that never answers, the caller's event loop runs on: a timer
// keeps firing the whole time, and send itself returns at once.
TEST_F(ClientTest, StalledServerTimesOutWhileTheEventLoopRuns) {
    server.options().stall = Stall::Commands;
    ASSERT_TRUE(connectToTestServer().ok());
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);

    QObject waiter;
    std::optional<rcon::Answer> answer;
    int ticksAtAnswer = 0;
    QElapsedTimer clock;
    clock.start();
    client.send(QStringLiteral("list"), 500, &waiter, [&](const rcon::Answer& a) {
        answer = a;
        ticksAtAnswer = ticks;
    });
    EXPECT_LT(clock.elapsed(), 250);  // far less than the time limit: send did not wait for it
    EXPECT_FALSE(answer.has_value());
    ASSERT_TRUE(rcon_test::waitFor([&] { return answer.has_value(); }, kWaitMs));
    EXPECT_GE(clock.elapsed(), 500);
    EXPECT_GE(ticksAtAnswer, 25);  // 50 expected; generous for a loaded machine
    EXPECT_EQ(answer->code, QStringLiteral("timeout"));
    EXPECT_EQ(answer->message, QStringLiteral("“list”在0.5 秒内没有得到完整的回答（没有重发）"));
    EXPECT_EQ(client.state(), rcon::Client::State::Connected);
}

TEST_F(ClientTest, ConnectionClosedMidAnswerThenTheNextLineConnectsAgain) {
    server.options().dropMidAnswer = true;
    ASSERT_TRUE(connectToTestServer().ok());
    const rcon::Answer cut = send(QStringLiteral("big 7000"));
    EXPECT_EQ(cut.code, QStringLiteral("dropped"));
    EXPECT_TRUE(cut.message.contains(QStringLiteral("没有重发"))) << cut.message.toStdString();
    EXPECT_EQ(client.state(), rcon::Client::State::Failed);

    server.options().dropMidAnswer = false;
    const rcon::Answer again = send(QStringLiteral("echo 又连上了"));
    ASSERT_TRUE(again.ok()) << again.message.toStdString();
    EXPECT_EQ(again.text, QStringLiteral("又连上了"));
    EXPECT_EQ(server.connectionsAccepted(), 2);
    EXPECT_EQ(client.state(), rcon::Client::State::Connected);
    EXPECT_EQ(commandsReceived(), QStringList({"big 7000", "echo 又连上了"}));
}

// 480 Chinese characters are 1440 bytes: with "echo " and two more bytes the line is one byte
// over what the server reads, and it must not leave the client; one byte less goes through.
TEST_F(ClientTest, LineOverTheServersLimitIsRefusedUnsent) {
    ASSERT_TRUE(connectToTestServer().ok());
    const QString chinese(480, QChar(0x7EA2));  // 红
    const qint64 bytesBefore = server.bytesReceived();
    const std::size_t requestsBefore = server.requests().size();

    const rcon::Answer refused = send(QStringLiteral("echo ") + chinese + QStringLiteral("12"));
    EXPECT_EQ(refused.code, QStringLiteral("too-long"));
    EXPECT_EQ(refused.bytes, 1447);
    EXPECT_TRUE(refused.message.contains(QStringLiteral("1447 字节"))) << refused.message.toStdString();
    rcon_test::waitFor([] { return false; }, 100);
    EXPECT_EQ(server.bytesReceived(), bytesBefore);
    EXPECT_EQ(server.requests().size(), requestsBefore);

    const rcon::Answer taken = send(QStringLiteral("echo ") + chinese + QStringLiteral("1"));
    ASSERT_TRUE(taken.ok()) << taken.message.toStdString();
    EXPECT_EQ(taken.bytes, 1446);
    EXPECT_EQ(taken.text, chinese + QStringLiteral("1"));
    EXPECT_EQ(server.ignored(), 0);
}

TEST_F(ClientTest, NotConnectedAnswersLaterNotInsideSend) {
    bool called = false;
    rcon::Answer answer;
    QObject waiter;
    client.send(QStringLiteral("list"), 1000, &waiter, [&](const rcon::Answer& a) {
        called = true;
        answer = a;
    });
    EXPECT_FALSE(called);  // a callback inside send would re-enter its caller
    ASSERT_TRUE(rcon_test::waitFor([&] { return called; }, kWaitMs));
    EXPECT_EQ(answer.code, QStringLiteral("not-connected"));
    EXPECT_EQ(server.connectionsAccepted(), 0);
}

TEST_F(ClientTest, DisconnectAnswersTheLineInFlightAndTheQueue) {
    server.options().stall = Stall::Commands;
    ASSERT_TRUE(connectToTestServer().ok());
    QObject waiter;
    std::optional<rcon::Answer> inFlight;
    std::optional<rcon::Answer> queued;
    client.send(QStringLiteral("list"), 5000, &waiter, [&](const rcon::Answer& a) { inFlight = a; });
    client.send(QStringLiteral("echo later"), 5000, &waiter, [&](const rcon::Answer& a) { queued = a; });
    ASSERT_TRUE(rcon_test::waitFor([&] { return !commandsReceived().isEmpty(); }, kWaitMs));
    client.disconnectFromServer();
    ASSERT_TRUE(rcon_test::waitFor([&] { return inFlight && queued; }, kWaitMs));
    EXPECT_EQ(inFlight->code, QStringLiteral("dropped"));
    EXPECT_EQ(queued->code, QStringLiteral("not-connected"));
    EXPECT_EQ(client.statusText(), QStringLiteral("未连接"));
    EXPECT_EQ(send(QStringLiteral("list")).code, QStringLiteral("not-connected"));
    EXPECT_EQ(commandsReceived(), QStringList({"list"}));
}

// A server that logs the client in and then answers with a length of almost 2 GiB.
TEST_F(ClientTest, HostileLengthDropsTheConnectionWithAMessage) {
    QTcpServer liar;
    ASSERT_TRUE(liar.listen(QHostAddress::LocalHost, 0));
    rcon::Decoder decoder;
    QObject::connect(&liar, &QTcpServer::newConnection, [&] {
        QTcpSocket* socket = liar.nextPendingConnection();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [&decoder, socket] {
            const QByteArray data = socket->readAll();
            std::vector<rcon::Packet> packets;
            decoder.feed(std::string_view(data.constData(), static_cast<std::size_t>(data.size())), packets);
            for (const rcon::Packet& p : packets) {
                const std::string reply = p.type == rcon::kTypeLogin ? rcon::encode(p.id, rcon::kTypeLoginAnswer, {})
                                                                     : std::string("\xFF\xFF\xFF\x7F", 4);
                socket->write(reply.data(), static_cast<qint64>(reply.size()));
            }
        });
    });
    ASSERT_TRUE(connectWith(QStringLiteral("any"), liar.serverPort()).ok());
    const rcon::Answer answer = send(QStringLiteral("list"));
    EXPECT_EQ(answer.code, QStringLiteral("dropped"));
    EXPECT_TRUE(answer.message.contains(QStringLiteral("2147483647"))) << answer.message.toStdString();
    EXPECT_TRUE(client.statusText().contains(QStringLiteral("长度不合理"))) << client.statusText().toStdString();
}

// A stream opened elsewhere (as an SSH tunnel is): here a TCP connection of the test's own, handed
// over later as a descriptor that the client then owns.
int connectedSocket(quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

TEST_F(ClientTest, ThroughAnOpenerItLogsInAndAsksForANewStreamAfterADrop) {
    int opened = 0;
    const rcon::Opener opener = [&](std::function<void(const rcon::Stream&)> give) {
        ++opened;
        QTimer::singleShot(0, [this, give] { give({connectedSocket(server.port()), {}, {}}); });
    };
    const QString shown = QStringLiteral("lobby 的 127.0.0.1:25575（经 SSH 隧道）");
    QObject waiter;
    std::optional<rcon::ConnectOutcome> outcome;
    client.connectThrough(opener, shown, ServerOptions{}.password, 5000, &waiter,
                          [&](const rcon::ConnectOutcome& o) { outcome = o; });
    ASSERT_TRUE(rcon_test::waitFor([&] { return outcome.has_value(); }, kWaitMs));
    ASSERT_TRUE(outcome->ok()) << outcome->message.toStdString();
    EXPECT_EQ(client.statusText(), QStringLiteral("已连接 ") + shown);
    EXPECT_EQ(send(QStringLiteral("echo 经隧道")).text, QStringLiteral("经隧道"));

    server.options().dropMidAnswer = true;
    EXPECT_EQ(send(QStringLiteral("big 7000")).code, QStringLiteral("dropped"));
    server.options().dropMidAnswer = false;
    const rcon::Answer again = send(QStringLiteral("echo 又连上了"));
    ASSERT_TRUE(again.ok()) << again.message.toStdString();
    EXPECT_EQ(again.text, QStringLiteral("又连上了"));
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(server.connectionsAccepted(), 2);
}

TEST_F(ClientTest, AnOpenersRefusalIsPassedOnAndTheCredentialsStay) {
    int opened = 0;
    const rcon::Opener opener = [&](std::function<void(const rcon::Stream&)> give) {
        ++opened;
        QTimer::singleShot(0, [give] {
            give({-1, QStringLiteral("no-tunnel"), QStringLiteral("服务器不允许经 SSH 转发连接")});
        });
    };
    QObject waiter;
    std::optional<rcon::ConnectOutcome> outcome;
    client.connectThrough(opener, QStringLiteral("lobby"), ServerOptions{}.password, 5000, &waiter,
                          [&](const rcon::ConnectOutcome& o) { outcome = o; });
    ASSERT_TRUE(rcon_test::waitFor([&] { return outcome.has_value(); }, kWaitMs));
    EXPECT_EQ(outcome->code, QStringLiteral("no-tunnel"));
    EXPECT_EQ(outcome->message, QStringLiteral("服务器不允许经 SSH 转发连接"));
    EXPECT_EQ(client.state(), rcon::Client::State::Failed);
    EXPECT_EQ(client.statusText(), QStringLiteral("连接失败：服务器不允许经 SSH 转发连接"));
    // The next line asks the opener again rather than saying there is no connection.
    EXPECT_TRUE(client.hasCredentials());
    EXPECT_EQ(send(QStringLiteral("list")).code, QStringLiteral("not-connected"));
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(server.connectionsAccepted(), 0);
}

// A stream that comes after the client stopped waiting for it is closed, not kept open unused.
TEST_F(ClientTest, AStreamThatComesTooLateIsClosed) {
    std::function<void(const rcon::Stream&)> pending;
    const rcon::Opener opener = [&](std::function<void(const rcon::Stream&)> give) { pending = std::move(give); };
    QObject waiter;
    std::optional<rcon::ConnectOutcome> outcome;
    client.connectThrough(opener, QStringLiteral("lobby"), ServerOptions{}.password, 5000, &waiter,
                          [&](const rcon::ConnectOutcome& o) { outcome = o; });
    ASSERT_TRUE(pending);
    client.disconnectFromServer();
    ASSERT_TRUE(rcon_test::waitFor([&] { return outcome.has_value(); }, kWaitMs));
    EXPECT_EQ(outcome->code, QStringLiteral("cancelled"));
    const int late = connectedSocket(server.port());
    ASSERT_GE(late, 0);
    pending({late, {}, {}});
    EXPECT_EQ(::fcntl(late, F_GETFD), -1);
    EXPECT_EQ(client.state(), rcon::Client::State::Disconnected);
}

}  // namespace
