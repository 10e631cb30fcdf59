#include "project/reading/place.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

#include <cerrno>
#include <utility>

#include "storage/safe_write.h"

namespace project {

namespace {

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            if (fd_ >= 0) ::close(fd_);
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

QString kindOf(mode_t mode) {
    if (S_ISFIFO(mode)) return QStringLiteral("命名管道");
    if (S_ISCHR(mode)) return QStringLiteral("字符设备");
    if (S_ISBLK(mode)) return QStringLiteral("块设备");
    if (S_ISSOCK(mode)) return QStringLiteral("套接字");
    if (S_ISLNK(mode)) return QStringLiteral("符号链接");
    if (S_ISDIR(mode)) return QStringLiteral("文件夹");
    return QStringLiteral("特殊文件");
}

QDateTime timeOf(const struct stat& info) {
    return QDateTime::fromMSecsSinceEpoch(qint64{info.st_mtim.tv_sec} * 1000 + info.st_mtim.tv_nsec / 1000000);
}

QString megabytes(qint64 bytes) {
    return QString::number(static_cast<double>(bytes) / (1024.0 * 1024.0), 'f', bytes % (1 << 20) == 0 ? 0 : 1);
}

// An open below the folder: the descriptor, or why not.
struct Opened {
    Fd fd;
    int error = 0;      // errno
    bool link = false;  // the part it stopped at is a link: the folder's listing said otherwise
    bool last = false;  // it stopped at the last part
};

// Why a file could not be opened, as the user reads it.
QString fileError(const Opened& opened) {
    if (opened.link) {
        return opened.last ? QStringLiteral("无法打开：这是符号链接，编辑器不跟随文件夹里的链接")
                           : QStringLiteral("无法打开：所在的文件夹是符号链接，编辑器不跟随文件夹里的链接");
    }
    if (opened.error == ENOENT || opened.error == ENOTDIR) return QStringLiteral("无法打开：文件不存在");
    if (opened.error == EACCES) return QStringLiteral("无法打开：没有读取的权限");
    return QStringLiteral("无法打开：%1").arg(storage::systemError(opened.error));
}

// Why a folder could not be listed.
QString folderError(const Opened& opened) {
    if (opened.link) return QStringLiteral("这是符号链接，编辑器不跟随文件夹里的链接");
    if (opened.error == ENOENT) return QStringLiteral("文件夹不存在");
    if (opened.error == ENOTDIR) return QStringLiteral("这不是文件夹");
    if (opened.error == EACCES) return QStringLiteral("没有读取这个文件夹的权限");
    return storage::systemError(opened.error);
}

// Opens a path below the folder one part at a time, none of them through a link: the folders on
// the way as folders, the last part with flags.
Opened openBelow(int root, const QString& path, int flags) {
    Opened out;
    out.fd = Fd(::fcntl(root, F_DUPFD_CLOEXEC, 0));
    if (!out.fd.valid()) {
        out.error = errno;
        return out;
    }
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QByteArray name = QFile::encodeName(parts[i]);
        out.last = i + 1 == parts.size();
        if (name == "." || name == "..") {
            out.fd = Fd();
            out.error = ENOENT;
            return out;
        }
        const int mode = out.last ? flags : O_RDONLY | O_DIRECTORY;
        Fd next(::openat(out.fd.get(), name.constData(), mode | O_NOFOLLOW | O_CLOEXEC));
        if (!next.valid()) {
            out.error = errno;
            struct stat info {};
            out.link =
                ::fstatat(out.fd.get(), name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode);
            out.fd = Fd();
            return out;
        }
        out.fd = std::move(next);
    }
    return out;
}

PlaceRead readOne(int root, const QString& path, qint64 limit) {
    PlaceRead out;
    Opened opened = openBelow(root, path, O_RDONLY | O_NONBLOCK | O_NOCTTY);
    if (!opened.fd.valid()) {
        out.error = fileError(opened);
        return out;
    }
    const Fd fd = std::move(opened.fd);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        out.error = QStringLiteral("无法打开：%1").arg(storage::systemError(errno));
        return out;
    }
    if (!S_ISREG(info.st_mode)) {
        out.error = QStringLiteral("无法打开：这不是普通文件（%1）").arg(kindOf(info.st_mode));
        return out;
    }
    const auto tooLarge = [&](qint64 size) {
        out.bytes.clear();
        out.error =
            QStringLiteral("无法打开：文件太大（%1 MB），编辑器最多打开 %2 MB").arg(megabytes(size), megabytes(limit));
        return out;
    };
    if (info.st_size > limit) return tooLarge(info.st_size);
    out.bytes.reserve(static_cast<qsizetype>(info.st_size));
    if (const int error = storage::readAll(fd.get(), limit, &out.bytes); error != 0) {
        out.bytes.clear();
        out.error = QStringLiteral("无法打开：%1").arg(storage::systemError(error));
        return out;
    }
    if (out.bytes.size() > limit) return tooLarge(out.bytes.size());
    out.size = out.bytes.size();
    out.modified = timeOf(info);
    return out;
}

}  // namespace

