// Reading and writing whole files so that a failed or interrupted write never damages
// what is on disk: every write goes to a temporary file that replaces the old one only
// when complete, and an overwritten file's previous content is kept as NAME.bak.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace storage {

struct ReadResult {
    QByteArray bytes;
    QString error;  // e.g. "无法打开：文件不存在：/x/y.yml"; empty on success

    bool ok() const { return error.isEmpty(); }
};

// The whole content of a file.
ReadResult readFile(const QString& path);

struct WriteResult {
    // Empty on success; otherwise a plain message naming the cause and the place, one of
    //   无法写入：文件夹不存在：FOLDER
    //   无法写入：这是一个文件夹，不是文件：PATH
    //   无法写入：磁盘是只读的：FOLDER
    //   无法写入：没有在这个文件夹中写入的权限（文件夹可能是只读的）：FOLDER
    //   无法写入：没有写入这个文件的权限（文件可能是只读的）：PATH
    //   无法写入：磁盘空间不足：PATH
    //   无法写入：QT'S OWN REASON：PATH
    //   无法写入：没有文件名                (an empty path)
    //   无法备份：无法读取原来的文件：PATH
    // PATH is NAME.bak when the backup could not be written. The file itself is then
    // exactly as it was.
    QString error;

    bool ok() const { return error.isEmpty(); }
};

enum class Backup { Keep, None };

// Where the previous content of path is kept: "socket.yml" -> "socket.yml.bak".
QString backupPath(const QString& path);

// Replaces (or creates) path with bytes, atomically. With Backup::Keep and an existing
// file, its current content is first written, atomically too, to backupPath(path).
WriteResult writeFileAtomically(const QString& path, QByteArrayView bytes, Backup backup = Backup::Keep);

}  // namespace storage
