#include "storage/safe_write.h"

#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStorageInfo>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace storage {

namespace {

QString shown(const QString& path) { return QDir::toNativeSeparators(path); }

QString folderOf(const QString& path) { return QFileInfo(path).absolutePath(); }

QByteArray native(const QString& path) { return QFile::encodeName(path); }

// What a file that is not a regular one is, as the user reads it.
QString kindOf(mode_t mode) {
    if (S_ISFIFO(mode)) return QStringLiteral("命名管道");
    if (S_ISCHR(mode)) return QStringLiteral("字符设备");
    if (S_ISBLK(mode)) return QStringLiteral("块设备");
    if (S_ISSOCK(mode)) return QStringLiteral("套接字");
    if (S_ISLNK(mode)) return QStringLiteral("符号链接");
    if (S_ISDIR(mode)) return QStringLiteral("文件夹");
    return QStringLiteral("特殊文件");
}

QString megabytes(qint64 bytes) {
    return QString::number(static_cast<double>(bytes) / (1024.0 * 1024.0), 'f', bytes % (1 << 20) == 0 ? 0 : 1);
}

// Why a write to path failed, worded for the user: the cause is found by looking at the
// folder, the file and the disk afterwards; the system's own words are the last resort.
QString writeError(const QString& path, int error, qsizetype size) {
    const QString folder = folderOf(path);
    const QFileInfo folderInfo(folder);
    const QFileInfo fileInfo(path);
    const QStorageInfo disk(folder);
    if (!folderInfo.exists()) return QStringLiteral("无法写入：文件夹不存在：%1").arg(shown(folder));
    if (!folderInfo.isDir()) return QStringLiteral("无法写入：不是文件夹：%1").arg(shown(folder));
    if (fileInfo.isDir()) return QStringLiteral("无法写入：这是一个文件夹，不是文件：%1").arg(shown(path));
    if ((disk.isValid() && disk.isReadOnly()) || error == EROFS)
        return QStringLiteral("无法写入：磁盘是只读的：%1").arg(shown(folder));
    if (!folderInfo.isWritable()) {
        return QStringLiteral("无法写入：没有在这个文件夹中写入的权限（文件夹可能是只读的）：%1").arg(shown(folder));
    }
    if (fileInfo.exists() && !fileInfo.isWritable()) {
        return QStringLiteral("无法写入：没有写入这个文件的权限（文件可能是只读的）：%1").arg(shown(path));
    }
    if ((disk.isValid() && disk.bytesAvailable() < size) || error == ENOSPC || error == EDQUOT)
        return QStringLiteral("无法写入：磁盘空间不足：%1").arg(shown(path));
    return QStringLiteral("无法写入：%1：%2").arg(systemError(error), shown(path));
}

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

private:
    int fd_;
};

// 0, or the errno of the first failing write.
int writeAll(int fd, QByteArrayView bytes, off_t at = -1) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const auto left = static_cast<std::size_t>(bytes.size() - done);
        const ssize_t count = at < 0 ? ::write(fd, bytes.data() + done, left)
                                     : ::pwrite(fd, bytes.data() + done, left, at + static_cast<off_t>(done));
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return count < 0 ? errno : EIO;
        done += count;
    }
    return 0;
}

// The permission bits a new file gets: the process's umask, read without changing it
// (umask() would change it for every thread for a moment).
mode_t newFileMode() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (!line.startsWith("Umask:")) continue;
            bool ok = false;
            const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
            if (ok) return static_cast<mode_t>(0666 & ~mask);
        }
    }
    return 0644;
}

