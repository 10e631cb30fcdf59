#include "storage/safe_write.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

#include <cerrno>

namespace storage {

namespace {

QString shown(const QString& path) { return QDir::toNativeSeparators(path); }

QString folderOf(const QString& path) { return QFileInfo(path).absolutePath(); }

// Why a write to path failed, worded for the user. Qt reports only its own text, so the
// cause is found by looking at the folder, the file and the disk afterwards; Qt's text
// is the last resort.
QString writeError(const QString& path, const QString& qtError, qsizetype size) {
    const QString folder = folderOf(path);
    const QFileInfo folderInfo(folder);
    const QFileInfo fileInfo(path);
    const QStorageInfo disk(folder);
    const auto says = [&](int code) { return qtError.contains(qt_error_string(code)); };
    if (!folderInfo.exists()) return QStringLiteral("无法写入：文件夹不存在：%1").arg(shown(folder));
    if (!folderInfo.isDir()) return QStringLiteral("无法写入：不是文件夹：%1").arg(shown(folder));
    if (fileInfo.isDir()) return QStringLiteral("无法写入：这是一个文件夹，不是文件：%1").arg(shown(path));
    if ((disk.isValid() && disk.isReadOnly()) || says(EROFS))
        return QStringLiteral("无法写入：磁盘是只读的：%1").arg(shown(folder));
    if (!folderInfo.isWritable()) {
        return QStringLiteral("无法写入：没有在这个文件夹中写入的权限（文件夹可能是只读的）：%1").arg(shown(folder));
    }
    if (fileInfo.exists() && !fileInfo.isWritable()) {
        return QStringLiteral("无法写入：没有写入这个文件的权限（文件可能是只读的）：%1").arg(shown(path));
    }
    if ((disk.isValid() && disk.bytesAvailable() < size) || says(ENOSPC))
        return QStringLiteral("无法写入：磁盘空间不足：%1").arg(shown(path));
    return QStringLiteral("无法写入：%1：%2").arg(qtError, shown(path));
}

// One atomic replacement: QSaveFile writes a temporary file in the same folder and
// renames it over path only after everything was written and flushed.
QString replace(const QString& path, QByteArrayView bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return writeError(path, file.errorString(), bytes.size());
    if (file.write(bytes.data(), bytes.size()) != bytes.size()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return writeError(path, error, bytes.size());
    }
    if (!file.commit()) return writeError(path, file.errorString(), bytes.size());
    return {};
}

}  // namespace

ReadResult readFile(const QString& path) {
    ReadResult result;
    const QFileInfo info(path);
    if (!info.exists()) {
        result.error = QStringLiteral("无法打开：文件不存在：%1").arg(shown(path));
        return result;
    }
    if (info.isDir()) {
        result.error = QStringLiteral("无法打开：这是一个文件夹，不是文件：%1").arg(shown(path));
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = info.isReadable() ? QStringLiteral("无法打开：%1：%2").arg(file.errorString(), shown(path))
                                         : QStringLiteral("无法打开：没有读取这个文件的权限：%1").arg(shown(path));
        return result;
    }
    result.bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        result.bytes.clear();
        result.error = QStringLiteral("无法打开：%1：%2").arg(file.errorString(), shown(path));
    }
    return result;
}

QString backupPath(const QString& path) { return path + QStringLiteral(".bak"); }

WriteResult writeFileAtomically(const QString& path, QByteArrayView bytes, Backup backup) {
    if (path.isEmpty()) return {QStringLiteral("无法写入：没有文件名")};
    const QFileInfo info(path);
    // Causes that would fail the backup and the write alike are reported for the file.
    if (!QFileInfo(info.absolutePath()).isDir() || info.isDir()) return {writeError(path, QString(), bytes.size())};
    if (backup == Backup::Keep && info.exists()) {
        QFile old(path);
        if (!old.open(QIODevice::ReadOnly))
            return {QStringLiteral("无法备份：无法读取原来的文件：%1").arg(shown(path))};
        const QByteArray previous = old.readAll();
        if (old.error() != QFileDevice::NoError)
            return {QStringLiteral("无法备份：无法读取原来的文件：%1").arg(shown(path))};
        if (QString error = replace(backupPath(path), previous); !error.isEmpty()) return {error};
    }
    return {replace(path, bytes)};
}

}  // namespace storage
