#include "storage/server_profiles.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <iterator>

#include "storage/server_settings.h"
#include "storage/session.h"

namespace storage {
namespace {

// Far beyond any profiles file: a larger one is not read at all.
constexpr qint64 kMaxProfilesBytes = qint64{1} << 20;
constexpr qsizetype kMaxProfiles = 1000;
constexpr qsizetype kMaxName = 100;
constexpr qsizetype kMaxHost = 255;
constexpr qsizetype kMaxPath = 4096;
constexpr qsizetype kMaxCommand = 1000;

// clang-format off
struct AuthName { SshAuth auth; const char* name; };
constexpr AuthName kAuthNames[] = {
    {SshAuth::Agent,    "agent"},
    {SshAuth::Key,      "key"},
    {SshAuth::Password, "password"},
};
struct SecretName { SecretKind kind; const char* name; };
constexpr SecretName kSecretNames[] = {
    {SecretKind::SshPassword,   "ssh-password"},
    {SecretKind::KeyPassphrase, "key-passphrase"},
    {SecretKind::RconPassword,  "rcon-password"},
};
// clang-format on

bool hasControl(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
}

// A text of at most limit characters without control characters, or fallback.
QString textOf(const QJsonObject& object, const char* key, qsizetype limit, const QString& fallback) {
    const QJsonValue value = object.value(QLatin1String(key));
    if (!value.isString()) return fallback;
    QString text = value.toString();
    if (text.size() > limit || hasControl(text)) return fallback;
    return text;
}

quint16 portOf(const QJsonObject& object, const char* key, quint16 fallback) {
    const QJsonValue value = object.value(QLatin1String(key));
    if (!value.isDouble()) return fallback;
    const double number = value.toDouble();
    if (number < 1 || number > 65535 || number != static_cast<double>(static_cast<int>(number))) return fallback;
    return static_cast<quint16>(number);
}

bool flagOf(const QJsonObject& object, const char* key, bool fallback) {
    const QJsonValue value = object.value(QLatin1String(key));
    return value.isBool() ? value.toBool() : fallback;
}

QString authName(SshAuth auth) {
    for (const AuthName& row : kAuthNames)
        if (row.auth == auth) return QLatin1String(row.name);
    return {};
}

bool hostUsable(const QString& host) {
    return !host.isEmpty() && host.size() <= kMaxHost && !host.startsWith(u'-') &&
           std::none_of(host.begin(), host.end(), [](QChar c) { return c.isSpace() || c.unicode() < 0x20; });
}

ServerProfile profileOf(const QJsonObject& object) {
    ServerProfile profile;
    profile.name = textOf(object, "name", kMaxName, {}).trimmed();
    profile.host = textOf(object, "host", kMaxHost, {}).trimmed();
    profile.port = portOf(object, "port", profile.port);
    profile.user = textOf(object, "user", kMaxHost, {});
    const QString auth = textOf(object, "auth", 20, {});
    for (const AuthName& row : kAuthNames)
        if (auth == QLatin1String(row.name)) profile.auth = row.auth;
    profile.keyFile = textOf(object, "key", kMaxPath, {});
    profile.folder = textOf(object, "folder", kMaxPath, {});
    profile.rconHost = textOf(object, "rconHost", kMaxHost, {}).trimmed();
    if (!profile.rconHost.isEmpty() && !hostUsable(profile.rconHost)) profile.rconHost.clear();
    profile.rconPort = portOf(object, "rconPort", profile.rconPort);
    profile.tunnel = flagOf(object, "tunnel", profile.tunnel);
    profile.reloadCommand = textOf(object, "reload", kMaxCommand, profile.reloadCommand);
    profile.keepPassword = flagOf(object, "keepPassword", profile.keepPassword);
    profile.keepPassphrase = flagOf(object, "keepPassphrase", profile.keepPassphrase);
    profile.keepRconPassword = flagOf(object, "keepRconPassword", profile.keepRconPassword);
    return profile;
}

QJsonObject objectOf(const ServerProfile& profile) {
    QJsonObject object{{"name", profile.name},
                       {"host", profile.host},
                       {"port", profile.port},
                       {"user", profile.user},
                       {"auth", authName(profile.auth)},
                       {"folder", profile.folder},
                       {"rconPort", profile.rconPort},
                       {"tunnel", profile.tunnel},
                       {"reload", profile.reloadCommand},
                       {"keepPassword", profile.keepPassword},
                       {"keepPassphrase", profile.keepPassphrase},
                       {"keepRconPassword", profile.keepRconPassword}};
    if (!profile.keyFile.isEmpty()) object.insert(QStringLiteral("key"), profile.keyFile);
    if (!profile.rconHost.isEmpty()) object.insert(QStringLiteral("rconHost"), profile.rconHost);
    return object;
}

}  // namespace

QString rconHost(const ServerProfile& profile) {
    if (!profile.rconHost.isEmpty()) return profile.rconHost;
    return profile.tunnel ? QStringLiteral("127.0.0.1") : profile.host;
}

QString profileProblem(const ServerProfile& profile) {
    if (profile.name.trimmed().isEmpty()) return QStringLiteral("没有填写名称");
    if (profile.name.size() > kMaxName || hasControl(profile.name))
        return QStringLiteral("名称太长或含有控制字符（最多 %1 个字）").arg(kMaxName);
    if (profile.host.isEmpty()) return QStringLiteral("没有填写 SSH 主机");
    if (!hostUsable(profile.host)) return QStringLiteral("SSH 主机“%1”不是有效的主机名或地址").arg(profile.host);
    if (profile.user.isEmpty()) return QStringLiteral("没有填写 SSH 用户名");
    if (profile.user.size() > kMaxHost || hasControl(profile.user))
        return QStringLiteral("SSH 用户名太长或含有控制字符");
    if (profile.auth == SshAuth::Key && !profile.keyFile.startsWith(u'/'))
        return profile.keyFile.isEmpty()
                   ? QStringLiteral("没有选择密钥文件")
                   : QStringLiteral("密钥文件需要写完整路径（以 / 开头）：%1").arg(profile.keyFile);
    if (!profile.folder.isEmpty() && !profile.folder.startsWith(u'/'))
        return QStringLiteral("插件文件夹需要写服务器上的完整路径（以 / 开头）：%1").arg(profile.folder);
    if (!profile.rconHost.isEmpty() && !hostUsable(profile.rconHost))
        return QStringLiteral("RCON 主机“%1”不是有效的主机名或地址").arg(profile.rconHost);
    if (hasControl(profile.reloadCommand) || profile.reloadCommand.size() > kMaxCommand)
        return QStringLiteral("重载命令只能有一行");
    return {};
}

const ServerProfile* findProfile(const ServerProfiles& profiles, const QString& name) {
    const auto found = std::find_if(profiles.profiles.begin(), profiles.profiles.end(),
                                    [&](const ServerProfile& profile) { return profile.name == name; });
    return found == profiles.profiles.end() ? nullptr : &*found;
}

void putProfile(ServerProfiles& profiles, const ServerProfile& profile) {
    for (ServerProfile& kept : profiles.profiles) {
        if (kept.name == profile.name) {
            kept = profile;
            return;
        }
    }
    profiles.profiles.push_back(profile);
}

bool removeProfile(ServerProfiles& profiles, const QString& name) {
    const auto before = profiles.profiles.size();
    std::erase_if(profiles.profiles, [&](const ServerProfile& profile) { return profile.name == name; });
    if (profiles.current == name) profiles.current.clear();
    return profiles.profiles.size() != before;
}

QString serverProfilesPath() {
    const QString folder = dataFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/servers.json");
}

ServerProfiles parseServerProfiles(const QByteArray& bytes) {
    ServerProfiles result;
    const QJsonObject object = QJsonDocument::fromJson(bytes).object();
    const QJsonArray list = object.value(QStringLiteral("profiles")).toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QString where = QStringLiteral("第 %1 个服务器没有读取：").arg(i + 1);
        if (std::ssize(result.profiles) >= kMaxProfiles) {
            result.problems << QStringLiteral("服务器超过 %1 个，其余的没有读取").arg(kMaxProfiles);
            break;
        }
        if (!list.at(i).isObject()) {
            result.problems << where + QStringLiteral("内容不是一个对象");
            continue;
        }
        const ServerProfile profile = profileOf(list.at(i).toObject());
        if (profile.name.isEmpty()) {
            result.problems << where + QStringLiteral("没有可用的名称");
        } else if (!hostUsable(profile.host)) {
            result.problems << where + QStringLiteral("“%1”没有可用的 SSH 主机").arg(profile.name);
        } else if (findProfile(result, profile.name) != nullptr) {
            result.problems << where + QStringLiteral("名称“%1”和前面的服务器重复").arg(profile.name);
        } else {
            result.profiles.push_back(profile);
        }
    }
    const QString current = textOf(object, "current", kMaxName, {});
    if (findProfile(result, current) != nullptr) result.current = current;
    return result;
}

