// Connecting, host keys, logins, listing and reading against the real sshd: every outcome a
// user can meet before a file is saved, and nothing sent to a host that is not trusted.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDirIterator>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>

#include "remote/known_hosts.h"
#include "remote_support.h"

namespace {

using namespace remote_test;

QString fingerprintBySshKeygen(const QString& publicKey) {
    const testing_support::Finished keygen =
        testing_support::run(QStringLiteral("ssh-keygen"), {QStringLiteral("-l"), QStringLiteral("-f"), publicKey});
    return QString::fromLatin1(keygen.output.split(' ').value(1));
}

// What the server logged for the connections made since from, once it has logged their end.
QByteArray logOfConnectionsSince(qsizetype from) {
    EXPECT_TRUE(server()->waitForLog(from, "Connection closed by 127.0.0.1") ||
                server()->waitForLog(from, "Disconnected from"))
        << server()->log().mid(from).toStdString();
    return server()->log().mid(from);
}

TEST(RemoteSession, ListsAFolderWithTypesSizesTimesAndLinks) {
    REQUIRE_SSH_SERVER();
    const QString folder = server()->files() + QStringLiteral("/list");
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/old")));
    writeFile(folder + QStringLiteral("/sockets.yml"), QByteArray(1234, 'x'));
    // 宝石.yml in GBK: a name that is no UTF-8.
    const int gbk = ::open((local(folder) + "/\xb1\xa6\xca\xaf.yml").constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(gbk, 0);
    ::close(gbk);
    ASSERT_EQ(::symlink("sockets.yml", QFile::encodeName(folder + QStringLiteral("/x.yml")).constData()), 0);
    ASSERT_EQ(::symlink("old", QFile::encodeName(folder + QStringLiteral("/to-old")).constData()), 0);
    ASSERT_EQ(::symlink("nowhere", QFile::encodeName(folder + QStringLiteral("/dangling")).constData()), 0);
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(folder + QStringLiteral("/sockets.yml")).constData(), &info), 0);

    auto reach = keyLogin(server()->fullPort());
    remote::Session session(reach->settings);
    // A path with dots is given back as the server resolves it.
    const remote::Listing listing = list(session, local(folder) + "/old/..");
    ASSERT_TRUE(listing.ok()) << listing.message.toStdString();
    EXPECT_EQ(listing.path, local(folder));
    std::map<QString, remote::RemoteEntry> byName;
    for (const remote::RemoteEntry& entry : listing.entries) byName[entry.displayName] = entry;
    ASSERT_EQ(byName.size(), 6u);
    EXPECT_EQ(byName["sockets.yml"].type, remote::EntryType::File);
    EXPECT_EQ(byName["sockets.yml"].size, 1234);
    EXPECT_EQ(byName["sockets.yml"].mtime, info.st_mtim.tv_sec);
    EXPECT_EQ(byName["old"].type, remote::EntryType::Folder);
    EXPECT_EQ(byName["x.yml"].type, remote::EntryType::Link);
    EXPECT_EQ(byName["x.yml"].linkTarget, remote::EntryType::File);
    EXPECT_EQ(byName["to-old"].linkTarget, remote::EntryType::Folder);
    EXPECT_EQ(byName["dangling"].linkTarget, remote::EntryType::Other);
    EXPECT_EQ(byName[QStringLiteral("宝石.yml")].name, QByteArray("\xb1\xa6\xca\xaf.yml"));

    const remote::Listing missing = list(session, local(folder) + "/none");
    EXPECT_EQ(missing.code, QStringLiteral("not-found")) << missing.message.toStdString();
    // Qt cannot remove a name that is no UTF-8 with the temporary folder.
    ::unlink((local(folder) + "/\xb1\xa6\xca\xaf.yml").constData());
}

