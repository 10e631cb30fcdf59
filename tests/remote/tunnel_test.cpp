// RCON through the SSH connection: the test's RCON server (the stand-in for the game) on the
// server's 127.0.0.1, reached only through a forwarded channel, never by a TCP connection of the
// editor's own.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSet>

#include "rcon/client.h"
#include "remote_support.h"
#include "test_server.h"

namespace {

using namespace remote_test;

// The inodes of this process's sockets.
QSet<QByteArray> ownSockets() {
    QSet<QByteArray> inodes;
    for (const QFileInfo& fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System | QDir::Files)) {
        const QString target = fd.symLinkTarget();
        if (target.contains(QStringLiteral("socket:["))) inodes.insert(target.section(u'[', 1).chopped(1).toLatin1());
    }
    return inodes;
}

// This process's TCP connections whose far end is port on this machine.
int ownConnectionsTo(quint16 port) {
    const QSet<QByteArray> mine = ownSockets();
    int count = 0;
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        QFile file(QString::fromLatin1(table));
        if (!file.open(QIODevice::ReadOnly)) continue;
        file.readLine();  // the heading
        while (!file.atEnd()) {
            const QList<QByteArray> fields = file.readLine().simplified().split(' ');
            if (fields.size() < 10) continue;
            const quint16 remote = fields[2].split(':').value(1).toUShort(nullptr, 16);
            if (remote == port && mine.contains(fields[9])) ++count;
        }
    }
    return count;
}

rcon::Opener tunnelOf(remote::Session& session, quint16 port, int* opened = nullptr) {
    return [&session, port, opened](std::function<void(const rcon::Stream&)> give) {
        if (opened != nullptr) ++*opened;
        session.openTunnel(QStringLiteral("127.0.0.1"), port, &session, [give](const remote::TunnelOutcome& tunnel) {
            give({tunnel.descriptor, tunnel.code, tunnel.message});
        });
    };
}

