// The servers the editor reaches: the profiles of servers.json (a lobby, a survival server, ...),
// the one the user works on now, and one remote::Session for each, made the first time it is
// asked for. Secrets (SSH password, key passphrase, RCON password) live in memory only, taken
// from the keyring when the profile keeps them there, from a dialog or from a script; the file
// never holds one. Owned by the editor; the rooms above reach it through Editor and the
// automation Context.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "rcon/password_store.h"
#include "remote/session.h"
#include "storage/server_profiles.h"

namespace ui {

class Servers : public QObject {
    Q_OBJECT
public:
    explicit Servers(QObject* parent = nullptr);
    ~Servers() override;
    Servers(const Servers&) = delete;
    Servers& operator=(const Servers&) = delete;

    // Where servers.json and the editor's own known_hosts are kept: the data folder (the session
    // file's folder). Reads the profiles there now; where there is no servers.json yet, the RCON
    // settings of earlier versions (server.json) become the first profile, their RCON password is
    // moved in the keyring to the profile's name, and the profiles are written. Without a folder
    // (a script run without a session) the profiles live in memory only and known_hosts is the
    // default data folder's.
    void setFolder(const QString& folder);
    const QString& folder() const { return folder_; }
    // The file a trusted host key is added to: FOLDER/known_hosts, else remote::ownKnownHostsPath().
    QString knownHostsPath() const;
    // What the file held that could not be used, one line each for the user; empty mostly.
    QStringList problems() const { return profiles_.problems; }

    const std::vector<storage::ServerProfile>& profiles() const { return profiles_.profiles; }
    // The profile of that name, or nullptr.
    const storage::ServerProfile* profile(const QString& name) const;

    // Adds the profile, or replaces the one of its name where it stands, and writes the profiles.
    // Refused with the reason for the user (storage::profileProblem) when it cannot be used, and
    // nothing changes. A session already made logs in anew when the login changed.
    QString put(const storage::ServerProfile& profile);
    // Removes the profile, its session (closed without waiting) and its secrets in memory; false
    // when there is none. The keyring keeps what it kept until forget() is asked.
    bool remove(const QString& name);

    // The profile the user works on now; empty for none.
    const QString& current() const { return profiles_.current; }
    // Makes the profile of that name current (empty: none); false when there is no such profile.
    bool setCurrent(const QString& name);

    // Why the profile cannot log in over SSH yet ("没有填写 SSH 用户名": a profile for RCON alone,
    // or no such profile), for the user; empty when it can.
    QString loginProblem(const QString& name) const;
    // The profile's session, made on first use with the secrets memory holds now; nullptr when
    // there is no such profile or it cannot log in (loginProblem). It lives until the profile is
    // removed or the registry goes.
    remote::Session* session(const QString& name);
    // The session once every secret of the login that the profile keeps in the keyring has been
    // looked for there (once a run: a keyring without it is not asked again); done hears it, or
    // nullptr when the profile is gone by then (at once when nothing is to be looked for). Nothing
    // is sent to the server yet.
    void prepareSession(const QString& name, QObject* context, std::function<void(remote::Session*)> done);

    // A secret of a profile in memory (a script's, or typed in a dialog); empty removes it. The
    // session, when made, logs in with it from its next connection.
    void setSecret(const QString& name, storage::SecretKind kind, const QString& secret);
    QString secret(const QString& name, storage::SecretKind kind) const;
    bool hasSecret(const QString& name, storage::SecretKind kind) const;
    // The secret, from memory or else from the keyring when the profile keeps it there; done hears
    // it, empty when there is none.
    void readSecret(const QString& name, storage::SecretKind kind, QObject* context,
                    std::function<void(const QString&)> done);
    // Writes the secret to the keyring under the profile's name; done hears what the keyring said.
    void keepSecret(const QString& name, storage::SecretKind kind, const QString& secret, QObject* context,
                    rcon::PasswordStore::Callback done);
    // Removes it from the keyring and from memory.
    void forgetSecret(const QString& name, storage::SecretKind kind);

    rcon::PasswordStore& keyring() { return keyring_; }
    // How long a server may stay silent, for each step of every session (made or to be made).
    void setTimeoutMs(int ms);
    int timeoutMs() const { return timeoutMs_; }

    // The profiles' file and the data folder's legacy settings, as setFolder names them.
    static QString profilesFile(const QString& folder);
    static QString legacyFile(const QString& folder);

signals:
    // A profile was added, replaced or removed.
    void profilesChanged();
    void currentChanged(const QString& name);
    // Something the user should hear: the profiles could not be written, the keyring refused.
    void problem(const QString& message);

private:
    remote::Settings settingsOf(const storage::ServerProfile& profile) const;
    void updateSession(const QString& name);
    void save();
    void migrateRconPassword(const storage::ServerProfile& profile);
    void lookFor(const QString& name, std::vector<storage::SecretKind> kinds, const QPointer<QObject>& context,
                 bool guarded, std::function<void(remote::Session*)> done);

    QString folder_;
    storage::ServerProfiles profiles_;
    std::map<QString, QPointer<remote::Session>> sessions_;
    std::map<std::pair<QString, storage::SecretKind>, QString> secrets_;
    // The secrets already looked for in the keyring this run, found or not.
    std::set<std::pair<QString, storage::SecretKind>> looked_;
    rcon::PasswordStore keyring_;
    int timeoutMs_ = remote::Settings::kDefaultTimeoutMs;
    QThreadPool writer_;  // one thread: the profiles are written in the order they changed
};

}  // namespace ui
