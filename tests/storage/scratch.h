// Helpers for the storage tests: files in a scratch folder, and the Linux means (an
// immutable flag, a small tmpfs) to make a folder read-only or a disk full even for root.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <utility>

#include <ostream>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>

// Readable failure output: text as UTF-8, bytes with the non-printable ones escaped.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QByteArray& bytes, std::ostream* out) {
    *out << '"';
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && c != '\\') {
            *out << c;
        } else {
            static const char digits[] = "0123456789ABCDEF";
            *out << "\\x" << digits[byte >> 4] << digits[byte & 15];
        }
    }
    *out << '"';
}

namespace scratch {

inline QByteArray read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
}

// The names in a folder, sorted, without "." and "..".
inline QStringList entries(const QString& folder) {
    const auto all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    return QDir(folder).entryList(all, QDir::Name);
}

inline bool root() { return geteuid() == 0; }

// Sets the immutable attribute (chattr +i) on a file or folder for its lifetime: then
// nobody, root included, may change it or, for a folder, add or rename entries in it.
class Immutable {
public:
    explicit Immutable(QString path) : path_(std::move(path)) { set_ = flip(true); }
    ~Immutable() {
        if (set_) flip(false);
    }
    Immutable(const Immutable&) = delete;
    Immutable& operator=(const Immutable&) = delete;
    bool set() const { return set_; }

private:
    bool flip(bool on) {
        const int fd = open(QFile::encodeName(path_).constData(), O_RDONLY | O_NONBLOCK);
        if (fd < 0) return false;
        int flags = 0;
        bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = done && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        close(fd);
        return done;
    }

    QString path_;
    bool set_ = false;
};

// A tmpfs of the given size mounted on a folder for its lifetime (root only).
class Tmpfs {
public:
    Tmpfs(const QString& folder, const char* size) : folder_(QFile::encodeName(folder)) {
        const QByteArray options = QByteArray("size=") + size;
        mounted_ = mount("tmpfs", folder_.constData(), "tmpfs", 0, options.constData()) == 0;
    }
    ~Tmpfs() {
        if (mounted_) umount2(folder_.constData(), MNT_DETACH);
    }
    Tmpfs(const Tmpfs&) = delete;
    Tmpfs& operator=(const Tmpfs&) = delete;
    bool mounted() const { return mounted_; }
    bool makeReadOnly() { return mount("tmpfs", folder_.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0; }

private:
    QByteArray folder_;
    bool mounted_ = false;
};

}  // namespace scratch