LocalPlace::LocalPlace(QString root) : root_(std::move(root)) {
    rootFd_ = ::open(QFile::encodeName(root_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (rootFd_ < 0) {
        const int error = errno;
        if (error == ENOENT) {
            rootError_ = QStringLiteral("文件夹不存在");
        } else if (error == ENOTDIR) {
            rootError_ = QStringLiteral("这不是文件夹");
        } else if (error == EACCES) {
            rootError_ = QStringLiteral("没有读取这个文件夹的权限");
        } else {
            rootError_ = storage::systemError(error);
        }
    }
}

LocalPlace::~LocalPlace() {
    if (rootFd_ >= 0) ::close(rootFd_);
}

PlaceListing LocalPlace::list(const QString& folder) {
    PlaceListing out;
    if (rootFd_ < 0) {
        out.error = rootError_;
        return out;
    }
    Opened opened = openBelow(rootFd_, folder, O_RDONLY | O_DIRECTORY);
    if (!opened.fd.valid()) {
        out.error = folderError(opened);
        return out;
    }
    Fd fd = std::move(opened.fd);
    DIR* dir = ::fdopendir(fd.get());
    if (dir == nullptr) {
        out.error = storage::systemError(errno);
        return out;
    }
    const int dirFd = fd.release();  // the DIR owns it now
    while (true) {
        errno = 0;
        // readdir is unsafe only on one stream shared by threads; this one is the call's own.
        const dirent* entry = ::readdir(dir);  // NOLINT(concurrency-mt-unsafe)
        if (entry == nullptr) {
            if (errno != 0) out.error = storage::systemError(errno);
            break;
        }
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..") continue;
        struct stat info {};
        if (::fstatat(dirFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone meanwhile
        PlaceItem item;
        item.name = QFile::decodeName(name);
        item.type = S_ISREG(info.st_mode)   ? PlaceItem::Type::File
                    : S_ISDIR(info.st_mode) ? PlaceItem::Type::Folder
                    : S_ISLNK(info.st_mode) ? PlaceItem::Type::Link
                                            : PlaceItem::Type::Other;
        if (item.type == PlaceItem::Type::Other) item.kind = kindOf(info.st_mode);
        item.size = info.st_size;
        item.modified = timeOf(info);
        out.items.append(std::move(item));
    }
    ::closedir(dir);
    return out;
}

QList<PlaceRead> LocalPlace::read(const QStringList& paths, qint64 limit) {
    QList<PlaceRead> out;
    out.reserve(paths.size());
    for (const QString& path : paths) {
        if (rootFd_ < 0) {
            PlaceRead failed;
            failed.error = QStringLiteral("无法打开：%1").arg(rootError_);
            out.append(std::move(failed));
            continue;
        }
        out.append(readOne(rootFd_, path, limit));
    }
    return out;
}

}  // namespace project
