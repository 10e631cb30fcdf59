// The servers the editor reaches, one profile each (a lobby, a survival server, ...): where to log
// in over SSH, the plugin's folder there, how to reach its RCON and what reloads the plugin. Kept
// as JSON in the data folder (servers.json), never with a secret in it: passwords and passphrases
// live in the system's keyring under secretKey(), or are asked each time.
#pragma once

#include "storage/safe_write.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace storage {

// How a profile logs in over SSH.
enum class SshAuth {
    Agent,     // the keys of the running SSH agent (SSH_AUTH_SOCK)
    Key,       // a private key file; its passphrase, if it has one, asked or kept in the keyring
    Password,  // a password, kept in the keyring (or asked when there is none)
};

// The secrets a profile may keep in the keyring.
enum class SecretKind { SshPassword, KeyPassphrase, RconPassword };

struct ServerProfile {
    static constexpr quint16 kDefaultSshPort = 22;
    static constexpr quint16 kDefaultRconPort = 25575;  // the game's rcon.port unless changed

    QString name;  // what the user calls the server, unique among the profiles: "lobby", "生存服"
    QString host;  // SSH host name or address
    quint16 port = kDefaultSshPort;
    QString user;
    SshAuth auth = SshAuth::Agent;
    QString keyFile;  // SshAuth::Key: the private key's absolute path on this machine
    QString folder;   // the plugin's folder on the server, absolute ("/srv/lobby/plugins/Quorvel")
    // RCON's host; empty means the default, rconHost(profile).
    QString rconHost;
    quint16 rconPort = kDefaultRconPort;
    bool tunnel = true;  // RCON goes through the SSH connection, never in clear across the network
    QString reloadCommand = QStringLiteral("/quorvel reload");
    // Whether each secret is looked for, and kept, in the keyring (otherwise asked each time).
    bool keepPassword = true;
    bool keepPassphrase = false;
    bool keepRconPassword = false;

    bool operator==(const ServerProfile&) const = default;
};

// RCON's host as the profile reaches it: the one given, else, through the tunnel, 127.0.0.1 as the
// server sees it, and directly, the SSH host.
QString rconHost(const ServerProfile& profile);

// Why the profile cannot be used, for the user (the first problem), e.g. "没有填写 SSH 主机";
// empty when it can. The same rules decide which profiles a file may hold.
QString profileProblem(const ServerProfile& profile);

struct ServerProfiles {
    std::vector<ServerProfile> profiles;  // in the user's order, names unique
    QString current;                      // the name of the profile in use; empty for none
    // What a file held that could not be used, one line each for the user, e.g.
    // "第 3 个服务器没有读取：没有填写 SSH 主机". Empty for a good file.
    QStringList problems;
    // The profile made from the RCON settings file of earlier versions (server.json), which this
    // file replaces: its RCON password was kept in the keyring under the host and port.
    bool migrated = false;

    bool operator==(const ServerProfiles&) const = default;
};

// The profile of that name, or nullptr.
const ServerProfile* findProfile(const ServerProfiles& profiles, const QString& name);
// Adds the profile, or replaces the one of the same name where it stands.
void putProfile(ServerProfiles& profiles, const ServerProfile& profile);
// Removes the profile of that name (and makes no profile current if it was); false if none.
bool removeProfile(ServerProfiles& profiles, const QString& name);

// dataFolder()/servers.json.
QString serverProfilesPath();

// The profiles in a file's bytes. A value of the wrong type or out of range keeps its default;
// a profile without a usable name or host, or with a name already taken, is left out (problems
// says so); damaged bytes give no profiles.
ServerProfiles parseServerProfiles(const QByteArray& bytes);
QByteArray serverProfilesJson(const ServerProfiles& profiles);

// The profiles kept at path. Where there is no such file yet and legacyPath holds the RCON
// settings of earlier versions, these become the first profile (named after the host, RCON
// directly to it, as before); nothing is written until the profiles are saved.
ServerProfiles loadServerProfiles(const QString& path, const QString& legacyPath);
// Writes them atomically.
WriteResult saveServerProfiles(const QString& path, const ServerProfiles& profiles);

// Where the keyring keeps one secret of a profile: "profile/lobby/ssh-password".
QString secretKey(const QString& profileName, SecretKind kind);

}  // namespace storage
