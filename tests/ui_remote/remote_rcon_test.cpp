// RCON of a server profile through its SSH connection: the test's RCON server (the stand-in for
// the game) on the server's 127.0.0.1 reached only through a forwarded channel, never by a TCP
// connection of the editor's own; "保存并重载" on a server's file; a server that refuses forwarding;
// and no password or passphrase in any file the editor wrote or any reply.
#include <gtest/gtest.h>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QSet>

#include "remote_fixture.h"
#include "test_server.h"
#include "ui/files/session_keeper.h"
#include "ui/server/server_link.h"

namespace ui_remote_test {
namespace {

const QJsonObject kOk{{"ok", true}};
const QString kRconPassword = rcon_test::ServerOptions{}.password;

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

class RemoteRcon : public RemoteTest {
protected:
    void SetUp() override {
        RemoteTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_TRUE(game.listen());
    }
    // Every reply is kept: none may hold a secret.
    QJsonObject op(const QJsonObject& request) {
        const QJsonObject reply = RemoteTest::op(request);
        replies.append(QJsonDocument(reply).toJson(QJsonDocument::Compact));
        return reply;
    }
    QStringList commandsReceived() const {
        QStringList lines;
        for (const rcon::Packet& p : game.requests())
            if (p.type == rcon::kTypeCommand)
                lines << QString::fromUtf8(p.payload.data(), static_cast<qsizetype>(p.payload.size()));
        return lines;
    }
    QJsonObject tunnelProfile() {
        QJsonObject profile = keyProfile();
        profile.insert(QStringLiteral("rconPort"), game.port());
        profile.insert(QStringLiteral("rconPassword"), kRconPassword);
        profile.insert(QStringLiteral("tunnel"), true);
        return profile;
    }