bool sameMoment(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

// Whether the file at path is still the one described by before: same file, same size, not
// written since.
bool unchanged(const QByteArray& path, const struct stat& before) {
    struct stat now {};
    if (::lstat(path.constData(), &now) != 0) return false;
    return now.st_dev == before.st_dev && now.st_ino == before.st_ino && now.st_size == before.st_size &&
           sameMoment(now.st_mtim, before.st_mtim) && sameMoment(now.st_ctim, before.st_ctim);
}

// A new file beside its final name, written whole and flushed before it gets a name: an
// anonymous file where the file system offers one (a kill leaves nothing behind), else a
// hidden named one; removed unless it was renamed into place.
class Temporary {
public:
    ~Temporary() {
        if (fd_ >= 0) ::close(fd_);
        if (!path_.isEmpty()) ::unlink(path_.constData());
    }
    Temporary() = default;
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;

    // Writes bytes into a new file in folder; like gives the mode, owner and group to take
    // (nullptr: a new file's). 0 or the errno; *notice says what could not be kept.
    int write(const QString& folder, const QString& name, QByteArrayView bytes, const struct stat* like,
              QString* notice) {
        folder_ = folder;
        name_ = name.left(100);
        fd_ = ::open(native(folder).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd_ < 0) {
            path_ = native(folder + QStringLiteral("/.") + name_ + QStringLiteral(".XXXXXX"));
            fd_ = ::mkostemp(path_.data(), O_CLOEXEC);
            if (fd_ < 0) {
                const int error = errno;
                path_.clear();
                return error;
            }
        }
        if (like != nullptr && (like->st_uid != ::geteuid() || like->st_gid != ::getegid())) {
            // The owner first: a change of owner clears the set-id bits the mode then restores.
            if (::fchown(fd_, like->st_uid, like->st_gid) != 0) {
                const bool group = ::fchown(fd_, static_cast<uid_t>(-1), like->st_gid) == 0;
                if (notice != nullptr) {
                    *notice = group ? QStringLiteral("无法保留文件的所有者（用户 %1），保存后文件属于用户 %2。")
                                          .arg(like->st_uid)
                                          .arg(::geteuid())
                                    : QStringLiteral(
                                          "无法保留文件的所有者和组（用户 %1，组 %2），保存后文件属于"
                                          "用户 %3、组 %4。")
                                          .arg(like->st_uid)
                                          .arg(like->st_gid)
                                          .arg(::geteuid())
                                          .arg(::getegid());
                }
            }
        }
        if (::fchmod(fd_, like != nullptr ? (like->st_mode & 07777) : newFileMode()) != 0) return errno;
        if (const int error = writeAll(fd_, bytes); error != 0) return error;
        if (::fsync(fd_) != 0) return errno;
        return 0;
    }

    // Renames it to target: 0 or the errno. noReplace: fails with EEXIST when target exists.
    int rename(const QByteArray& target, bool noReplace) {
        if (path_.isEmpty()) {
            // The anonymous file gets its name: the final one when nothing may be replaced
            // (linking never replaces), else a hidden one that is then renamed over it.
            const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd_);
            if (noReplace) {
                if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, target.constData(), AT_SYMLINK_FOLLOW) != 0)
                    return errno;
                return 0;
            }
            for (int attempt = 0;; ++attempt) {
                path_ = native(folder_ + QStringLiteral("/.") + name_ + QStringLiteral(".") +
                               QString::number(QRandomGenerator::global()->generate(), 36));
                if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, path_.constData(), AT_SYMLINK_FOLLOW) == 0) break;
                const int error = errno;
                path_.clear();
                if (error != EEXIST || attempt == 20) return error;
            }
        }
        int result = noReplace
                         ? ::renameat2(AT_FDCWD, path_.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE)
                         : ::rename(path_.constData(), target.constData());
        if (result != 0 && noReplace && (errno == EINVAL || errno == ENOSYS)) {
            // A file system without the flag: link fails when the name is taken.
            result = ::link(path_.constData(), target.constData());
            if (result == 0) ::unlink(path_.constData());
        }
        if (result != 0) return errno;
        path_.clear();
        return 0;
    }

private:
    QString folder_;
    QString name_;
    QByteArray path_;  // the file's name while it has one that is not the final one
    int fd_ = -1;
};

// The file a write replaces: the path itself, or the file a symbolic link there names.
struct Target {
    QString path;  // the file written (a link's target)
    bool exists = false;
    struct stat info {};
    QString error;
};

Target targetOf(const QString& path, qsizetype size) {
    Target target;
    target.path = path;
    struct stat info {};
    if (::lstat(native(path).constData(), &info) == 0 && S_ISLNK(info.st_mode)) {
        const QString resolved = QFileInfo(path).canonicalFilePath();
        if (resolved.isEmpty()) {
            target.error = QStringLiteral("无法写入：符号链接指向的文件不存在：%1").arg(shown(path));
            return target;
        }
        target.path = resolved;
    }
    if (!QFileInfo(folderOf(target.path)).isDir()) {
        target.error = writeError(target.path, ENOENT, size);
        return target;
    }
    if (::lstat(native(target.path).constData(), &target.info) != 0) {
        if (errno != ENOENT) target.error = writeError(target.path, errno, size);
        return target;
    }
    target.exists = true;
    if (S_ISDIR(target.info.st_mode)) {
        target.error = QStringLiteral("无法写入：这是一个文件夹，不是文件：%1").arg(shown(path));
    } else if (!S_ISREG(target.info.st_mode)) {
        target.error =
            QStringLiteral("无法写入：这不是普通文件（%1）：%2").arg(kindOf(target.info.st_mode), shown(path));
    } else if (::access(native(target.path).constData(), W_OK) != 0) {
        target.error = writeError(target.path, errno, size);
    }
    return target;
}

