#include "storage/server_profiles.h"

#include "scratch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

namespace {

using storage::ServerProfile;
using storage::ServerProfiles;
using storage::SshAuth;

ServerProfile lobby() {
    return {.name = QStringLiteral("lobby"),
            .host = QStringLiteral("mc.example.cn"),
            .port = 2222,
            .user = QStringLiteral("mc.1a2b3c4d"),
            .auth = SshAuth::Key,
            .keyFile = QStringLiteral("/home/op/.ssh/id_ed25519"),
            .folder = QStringLiteral("/srv/lobby/plugins/Quorvel"),
            .rconHost = {},
            .rconPort = 25580,
            .tunnel = true,
            .reloadCommand = QStringLiteral("quorvel reload"),
            .keepPassword = false,
            .keepPassphrase = true,
            .keepRconPassword = true};
}

TEST(ServerProfiles, RoundTripThroughTheFileKeepsEveryFieldAndNoSecret) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("servers.json"));
    ServerProfiles profiles;
    profiles.profiles.push_back(lobby());
    ServerProfile survival;
    survival.name = QStringLiteral("生存服");
    survival.host = QStringLiteral("10.0.0.7");
    survival.user = QStringLiteral("root");
    survival.auth = SshAuth::Password;
    survival.rconHost = QStringLiteral("192.168.1.9");
    survival.tunnel = false;
    profiles.profiles.push_back(survival);
    profiles.current = QStringLiteral("生存服");
    ASSERT_TRUE(storage::saveServerProfiles(path, profiles).ok());
    EXPECT_EQ(storage::loadServerProfiles(path, {}), profiles);
    // Every field the file holds, and none of them a secret.
    const QJsonArray written = QJsonDocument::fromJson(scratch::read(path)).object().value("profiles").toArray();
    ASSERT_EQ(written.size(), 2);
    EXPECT_EQ(written[0].toObject().keys(),
              QStringList({"auth", "folder", "host", "keepPassphrase", "keepPassword", "keepRconPassword", "key",
                           "name", "port", "rconPort", "reload", "tunnel", "user"}));
    EXPECT_EQ(written[1].toObject().value("rconHost").toString(), QStringLiteral("192.168.1.9"));
}

TEST(ServerProfiles, RconHostDefaultsToTheServersOwnLoopbackThroughTheTunnelAndToTheSshHostOtherwise) {
    ServerProfile profile = lobby();
    EXPECT_EQ(storage::rconHost(profile), QStringLiteral("127.0.0.1"));
    profile.tunnel = false;
    EXPECT_EQ(storage::rconHost(profile), QStringLiteral("mc.example.cn"));
    profile.rconHost = QStringLiteral("10.1.1.1");
    EXPECT_EQ(storage::rconHost(profile), QStringLiteral("10.1.1.1"));
    profile.tunnel = true;
    EXPECT_EQ(storage::rconHost(profile), QStringLiteral("10.1.1.1"));
}

// A file edited by hand or written by someone else: what cannot be used keeps its default, a
// profile that cannot be reached at all is left out with a line that says which and why.
TEST(ServerProfiles, UntrustedFileKeepsWhatIsUsable) {
    const QByteArray bytes = R"({"profiles":[
        {"name":"a","host":"h1","port":70000,"user":"u\nv","auth":"telepathy","rconPort":"25575","tunnel":"yes",
         "reload":"x\ny","rconHost":"-oProxy","keepPassword":1},
        {"name":"","host":"h2"},
        {"name":"b","host":"two words"},
        {"name":"a","host":"h3"},
        7,
        {"name":" c ","host":" h4 ","port":2022,"auth":"password","password":"leaked?"}
    ],"current":"nobody"})";
    const ServerProfiles parsed = storage::parseServerProfiles(bytes);
    ASSERT_EQ(parsed.profiles.size(), 2u);
    const ServerProfile defaults;
    const ServerProfile& a = parsed.profiles[0];
    EXPECT_EQ(a.name, QStringLiteral("a"));
    EXPECT_EQ(a.host, QStringLiteral("h1"));
    EXPECT_EQ(a.port, defaults.port);
    EXPECT_EQ(a.user, QString());
    EXPECT_EQ(a.auth, SshAuth::Agent);
    EXPECT_EQ(a.rconPort, defaults.rconPort);
    EXPECT_EQ(a.tunnel, defaults.tunnel);
    EXPECT_EQ(a.reloadCommand, defaults.reloadCommand);
    EXPECT_EQ(a.rconHost, QString());
    EXPECT_EQ(a.keepPassword, defaults.keepPassword);
    const ServerProfile& c = parsed.profiles[1];
    EXPECT_EQ(c.name, QStringLiteral("c"));
    EXPECT_EQ(c.host, QStringLiteral("h4"));
    EXPECT_EQ(c.port, 2022);
    EXPECT_EQ(c.auth, SshAuth::Password);
    EXPECT_EQ(parsed.current, QString());
    EXPECT_EQ(parsed.problems, QStringList({QStringLiteral("第 2 个服务器没有读取：没有可用的名称"),
                                            QStringLiteral("第 3 个服务器没有读取：“b”没有可用的 SSH 主机"),
                                            QStringLiteral("第 4 个服务器没有读取：名称“a”和前面的服务器重复"),
                                            QStringLiteral("第 5 个服务器没有读取：内容不是一个对象")}));
    EXPECT_EQ(storage::parseServerProfiles("\xff{ not json"), ServerProfiles{});
    EXPECT_EQ(storage::parseServerProfiles(R"({"profiles":{"name":"a"}})"), ServerProfiles{});
}

