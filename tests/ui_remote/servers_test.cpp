// The registry of the server profiles: servers.json in the data folder (server.json of earlier
// versions taken in as the first profile), profiles that cannot be used refused, one session per
// profile with the secrets memory holds, the current profile, and no secret in the file.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "storage/server_profiles.h"
#include "storage/server_settings.h"
#include "ui/remote/servers.h"
#include "ui_remote_support.h"

namespace ui_remote_test {
namespace {

using storage::SecretKind;
using storage::ServerProfile;

ServerProfile lobby() {
    ServerProfile profile;
    profile.name = QStringLiteral("lobby");
    profile.host = QStringLiteral("127.0.0.1");
    profile.port = 2222;
    profile.user = QStringLiteral("mc");
    profile.auth = storage::SshAuth::Password;
    profile.folder = QStringLiteral("/srv/lobby/plugins/Quorvel");
    return profile;
}

// Waits until the file holds what the profiles are now (the writes go off the UI thread).
bool fileHolds(const QString& path, const storage::ServerProfiles& expected) {
    return waitFor([&] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) && storage::parseServerProfiles(file.readAll()) == expected;
    });
}

TEST(Servers, TheSettingsOfEarlierVersionsBecomeTheFirstProfileAndServersJsonIsWritten) {
    QTemporaryDir data;
    storage::ServerSettings old;
    old.host = QStringLiteral("mc.example.com");
    old.port = 25580;
    old.reloadCommand = QStringLiteral("/qv reload");
    ASSERT_TRUE(storage::saveServerSettings(data.filePath(QStringLiteral("server.json")), old).ok());
    ui::Servers servers;
    QSignalSpy current(&servers, &ui::Servers::currentChanged);
    servers.setFolder(data.path());
    ASSERT_EQ(servers.profiles().size(), 1U);
    const ServerProfile& first = servers.profiles().front();
    EXPECT_EQ(first.name, QStringLiteral("mc.example.com"));
    EXPECT_EQ(first.host, QStringLiteral("mc.example.com"));
    EXPECT_EQ(first.rconPort, 25580);
    EXPECT_FALSE(first.tunnel);  // RCON went straight to the host before and keeps doing so
    EXPECT_EQ(first.reloadCommand, QStringLiteral("/qv reload"));
    EXPECT_EQ(servers.current(), QStringLiteral("mc.example.com"));
    EXPECT_EQ(current.size(), 1);
    storage::ServerProfiles expected;
    expected.profiles = servers.profiles();
    expected.current = servers.current();
    EXPECT_TRUE(fileHolds(data.filePath(QStringLiteral("servers.json")), expected));
    EXPECT_EQ(servers.knownHostsPath(), data.filePath(QStringLiteral("known_hosts")));
}

TEST(Servers, ProfilesAreAddedReplacedAndRemovedAndTheFileFollows) {
    QTemporaryDir data;
    ui::Servers servers;
    servers.setFolder(data.path());
    EXPECT_TRUE(servers.profiles().empty());
    QSignalSpy changed(&servers, &ui::Servers::profilesChanged);

    ServerProfile nameless = lobby();
    nameless.name.clear();
    EXPECT_EQ(servers.put(nameless), QStringLiteral("没有填写名称"));
    ServerProfile keyless = lobby();
    keyless.auth = storage::SshAuth::Key;
    EXPECT_EQ(servers.put(keyless), QStringLiteral("没有选择密钥文件"));
    EXPECT_TRUE(servers.profiles().empty());
    EXPECT_EQ(changed.size(), 0);

    EXPECT_EQ(servers.put(lobby()), QString());
    ServerProfile survival = lobby();
    survival.name = QStringLiteral("生存服");
    survival.port = 22;
    EXPECT_EQ(servers.put(survival), QString());
    ServerProfile moved = lobby();
    moved.folder = QStringLiteral("/srv/other/plugins/Quorvel");
    EXPECT_EQ(servers.put(moved), QString());
    ASSERT_EQ(servers.profiles().size(), 2U);
    EXPECT_EQ(servers.profiles()[0], moved);  // replaced where it stood
    EXPECT_EQ(servers.profiles()[1], survival);
    EXPECT_TRUE(servers.setCurrent(QStringLiteral("生存服")));
    EXPECT_FALSE(servers.setCurrent(QStringLiteral("nowhere")));
    EXPECT_EQ(servers.current(), QStringLiteral("生存服"));
    storage::ServerProfiles expected;
    expected.profiles = {moved, survival};
    expected.current = QStringLiteral("生存服");
    EXPECT_TRUE(fileHolds(data.filePath(QStringLiteral("servers.json")), expected));

    QSignalSpy current(&servers, &ui::Servers::currentChanged);
    EXPECT_TRUE(servers.remove(QStringLiteral("生存服")));
    EXPECT_FALSE(servers.remove(QStringLiteral("生存服")));
    EXPECT_EQ(servers.current(), QString());
    ASSERT_EQ(current.size(), 1);
    EXPECT_EQ(current.front().front().toString(), QString());
    expected.profiles = {moved};
    expected.current.clear();
    EXPECT_TRUE(fileHolds(data.filePath(QStringLiteral("servers.json")), expected));
    EXPECT_EQ(changed.size(), 4);

    // A second registry on the same folder reads what the first wrote.
    ui::Servers again;
    again.setFolder(data.path());
    ASSERT_EQ(again.profiles().size(), 1U);
    EXPECT_EQ(again.profiles().front(), moved);
}