WriteResult failed(QString error) {
    WriteResult result;
    result.error = std::move(error);
    return result;
}

QString changedMessage(const QString& path) {
    return QStringLiteral("文件在读取之后被别的程序改动过，没有写入：%1").arg(shown(path));
}

// The previous content kept beside the file: written to a new file first, then renamed over
// the backup, so that a link or anything else at the backup's name is never written through.
QString writeBackup(const QString& backup, const QByteArray& previous, const struct stat& like) {
    struct stat existing {};
    if (::lstat(native(backup).constData(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
        return QStringLiteral("无法备份：%1 不是普通文件（%2），请先移走它：%3")
            .arg(QFileInfo(backup).fileName(), kindOf(existing.st_mode), shown(backup));
    }
    Temporary temporary;
    const QString folder = folderOf(backup);
    if (const int error = temporary.write(folder, QFileInfo(backup).fileName(), previous, &like, nullptr); error != 0)
        return writeError(backup, error, previous.size());
    if (const int error = temporary.rename(native(backup), false); error != 0)
        return writeError(backup, error, previous.size());
    return {};
}

// A file with more than one name is rewritten where it is, after its backup: replacing it
// would leave its other names with the old text. The room is taken first, so a full disk stops
// the write before any byte of the file changes.
QString writeInPlace(const Target& target, QByteArrayView bytes, const struct stat& before) {
    const QByteArray name = native(target.path);
    const Fd fd(::open(name.constData(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid()) return writeError(target.path, errno, bytes.size());
    struct stat now {};
    if (::fstat(fd.get(), &now) != 0 || !unchanged(name, before) || now.st_ino != before.st_ino)
        return changedMessage(target.path);
    if (bytes.size() > now.st_size) {
        const int error = ::posix_fallocate(fd.get(), 0, static_cast<off_t>(bytes.size()));
        if (error != 0 && error != EOPNOTSUPP && error != EINVAL) return writeError(target.path, error, bytes.size());
    }
    if (const int error = writeAll(fd.get(), bytes, 0); error != 0) return writeError(target.path, error, bytes.size());
    if (::ftruncate(fd.get(), static_cast<off_t>(bytes.size())) != 0 || ::fsync(fd.get()) != 0)
        return writeError(target.path, errno, bytes.size());
    return {};
}

}  // namespace

ReadResult readFile(const QString& path, qint64 limit) {
    ReadResult result;
    const QByteArray name = native(path);
    const auto fail = [&](const QString& message) {
        result.bytes.clear();
        result.error = message;
        return result;
    };
    struct stat info {};
    if (::stat(name.constData(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return fail(QStringLiteral("无法打开：文件不存在：%1").arg(shown(path)));
        if (errno == EACCES) return fail(QStringLiteral("无法打开：没有读取这个文件的权限：%1").arg(shown(path)));
        return fail(QStringLiteral("无法打开：%1：%2").arg(systemError(errno), shown(path)));
    }
    if (S_ISDIR(info.st_mode)) return fail(QStringLiteral("无法打开：这是一个文件夹，不是文件：%1").arg(shown(path)));
    // A pipe would wait for a writer and a device never end: neither is opened.
    if (!S_ISREG(info.st_mode))
        return fail(QStringLiteral("无法打开：这不是普通文件（%1）：%2").arg(kindOf(info.st_mode), shown(path)));
    const auto tooLarge = [&](qint64 size) {
        return fail(QStringLiteral("无法打开：文件太大（%1 MB），编辑器最多打开 %2 MB：%3")
                        .arg(megabytes(size), megabytes(limit), shown(path)));
    };
    if (info.st_size > limit) return tooLarge(info.st_size);
    const Fd fd(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.valid()) {
        if (errno == EACCES) return fail(QStringLiteral("无法打开：没有读取这个文件的权限：%1").arg(shown(path)));
        return fail(QStringLiteral("无法打开：%1：%2").arg(systemError(errno), shown(path)));
    }
    struct stat opened {};
    if (::fstat(fd.get(), &opened) != 0 || !S_ISREG(opened.st_mode))  // swapped since the look
        return fail(QStringLiteral("无法打开：这不是普通文件（%1）：%2").arg(kindOf(opened.st_mode), shown(path)));
    result.bytes.reserve(static_cast<qsizetype>(opened.st_size));
    if (const int error = readAll(fd.get(), limit, &result.bytes); error != 0)
        return fail(QStringLiteral("无法打开：%1：%2").arg(systemError(error), shown(path)));
    if (result.bytes.size() > limit) return tooLarge(result.bytes.size());
    return result;
}

QString backupPath(const QString& path) { return path + QStringLiteral(".bak"); }

WriteResult writeFileAtomically(const QString& path, QByteArrayView bytes, const WriteOptions& options) {
    if (path.isEmpty()) return failed(QStringLiteral("无法写入：没有文件名"));
    const Target target = targetOf(path, bytes.size());
    if (!target.error.isEmpty()) return failed(target.error);
    const QByteArray name = native(target.path);
    const FileStamp* expected = options.expected;
    const auto changed = [&] {
        WriteResult result = failed(changedMessage(path));
        result.changedOnDisk = true;
        return result;
    };
    if (expected != nullptr && expected->exists != target.exists) return changed();

    // The bytes on disk now, read once: they are what the backup keeps, and they must be what
    // the editor read.
    QByteArray previous;
    struct stat before = target.info;
    const bool backup = options.backup == Backup::Keep && target.exists;
    if (target.exists && (backup || expected != nullptr)) {
        const Fd fd(::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (!fd.valid() || ::fstat(fd.get(), &before) != 0)
            return failed(QStringLiteral("无法备份：无法读取原来的文件：%1").arg(shown(path)));
        if (before.st_ino != target.info.st_ino || before.st_dev != target.info.st_dev) return changed();
        if (readAll(fd.get(), std::numeric_limits<qint64>::max() - 1, &previous) != 0)
            return failed(QStringLiteral("无法备份：无法读取原来的文件：%1").arg(shown(path)));
        if (expected != nullptr && (previous.size() != expected->size ||
                                    QCryptographicHash::hash(previous, QCryptographicHash::Sha1) != expected->hash)) {
            return changed();
        }
        if (previous.size() != before.st_size) return changed();  // written while it was read
    }
    const QString backupName = options.backupPath.isEmpty() ? backupPath(path) : options.backupPath;
    if (backup) {
        if (QString error = writeBackup(backupName, previous, before); !error.isEmpty()) return failed(error);
    }

    WriteResult result;
    if (target.exists && before.st_nlink > 1 && options.backup != Backup::Move) {
        result.error = writeInPlace(target, bytes, before);
        result.changedOnDisk = result.error == changedMessage(target.path);
        if (result.ok()) {
            result.notice = QStringLiteral("这个文件共有 %1 个名字（硬链接）：已在原处写入，每个名字看到的都是新内容。")
                                .arg(before.st_nlink);
        }
        return result;
    }

    Temporary temporary;
    const QString folder = folderOf(target.path);
    if (const int error = temporary.write(folder, QFileInfo(target.path).fileName(), bytes,
                                          target.exists ? &before : nullptr, &result.notice);
        error != 0) {
        return failed(writeError(target.path, error, bytes.size()));
    }
    // Whatever was written to the file since it was read would be lost by the rename.
    if (target.exists && !unchanged(name, before)) return changed();
    // Moved aside, the old file leaves the name free: the new one then takes it without a name
    // of its own in between, so a kill leaves no temporary file.
    const bool moved = target.exists && options.backup == Backup::Move;
    if (moved && ::rename(name.constData(), native(backupName).constData()) != 0)
        return failed(writeError(backupName, errno, bytes.size()));
    if (const int error = temporary.rename(name, !target.exists || moved); error != 0) {
        if (error == EEXIST) return changed();  // the file appeared meanwhile
        return failed(writeError(target.path, error, bytes.size()));
    }
    return result;
}

// The system's words for an errno value; std::strerror may share one buffer between threads,
// and the saves run off the UI thread.
QString systemError(int error) { return QString::fromStdString(std::generic_category().message(error)); }

int readAll(int fd, qint64 limit, QByteArray* bytes) {
    char buffer[65536];
    while (bytes->size() <= limit) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return errno;
        if (count == 0) break;
        bytes->append(buffer, count);
    }
    return 0;
}

}  // namespace storage