TEST(ServerProfiles, ProblemsAreToldOneAtATimeInTheUsersWords) {
    struct Row {
        void (*change)(ServerProfile&);
        const char* problem;
    };
    const Row rows[] = {
        {[](ServerProfile&) {}, ""},
        {[](ServerProfile& p) { p.name = QStringLiteral("  "); }, "没有填写名称"},
        {[](ServerProfile& p) { p.host.clear(); }, "没有填写 SSH 主机"},
        {[](ServerProfile& p) { p.host = QStringLiteral("a b"); }, "SSH 主机“a b”不是有效的主机名或地址"},
        {[](ServerProfile& p) { p.user.clear(); }, "没有填写 SSH 用户名"},
        {[](ServerProfile& p) { p.keyFile.clear(); }, "没有选择密钥文件"},
        {[](ServerProfile& p) { p.keyFile = QStringLiteral("id_rsa"); }, "密钥文件需要写完整路径（以 / 开头）：id_rsa"},
        {[](ServerProfile& p) { p.auth = SshAuth::Agent, p.keyFile.clear(); }, ""},
        {[](ServerProfile& p) { p.folder = QStringLiteral("plugins"); },
         "插件文件夹需要写服务器上的完整路径（以 / 开头）：plugins"},
        {[](ServerProfile& p) { p.reloadCommand = QStringLiteral("a\nb"); }, "重载命令只能有一行"},
    };
    for (const Row& row : rows) {
        ServerProfile profile = lobby();
        row.change(profile);
        EXPECT_EQ(storage::profileProblem(profile), QString::fromUtf8(row.problem));
    }
}

TEST(ServerProfiles, PutReplacesInPlaceAndRemoveForgetsTheCurrentOne) {
    ServerProfiles profiles;
    storage::putProfile(profiles, lobby());
    ServerProfile other = lobby();
    other.name = QStringLiteral("survival");
    storage::putProfile(profiles, other);
    ServerProfile changed = lobby();
    changed.port = 22;
    storage::putProfile(profiles, changed);
    ASSERT_EQ(profiles.profiles.size(), 2u);
    EXPECT_EQ(profiles.profiles[0], changed);
    profiles.current = QStringLiteral("lobby");
    EXPECT_TRUE(storage::removeProfile(profiles, QStringLiteral("lobby")));
    EXPECT_FALSE(storage::removeProfile(profiles, QStringLiteral("lobby")));
    EXPECT_EQ(profiles.current, QString());
    EXPECT_EQ(storage::findProfile(profiles, QStringLiteral("survival"))->name, QStringLiteral("survival"));
    EXPECT_EQ(storage::findProfile(profiles, QStringLiteral("lobby")), nullptr);
}

// The RCON settings of earlier versions become the first profile, RCON still straight to its
// host; they are read only while there is no profiles file, and never overwritten.
TEST(ServerProfiles, OldServerSettingsBecomeTheFirstProfile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("servers.json"));
    const QString legacy = dir.filePath(QStringLiteral("server.json"));
    scratch::write(legacy,
                   R"({"host":"mc.example.cn","port":25580,"reloadCommand":"/qv reload","rememberPassword":true})");
    const ServerProfiles loaded = storage::loadServerProfiles(path, legacy);
    ASSERT_EQ(loaded.profiles.size(), 1u);
    EXPECT_TRUE(loaded.migrated);
    const ServerProfile& first = loaded.profiles[0];
    EXPECT_EQ(first.name, QStringLiteral("mc.example.cn"));
    EXPECT_EQ(first.host, QStringLiteral("mc.example.cn"));
    EXPECT_FALSE(first.tunnel);
    EXPECT_EQ(storage::rconHost(first), QStringLiteral("mc.example.cn"));
    EXPECT_EQ(first.rconPort, 25580);
    EXPECT_EQ(first.reloadCommand, QStringLiteral("/qv reload"));
    EXPECT_TRUE(first.keepRconPassword);
    EXPECT_EQ(loaded.current, QStringLiteral("mc.example.cn"));
    EXPECT_FALSE(QFile::exists(path));

    ServerProfiles saved;
    saved.profiles.push_back(lobby());
    ASSERT_TRUE(storage::saveServerProfiles(path, saved).ok());
    EXPECT_EQ(storage::loadServerProfiles(path, legacy), saved);
    EXPECT_TRUE(QFile::exists(legacy));

    // A profiles file that cannot be read is told, and the old settings do not take its place.
    QFile::remove(path);
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    const ServerProfiles fifo = storage::loadServerProfiles(path, legacy);
    EXPECT_TRUE(fifo.profiles.empty());
    EXPECT_FALSE(fifo.migrated);
    ASSERT_EQ(fifo.problems.size(), 1);
    EXPECT_TRUE(fifo.problems[0].contains(QStringLiteral("不是普通文件"))) << fifo.problems[0].toStdString();
    EXPECT_EQ(storage::loadServerProfiles(dir.filePath(QStringLiteral("none.json")), {}), ServerProfiles{});
}

TEST(ServerProfiles, SecretsAreKeptUnderOneKeyPerProfileAndKind) {
    EXPECT_EQ(storage::secretKey(QStringLiteral("lobby"), storage::SecretKind::SshPassword),
              QStringLiteral("profile/lobby/ssh-password"));
    EXPECT_EQ(storage::secretKey(QStringLiteral("生存服"), storage::SecretKind::KeyPassphrase),
              QStringLiteral("profile/生存服/key-passphrase"));
    EXPECT_EQ(storage::secretKey(QStringLiteral("lobby"), storage::SecretKind::RconPassword),
              QStringLiteral("profile/lobby/rcon-password"));
}

}  // namespace