QByteArray serverProfilesJson(const ServerProfiles& profiles) {
    QJsonArray list;
    for (const ServerProfile& profile : profiles.profiles) list.append(objectOf(profile));
    const QJsonObject object{{"format", "quorvel-servers"}, {"profiles", list}, {"current", profiles.current}};
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

ServerProfiles loadServerProfiles(const QString& path, const QString& legacyPath) {
    if (path.isEmpty()) return {};
    const ReadResult read = readFile(path, kMaxProfilesBytes);
    if (read.ok()) return parseServerProfiles(read.bytes);
    // Only a missing file is a first start: an unreadable one must not be replaced by the old settings.
    if (QFileInfo(path).exists() || QFileInfo(path).isSymLink()) {
        ServerProfiles none;
        none.problems << read.error;
        return none;
    }
    if (legacyPath.isEmpty() || !QFileInfo(legacyPath).isFile()) return {};
    const ServerSettings old = loadServerSettings(legacyPath);
    ServerProfile profile;
    profile.name = old.host;
    profile.host = old.host;
    profile.tunnel = false;  // the settings' RCON went straight to the host, and keeps doing so
    profile.rconPort = old.port;
    profile.reloadCommand = old.reloadCommand;
    profile.keepRconPassword = old.rememberPassword;
    ServerProfiles result;
    result.profiles.push_back(profile);
    result.current = profile.name;
    result.migrated = true;
    return result;
}

WriteResult saveServerProfiles(const QString& path, const ServerProfiles& profiles) {
    return writeFileAtomically(path, serverProfilesJson(profiles), Backup::None);
}

QString secretKey(const QString& profileName, SecretKind kind) {
    const auto row = std::find_if(std::begin(kSecretNames), std::end(kSecretNames),
                                  [kind](const SecretName& name) { return name.kind == kind; });
    return QStringLiteral("profile/") + profileName + u'/' + QLatin1String(row->name);
}

}  // namespace storage
