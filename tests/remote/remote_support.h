// What the tests against the real sshd share: the one server of the test program (started when
// first asked for), settings that reach its ports, and a wait for a request's one callback.
#pragma once

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>
#include <optional>

#include "remote/session.h"
#include "ssh_server.h"
#include "wait.h"

namespace remote_test {

// The test program's server; nullptr (and why) where it cannot run.
testing_support::SshServer* server();
QString serverProblem();

#define REQUIRE_SSH_SERVER()                                                                 \
    if (remote_test::server() == nullptr) {                                                  \
        GTEST_SKIP() << "no OpenSSH server: " << remote_test::serverProblem().toStdString(); \
    }

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// A known_hosts file of its own that trusts the server's key, and settings for one of its ports.
struct Reach {
    QTemporaryDir folder;
    remote::Settings settings;
};

inline std::unique_ptr<Reach> keyLogin(quint16 port) {
    auto reach = std::make_unique<Reach>();
    testing_support::SshServer& ssh = *server();
    const QString known = reach->folder.filePath(QStringLiteral("known_hosts"));
    QFile file(known);
    if (file.open(QIODevice::WriteOnly)) file.write(ssh.knownHostsLine(port));
    reach->settings.host = QStringLiteral("127.0.0.1");
    reach->settings.port = port;
    reach->settings.user = ssh.user();
    reach->settings.auth = storage::SshAuth::Key;
    reach->settings.keyFile = ssh.userKey();
    reach->settings.knownHosts = {known};
    return reach;
}

inline std::unique_ptr<Reach> passwordLogin() {
    std::unique_ptr<Reach> reach = keyLogin(server()->panelPort());
    reach->settings.user = server()->panelUser();
    reach->settings.auth = storage::SshAuth::Password;
    reach->settings.keyFile.clear();
    reach->settings.password = testing_support::SshServer::panelPassword();
    return reach;
}

// Starts a request and runs the event loop until its callback, which must not come from inside
// the call.
template <typename Result, typename Start>
Result await(Start start, int ms = 60'000) {
    QObject context;
    std::optional<Result> result;
    start(&context, [&](const Result& r) { result = r; });
    EXPECT_FALSE(result.has_value()) << "answered inside the call";
    EXPECT_TRUE(rcon_test::waitFor([&] { return result.has_value(); }, ms)) << "no answer";
    return result.value_or(Result{});
}

inline remote::Listing list(remote::Session& session, const QByteArray& path) {
    return await<remote::Listing>([&](QObject* c, auto done) { session.list(path, c, done); });
}
inline remote::FileRead read(remote::Session& session, const QByteArray& path) {
    return await<remote::FileRead>([&](QObject* c, auto done) { session.read(path, c, done); });
}
inline remote::SaveOutcome save(remote::Session& session, const QByteArray& path, const QByteArray& bytes,
                                const remote::SaveOptions& options = {}) {
    return await<remote::SaveOutcome>([&](QObject* c, auto done) { session.save(path, bytes, options, c, done); });
}
inline remote::Outcome connect(remote::Session& session) {
    return await<remote::Outcome>([&](QObject* c, auto done) { session.connectToServer(c, done); });
}

inline QByteArray local(const QString& path) { return QFile::encodeName(path); }

}  // namespace remote_test
