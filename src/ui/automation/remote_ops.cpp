#include "ui/automation/remote_ops.h"

#include <QJsonArray>
#include <algorithm>

#include "remote/paths.h"
#include "remote/session.h"
#include "storage/server_profiles.h"
#include "ui/remote/servers.h"

namespace ui {
namespace {

using storage::SecretKind;
using storage::ServerProfile;

Servers& serversOf(Context& context) {
    if (context.servers == nullptr) throw Refused{QStringLiteral("the server profiles are not loaded")};
    return *context.servers;
}

// A field that must be a string when present.
std::optional<QString> optionalText(const QJsonObject& request, const char* key) {
    const QJsonValue value = request.value(QLatin1String(key));
    if (value.isUndefined()) return std::nullopt;
    if (!value.isString()) throw Refused{QStringLiteral("\"%1\" must be a text").arg(QLatin1String(key))};
    return value.toString();
}

quint16 portField(const QJsonObject& request, const char* key, quint16 fallback) {
    const QJsonValue value = request.value(QLatin1String(key));
    if (value.isUndefined()) return fallback;
    if (!value.isDouble() || value.toDouble() != static_cast<double>(value.toInt()) || value.toInt() < 1 ||
        value.toInt() > 65535)
        throw Refused{QStringLiteral("\"%1\" must be a port from 1 to 65535").arg(QLatin1String(key))};
    return static_cast<quint16>(value.toInt());
}

bool flagField(const QJsonObject& request, const char* key, bool fallback) {
    const QJsonValue value = request.value(QLatin1String(key));
    if (value.isUndefined()) return fallback;
    if (!value.isBool()) throw Refused{QStringLiteral("\"%1\" must be true or false").arg(QLatin1String(key))};
    return value.toBool();
}

// {"op":"profile","name":"lobby","host":"127.0.0.1","port":2222,"user":"mc","key":"/abs/id_ed25519",
//  "folder":"/srv/lobby/plugins/Quorvel","rconPort":25575,"rconPassword":"…","tunnel":true,
//  "reload":"quorvel reload"}: adds or replaces the profile. "password" instead of "key" logs in
// by password; with neither, the SSH agent. The secrets stay in memory, never in servers.json,
// the keyring or a reply.
QJsonObject profileOp(Context& context, const QJsonObject& request) {
    Servers& servers = serversOf(context);
    ServerProfile profile;
    profile.name = stringField(request, "name").trimmed();
    profile.host = stringField(request, "host").trimmed();
    profile.port = portField(request, "port", ServerProfile::kDefaultSshPort);
    profile.user = stringField(request, "user");
    const std::optional<QString> key = optionalText(request, "key");
    const std::optional<QString> password = optionalText(request, "password");
    const std::optional<QString> passphrase = optionalText(request, "passphrase");
    if (key && password) throw Refused{QStringLiteral("give \"key\" or \"password\", not both")};
    if (passphrase && !key) throw Refused{QStringLiteral("\"passphrase\" is the key's: give \"key\" too")};
    profile.auth = key ? storage::SshAuth::Key : password ? storage::SshAuth::Password : storage::SshAuth::Agent;
    profile.keyFile = key.value_or(QString());
    profile.folder = optionalText(request, "folder").value_or(QString());
    profile.rconHost = optionalText(request, "rconHost").value_or(QString()).trimmed();
    profile.rconPort = portField(request, "rconPort", ServerProfile::kDefaultRconPort);
    profile.tunnel = flagField(request, "tunnel", true);
    profile.reloadCommand = optionalText(request, "reload").value_or(profile.reloadCommand);
    const std::optional<QString> rconPassword = optionalText(request, "rconPassword");
    // What a script gives lives in memory: the keyring is the person's to fill.
    profile.keepPassword = false;
    profile.keepPassphrase = false;
    profile.keepRconPassword = false;
    const QString why = servers.put(profile);
    if (!why.isEmpty()) throw Refused{why};
    servers.setSecret(profile.name, SecretKind::SshPassword, password.value_or(QString()));
    servers.setSecret(profile.name, SecretKind::KeyPassphrase, passphrase.value_or(QString()));
    servers.setSecret(profile.name, SecretKind::RconPassword, rconPassword.value_or(QString()));
    if (servers.current().isEmpty()) servers.setCurrent(profile.name);
    return ok();
}

// {"op":"profiles"}: every profile as {"name","host","port","user","folder","tunnel"}.
QJsonObject profilesOp(Context& context, const QJsonObject&) {
    QJsonArray list;
    for (const ServerProfile& profile : serversOf(context).profiles()) {
        list.append(QJsonObject{{"name", profile.name},
                                {"host", profile.host},
                                {"port", profile.port},
                                {"user", profile.user},
                                {"folder", profile.folder},
                                {"tunnel", profile.tunnel}});
    }
    return okWith("profiles", list);
}

QString typeName(remote::EntryType type) {
    switch (type) {
    case remote::EntryType::File: return QStringLiteral("file");
    case remote::EntryType::Folder: return QStringLiteral("dir");
    case remote::EntryType::Link: return QStringLiteral("link");
    case remote::EntryType::Other: return QStringLiteral("other");
    }
    return QStringLiteral("other");
}

// {"op":"remote-list","profile":"lobby","path":"."}: the folder's full path and its entries by
// name, each {"name","type","size","mtime"} ("file", "dir", "link" with its "target", "other").
void remoteListOp(Context& context, const QJsonObject& request, const Reply& reply) {
    Servers& servers = serversOf(context);
    const QString name = profileOf(context, request);
    QJsonObject withPath = request;
    if (!withPath.contains(QStringLiteral("path"))) withPath.insert(QStringLiteral("path"), QStringLiteral("."));
    const QByteArray path = serverPathOf(context, name, withPath);
    servers.prepareSession(name, &servers, [servers = &servers, name, reply, path](remote::Session* session) {
        if (session == nullptr) return reply({{"ok", false}, {"error", servers->loginProblem(name)}});
        session->list(path, session, [reply](const remote::Listing& listing) {
            if (!listing.ok()) return reply(serverRefusal(listing));
            std::vector<remote::RemoteEntry> entries = listing.entries;
            std::sort(entries.begin(), entries.end(),
                      [](const remote::RemoteEntry& a, const remote::RemoteEntry& b) { return a.name < b.name; });
            QJsonArray files;
            for (const remote::RemoteEntry& entry : entries) {
                QJsonObject file{{"name", entry.displayName},
                                 {"type", typeName(entry.type)},
                                 {"size", entry.size},
                                 {"mtime", entry.mtime}};
                if (entry.type == remote::EntryType::Link)
                    file.insert(QStringLiteral("target"), entry.linkTarget == remote::EntryType::Other
                                                              ? QStringLiteral("none")
                                                              : typeName(entry.linkTarget));
                files.append(file);
            }
            reply({{"ok", true}, {"path", remote::displayName(listing.path)}, {"files", files}});
        });
    });
}

// {"op":"trust-host","profile":"lobby","fingerprint":"SHA256:…"}: trusted only when it is the key
// the server shows now; the editor's own known_hosts keeps it.
void trustHostOp(Context& context, const QJsonObject& request, const Reply& reply) {
    Servers& servers = serversOf(context);
    const QString name = profileOf(context, request);
    const QString fingerprint = stringField(request, "fingerprint");
    servers.prepareSession(name, &servers, [servers = &servers, name, reply, fingerprint](remote::Session* session) {
        if (session == nullptr) return reply({{"ok", false}, {"error", servers->loginProblem(name)}});
        session->trustHost(fingerprint, session, [reply](const remote::Outcome& outcome) {
            reply(outcome.ok() ? ok() : serverRefusal(outcome));
        });
    });
}

// clang-format off
constexpr Op kRemoteOps[] = {
    {"profile",     now<profileOp>},
    {"profiles",    now<profilesOp>},
    {"remote-list", remoteListOp},
    {"trust-host",  trustHostOp},
};
// clang-format on

}  // namespace

std::span<const Op> remoteOps() { return kRemoteOps; }

QJsonObject serverRefusal(const remote::Outcome& outcome) {
    QJsonObject refused{{"ok", false}, {"code", outcome.code}, {"error", outcome.message}};
    if (!outcome.fingerprint.isEmpty()) refused.insert(QStringLiteral("fingerprint"), outcome.fingerprint);
    if (!outcome.known.isEmpty()) refused.insert(QStringLiteral("known"), outcome.known);
    return refused;
}

QJsonObject documentRefusal(const documents::Outcome& outcome) {
    QJsonObject refused{{"ok", false}, {"code", documents::codeOf(outcome)}, {"error", outcome.message}};
    const documents::ServerDetail& server = outcome.server;
    if (!server.fingerprint.isEmpty()) refused.insert(QStringLiteral("fingerprint"), server.fingerprint);
    if (!server.known.isEmpty()) refused.insert(QStringLiteral("known"), server.known);
    if (!server.state.isEmpty()) refused.insert(QStringLiteral("state"), server.state);
    return refused;
}

QString profileOf(Context& context, const QJsonObject& request) {
    Servers& servers = serversOf(context);
    QString name = stringField(request, "profile");
    if (servers.profile(name) == nullptr) {
        QStringList names;
        for (const ServerProfile& profile : servers.profiles()) names << profile.name;
        throw Refused{QStringLiteral("no profile named \"%1\" (profiles: %2); add it with the profile op")
                          .arg(name, names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral(", ")))};
    }
    return name;
}

QByteArray serverPathOf(Context& context, const QString& profile, const QJsonObject& request) {
    const QString path = stringField(request, "path");
    const ServerProfile* found = serversOf(context).profile(profile);
    return remote::joinPath(found != nullptr ? found->folder.toUtf8() : QByteArray(), path.toUtf8());
}

}  // namespace ui
