#include "storage/session.h"

#include "storage/recent_files.h"

#include "scratch.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <chrono>
#include <cstdint>
#include <random>
#include <thread>

#include <spawn.h>
#include <sys/wait.h>
#include <csignal>

extern char** environ;

namespace {

using storage::loadSession;
using storage::saveSession;
using storage::SessionSource;

const QJsonObject kFirst{{"panel", "/att Stats DAMAGE 5\r\n"}, {"page", 1}};
const QJsonObject kSecond{{"panel", "宝石:\r\n  Keylore: \"红\"\r\n"}, {"page", 3}};

class SessionTest : public testing::Test {
protected:
    QString path() const { return dir_.filePath("session.json"); }
    QString previous() const { return dir_.filePath("session.json.prev"); }
    QTemporaryDir dir_;
};

TEST_F(SessionTest, LoadsTheLatestAndKeepsTheOneBefore) {
    EXPECT_EQ(loadSession(path()).source, SessionSource::None);
    EXPECT_EQ(loadSession(path()).warning, QString());
    ASSERT_TRUE(saveSession(path(), kFirst).ok());
    ASSERT_TRUE(saveSession(path(), kSecond).ok());
    const storage::LoadedSession loaded = loadSession(path());
    EXPECT_EQ(loaded.source, SessionSource::Latest);
    EXPECT_EQ(loaded.session, kSecond);
    EXPECT_EQ(loaded.warning, QString());
    EXPECT_EQ(storage::previousSessionPath(path()), previous());
    EXPECT_EQ(QJsonDocument::fromJson(scratch::read(previous())).object(), kFirst);
    EXPECT_EQ(scratch::entries(dir_.path()), (QStringList{"session.json", "session.json.prev"}));
}

TEST_F(SessionTest, FallsBackWhenTheLatestIsDamaged) {
    ASSERT_TRUE(saveSession(path(), kFirst).ok());
    ASSERT_TRUE(saveSession(path(), kSecond).ok());
    scratch::write(path(), "{\"panel\": \"宝");  // cut short
    storage::LoadedSession loaded = loadSession(path());
    EXPECT_EQ(loaded.source, SessionSource::Previous);
    EXPECT_EQ(loaded.session, kFirst);
    EXPECT_EQ(loaded.warning, "会话文件已损坏（第 15 个字节处出错），已改用上一次保存的会话：" + path());

    // Saving over a damaged latest keeps the good fallback rather than the damage.
    ASSERT_TRUE(saveSession(path(), kSecond).ok());
    EXPECT_EQ(QJsonDocument::fromJson(scratch::read(previous())).object(), kFirst);
    EXPECT_EQ(loadSession(path()).session, kSecond);
}

TEST_F(SessionTest, ReportsDamageItCannotRecoverFrom) {
    scratch::write(path(), "[1, 2]");
    storage::LoadedSession loaded = loadSession(path());
    EXPECT_EQ(loaded.source, SessionSource::None);
    EXPECT_EQ(loaded.session, QJsonObject());
    EXPECT_EQ(loaded.warning, "会话文件已损坏（内容不是一个 JSON 对象），无法恢复：" + path());

    QFile::remove(path());
    scratch::write(previous(), QByteArray("\0\0\0", 3));
    EXPECT_EQ(loadSession(path()).source, SessionSource::None);
    EXPECT_EQ(loadSession(path()).warning, "会话文件已损坏（第 1 个字节处出错），无法恢复：" + previous());
}

TEST_F(SessionTest, AMissingLatestIsAnInterruptedSave) {
    scratch::write(previous(), QJsonDocument(kFirst).toJson());
    const storage::LoadedSession loaded = loadSession(path());
    EXPECT_EQ(loaded.source, SessionSource::Previous);
    EXPECT_EQ(loaded.session, kFirst);
    EXPECT_EQ(loaded.warning, QString());
}

TEST_F(SessionTest, LivesInTheDataFolder) {
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir_.path()));
    QCoreApplication::setApplicationName("quorvel-editor");
    const QString session = storage::sessionFilePath();
    EXPECT_EQ(session, dir_.path() + "/quorvel-editor/session.json");
    EXPECT_TRUE(QFileInfo(dir_.path() + "/quorvel-editor").isDir());
    EXPECT_EQ(storage::recentFilesPath(), dir_.path() + "/quorvel-editor/recent.json");
    if (saved.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", saved);
}

