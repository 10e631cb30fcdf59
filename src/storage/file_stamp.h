// What a file looked like when the editor last read or wrote it, and whether it has
// changed on disk since, so that a save does not overwrite someone else's edit unasked.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

namespace storage {

struct FileStamp {
    bool exists = false;
    qint64 size = 0;
    QDateTime modified;
    QByteArray hash;  // SHA-1 of the content: to notice changes, not to resist forgery

    bool operator==(const FileStamp&) const = default;
};

// Reads the file to hash it; a missing or unreadable file gives exists == false.
FileStamp stampOf(const QString& path);

// The stamp of a file whose content is known (just written or just read): hashes bytes
// and takes only the time from the disk.
FileStamp stampOf(const QString& path, QByteArrayView bytes);

enum class DiskChange {
    None,      // same content and time
    TimeOnly,  // touched or rewritten with the same content
    Content,   // different content, or the file appeared
    Removed,   // the file is gone
};

// How the file differs now from the stamp. Reads and hashes it unless the size already
// tells: a rewrite within the clock's resolution would keep the time.
DiskChange changeOnDisk(const QString& path, const FileStamp& stamp);

}  // namespace storage
