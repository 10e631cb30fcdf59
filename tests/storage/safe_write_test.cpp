#include "storage/safe_write.h"

#include "scratch.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <ostream>

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