TEST(RemoteSession, ReadsRegularFilesOnlyAndTellsWhy) {
    REQUIRE_SSH_SERVER();
    const QString folder = server()->files() + QStringLiteral("/reads");
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/sub")));
    writeFile(folder + QStringLiteral("/a.yml"), "a: 1\r\n");
    ::chmod(QFile::encodeName(folder + QStringLiteral("/a.yml")).constData(), 0640);
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder + QStringLiteral("/pipe")).constData(), 0600), 0);
    // A sparse file: over the limit without writing 65 MB.
    writeFile(folder + QStringLiteral("/huge.yml"), "");
    ASSERT_EQ(::truncate(QFile::encodeName(folder + QStringLiteral("/huge.yml")).constData(), 65 << 20), 0);

    auto reach = keyLogin(server()->fullPort());
    remote::Session session(reach->settings);
    const remote::FileRead a = read(session, local(folder) + "/a.yml");
    ASSERT_TRUE(a.ok()) << a.message.toStdString();
    EXPECT_EQ(a.bytes, QByteArray("a: 1\r\n"));
    EXPECT_EQ(a.stamp.permissions, 0640u);
    EXPECT_EQ(a.stamp.size, 6);
    struct Row {
        const char* name;
        const char* code;
        const char* words;
    };
    const Row rows[] = {
        {"/sub", "not-regular", "这是一个文件夹，不是文件"},
        {"/pipe", "not-regular", "这不是普通文件"},
        {"/huge.yml", "too-large", "文件太大（65.0 MB），编辑器最多打开 64 MB"},
        {"/none.yml", "not-found", "文件不存在"},
    };
    for (const Row& row : rows) {
        const remote::FileRead refused = read(session, local(folder) + row.name);
        EXPECT_EQ(refused.code, QString::fromLatin1(row.code)) << row.name;
        EXPECT_TRUE(refused.message.contains(QString::fromUtf8(row.words))) << refused.message.toStdString();
        EXPECT_TRUE(refused.bytes.isEmpty());
    }
    // The session still works after each refusal.
    EXPECT_TRUE(read(session, local(folder) + "/a.yml").ok());
}

// The first contact shows the key's fingerprint as ssh-keygen does and sends nothing else; a
// trust is taken only for the key the server shows now, and kept in the editor's own file.
TEST(RemoteSession, AnUnknownHostIsAskedAboutAndNothingIsSentUntilItIsTrusted) {
    REQUIRE_SSH_SERVER();
    auto reach = keyLogin(server()->fullPort());
    const QString own = reach->folder.filePath(QStringLiteral("own_known_hosts"));
    reach->settings.knownHosts = {own, reach->folder.filePath(QStringLiteral("user_known_hosts"))};
    const QString expected = fingerprintBySshKeygen(server()->hostKeyPath() + QStringLiteral(".pub"));
    ASSERT_TRUE(expected.startsWith(QStringLiteral("SHA256:")));

    const qsizetype before = server()->log().size();
    remote::Session session(reach->settings);
    const remote::Outcome unknown = connect(session);
    EXPECT_EQ(unknown.code, QStringLiteral("unknown-host")) << unknown.message.toStdString();
    EXPECT_EQ(unknown.fingerprint, expected);
    EXPECT_TRUE(unknown.message.contains(expected));
    const QByteArray log = logOfConnectionsSince(before);
    EXPECT_FALSE(log.contains("userauth")) << log.toStdString();
    EXPECT_FALSE(log.contains("Accepted")) << log.toStdString();
    EXPECT_FALSE(QFile::exists(own));

    const remote::Outcome wrong = await<remote::Outcome>(
        [&](QObject* c, auto done) { session.trustHost(QStringLiteral("SHA256:AAAAthisIsNotTheKey"), c, done); });
    EXPECT_EQ(wrong.code, QStringLiteral("unknown-host"));
    EXPECT_FALSE(QFile::exists(own));

    const remote::Outcome trusted =
        await<remote::Outcome>([&](QObject* c, auto done) { session.trustHost(expected, c, done); });
    ASSERT_TRUE(trusted.ok()) << trusted.message.toStdString();
    EXPECT_EQ(readFile(own), server()->knownHostsLine(server()->fullPort()));
    const remote::Outcome connected = connect(session);
    EXPECT_TRUE(connected.ok()) << connected.message.toStdString();
    EXPECT_EQ(session.state(), remote::Session::State::Connected);
    EXPECT_EQ(session.statusText(),
              QStringLiteral("已连接 %1@127.0.0.1:%2").arg(server()->user()).arg(server()->fullPort()));
}

