// One server reached over SSH: its files through SFTP (list a folder, read a file whole, the save
// that never leaves a half file) and tunnels to its ports for RCON. All the network work runs on
// a thread of the session's own; the caller's thread never waits on it: each request answers
// once, through the caller's event loop, and is dropped when its context object is gone.
//
// Nothing but the key exchange goes to a host whose key is not trusted (known_hosts.h); only
// the "sftp" subsystem is asked for, never a shell or a command.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "remote/keys.h"
#include "remote/outcome.h"
#include "storage/server_profiles.h"

namespace remote {

namespace detail {
class Worker;
struct Mailbox;
}  // namespace detail

// How the session logs in, and where it reaches the host. The secrets live in memory only.
struct Settings {
    static constexpr int kDefaultTimeoutMs = 10'000;

    QString host;
    quint16 port = storage::ServerProfile::kDefaultSshPort;
    QString user;
    storage::SshAuth auth = storage::SshAuth::Agent;
    QString keyFile;     // SshAuth::Key: the private key (OpenSSH or PEM format)
    QString passphrase;  // the key's passphrase; empty when it has none, or to be asked
    QString password;    // SshAuth::Password
    // The known_hosts files: the first is the editor's own, to which Session::trustHost adds a
    // line; the others are read only. Default: ownKnownHostsPath(), userKnownHostsPath().
    QStringList knownHosts;
    int timeoutMs = kDefaultTimeoutMs;  // how long the server may stay silent, for each step
};

// The settings of a profile, with the secrets the caller has (from the keyring or asked).
Settings settingsFor(const storage::ServerProfile& profile, const QString& password = {},
                     const QString& passphrase = {});

enum class EntryType { File, Folder, Link, Other };

struct RemoteEntry {
    QByteArray name;      // as the server has it (bytes)
    QString displayName;  // UTF-8, else GBK
    EntryType type = EntryType::Other;
    EntryType linkTarget = EntryType::Other;  // Link: what it points to (Other when it points nowhere)
    qint64 size = 0;
    qint64 mtime = 0;  // seconds since 1970
    quint32 permissions = 0;
};

struct Listing : Outcome {
    QByteArray path;                   // the folder's full path as the server resolves it
    std::vector<RemoteEntry> entries;  // in the server's order, without "." and ".."
};

// What the server said of a file when it was read or written.
struct RemoteStamp {
    quint32 permissions = 0;  // mode bits (07777)
    qint64 mtime = 0;
    qint64 size = 0;
};

struct FileRead : Outcome {
    QByteArray bytes;
    RemoteStamp stamp;
};

// Many files read together (Session::readMany): each with its own outcome; the outcome of the
// whole says why none could be read (the connection).
struct ManyRead : Outcome {
    std::vector<FileRead> files;  // one per path asked, in that order
};

// What the server's file NAME holds after a save.
enum class FileState {
    Old,      // the text it had: nothing replaced it
    New,      // the text saved, read back and compared
    Bak,      // only NAME.bak holds the old text; NAME holds the new text or is missing
    Unknown,  // the answer to the last step was lost: message says which two states it may be in
};

struct SaveOptions {
    // The bytes the file held when opened or last saved: anything else there now refuses the save
    // with "changed-on-server" (unless force). nullopt: a new file, or one the user chose to
    // replace whatever it holds.
    std::optional<QByteArray> expected;
    bool force = false;  // write even when the file changed on the server
};

struct SaveOutcome : Outcome {
    FileState state = FileState::Old;
    QByteArray current;      // changed-on-server: what the server's file holds now (for the diff)
    bool existed = true;     // changed-on-server: false when the file is gone
    RemoteStamp stamp;       // success: the new file's
    bool viaBackup = false;  // success: the server has no posix-rename; the old text is in NAME.bak
    QString notice;          // success: something to tell (an owner that could not be kept)
};

struct TunnelOutcome : Outcome {
    // One end of a local stream socket joined to the forwarded channel; the caller owns it (give it
    // to QTcpSocket::setSocketDescriptor or QLocalSocket). Closing it closes the channel.
    qintptr descriptor = -1;
};

class Session : public QObject {
    Q_OBJECT

public:
    // Status bar: 未连接 / 正在连接 user@host:port / 已连接 user@host:port / 连接失败：why
    enum class State { Disconnected, Connecting, Connected, Failed };
    Q_ENUM(State)

