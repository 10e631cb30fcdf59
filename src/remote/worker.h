// Inside remote::Session (not for other code): the thread that owns the libssh session and runs
// the requests one after another. Every step that waits turns the worker's one loop, which moves
// the SFTP channel's bytes and every tunnel's, so a tunnel keeps flowing while a file is read.
#pragma once

#include <libssh/libssh.h>

#include <QDeadlineTimer>
#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "remote/keys.h"
#include "remote/known_hosts.h"
#include "remote/outcome.h"
#include "remote/session.h"

namespace remote::detail {

// Ends a step on the worker: the outcome of the request that took it.
struct Failure {
    Outcome outcome;
    std::uint32_t status = 0;  // the SFTP status behind a refused request, 0 otherwise
};
Failure failure(const QString& code, const QString& message);

// libssh made ready once per process, and silent: nothing of a login reaches standard error.
void quietLibssh();

// A private key read from its file, with its passphrase where it needs one.
struct LoadedKey {
    struct Free {
        void operator()(ssh_key key) const;
    };
    KeyFileState state = KeyFileState::Unreadable;
    QString error;  // Unreadable: why, for the user
    std::unique_ptr<ssh_key_struct, Free> key;
};
LoadedKey loadPrivateKey(const QString& path, const QString& passphrase);

class SftpClient;
struct Tunnel;

class Worker {
public:
    using Post = std::function<void(std::function<void()>)>;
    using Job = std::function<void(Worker&)>;
    using StateReport = std::function<void(Session::State, QString)>;

    // post hands a call to the caller's thread; states reports each change of the connection.
    Worker(Settings settings, Post post, StateReport states);
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Stops the worker: the running request ends "cancelled", the queued ones are dropped. Waits a
    // moment for the thread to end, which it does at once unless it is inside a call that cannot
    // be interrupted (a host name lookup, the SSH agent); then it is left to end by itself and to
    // free the worker, so the caller never waits on the network.
    static void release(std::unique_ptr<Worker> worker);

    // From any thread.
    void enqueue(quint64 id, Job job);
    void cancel(quint64 id);

    // From the jobs, on the worker's thread.
    void setSettings(const Settings& settings);
    const Settings& settings() const { return settings_; }
    // Connected, the host's key trusted, logged in and the SFTP channel open; throws Failure.
    void ensureConnected();
    // Connects as far as the host key: adds the key to the own known_hosts when it is unknown
    // and its fingerprint is this one; then disconnects. Throws Failure.
    void trustHost(const QString& fingerprint);
    void disconnect();
    SftpClient& sftp();
    int openTunnel(const QString& host, quint16 port);  // the caller's end of the stream
    // One turn of the loop: moves what can move, else waits for the network until deadline.
    // Throws Failure on a timeout (saying it waited for what), a lost connection, or a cancel.
    void turn(const QDeadlineTimer& deadline, const QString& what);
    void checkCancelled();
    void setCancellable(bool cancellable) { cancellable_ = cancellable; }
    void post(std::function<void()> call) { post_(std::move(call)); }
    QString where() const;  // "user@host:port"

private:
    struct Queued {
        quint64 id = 0;
        Job job;
    };

    ~Worker();
    friend struct std::default_delete<Worker>;

    void run();
    void idle();
    bool service();
    void waitForEvents(int ms);
    void wake();
    bool linkUp() const;
    void connectHost(const QString& trust, bool trustOnly);
    void checkHostKey(const KnownHosts& known, const QString& trust);
    int connectTcp(const QDeadlineTimer& deadline);
    void authenticate();
    void authenticateWithKey(const QDeadlineTimer& deadline);
    void authenticateWithPassword(const QDeadlineTimer& deadline);
    void authenticateWithAgent(const QDeadlineTimer& deadline);
    void openSftp();
    void dropLink();
    void setState(Session::State state, const QString& text);
    Failure timeout(const QString& what) const;

    Settings settings_;
    Post post_;
    StateReport states_;
    int wake_ = -1;

    std::mutex mutex_;
    std::deque<Queued> jobs_;
    std::set<quint64> cancelled_;
    bool stopping_ = false;
    bool finished_ = false;   // the thread has left run()
    bool selfOwned_ = false;  // released while still running: the thread frees the worker
    std::condition_variable finishedChanged_;
    quint64 current_ = 0;  // the running job
    bool cancellable_ = true;

    ssh_session ssh_ = nullptr;
    int socket_ = -1;  // the connection libssh runs on
    bool loggedIn_ = false;
    bool wantSshRead_ = true;
    std::unique_ptr<SftpClient> sftp_;
    std::vector<std::unique_ptr<Tunnel>> tunnels_;
    Session::State state_ = Session::State::Disconnected;
    std::thread thread_;
};

}  // namespace remote::detail