TEST(Servers, EachProfileHasOneSessionThatLogsInWithTheSecretsInMemory) {
    QTemporaryDir data;
    ui::Servers servers;
    servers.setFolder(data.path());
    servers.setTimeoutMs(3000);
    EXPECT_EQ(servers.session(QStringLiteral("lobby")), nullptr);
    ASSERT_EQ(servers.put(lobby()), QString());
    servers.setSecret(QStringLiteral("lobby"), SecretKind::SshPassword, QStringLiteral("pw-1"));
    remote::Session* session = servers.session(QStringLiteral("lobby"));
    ASSERT_NE(session, nullptr);
    EXPECT_EQ(servers.session(QStringLiteral("lobby")), session);
    EXPECT_EQ(session->settings().password, QStringLiteral("pw-1"));
    EXPECT_EQ(session->settings().user, QStringLiteral("mc"));
    EXPECT_EQ(session->settings().port, 2222);
    EXPECT_EQ(session->settings().timeoutMs, 3000);
    EXPECT_EQ(session->settings().knownHosts.value(0), data.filePath(QStringLiteral("known_hosts")));

    // A secret typed later reaches the session made before.
    servers.setSecret(QStringLiteral("lobby"), SecretKind::SshPassword, QStringLiteral("pw-2"));
    EXPECT_EQ(session->settings().password, QStringLiteral("pw-2"));
    // Another login does not inherit the old one's password.
    ServerProfile other = lobby();
    other.user = QStringLiteral("admin");
    ASSERT_EQ(servers.put(other), QString());
    EXPECT_EQ(servers.session(QStringLiteral("lobby")), session);
    EXPECT_EQ(session->settings().user, QStringLiteral("admin"));
    EXPECT_EQ(session->settings().password, QString());
    EXPECT_FALSE(servers.hasSecret(QStringLiteral("lobby"), SecretKind::SshPassword));

    // The session is ready at once when the keyring keeps nothing for the login.
    remote::Session* prepared = nullptr;
    servers.prepareSession(QStringLiteral("lobby"), nullptr, [&](remote::Session* s) { prepared = s; });
    EXPECT_TRUE(waitFor([&] { return prepared != nullptr; }));
    EXPECT_EQ(prepared, session);

    QPointer<remote::Session> gone(session);
    EXPECT_TRUE(servers.remove(QStringLiteral("lobby")));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // closed on the next turn of the loop
    EXPECT_EQ(gone, nullptr);
    EXPECT_EQ(servers.session(QStringLiteral("lobby")), nullptr);
}

// The secrets a script or a dialog gives stay in memory: the profiles' file never holds one.
TEST(Servers, NoSecretReachesTheProfilesFile) {
    QTemporaryDir data;
    ui::Servers servers;
    servers.setFolder(data.path());
    const QString secrets[] = {QStringLiteral("ssh-口令-1"), QStringLiteral("phrase-口令-2"),
                               QStringLiteral("rcon-口令-3")};
    ServerProfile profile = lobby();
    profile.keepPassword = false;
    ASSERT_EQ(servers.put(profile), QString());
    servers.setSecret(profile.name, SecretKind::SshPassword, secrets[0]);
    servers.setSecret(profile.name, SecretKind::KeyPassphrase, secrets[1]);
    servers.setSecret(profile.name, SecretKind::RconPassword, secrets[2]);
    EXPECT_EQ(servers.secret(profile.name, SecretKind::RconPassword), secrets[2]);
    ASSERT_TRUE(servers.setCurrent(profile.name));
    storage::ServerProfiles expected;
    expected.profiles = {profile};
    expected.current = profile.name;
    const QString file = data.filePath(QStringLiteral("servers.json"));
    ASSERT_TRUE(fileHolds(file, expected));
    const QByteArray bytes = readFile(file);
    for (const QString& secret : secrets) EXPECT_FALSE(bytes.contains(secret.toUtf8())) << bytes.toStdString();
}

TEST(Servers, ADamagedFileIsToldAndNotOverwrittenByTheOldSettings) {
    QTemporaryDir data;
    writeFile(data.filePath(QStringLiteral("servers.json")),
              R"({"profiles":[{"name":"a","host":"-x"},{"name":"b","host":"h"}],"current":"b"})");
    ASSERT_TRUE(storage::saveServerSettings(data.filePath(QStringLiteral("server.json")), {}).ok());
    ui::Servers servers;
    servers.setFolder(data.path());
    ASSERT_EQ(servers.profiles().size(), 1U);
    EXPECT_EQ(servers.profiles().front().name, QStringLiteral("b"));
    EXPECT_EQ(servers.current(), QStringLiteral("b"));
    EXPECT_EQ(servers.problems(), QStringList{QStringLiteral("第 1 个服务器没有读取：“a”没有可用的 SSH 主机")});
}

}  // namespace
}  // namespace ui_remote_test
