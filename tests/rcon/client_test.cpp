// The RCON client against the test server on 127.0.0.1: logins, whole answers however they
// are cut, lines that time out or are refused, dropped connections, and a server that lies.
#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
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
    EXPECT_EQ(server.requests().back().payload, ("echo " + text).toStdString());
    EXPECT_EQ(answer.text.toUtf8(), text);
    EXPECT_EQ(answer.bytes, 5 + text.size());
}

class SplitAnswer : public ClientTest, public testing::WithParamInterface<int> {};

// The server cuts every 4096 UTF-16 units; an answer of exactly one full piece, or one unit
// more, is where a wrong end-of-answer rule would hang or cut the text short. 9000 units are
// over 20 KB of UTF-8 in three packets.
TEST_P(SplitAnswer, ComesBackWholeAndInOrder) {
    ASSERT_TRUE(connectToTestServer().ok());
    const int units = GetParam();
    const rcon::Answer answer = send(QStringLiteral("big %1").arg(units));
    ASSERT_TRUE(answer.ok()) << answer.message.toStdString();
    EXPECT_EQ(server.lastAnswerPackets(), (units + 4095) / 4096);
    EXPECT_EQ(answer.text.size(), units);
    EXPECT_TRUE(answer.text.toUtf8() == rcon_test::chineseText(units).toUtf8());
}

INSTANTIATE_TEST_SUITE_P(Units, SplitAnswer, testing::Values(1, 4095, 4096, 4097, 8192, 8193, 9000));

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
