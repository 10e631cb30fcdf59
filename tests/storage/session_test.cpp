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
    EXPECT_EQ(loaded.warning, "会话文件已损坏（第 15 个字节处出错），已改名为 session.json.damaged 保留：" + path() +
                                  "；已改用上一次保存的会话。");
    // The damaged file is kept out of the next save's way.
    EXPECT_EQ(scratch::read(path() + ".damaged"), "{\"panel\": \"宝");

    // Saving after a damaged latest keeps the good fallback rather than the damage.
    ASSERT_TRUE(saveSession(path(), kSecond).ok());
    EXPECT_EQ(QJsonDocument::fromJson(scratch::read(previous())).object(), kFirst);
    EXPECT_EQ(loadSession(path()).session, kSecond);
}

TEST_F(SessionTest, ReportsDamageItCannotRecoverFrom) {
    scratch::write(path(), "[1, 2]");
    storage::LoadedSession loaded = loadSession(path());
    EXPECT_EQ(loaded.source, SessionSource::None);
    EXPECT_EQ(loaded.session, QJsonObject());
    EXPECT_EQ(loaded.warning,
              "会话文件已损坏（内容不是一个 JSON 对象），无法恢复，已改名为 session.json.damaged 保留：" + path());
    scratch::write(path(), "[3]");
    EXPECT_EQ(loadSession(path()).warning,
              "会话文件已损坏（内容不是一个 JSON 对象），无法恢复，已改名为 session.json.damaged-2 保留：" + path());
    EXPECT_EQ(scratch::read(path() + ".damaged"), "[1, 2]");
    EXPECT_EQ(scratch::read(path() + ".damaged-2"), "[3]");

    scratch::write(previous(), QByteArray("\0\0\0", 3));
    EXPECT_EQ(loadSession(path()).warning,
              "会话文件已损坏（第 1 个字节处出错），无法恢复，已改名为 session.json.prev.damaged 保留：" + previous());
    EXPECT_EQ(loadSession(path()).source, SessionSource::None);
    EXPECT_EQ(loadSession(path()).warning, QString());
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

// A session file a second editor holds is never written into: the second editor keeps one of
// its own beside it, and a lock left by an editor that was killed does not block the next.
TEST_F(SessionTest, OneEditorPerSessionFile) {
    const QLatin1StringView format("quorvel-editor-session");
    const storage::ClaimedSession first = storage::claimSession(path(), format);
    ASSERT_EQ(first.path, path());
    EXPECT_EQ(first.notice, QString());
    EXPECT_TRUE(QFileInfo::exists(path() + ".lock"));
    const storage::ClaimedSession second = storage::claimSession(path(), format);
    EXPECT_EQ(second.path, dir_.filePath("session-2.json"));
    EXPECT_EQ(second.notice, "另一个编辑器正在使用会话 " + path() + "；这个编辑器的会话保存在 " +
                                 dir_.filePath("session-2.json") + "。");
    EXPECT_EQ(storage::claimSession(path(), format).path, dir_.filePath("session-3.json"));

    // An editor killed while it held a session leaves its lock behind: the next start takes it.
    const QString killed = dir_.filePath("killed.json");
    const pid_t child = fork();
    if (child == 0) {
        const storage::ClaimedSession held = storage::claimSession(killed, format);
        _exit(held.path == killed ? 0 : 1);  // no destructors: the lock file stays
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_TRUE(QFileInfo::exists(killed + ".lock"));
    EXPECT_EQ(storage::claimSession(killed, format).path, killed);
}

// A file that is no session of the editor (a server's YAML file, other JSON) is refused; a
// session that cannot be read is set aside when loading, never replaced.
TEST_F(SessionTest, NeverTakesAFileThatIsNoSession) {
    const QLatin1StringView format("quorvel-editor-session");
    using Kind = storage::SessionFileKind;
    const QString yaml = dir_.filePath("config.yml");
    scratch::write(yaml, "ruby:\n  Max_Grade: 3\n");
    const QString json = dir_.filePath("package.json");
    scratch::write(json, "{\"name\": \"x\"}");
    const QString damaged = dir_.filePath("damaged.json");
    scratch::write(damaged, "{\n    \"files\": {},\n    \"format\": \"quorvel-editor-session\",\n    \"windo");
    scratch::write(dir_.filePath("empty.json"), "");
    EXPECT_EQ(storage::sessionFileKind(yaml, format), Kind::Foreign);
    EXPECT_EQ(storage::sessionFileKind(json, format), Kind::Foreign);
    EXPECT_EQ(storage::sessionFileKind(damaged, format), Kind::Damaged);
    EXPECT_EQ(storage::sessionFileKind(dir_.filePath("empty.json"), format), Kind::Missing);
    EXPECT_EQ(storage::sessionFileKind(dir_.filePath("none.json"), format), Kind::Missing);
    EXPECT_EQ(storage::sessionFileKind(dir_.path(), format), Kind::Foreign);

    const storage::ClaimedSession refused = storage::claimSession(yaml, format);
    EXPECT_EQ(refused.path, QString());
    EXPECT_EQ(refused.error, "这不是本编辑器的会话文件，不会用它保存会话（请换一个文件名）：" + yaml);
    EXPECT_EQ(storage::claimSession(json, format).path, QString());
    EXPECT_EQ(scratch::read(yaml), "ruby:\n  Max_Grade: 3\n");
    EXPECT_EQ(storage::claimSession(damaged, format).path, damaged);
}

// A write that fails (here a full disk) changes neither file: the last good session loads.
TEST_F(SessionTest, AFailedWriteKeepsTheLastGoodSession) {
    if (!scratch::root()) GTEST_SKIP() << "mounting a small tmpfs needs root";
    const QString folder = dir_.filePath("disk");
    QDir().mkdir(folder);
    scratch::Tmpfs tmpfs(folder, "64k");
    if (!tmpfs.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
    const QString file = folder + "/session.json";
    ASSERT_TRUE(saveSession(file, kFirst).ok());
    ASSERT_TRUE(saveSession(file, kSecond).ok());
    const storage::WriteResult full = saveSession(file, QJsonObject{{"panel", QString(100'000, 'x')}});
    EXPECT_EQ(full.error, "无法写入：磁盘空间不足：" + file);
    EXPECT_EQ(loadSession(file).session, kSecond);
    EXPECT_EQ(loadSession(file).source, SessionSource::Latest);
    EXPECT_EQ(QJsonDocument::fromJson(scratch::read(file + ".prev")).object(), kFirst);
    EXPECT_EQ(scratch::entries(folder), (QStringList{"session.json", "session.json.prev"}));
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