// A key that differs from the one kept is refused with both fingerprints and the line that holds
// the old one; trusting cannot get past it; a revoked key is refused the same way.
TEST(RemoteSession, AChangedOrRevokedHostKeyIsRefusedBeforeAnyLogin) {
    REQUIRE_SSH_SERVER();
    auto reach = keyLogin(server()->fullPort());
    const QString own = reach->folder.filePath(QStringLiteral("known_hosts"));
    const QByteArray other = "AAAAC3NzaC1lZDI1NTE5AAAAIM0O2u3E5VAw3Qgv7nav7B1Ee/H4MdVZ9M3ceeM0Wims";
    writeFile(own, "# kept\n[127.0.0.1]:" + QByteArray::number(server()->fullPort()) + " ssh-ed25519 " + other + "\n");
    const QString serverKey = fingerprintBySshKeygen(server()->hostKeyPath() + QStringLiteral(".pub"));

    const qsizetype before = server()->log().size();
    remote::Session session(reach->settings);
    const remote::Outcome changed = connect(session);
    EXPECT_EQ(changed.code, QStringLiteral("host-key-changed")) << changed.message.toStdString();
    EXPECT_EQ(changed.fingerprint, serverKey);
    EXPECT_EQ(changed.known, QStringLiteral("SHA256:ccadcrfmKBsNJezTobahNFbedt68aAy6EVkoq6VS8+8"));
    EXPECT_EQ(changed.knownFile, own);
    EXPECT_EQ(changed.knownLine, 2);
    EXPECT_TRUE(changed.message.contains(QStringLiteral("中间人攻击")));
    EXPECT_TRUE(changed.message.contains(QStringLiteral("ssh-keygen -R \"[127.0.0.1]:%1\"").arg(server()->fullPort())));
    const remote::Outcome trust =
        await<remote::Outcome>([&](QObject* c, auto done) { session.trustHost(serverKey, c, done); });
    EXPECT_EQ(trust.code, QStringLiteral("host-key-changed"));
    const QByteArray log = logOfConnectionsSince(before);
    EXPECT_FALSE(log.contains("userauth")) << log.toStdString();

    writeFile(own, "@revoked * " + server()->knownHostsLine(server()->fullPort()).split(' ').mid(1).join(' ') +
                       server()->knownHostsLine(server()->fullPort()));
    const remote::Outcome revoked = connect(session);
    EXPECT_EQ(revoked.code, QStringLiteral("host-key-revoked")) << revoked.message.toStdString();
    EXPECT_EQ(revoked.knownLine, 1);
}

TEST(RemoteSession, KeysWithAndWithoutPassphrase) {
    REQUIRE_SSH_SERVER();
    EXPECT_EQ(remote::keyFileState(server()->userKey()), remote::KeyFileState::Usable);
    EXPECT_EQ(remote::keyFileState(server()->lockedKey()), remote::KeyFileState::NeedsPassphrase);
    EXPECT_EQ(remote::keyFileState(server()->userKey() + QStringLiteral(".pub")), remote::KeyFileState::Unreadable);
    EXPECT_EQ(remote::keyFileState(server()->files() + QStringLiteral("/none")), remote::KeyFileState::Unreadable);

    auto reach = keyLogin(server()->fullPort());
    reach->settings.keyFile = server()->lockedKey();
    remote::Session session(reach->settings);
    const remote::Outcome asked = connect(session);
    EXPECT_EQ(asked.code, QStringLiteral("auth-failed"));
    EXPECT_TRUE(asked.secretNeeded);
    EXPECT_TRUE(asked.message.contains(QStringLiteral("有密码保护"))) << asked.message.toStdString();

    remote::Settings wrong = reach->settings;
    wrong.passphrase = QStringLiteral("not it");
    session.setSettings(wrong);
    const remote::Outcome refused = connect(session);
    EXPECT_EQ(refused.code, QStringLiteral("auth-failed"));
    EXPECT_TRUE(refused.secretNeeded);
    EXPECT_TRUE(refused.message.contains(QStringLiteral("密码不对"))) << refused.message.toStdString();

    remote::Settings right = reach->settings;
    right.passphrase = testing_support::SshServer::passphrase();
    session.setSettings(right);
    const remote::Outcome connected = connect(session);
    EXPECT_TRUE(connected.ok()) << connected.message.toStdString();

    // A key the server does not hold: refused, and asking for a passphrase would not help.
    remote::Settings stranger = reach->settings;
    stranger.keyFile = server()->hostKeyPath();
    remote::Session other(stranger);
    const remote::Outcome notAccepted = connect(other);
    EXPECT_EQ(notAccepted.code, QStringLiteral("auth-failed"));
    EXPECT_FALSE(notAccepted.secretNeeded);
}