rcon::ConnectOutcome connectRcon(rcon::Client& client, const rcon::Opener& opener) {
    QObject waiter;
    std::optional<rcon::ConnectOutcome> outcome;
    client.connectThrough(opener, QStringLiteral("lobby（经 SSH 隧道）"), rcon_test::ServerOptions{}.password, 10'000,
                          &waiter, [&](const rcon::ConnectOutcome& o) { outcome = o; });
    EXPECT_TRUE(rcon_test::waitFor([&] { return outcome.has_value(); }, 60'000));
    return outcome.value_or(rcon::ConnectOutcome{QStringLiteral("no callback"), {}});
}

rcon::Answer send(rcon::Client& client, const QString& line) {
    QObject waiter;
    std::optional<rcon::Answer> answer;
    client.send(line, 10'000, &waiter, [&](const rcon::Answer& a) { answer = a; });
    EXPECT_TRUE(rcon_test::waitFor([&] { return answer.has_value(); }, 60'000));
    return answer.value_or(rcon::Answer{line, QStringLiteral("no callback"), {}, {}, 0});
}

TEST(RemoteTunnel, RconGoesThroughTheSshConnectionOnly) {
    REQUIRE_SSH_SERVER();
    rcon_test::TestServer game;
    ASSERT_TRUE(game.listen());
    auto reach = keyLogin(server()->fullPort());
    remote::Session session(reach->settings);
    rcon::Client client;
    int opened = 0;
    const rcon::ConnectOutcome connected = connectRcon(client, tunnelOf(session, game.port(), &opened));
    ASSERT_TRUE(connected.ok()) << connected.message.toStdString();
    EXPECT_EQ(client.statusText(), QStringLiteral("已连接 lobby（经 SSH 隧道）"));

    const rcon::Answer hello = send(client, QStringLiteral("echo 你好，§a世界"));
    ASSERT_TRUE(hello.ok()) << hello.message.toStdString();
    EXPECT_EQ(hello.text, QStringLiteral("你好，§a世界"));
    const rcon::Answer big = send(client, QStringLiteral("big 100000"));
    ASSERT_TRUE(big.ok()) << big.message.toStdString();
    EXPECT_EQ(big.text, rcon_test::chineseText(100000));
    // The game server took one connection, from sshd; the editor holds none to its port.
    EXPECT_EQ(game.connectionsAccepted(), 1);
    EXPECT_EQ(ownConnectionsTo(game.port()), 0);
    EXPECT_EQ(ownConnectionsTo(server()->fullPort()), 1);

    // A connection the game closes is asked for again through a new tunnel.
    game.options().dropMidAnswer = true;
    EXPECT_EQ(send(client, QStringLiteral("big 7000")).code, QStringLiteral("dropped"));
    game.options().dropMidAnswer = false;
    const rcon::Answer again = send(client, QStringLiteral("echo 又连上了"));
    ASSERT_TRUE(again.ok()) << again.message.toStdString();
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(game.connectionsAccepted(), 2);

    // The SSH connection gone, the RCON connection goes with it.
    std::optional<rcon::Client::State> state;
    QObject::connect(&client, &rcon::Client::stateChanged, &client,
                     [&](rcon::Client::State now, const QString&) { state = now; });
    session.disconnectFromServer();
    ASSERT_TRUE(rcon_test::waitFor([&] { return state.has_value(); }, 60'000));
    EXPECT_EQ(*state, rcon::Client::State::Failed);
}

TEST(RemoteTunnel, ServersThatRefuseForwardingOrHaveNothingThereSaySo) {
    REQUIRE_SSH_SERVER();
    auto reach = keyLogin(server()->fullPort());
    remote::Session session(reach->settings);
    rcon::Client client;
    quint16 closedPort = 0;
    {
        rcon_test::TestServer gone;
        ASSERT_TRUE(gone.listen());
        closedPort = gone.port();
    }
    const rcon::ConnectOutcome nothing = connectRcon(client, tunnelOf(session, closedPort));
    EXPECT_EQ(nothing.code, QStringLiteral("unreachable")) << nothing.message.toStdString();
    EXPECT_TRUE(nothing.message.contains(QStringLiteral("没有 RCON 在监听"))) << nothing.message.toStdString();

    if (server()->panelUser().isEmpty()) GTEST_SKIP() << server()->panelProblem().toStdString();
    rcon_test::TestServer game;
    ASSERT_TRUE(game.listen());
    auto panel = passwordLogin();
    remote::Session panelSession(panel->settings);
    const rcon::ConnectOutcome refused = connectRcon(client, tunnelOf(panelSession, game.port()));
    EXPECT_EQ(refused.code, QStringLiteral("no-tunnel")) << refused.message.toStdString();
    EXPECT_TRUE(refused.message.contains(QStringLiteral("明文"))) << refused.message.toStdString();
    EXPECT_EQ(game.connectionsAccepted(), 0);
    // The SFTP side of the same session works on.
    EXPECT_TRUE(list(panelSession, ".").ok());
}

// A tunnel keeps flowing while a file request waits on the same connection.
TEST(RemoteTunnel, FlowsWhileAFileRequestWaits) {
    REQUIRE_SSH_SERVER();
    rcon_test::TestServer game;
    ASSERT_TRUE(game.listen());
    writeFile(server()->files() + QStringLiteral("/waiting.yml"), "a: 1\n");
    server()->setStall(200);
    auto reach = keyLogin(server()->cutPort());
    reach->settings.timeoutMs = 30'000;
    remote::Session session(reach->settings);
    rcon::Client client;
    ASSERT_TRUE(connectRcon(client, tunnelOf(session, game.port())).ok());
    std::optional<remote::FileRead> stalled;
    QObject context;
    const auto id = session.read(local(server()->files()) + "/waiting.yml", &context,
                                 [&](const remote::FileRead& r) { stalled = r; });
    const rcon::Answer answer = send(client, QStringLiteral("echo 读文件时也能发命令"));
    EXPECT_TRUE(answer.ok()) << answer.message.toStdString();
    EXPECT_FALSE(stalled.has_value());
    session.cancel(id);
    ASSERT_TRUE(rcon_test::waitFor([&] { return stalled.has_value(); }, 60'000));
    server()->setCut(-1, true);
    EXPECT_EQ(stalled->code, QStringLiteral("cancelled"));
}

}  // namespace