    // Reads and writes above this get progress callbacks.
    static constexpr qint64 kProgressFrom = qint64{1} << 20;

    template <typename Result>
    using Done = std::function<void(const Result&)>;
    // Bytes moved so far and in all (a save moves its file three times: checked, written, read back;
    // twice when it replaces whatever is there).
    using Progress = std::function<void(qint64 done, qint64 total)>;
    using RequestId = quint64;

    explicit Session(Settings settings, QObject* parent = nullptr);
    // Cancels what runs, drops what waits (no callback comes) and closes the connection, without
    // waiting on the network.
    ~Session() override;

    // New settings (a passphrase the user just typed): the next connection uses them; a connection
    // that is up stays up unless the host, port, user or login changed.
    void setSettings(Settings settings);
    const Settings& settings() const { return settings_; }

    // Connects and logs in (every request below does so first when not connected).
    RequestId connectToServer(QObject* context, Done<Outcome> done);
    // Trusts the host's key with this fingerprint: only when it is the key the server shows now
    // (connecting again to see it), and only for a host not known otherwise; the key is added to
    // the editor's own known_hosts. Does not log in.
    RequestId trustHost(const QString& fingerprint, QObject* context, Done<Outcome> done);

    // Paths are the server's bytes; a relative one is taken from the login folder, so join a
    // profile's folder first (paths.h: joinPath(profile folder, path)).
    //
    // A folder's entries; a link's target type is looked up.
    RequestId list(const QByteArray& path, QObject* context, Done<Listing> done);
    // A regular file whole (a link is followed), at most 64 MB.
    RequestId read(const QByteArray& path, QObject* context, Done<FileRead> done, Progress progress = {});
    // Regular files (a link is not followed: it is refused), each at most limit bytes, their
    // requests in flight together; a file refused leaves the others read.
    RequestId readMany(const std::vector<QByteArray>& paths, qint64 limit, QObject* context, Done<ManyRead> done);
    // Replaces the file with bytes so that it is never half written: checked against
    // options.expected, written to ".NAME.quorvel-tmp" beside it, synced where the server can,
    // read back and compared, then put in place (posix-rename, else NAME -> NAME.bak and the
    // temporary file -> NAME, the first undone if the second fails). The mode is kept; a link
    // is followed and stays a link.
    RequestId save(const QByteArray& path, const QByteArray& bytes, const SaveOptions& options, QObject* context,
                   Done<SaveOutcome> done, Progress progress = {});
    // A channel to host:port as the server sees it (RCON on the server's own 127.0.0.1).
    RequestId openTunnel(const QString& host, quint16 port, QObject* context, Done<TunnelOutcome> done);

    // Ends a request with "cancelled": at once when it has not started, else at its next step. A
    // save is past cancelling once its first rename went out (its temporary file is removed when
    // it is cancelled before).
    void cancel(RequestId request);
    // Closes the connection and its tunnels after the request that runs; queued ones connect again.
    void disconnectFromServer();

    State state() const { return state_; }
    QString statusText() const { return status_; }

signals:
    void stateChanged(remote::Session::State state, const QString& statusText);

private slots:
    // Runs what the worker handed over, in order.
    void deliver();

private:
    template <typename Result, typename Work>
    RequestId run(QObject* context, Done<Result> done, Work work);
    void setState(State state, const QString& text);

    Settings settings_;
    State state_ = State::Disconnected;
    QString status_;
    RequestId lastRequest_ = 0;
    std::shared_ptr<detail::Mailbox> mailbox_;
    std::unique_ptr<detail::Worker> worker_;
};

}  // namespace remote
