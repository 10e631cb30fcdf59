#include "ui/remote/servers.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "remote/known_hosts.h"
#include "ui/base/background.h"

namespace ui {
namespace {

using storage::SecretKind;
using storage::ServerProfile;

// The secrets a profile's login takes from the keyring before its session connects.
std::vector<SecretKind> loginSecrets(const ServerProfile& profile) {
    std::vector<SecretKind> kinds;
    if (profile.auth == storage::SshAuth::Password && profile.keepPassword) kinds.push_back(SecretKind::SshPassword);
    if (profile.auth == storage::SshAuth::Key && profile.keepPassphrase) kinds.push_back(SecretKind::KeyPassphrase);
    return kinds;
}

bool keeps(const ServerProfile& profile, SecretKind kind) {
    switch (kind) {
    case SecretKind::SshPassword: return profile.keepPassword;
    case SecretKind::KeyPassphrase: return profile.keepPassphrase;
    case SecretKind::RconPassword: return profile.keepRconPassword;
    }
    return false;
}

// Whether the session must connect anew: where it goes or how it logs in changed.
bool sameLogin(const ServerProfile& a, const ServerProfile& b) {
    return a.host == b.host && a.port == b.port && a.user == b.user && a.auth == b.auth && a.keyFile == b.keyFile;
}

}  // namespace

Servers::Servers(QObject* parent) : QObject(parent), keyring_(this) {
    setObjectName(QStringLiteral("servers"));
    writer_.setMaxThreadCount(1);
}

Servers::~Servers() {
    // Each session cancels what it runs and closes without waiting on the network.
    for (auto& [name, session] : sessions_) delete session.data();
    writer_.waitForDone();
}

QString Servers::profilesFile(const QString& folder) {
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/servers.json");
}

QString Servers::legacyFile(const QString& folder) {
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/server.json");
}

QString Servers::knownHostsPath() const {
    return folder_.isEmpty() ? remote::ownKnownHostsPath() : folder_ + QStringLiteral("/known_hosts");
}

void Servers::setFolder(const QString& folder) {
    folder_ = folder.isEmpty() ? QString() : QDir::cleanPath(folder);
    for (auto& [name, session] : sessions_) delete session.data();
    sessions_.clear();
    profiles_ = storage::loadServerProfiles(profilesFile(folder_), legacyFile(folder_));
    if (profiles_.migrated) {
        // The first profile came from server.json: servers.json takes its place from now on.
        save();
        for (const ServerProfile& profile : profiles_.profiles)
            if (profile.keepRconPassword) migrateRconPassword(profile);
    }
    emit profilesChanged();
    emit currentChanged(profiles_.current);
}

// The RCON password earlier versions kept under the host and port goes under the profile's name;
// the old entry is removed once the new one is written.
void Servers::migrateRconPassword(const ServerProfile& profile) {
    const QString name = profile.name;
    const QString host = profile.host;
    const quint16 oldPort = profile.rconPort;
    keyring_.read(host, oldPort, this, [this, name, host, oldPort](const rcon::KeyringResult& read) {
        if (!read.ok()) return;
        if (!hasSecret(name, SecretKind::RconPassword)) secrets_[{name, SecretKind::RconPassword}] = read.password;
        looked_.insert({name, SecretKind::RconPassword});
        keyring_.write(storage::secretKey(name, SecretKind::RconPassword), read.password, this,
                       [this, host, oldPort](const rcon::KeyringResult& written) {
                           if (written.ok()) keyring_.remove(host, oldPort, this, {});
                       });
    });
}

const ServerProfile* Servers::profile(const QString& name) const { return storage::findProfile(profiles_, name); }

QString Servers::put(const ServerProfile& profile) {
    // A profile for RCON alone, straight to its host as earlier versions had it, needs no SSH user
    // until its files are used (loginProblem says so then).
    ServerProfile checked = profile;
    if (!checked.tunnel && checked.user.isEmpty()) checked.user = QStringLiteral("-");
    QString why = storage::profileProblem(checked);
    if (!why.isEmpty()) return why;
    const ServerProfile* before = storage::findProfile(profiles_, profile.name);
    const bool relogin = before != nullptr && !sameLogin(*before, profile);
    storage::putProfile(profiles_, profile);
    // A secret of another login is not offered to the new one.
    if (relogin) {
        secrets_.erase({profile.name, SecretKind::SshPassword});
        secrets_.erase({profile.name, SecretKind::KeyPassphrase});
        looked_.erase({profile.name, SecretKind::SshPassword});
        looked_.erase({profile.name, SecretKind::KeyPassphrase});
    }
    updateSession(profile.name);
    save();
    emit profilesChanged();
    return {};
}

bool Servers::remove(const QString& name) {
    const bool wasCurrent = profiles_.current == name;
    if (!storage::removeProfile(profiles_, name)) return false;
    if (const auto it = sessions_.find(name); it != sessions_.end()) {
        if (it->second != nullptr) it->second->deleteLater();
        sessions_.erase(it);
    }
    std::erase_if(secrets_, [&](const auto& entry) { return entry.first.first == name; });
    std::erase_if(looked_, [&](const auto& entry) { return entry.first == name; });
    save();
    emit profilesChanged();
    if (wasCurrent) emit currentChanged({});
    return true;
}

bool Servers::setCurrent(const QString& name) {
    if (!name.isEmpty() && profile(name) == nullptr) return false;
    if (profiles_.current == name) return true;
    profiles_.current = name;
    save();
    emit currentChanged(name);
    return true;
}

remote::Settings Servers::settingsOf(const ServerProfile& profile) const {
    remote::Settings settings = remote::settingsFor(profile, secret(profile.name, SecretKind::SshPassword),
                                                    secret(profile.name, SecretKind::KeyPassphrase));
    settings.knownHosts = QStringList{knownHostsPath(), remote::userKnownHostsPath()};
    settings.timeoutMs = timeoutMs_;
    return settings;
}

QString Servers::loginProblem(const QString& name) const {
    const ServerProfile* found = profile(name);
    if (found == nullptr) return QStringLiteral("没有名为“%1”的服务器（在“服务器”→“服务器列表…”中添加）").arg(name);
    const QString why = storage::profileProblem(*found);
    return why.isEmpty() ? QString()
                         : QStringLiteral("服务器“%1”还不能登录：%2（在“服务器列表…”中填写）").arg(name, why);
}

remote::Session* Servers::session(const QString& name) {
    const ServerProfile* found = profile(name);
    if (found == nullptr || !loginProblem(name).isEmpty()) return nullptr;
    QPointer<remote::Session>& session = sessions_[name];
    if (session == nullptr) session = new remote::Session(settingsOf(*found), this);
    return session;
}

void Servers::updateSession(const QString& name) {
    const auto it = sessions_.find(name);
    const ServerProfile* found = profile(name);
    if (it == sessions_.end() || it->second == nullptr || found == nullptr) return;
    it->second->setSettings(settingsOf(*found));
}

void Servers::prepareSession(const QString& name, QObject* context, std::function<void(remote::Session*)> done) {
    const ServerProfile* found = profile(name);
    if (found == nullptr || !loginProblem(name).isEmpty()) return done(nullptr);
    std::vector<SecretKind> wanted;
    for (const SecretKind kind : loginSecrets(*found))
        if (!hasSecret(name, kind) && !looked_.contains({name, kind})) wanted.push_back(kind);
    if (wanted.empty()) return done(session(name));
    lookFor(name, std::move(wanted), context, context != nullptr, std::move(done));
}

// One secret after the other; the session is made once all were looked for.
void Servers::lookFor(const QString& name, std::vector<SecretKind> kinds, const QPointer<QObject>& context,
                      bool guarded, std::function<void(remote::Session*)> done) {
    if (guarded && context == nullptr) return;
    if (kinds.empty()) return done(profile(name) != nullptr ? session(name) : nullptr);
    const SecretKind kind = kinds.back();
    kinds.pop_back();
    readSecret(name, kind, this,
               [this, name, kinds = std::move(kinds), context, guarded, done = std::move(done)](const QString&) {
                   lookFor(name, kinds, context, guarded, done);
               });
}

void Servers::setSecret(const QString& name, SecretKind kind, const QString& secret) {
    if (secret.isEmpty())
        secrets_.erase({name, kind});
    else
        secrets_[{name, kind}] = secret;
    if (kind != SecretKind::RconPassword) updateSession(name);
}

QString Servers::secret(const QString& name, SecretKind kind) const {
    const auto it = secrets_.find({name, kind});
    return it == secrets_.end() ? QString() : it->second;
}

bool Servers::hasSecret(const QString& name, SecretKind kind) const { return secrets_.contains({name, kind}); }

void Servers::readSecret(const QString& name, SecretKind kind, QObject* context,
                         std::function<void(const QString&)> done) {
    const ServerProfile* found = profile(name);
    if (hasSecret(name, kind) || found == nullptr || !keeps(*found, kind) || looked_.contains({name, kind})) {
        // Answered through the event loop, as the keyring's answer would be.
        QMetaObject::invokeMethod(
            context != nullptr ? context : this, [done = std::move(done), value = secret(name, kind)] { done(value); },
            Qt::QueuedConnection);
        return;
    }
    keyring_.read(storage::secretKey(name, kind), context,
                  [this, name, kind, done = std::move(done)](const rcon::KeyringResult& read) {
                      looked_.insert({name, kind});
                      if (read.ok() && !read.password.isEmpty() && !hasSecret(name, kind))
                          setSecret(name, kind, read.password);
                      if (!read.ok() && read.code != QLatin1String("not-found")) emit problem(read.message);
                      done(secret(name, kind));
                  });
}

void Servers::keepSecret(const QString& name, SecretKind kind, const QString& secret, QObject* context,
                         rcon::PasswordStore::Callback done) {
    keyring_.write(storage::secretKey(name, kind), secret, context, std::move(done));
}

void Servers::forgetSecret(const QString& name, SecretKind kind) {
    setSecret(name, kind, {});
    looked_.insert({name, kind});
    keyring_.remove(storage::secretKey(name, kind), this, {});
}

void Servers::setTimeoutMs(int ms) {
    timeoutMs_ = ms > 0 ? ms : remote::Settings::kDefaultTimeoutMs;
    for (const auto& [name, session] : sessions_) updateSession(name);
}

void Servers::save() {
    const QString path = profilesFile(folder_);
    if (path.isEmpty()) return;
    runInBackground(
        writer_, this,
        [path, profiles = profiles_] {
            QDir().mkpath(QFileInfo(path).absolutePath());
            return storage::saveServerProfiles(path, profiles);
        },
        [this](const storage::WriteResult& written) {
            if (!written.ok()) emit problem(QStringLiteral("服务器列表没有保存：") + written.error);
        });
}

}  // namespace ui