    rcon_test::TestServer game;
    QByteArray replies;
};

TEST_F(RemoteRcon, TheRconLinkGoesThroughTheTunnelAndSaveAndReloadAnswers) {
    ASSERT_EQ(op(tunnelProfile()), kOk);
    // Through the tunnel the SSH connection comes first, with its own questions.
    const QJsonObject unknown = op({{"op", "connect"}, {"profile", "lobby"}});
    EXPECT_EQ(unknown.value("code"), "unknown-host");
    EXPECT_TRUE(unknown.value("fingerprint").toString().startsWith(QStringLiteral("SHA256:")));
    EXPECT_EQ(op({{"op", "trust-host"}, {"profile", "lobby"}, {"fingerprint", unknown.value("fingerprint")}}), kOk);
    EXPECT_EQ(op({{"op", "connect"}, {"profile", "lobby"}}), kOk);
    EXPECT_EQ(editor->server().stateLabel()->text(), QStringLiteral("已连接 lobby（经 SSH 隧道）"));
    EXPECT_EQ(op({{"op", "send"}, {"command", "/echo 你好"}}), (QJsonObject{{"ok", true}, {"reply", "你好"}}));
    EXPECT_EQ(ownConnectionsTo(game.port()), 0);  // the game's port is reached only by sshd

    writeFile(file(QStringLiteral("sockets.yml")), "ruby:\r\n  n: 1\r\n");
    ASSERT_EQ(op({{"op", "open"}, {"control", "编辑框20"}, {"profile", "lobby"}, {"path", "sockets.yml"}}).value("ok"),
              true);
    ASSERT_EQ(op({{"op", "set"}, {"control", "编辑框20"}, {"text", "ruby:\n  n: 2\n"}}).value("ok"), true);
    EXPECT_EQ(
        op({{"op", "trigger"}, {"action", "save-and-reload"}}),
        (QJsonObject{{"ok", true},
                     {"message", QStringLiteral("已保存 lobby:%1（15 字节）").arg(file(QStringLiteral("sockets.yml")))},
                     {"reply", "Unknown or incomplete command, see below for error\nquorvel reload<--[HERE]"}}));
    EXPECT_EQ(readFile(file(QStringLiteral("sockets.yml"))), QByteArray("ruby:\r\n  n: 2\r\n"));
    EXPECT_EQ(commandsReceived(), (QStringList{QStringLiteral("echo 你好"), QStringLiteral("quorvel reload")}));

    // A save that did not go through sends nothing.
    writeFile(file(QStringLiteral("sockets.yml")), "changed: elsewhere\n");
    ASSERT_EQ(op({{"op", "set"}, {"control", "编辑框20"}, {"text", "ruby:\n  n: 3\n"}}).value("ok"), true);
    const QJsonObject refused = op({{"op", "trigger"}, {"action", "save-and-reload"}});
    EXPECT_EQ(refused.value("ok"), false);
    EXPECT_TRUE(
        refused.value("error").toString().startsWith(QStringLiteral("服务器上的文件在打开或上次保存之后被别人改动过")))
        << json(refused);
    EXPECT_EQ(commandsReceived().size(), 2);
    EXPECT_EQ(readFile(file(QStringLiteral("sockets.yml"))), QByteArray("changed: elsewhere\n"));
    EXPECT_EQ(op({{"op", "disconnect"}}), kOk);
}

// A hosting panel's SSH refuses to forward: told as such; RCON is not tried in clear behind the
// user's back.
TEST_F(RemoteRcon, AServerThatRefusesForwardingIsToldAsSuch) {
    if (ssh().panelUser().isEmpty()) GTEST_SKIP() << ssh().panelProblem().toStdString();
    trust({ssh().panelPort()});
    ASSERT_EQ(op({{"op", "profile"},
                  {"name", "panel"},
                  {"host", "127.0.0.1"},
                  {"port", ssh().panelPort()},
                  {"user", ssh().panelUser()},
                  {"password", testing_support::SshServer::panelPassword()},
                  {"rconPort", game.port()},
                  {"rconPassword", kRconPassword}}),
              kOk);
    const QJsonObject refused = op({{"op", "connect"}, {"profile", "panel"}});
    EXPECT_EQ(refused.value("code"), "no-tunnel") << json(refused);
    EXPECT_EQ(game.requests().size(), 0U);
    EXPECT_EQ(ownConnectionsTo(game.port()), 0);
}

// Every secret given to the editor (an SSH password, a key's passphrase, RCON's password) stays
// in memory: no file below the test's home holds one, in UTF-8 or UTF-16, and no reply does.
TEST_F(RemoteRcon, NoPasswordOrPassphraseReachesAFileOrAReply) {
    trust({ssh().fullPort(), ssh().panelPort()});
    QJsonObject locked = tunnelProfile();
    locked.insert(QStringLiteral("key"), ssh().lockedKey());
    locked.insert(QStringLiteral("passphrase"), testing_support::SshServer::passphrase());
    ASSERT_EQ(op(locked), kOk);
    ASSERT_EQ(op({{"op", "connect"}, {"profile", "lobby"}}), kOk);
    writeFile(file(QStringLiteral("a.yml")), "a: 1\n");
    ASSERT_EQ(op({{"op", "open"}, {"control", "编辑框20"}, {"profile", "lobby"}, {"path", "a.yml"}}).value("ok"), true);
    ASSERT_EQ(op({{"op", "set"}, {"control", "编辑框20"}, {"text", "a: 2\n"}}).value("ok"), true);
    ASSERT_EQ(op({{"op", "trigger"}, {"action", "save-and-reload"}}).value("ok"), true);
    QStringList secrets{testing_support::SshServer::passphrase(), kRconPassword};
    if (!ssh().panelUser().isEmpty()) {
        secrets << testing_support::SshServer::panelPassword();
        ASSERT_EQ(op({{"op", "profile"},
                      {"name", "panel"},
                      {"host", "127.0.0.1"},
                      {"port", ssh().panelPort()},
                      {"user", ssh().panelUser()},
                      {"password", testing_support::SshServer::panelPassword()},
                      {"folder", folder_}}),
                  kOk);
        EXPECT_EQ(op({{"op", "remote-list"}, {"profile", "panel"}}).value("ok"), true);
        ASSERT_EQ(op({{"op", "save"}, {"control", "编辑框20"}, {"profile", "panel"}, {"path", "b.yml"}}).value("ok"),
                  true);
    }
    EXPECT_EQ(op({{"op", "profiles"}}).value("ok"), true);
    ui::SessionKeeper session(*runtime, editor->documents(), data_.filePath(QStringLiteral("session.json")), 0);
    session.saveNow();
    ASSERT_TRUE(waitFor([&] { return QFile::exists(data_.filePath(QStringLiteral("servers.json"))); }));
    int files = 0;
    QDirIterator all(home, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (all.hasNext()) {
        QFile each(all.next());
        if (!each.open(QIODevice::ReadOnly)) continue;  // sockets and the like
        ++files;
        const QByteArray content = each.readAll();
        for (const QString& secret : secrets) {
            const QByteArray utf16(reinterpret_cast<const char*>(secret.utf16()), secret.size() * 2);
            EXPECT_FALSE(content.contains(secret.toUtf8()) || content.contains(utf16)) << each.fileName().toStdString();
        }
    }
    EXPECT_GE(files, 3);  // at least the session, servers.json and known_hosts were looked at
    for (const QString& secret : secrets) EXPECT_FALSE(replies.contains(secret.toUtf8())) << replies.toStdString();
}

}  // namespace
}  // namespace ui_remote_test
