#include "storage/safe_write.h"

#include "scratch.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <ostream>
#include <string_view>
#include <thread>

#include <grp.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>

namespace {

using storage::Backup;
using storage::backupPath;
using storage::writeFileAtomically;

class SafeWriteTest : public testing::Test {
protected:
    QString path(const QString& name) const { return dir_.filePath(name); }
    QTemporaryDir dir_;
};

TEST_F(SafeWriteTest, KeepsThePreviousContentBeside) {
    const QString file = path("socket.yml");
    ASSERT_TRUE(writeFileAtomically(file, "first\r\n").ok());
    EXPECT_EQ(scratch::entries(dir_.path()), QStringList{"socket.yml"});  // nothing to back up
    ASSERT_TRUE(writeFileAtomically(file, "second\r\n").ok());
    ASSERT_TRUE(writeFileAtomically(file, "third\r\n").ok());
    EXPECT_EQ(scratch::read(file), "third\r\n");
    EXPECT_EQ(scratch::read(path("socket.yml.bak")), "second\r\n");
    EXPECT_EQ(backupPath(file), path("socket.yml.bak"));
    EXPECT_EQ(scratch::entries(dir_.path()), (QStringList{"socket.yml", "socket.yml.bak"}));
}

TEST_F(SafeWriteTest, WritesNoBackupWhenToldNot) {
    ASSERT_TRUE(writeFileAtomically(path("recent.json"), "1", Backup::None).ok());
    ASSERT_TRUE(writeFileAtomically(path("recent.json"), "2", Backup::None).ok());
    EXPECT_EQ(scratch::read(path("recent.json")), "2");
    EXPECT_EQ(scratch::entries(dir_.path()), QStringList{"recent.json"});
}

TEST(ReadFileTest, NamesWhyAFileCannotBeOpened) {
    QTemporaryDir dir;
    EXPECT_EQ(storage::readFile(dir.filePath("none.yml")).error, "无法打开：文件不存在：" + dir.filePath("none.yml"));
    EXPECT_EQ(storage::readFile(dir.path()).error, "无法打开：这是一个文件夹，不是文件：" + dir.path());
    scratch::write(dir.filePath("a.yml"), "a: 1\n");
    const storage::ReadResult read = storage::readFile(dir.filePath("a.yml"));
    EXPECT_EQ(read.error, QString());
    EXPECT_EQ(read.bytes, "a: 1\n");
}

// A failing write: how the folder is arranged (false with a reason to skip when this
// machine offers no way), where the write goes, and the message expected.
struct Failure {
    const char* name;
    // Arranges dir for the failure; returns what to skip with, or empty. May keep an
    // undo object alive in *keep.
    std::function<QString(const QString& dir, std::shared_ptr<void>* keep, QString* message)> arrange;
    QString target;       // the file written, relative to dir
    qsizetype size = 16;  // bytes written
};

std::ostream& operator<<(std::ostream& out, const Failure& c) { return out << c.name; }

class WriteFailureTest : public testing::TestWithParam<Failure> {};

// The message names the cause, and the file on disk is exactly as it was, with no
// temporary file left beside it.
TEST_P(WriteFailureTest, ReportsPlainlyAndLeavesTheFileAlone) {
    QTemporaryDir dir;
    std::shared_ptr<void> keep;
    QString message;
    const QString skip = GetParam().arrange(dir.path(), &keep, &message);
    if (!skip.isEmpty()) GTEST_SKIP() << skip.toStdString();
    const QString target = dir.filePath(GetParam().target);
    const QByteArray before = scratch::read(target);
    const QStringList entries = scratch::entries(QFileInfo(target).absolutePath());

    const storage::WriteResult result = writeFileAtomically(target, QByteArray(GetParam().size, 'x'), Backup::Keep);
    EXPECT_EQ(result.error, message);
    EXPECT_EQ(scratch::read(target), before);
    QStringList after = scratch::entries(QFileInfo(target).absolutePath());
    after.removeAll(QFileInfo(target).fileName() + ".bak");  // the backup may have been made
    QStringList expected = entries;
    expected.removeAll(QFileInfo(target).fileName() + ".bak");
    EXPECT_EQ(after, expected);
}

const QByteArray kOld = "gem:\r\n  old: 1\r\n";

QString missingFolder(const QString& dir, std::shared_ptr<void>*, QString* message) {
    *message = "无法写入：文件夹不存在：" + dir + "/missing";
    return {};
}

QString folderInTheWay(const QString& dir, std::shared_ptr<void>*, QString* message) {
    QDir(dir).mkdir("socket.yml");
    *message = "无法写入：这是一个文件夹，不是文件：" + dir + "/socket.yml";
    return {};
}

// Root writes into a folder without write bits, so as root the folder is made immutable
// instead, and where the file system has no such flag, a read-only tmpfs is used.
QString readOnlyFolder(const QString& dir, std::shared_ptr<void>* keep, QString* message) {
    const QString folder = dir + "/plugins";
    QDir(dir).mkdir("plugins");
    scratch::write(folder + "/socket.yml", kOld);
    *message = "无法写入：没有在这个文件夹中写入的权限（文件夹可能是只读的）：" + folder;
    if (!scratch::root()) {
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        *keep = std::shared_ptr<void>(nullptr, [folder](void*) {
            QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        });
        return {};
    }
    auto immutable = std::make_shared<scratch::Immutable>(folder);
    if (immutable->set()) {
        *keep = immutable;
        return {};
    }
    auto tmpfs = std::make_shared<scratch::Tmpfs>(folder, "64k");
    if (!tmpfs->mounted()) return "neither chattr +i nor a tmpfs mount works here";
    scratch::write(folder + "/socket.yml", kOld);
    if (!tmpfs->makeReadOnly()) return "cannot remount the tmpfs read-only";
    *keep = tmpfs;
    *message = "无法写入：磁盘是只读的：" + folder;
    return {};
}

QString readOnlyDisk(const QString& dir, std::shared_ptr<void>* keep, QString* message) {
    if (!scratch::root()) return "mounting a tmpfs needs root";
    const QString folder = dir + "/plugins";
    QDir(dir).mkdir("plugins");
    auto tmpfs = std::make_shared<scratch::Tmpfs>(folder, "64k");
    if (!tmpfs->mounted()) return "cannot mount a tmpfs here";
    scratch::write(folder + "/socket.yml", kOld);
    if (!tmpfs->makeReadOnly()) return "cannot remount the tmpfs read-only";
    *keep = tmpfs;
    *message = "无法写入：磁盘是只读的：" + folder;
    return {};
}

// A file nobody may write: without write bits for a user, immutable for root.
QString readOnlyFile(const QString& dir, std::shared_ptr<void>* keep, QString* message) {
    const QString file = dir + "/socket.yml";
    scratch::write(file, kOld);
    *message = "无法写入：没有写入这个文件的权限（文件可能是只读的）：" + file;
    if (!scratch::root()) {
        QFile::setPermissions(file, QFileDevice::ReadOwner);
        return {};
    }
    auto immutable = std::make_shared<scratch::Immutable>(file);
    if (!immutable->set()) return "chattr +i does not work on this file system";
    *keep = immutable;
    return {};
}

QString fullDisk(const QString& dir, std::shared_ptr<void>* keep, QString* message) {
    if (!scratch::root()) return "mounting a small tmpfs needs root";
    const QString folder = dir + "/plugins";
    QDir(dir).mkdir("plugins");
    auto tmpfs = std::make_shared<scratch::Tmpfs>(folder, "256k");
    if (!tmpfs->mounted()) return "cannot mount a tmpfs here";
    scratch::write(folder + "/socket.yml", kOld);
    *keep = tmpfs;
    *message = "无法写入：磁盘空间不足：" + folder + "/socket.yml";
    return {};
}

INSTANTIATE_TEST_SUITE_P(Causes, WriteFailureTest,
                         testing::Values(Failure{"MissingFolder", missingFolder, "missing/socket.yml"},
                                         Failure{"FolderInTheWay", folderInTheWay, "socket.yml"},
                                         Failure{"ReadOnlyFolder", readOnlyFolder, "plugins/socket.yml"},
                                         Failure{"ReadOnlyDisk", readOnlyDisk, "plugins/socket.yml"},
                                         Failure{"ReadOnlyFile", readOnlyFile, "socket.yml"},
                                         Failure{"FullDisk", fullDisk, "plugins/socket.yml", 1 << 20}),
                         [](const testing::TestParamInfo<Failure>& row) { return std::string(row.param.name); });

}  // namespace