QString hashOf(const QString& text) {
    const QByteArray hash = QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256);
    return QString::fromLatin1(hash.toHex());
}

// A session from the writer: whole when its payload still matches the hash it carries.
qint64 wholeCounter(const QJsonObject& session) {
    if (session.value("hash").toString() != hashOf(session.value("payload").toString())) return -1;
    return session.value("counter").toInteger(-1);
}

// The session writer as a child process, its stdout on a pipe.
struct Writer {
    pid_t pid = 0;
    int out = -1;  // read end of the pipe
};

Writer startWriter(const QString& path, qint64 first) {
    int out[2];
    if (pipe(out) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const QByteArray file = QFile::encodeName(path);
    const std::string start = std::to_string(first);
    char* argv[] = {const_cast<char*>(QUORVEL_SESSION_WRITER), const_cast<char*>(file.constData()),
                    const_cast<char*>(start.c_str()), const_cast<char*>("20000"), nullptr};
    Writer writer;
    const int spawned = posix_spawn(&writer.pid, QUORVEL_SESSION_WRITER, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        return {};
    }
    writer.out = out[0];
    return writer;
}

// Kills the writer with SIGKILL and returns the last counter it reported saved (first - 1
// when none).
qint64 killWriter(const Writer& writer, qint64 first) {
    kill(writer.pid, SIGKILL);
    int status = 0;
    waitpid(writer.pid, &status, 0);
    QByteArray reported;
    char buffer[4096];
    for (ssize_t n; (n = read(writer.out, buffer, sizeof buffer)) > 0;) reported.append(buffer, n);
    close(writer.out);
    const QList<QByteArray> lines = reported.trimmed().split('\n');
    return lines.last().isEmpty() ? first - 1 : lines.last().toLongLong();
}

// How long the writer takes from its start to its first completed save on this build
// (a sanitizer build starts far slower), so that the kills spread over its start-up and
// its saves alike.
std::chrono::microseconds timeToFirstSave(const QString& path) {
    const auto started = std::chrono::steady_clock::now();
    const Writer writer = startWriter(path, 1);
    if (writer.pid == 0) return {};
    char c = 0;
    while (read(writer.out, &c, 1) == 1 && c != '\n') {}
    const auto elapsed = std::chrono::steady_clock::now() - started;
    killWriter(writer, 1);
    return std::chrono::duration_cast<std::chrono::microseconds>(elapsed);
}

// A child process writes sessions in a loop and is killed a hundred times at random
// moments; after each kill a whole session loads, and it is the last one the writer
// reported saved or the one it was writing.
TEST_F(SessionTest, SurvivesKillsAtAnyMoment) {
    const std::chrono::microseconds firstSave = timeToFirstSave(path());
    ASSERT_GT(firstSave.count(), 0) << "the writer could not be started";
    qint64 loaded = wholeCounter(loadSession(path()).session);
    ASSERT_GE(loaded, 1);
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::int64_t> delay(0, 2 * firstSave.count() + 10000);
    int killedMidRun = 0;  // kills after at least one save of that run
    for (int kill = 0; kill < 100; ++kill) {
        SCOPED_TRACE(testing::Message() << "seed " << seed << ", kill " << kill);
        const Writer writer = startWriter(path(), loaded + 1);
        ASSERT_NE(writer.pid, 0) << "the writer could not be started";
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        const qint64 reported = killWriter(writer, loaded + 1);
        const storage::LoadedSession session = loadSession(path());
        ASSERT_NE(session.source, SessionSource::None) << session.warning.toStdString();
        ASSERT_EQ(session.warning, QString());  // no damaged file, not even with a fallback
        const qint64 counter = wholeCounter(session.session);
        ASSERT_GE(counter, reported);      // nothing reported saved is lost
        ASSERT_LE(counter, reported + 1);  // at most the save in progress was completed
        killedMidRun += reported > loaded ? 1 : 0;
        loaded = counter;
    }
    EXPECT_GT(killedMidRun, 10) << "the writer was mostly killed before its first save";
    // Killed writes leave no temporary files behind (the latest alone is missing after a
    // kill between its rotation and its replacement).
    QStringList left = scratch::entries(dir_.path());
    left.removeAll("session.json");
    left.removeAll("session.json.prev");
    EXPECT_EQ(left, QStringList());
}

}  // namespace