TEST(RemoteSession, PanelLoginByPassword) {
    REQUIRE_SSH_SERVER();
    if (server()->panelUser().isEmpty()) GTEST_SKIP() << server()->panelProblem().toStdString();
    auto reach = passwordLogin();
    remote::Settings wrong = reach->settings;
    wrong.password = QStringLiteral("wrong-密码");
    remote::Session session(wrong);
    const remote::Outcome refused = connect(session);
    EXPECT_EQ(refused.code, QStringLiteral("auth-failed"));
    EXPECT_TRUE(refused.secretNeeded);

    remote::Settings none = reach->settings;
    none.password.clear();
    session.setSettings(none);
    const remote::Outcome asked = connect(session);
    EXPECT_EQ(asked.code, QStringLiteral("auth-failed"));
    EXPECT_TRUE(asked.secretNeeded);

    session.setSettings(reach->settings);
    const remote::Listing home = list(session, ".");
    ASSERT_TRUE(home.ok()) << home.message.toStdString();
    EXPECT_EQ(home.path, local(server()->panelHome()));
}

TEST(RemoteSession, AgentLogin) {
    REQUIRE_SSH_SERVER();
    auto reach = keyLogin(server()->fullPort());
    reach->settings.auth = storage::SshAuth::Agent;
    reach->settings.keyFile.clear();
    {
        const QByteArray saved = qgetenv("SSH_AUTH_SOCK");
        qunsetenv("SSH_AUTH_SOCK");
        remote::Session session(reach->settings);
        const remote::Outcome none = connect(session);
        EXPECT_EQ(none.code, QStringLiteral("auth-failed"));
        EXPECT_TRUE(none.message.contains(QStringLiteral("SSH_AUTH_SOCK"))) << none.message.toStdString();
        if (!saved.isEmpty()) qputenv("SSH_AUTH_SOCK", saved);
    }
    const QString socket = reach->folder.filePath(QStringLiteral("agent"));
    testing_support::Background agent;
    ASSERT_TRUE(agent.start(QStringLiteral("ssh-agent"), {QStringLiteral("-D"), QStringLiteral("-a"), socket}));
    ASSERT_TRUE(agent.waitFor(0, "SSH_AUTH_SOCK", 10'000)) << "ssh-agent did not start";  // it says so when ready
    const QByteArray saved = qgetenv("SSH_AUTH_SOCK");
    qputenv("SSH_AUTH_SOCK", socket.toLocal8Bit());
    const testing_support::Finished added = testing_support::run(QStringLiteral("ssh-add"), {server()->userKey()});
    EXPECT_EQ(added.exitCode, 0) << added.output.toStdString();
    {
        remote::Session session(reach->settings);
        const remote::Outcome connected = connect(session);
        EXPECT_TRUE(connected.ok()) << connected.message.toStdString();
    }
    qputenv("SSH_AUTH_SOCK", saved);
    agent.stop();
}

TEST(RemoteSession, UnreachableAndSilentServersAreToldWithWhatDidNotAnswer) {
    REQUIRE_SSH_SERVER();
    auto reach = keyLogin(server()->fullPort());
    {
        QTcpServer closed;
        ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
        reach->settings.port = closed.serverPort();
        closed.close();
        remote::Session session(reach->settings);
        const remote::Outcome refused = connect(session);
        EXPECT_EQ(refused.code, QStringLiteral("unreachable"));
        EXPECT_TRUE(refused.message.contains(QStringLiteral("拒绝连接"))) << refused.message.toStdString();
        EXPECT_EQ(session.state(), remote::Session::State::Failed);
        EXPECT_TRUE(session.statusText().startsWith(QStringLiteral("连接失败：")));
    }
    {
        QTcpServer silent;  // accepts and never says a word
        ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
        reach->settings.port = silent.serverPort();
        reach->settings.timeoutMs = 2000;
        remote::Session session(reach->settings);
        QElapsedTimer clock;
        clock.start();
        const remote::Outcome timedOut = await<remote::Outcome>([&](QObject* c, auto done) {
            session.connectToServer(c, done);
            // The caller's thread went on at once, long before the time limit (generous for a
            // loaded machine).
            EXPECT_LT(clock.elapsed(), 1500);
        });
        EXPECT_EQ(timedOut.code, QStringLiteral("timeout"));
        EXPECT_TRUE(timedOut.message.contains(QStringLiteral("SSH 握手超时"))) << timedOut.message.toStdString();
        EXPECT_TRUE(timedOut.message.contains(QStringLiteral("2 秒"))) << timedOut.message.toStdString();
    }
    {
        // Closing a session that waits on a silent server neither waits for it nor calls back.
        QTcpServer silent;
        ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
        reach->settings.port = silent.serverPort();
        reach->settings.timeoutMs = 30'000;
        auto session = std::make_unique<remote::Session>(reach->settings);
        QObject context;
        bool heard = false;
        session->connectToServer(&context, [&](const remote::Outcome&) { heard = true; });
        ASSERT_TRUE(rcon_test::waitFor(
            [&] { return session->state() == remote::Session::State::Connecting && silent.hasPendingConnections(); },
            10'000));
        QElapsedTimer clock;
        clock.start();
        session.reset();
        EXPECT_LT(clock.elapsed(), 3000);  // not the 30 seconds the server would hold it
        QCoreApplication::processEvents();
        EXPECT_FALSE(heard);
    }
    {
        writeFile(server()->files() + QStringLiteral("/stall.yml"), "a: 1\n");
        server()->setStall(200);  // the version and the first requests pass, then silence
        auto cut = keyLogin(server()->cutPort());
        cut->settings.timeoutMs = 400;
        remote::Session session(cut->settings);
        const remote::FileRead stalled = read(session, local(server()->files()) + "/stall.yml");
        server()->setCut(-1, true);
        EXPECT_EQ(stalled.code, QStringLiteral("timeout")) << stalled.message.toStdString();
        EXPECT_TRUE(stalled.message.contains(
            QStringLiteral("超时：%1@127.0.0.1:%2 在 0.4 秒内没有回答").arg(server()->user()).arg(server()->cutPort())))
            << stalled.message.toStdString();
        // The next request connects again and is answered.
        const remote::FileRead again = read(session, local(server()->files()) + "/stall.yml");
        EXPECT_TRUE(again.ok()) << again.message.toStdString();
    }
}

TEST(RemoteSession, ProgressCancelAndGoneCallers) {
    REQUIRE_SSH_SERVER();
    const QString file = server()->files() + QStringLiteral("/big.yml");
    QByteArray big(3 << 20, 'q');
    for (int i = 0; i < big.size(); i += 97) big[i] = '\n';
    writeFile(file, big);
    auto reach = keyLogin(server()->fullPort());
    remote::Session session(reach->settings);

    std::vector<std::pair<qint64, qint64>> steps;
    const remote::FileRead whole = await<remote::FileRead>([&](QObject* c, auto done) {
        session.read(local(file), c, done, [&](qint64 moved, qint64 total) { steps.emplace_back(moved, total); });
    });
    ASSERT_TRUE(whole.ok()) << whole.message.toStdString();
    EXPECT_EQ(whole.bytes, big);
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back(), std::make_pair(qint64{big.size()}, qint64{big.size()}));

    // Cancelled before it starts (a request runs ahead of it), and cancelled while it runs.
    std::optional<remote::Listing> first;
    std::optional<remote::FileRead> second;
    QObject context;
    session.list(local(server()->files()), &context, [&](const remote::Listing& r) { first = r; });
    const auto id = session.read(local(file), &context, [&](const remote::FileRead& r) { second = r; });
    session.cancel(id);
    ASSERT_TRUE(rcon_test::waitFor([&] { return first && second; }, 60'000));
    EXPECT_TRUE(first->ok());
    EXPECT_EQ(second->code, QStringLiteral("cancelled"));

    // Cancelled while it runs: here while it waits on a server that stopped answering.
    server()->setStall(200);
    auto stalled = keyLogin(server()->cutPort());
    remote::Session waiting(stalled->settings);
    std::optional<remote::FileRead> third;
    const auto running = waiting.read(local(file), &context, [&](const remote::FileRead& r) { third = r; });
    ASSERT_TRUE(rcon_test::waitFor([&] { return waiting.state() == remote::Session::State::Connected; }, 60'000));
    waiting.cancel(running + 1000);  // another request's id changes nothing
    waiting.cancel(running);
    ASSERT_TRUE(rcon_test::waitFor([&] { return third.has_value(); }, 60'000));
    server()->setCut(-1, true);
    EXPECT_EQ(third->code, QStringLiteral("cancelled"));

    // A caller gone before the answer hears nothing.
    bool heard = false;
    {
        QObject gone;
        session.list(local(server()->files()), &gone, [&](const remote::Listing&) { heard = true; });
    }
    const remote::Listing after = list(session, local(server()->files()));
    EXPECT_TRUE(after.ok());
    EXPECT_FALSE(heard);
}

// The secrets the user typed live in memory only: not in a file the editor or the server wrote,
// and not on standard error, whatever became of the login.
TEST(RemoteSession, NoSecretReachesAFileOrStandardError) {
    REQUIRE_SSH_SERVER();
    QTemporaryDir capture;
    const QString errors = capture.filePath(QStringLiteral("stderr"));
    const int saved = ::dup(2);
    const int file = ::open(QFile::encodeName(errors).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(file, 0);
    ::dup2(file, 2);
    ::close(file);
    const QStringList secrets = {testing_support::SshServer::passphrase(), QStringLiteral("wrong-口令-8"),
                                 testing_support::SshServer::panelPassword()};
    {
        auto reach = keyLogin(server()->fullPort());
        reach->settings.keyFile = server()->lockedKey();
        reach->settings.passphrase = secrets[1];
        remote::Session session(reach->settings);
        connect(session);
        reach->settings.passphrase = secrets[0];
        session.setSettings(reach->settings);
        EXPECT_TRUE(connect(session).ok());
        if (!server()->panelUser().isEmpty()) {
            auto panel = passwordLogin();
            panel->settings.password = secrets[1];
            remote::Session wrong(panel->settings);
            connect(wrong);
            panel->settings.password = secrets[2];
            remote::Session right(panel->settings);
            EXPECT_TRUE(connect(right).ok());
        }
    }
    ::dup2(saved, 2);
    ::close(saved);
    QStringList places = {QDir::homePath(), server()->files(), server()->panelHome()};
    for (const QString& place : places) {
        QDirIterator files(place, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            if (!QFileInfo(path).isFile()) continue;
            const QByteArray bytes = readFile(path);
            for (const QString& secret : secrets) EXPECT_FALSE(bytes.contains(secret.toUtf8())) << path.toStdString();
        }
    }
    const QByteArray written = readFile(errors);
    for (const QString& secret : secrets) EXPECT_FALSE(written.contains(secret.toUtf8())) << written.toStdString();
    for (const QString& secret : secrets) EXPECT_FALSE(server()->log().contains(secret.toUtf8()));
}

}  // namespace