namespace {

// Runs fn in a child process as an unprivileged user (nobody), as setpriv would; its result
// comes back as text. Empty optional: this machine cannot switch users (not root).
std::optional<QString> asOtherUser(const std::function<QString()>& fn) {
    if (!scratch::root()) return std::nullopt;
    int out[2];
    if (pipe(out) != 0) return std::nullopt;
    const pid_t child = fork();
    if (child == 0) {
        close(out[0]);
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
        const QByteArray text = fn().toUtf8();
        const ssize_t written = ::write(out[1], text.constData(), static_cast<std::size_t>(text.size()));
        _exit(written == text.size() ? 0 : 3);
    }
    close(out[1]);
    QByteArray text;
    char buffer[1024];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, n);
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return QString::fromUtf8(text);
}

mode_t modeOf(const QString& path) {
    struct stat info {};
    return lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode : 0;
}

// Anything that is not a regular file is refused before a byte is read or written: a pipe
// would hold the open forever, /dev/zero never ends, and a device replaced by a regular file
// breaks the system that uses it.
TEST_F(SafeWriteTest, RefusesWhatIsNotARegularFile) {
    const QString fifo = path("pipe.yml");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    auto reading = std::async(std::launch::async, [&] { return storage::readFile(fifo); });
    if (reading.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
        const int unblock = open(QFile::encodeName(fifo).constData(), O_WRONLY);  // lets the read end
        close(unblock);
        FAIL() << "reading a named pipe waits for a writer";
    }
    EXPECT_EQ(reading.get().error, "无法打开：这不是普通文件（命名管道）：" + fifo);
    EXPECT_EQ(writeFileAtomically(fifo, "a: 1\n").error, "无法写入：这不是普通文件（命名管道）：" + fifo);
    EXPECT_TRUE(S_ISFIFO(modeOf(fifo)));

    EXPECT_EQ(storage::readFile("/dev/zero").error, QString("无法打开：这不是普通文件（字符设备）：/dev/zero"));
    const QString device = path("null");  // a /dev/null of our own: root may make one
    if (mknod(QFile::encodeName(device).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        EXPECT_EQ(writeFileAtomically(device, "a: 1\n").error, "无法写入：这不是普通文件（字符设备）：" + device);
        EXPECT_TRUE(S_ISCHR(modeOf(device)));
    }
    // A link to a pipe is a pipe too.
    ASSERT_TRUE(QFile::link(fifo, path("link.yml")));
    EXPECT_EQ(writeFileAtomically(path("link.yml"), "a: 1\n").error,
              "无法写入：这不是普通文件（命名管道）：" + path("link.yml"));
}

TEST_F(SafeWriteTest, ReadsNoMoreThanTheEditorHolds) {
    scratch::write(path("big.yml"), QByteArray(3 << 20, 'a'));
    EXPECT_EQ(storage::readFile(path("big.yml"), 2 << 20).error,
              "无法打开：文件太大（3 MB），编辑器最多打开 2 MB：" + path("big.yml"));
    EXPECT_EQ(storage::readFile(path("big.yml"), 3 << 20).bytes.size(), 3 << 20);
    EXPECT_EQ(storage::kMaxFileBytes, 64 << 20);
}

// A link at the backup's name is never written through: the file it names stays as it was.
TEST_F(SafeWriteTest, NeverWritesThroughALinkAtTheBackup) {
    scratch::write(path("victim"), "precious\n");
    scratch::write(path("socket.yml"), "a: 1\n");
    ASSERT_TRUE(QFile::link(path("victim"), path("socket.yml.bak")));
    const storage::WriteResult result = writeFileAtomically(path("socket.yml"), "a: 2\n");
    EXPECT_EQ(result.error, "无法备份：socket.yml.bak 不是普通文件（符号链接），请先移走它：" + path("socket.yml.bak"));
    EXPECT_EQ(scratch::read(path("victim")), "precious\n");
    EXPECT_EQ(scratch::read(path("socket.yml")), "a: 1\n");
}

// The backup is as private as the file; the saved file keeps its mode and owner.
TEST_F(SafeWriteTest, KeepsModeAndOwner) {
    const QString file = path("secret.yml");
    scratch::write(file, "a: 1\n");
    ASSERT_EQ(chmod(QFile::encodeName(file).constData(), 0600), 0);
    ASSERT_TRUE(writeFileAtomically(file, "a: 2\n").ok());
    EXPECT_EQ(modeOf(file) & 07777, 0600u);
    EXPECT_EQ(modeOf(storage::backupPath(file)) & 07777, 0600u);
    ASSERT_EQ(chmod(QFile::encodeName(file).constData(), 0640), 0);
    ASSERT_TRUE(writeFileAtomically(file, "a: 3\n").ok());
    EXPECT_EQ(modeOf(file) & 07777, 0640u);
    EXPECT_EQ(modeOf(storage::backupPath(file)) & 07777, 0640u);
    if (!scratch::root()) GTEST_SKIP() << "keeping another user's ownership needs root here";
    ASSERT_EQ(chown(QFile::encodeName(file).constData(), 4242, 4343), 0);
    const storage::WriteResult kept = writeFileAtomically(file, "a: 4\n");
    EXPECT_EQ(kept.notice, QString());
    struct stat info {};
    ASSERT_EQ(stat(QFile::encodeName(file).constData(), &info), 0);
    EXPECT_EQ(info.st_uid, 4242u);
    EXPECT_EQ(info.st_gid, 4343u);
}

// Another user may write a file it does not own but cannot give the new file that owner:
// it is told so.
TEST_F(SafeWriteTest, SaysWhenTheOwnerCannotBeKept) {
    const QString folder = path("shared");
    QDir().mkdir(folder);
    chmod(QFile::encodeName(folder).constData(), 0777);
    chmod(QFile::encodeName(dir_.path()).constData(), 0755);
    const QString file = folder + "/socket.yml";
    scratch::write(file, "a: 1\n");
    chmod(QFile::encodeName(file).constData(), 0666);
    const std::optional<QString> notice = asOtherUser([&] { return writeFileAtomically(file, "a: 2\n").notice; });
    if (!notice) GTEST_SKIP() << "cannot run as a second user here (needs root to switch)";
    EXPECT_EQ(*notice, "无法保留文件的所有者和组（用户 0，组 0），保存后文件属于用户 65534、组 65534。");
    EXPECT_EQ(scratch::read(file), "a: 2\n");
}

// Every name of a file with hard links sees the new text; a symbolic link stays a link.
TEST_F(SafeWriteTest, KeepsLinksWhole) {
    const QString file = path("socket.yml");
    scratch::write(file, "a: 1\n");
    ASSERT_EQ(link(QFile::encodeName(file).constData(), QFile::encodeName(path("other.yml")).constData()), 0);
    const storage::WriteResult result = writeFileAtomically(file, "a: 22\n");
    ASSERT_EQ(result.error, QString());
    EXPECT_EQ(result.notice, "这个文件共有 2 个名字（硬链接）：已在原处写入，每个名字看到的都是新内容。");
    EXPECT_EQ(scratch::read(path("other.yml")), "a: 22\n");
    EXPECT_EQ(scratch::read(path("socket.yml.bak")), "a: 1\n");

    scratch::write(path("real.yml"), "b: 1\n");
    ASSERT_TRUE(QFile::link(path("real.yml"), path("link.yml")));
    ASSERT_TRUE(writeFileAtomically(path("link.yml"), "b: 2\n").ok());
    EXPECT_TRUE(S_ISLNK(modeOf(path("link.yml"))));
    EXPECT_EQ(scratch::read(path("real.yml")), "b: 2\n");
    EXPECT_EQ(scratch::read(path("link.yml.bak")), "b: 1\n");
}

// What the backup reads must be what the editor read, and nothing may be written to the file
// between that read and the replacement: a line appended the moment the backup appears is
// kept in the file, and the save is refused.
TEST_F(SafeWriteTest, AWriteDuringTheSaveIsNeverLost) {
    const QString file = path("socket.yml");
    const QByteArray old(20 << 20, 'a');
    scratch::write(file, old);
    const storage::FileStamp stamp = storage::stampOf(file, old);
    scratch::write(file, old + "b\n");
    const storage::WriteResult stale = writeFileAtomically(file, "new\n", storage::WriteOptions{.expected = &stamp});
    EXPECT_TRUE(stale.changedOnDisk);
    EXPECT_EQ(stale.error, "文件在读取之后被别的程序改动过，没有写入：" + file);
    EXPECT_EQ(scratch::read(file), old + "b\n");

    scratch::write(file, old);
    const int watch = inotify_init1(IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, QFile::encodeName(dir_.path()).constData(), IN_CREATE | IN_MOVED_TO), 0);
    std::thread appender([&] {
        alignas(inotify_event) char buffer[4096];
        for (bool seen = false; !seen;) {
            const ssize_t n = read(watch, buffer, sizeof buffer);
            if (n <= 0) return;
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                seen = seen || (event->len > 0 && std::string_view(event->name) == "socket.yml.bak");
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        QFile out(file);
        if (out.open(QIODevice::Append)) out.write("late: 1\n");
    });
    const storage::WriteResult raced =
        writeFileAtomically(file, QByteArray(20 << 20, 'c'), storage::WriteOptions{.expected = &stamp});
    appender.join();
    close(watch);
    EXPECT_TRUE(raced.changedOnDisk) << raced.error.toStdString();
    EXPECT_EQ(scratch::read(file), old + "late: 1\n");
    EXPECT_EQ(scratch::read(storage::backupPath(file)), old);
}

}  // namespace
