// Keeps secrets in the system's keyring (Secret Service, KWallet) and nowhere else: the RCON
// password of each host:port, and any other secret under a key of its own (a server profile's
// SSH password, key passphrase or RCON password: storage::secretKey). Where no keyring answers it
// says so, so the user is simply asked again.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>

namespace rcon {

// What became of a read, write or remove. code is empty on success, otherwise one of
//   "not-found"   no password is kept for that server (read only)
//   "no-keyring"  no keyring on this machine, or it did not answer in time
//   "denied"      the keyring refused (the user declined, or it is locked)
//   "failed"      the keyring answered with another error
struct KeyringResult {
    QString code;
    QString message;   // for the user, simplified Chinese; empty on success
    QString password;  // the password read; empty otherwise

    bool ok() const { return code.isEmpty(); }
};

// Keyring requests run on a thread of their own: a session bus that accepts a connection and
// never answers blocks QtKeychain's caller for minutes, and that caller must not be the window.
// Each request ends in exactly one callback, from the event loop of the store's thread, within
// the time limit; a keyring that answers later is ignored. Passwords are never written to a
// file: QtKeychain's fallback to a plain settings file stays off.
class PasswordStore : public QObject {
    Q_OBJECT

public:
    // Long enough for the user to unlock a keyring in its own prompt.
    static constexpr int kDefaultTimeoutMs = 30'000;
    using Callback = std::function<void(const KeyringResult&)>;

    explicit PasswordStore(QObject* parent = nullptr);
    ~PasswordStore() override;

    void setTimeout(int ms) { timeoutMs_ = ms > 0 ? ms : kDefaultTimeoutMs; }

    // The RCON password of host:port, under rconKey(host, port).
    void read(const QString& host, quint16 port, QObject* context, Callback done);
    void write(const QString& host, quint16 port, const QString& password, QObject* context, Callback done);
    void remove(const QString& host, quint16 port, QObject* context, Callback done);

    // The secret under key; result.password holds what read found.
    void read(const QString& key, QObject* context, Callback done);
    void write(const QString& key, const QString& secret, QObject* context, Callback done);
    void remove(const QString& key, QObject* context, Callback done);

    // "rcon/HOST:PORT": where the RCON password of a host is kept.
    static QString rconKey(const QString& host, quint16 port);

private:
    enum class Kind { Read, Write, Remove };
    struct Waiting {
        QPointer<QObject> context;
        bool guarded = false;
        Callback done;
        QTimer* timer = nullptr;
    };

    struct Mailbox;  // how the keyring thread reaches the store while it lives

    void start(Kind kind, const QString& key, const QString& password, QObject* context, Callback done);
    void finished(int request, Kind kind, int error, const QString& errorText, const QString& password);
    void complete(int request, const KeyringResult& result);

    std::shared_ptr<Mailbox> mailbox_;
    std::map<int, Waiting> waiting_;
    int lastRequest_ = 0;
    int timeoutMs_ = kDefaultTimeoutMs;
};

}  // namespace rcon
