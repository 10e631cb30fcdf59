#include "storage/file_stamp.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

namespace storage {

namespace {

QByteArray hashOf(QByteArrayView bytes) { return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1); }

}  // namespace

FileStamp stampOf(const QString& path, QByteArrayView bytes) {
    const QFileInfo info(path);
    FileStamp stamp;
    stamp.exists = info.isFile();
    if (!stamp.exists) return stamp;
    stamp.size = bytes.size();
    stamp.modified = info.lastModified();
    stamp.hash = hashOf(bytes);
    return stamp;
}

FileStamp stampOf(const QString& path) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) return {};
    return stampOf(path, file.readAll());
}

DiskChange changeOnDisk(const QString& path, const FileStamp& stamp) {
    const QFileInfo info(path);
    if (!info.isFile()) return stamp.exists ? DiskChange::Removed : DiskChange::None;
    if (!stamp.exists || info.size() != stamp.size) return DiskChange::Content;
    const FileStamp now = stampOf(path);
    if (!now.exists || now.hash != stamp.hash) return DiskChange::Content;
    return now.modified == stamp.modified ? DiskChange::None : DiskChange::TimeOnly;
}

}  // namespace storage
