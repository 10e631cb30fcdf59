// Reading and writing whole files so that a failed or interrupted write never damages
// what is on disk: every write goes to a temporary file that replaces the old one only
// when complete, and an overwritten file's previous content is kept as NAME.bak. Only
// regular files are read or written: a pipe, a device or a folder is refused before any
// byte moves, and no link is written through but the one the user named.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include "storage/file_stamp.h"

namespace storage {

// The most an open reads: what the editor's panels hold without becoming unusable.
constexpr qint64 kMaxFileBytes = qint64{64} << 20;

struct ReadResult {
    QByteArray bytes;
    QString error;  // e.g. "无法打开：文件不存在：/x/y.yml"; empty on success

    bool ok() const { return error.isEmpty(); }
};

// The whole content of a regular file, at most limit bytes. Anything else (a folder, a pipe,
// a device) is refused without waiting on it:
//   无法打开：文件不存在：PATH
//   无法打开：这是一个文件夹，不是文件：PATH
//   无法打开：这不是普通文件（命名管道）：PATH          (字符设备, 块设备, 套接字)
//   无法打开：文件太大（80.0 MB），编辑器最多打开 64 MB：PATH
//   无法打开：没有读取这个文件的权限：PATH
ReadResult readFile(const QString& path, qint64 limit = kMaxFileBytes);

// The system's words for an errno value ("No space left on device"), safe on any thread.
QString systemError(int error);

struct WriteResult {
    // Empty on success; otherwise a plain message naming the cause and the place, one of
    //   无法写入：文件夹不存在：FOLDER
    //   无法写入：这是一个文件夹，不是文件：PATH
    //   无法写入：这不是普通文件（字符设备）：PATH
    //   无法写入：符号链接指向的文件不存在：PATH
    //   无法写入：磁盘是只读的：FOLDER
    //   无法写入：没有在这个文件夹中写入的权限（文件夹可能是只读的）：FOLDER
    //   无法写入：没有写入这个文件的权限（文件可能是只读的）：PATH
    //   无法写入：磁盘空间不足：PATH
    //   无法写入：SYSTEM'S REASON：PATH
    //   无法写入：没有文件名                (an empty path)
    //   无法备份：无法读取原来的文件：PATH
    //   无法备份：NAME.bak 不是普通文件（符号链接），请先移走它：PATH.bak
    //   文件在读取之后被改动过：PATH        (changedOnDisk)
    // PATH is NAME.bak when the backup could not be written. The file itself is then
    // exactly as it was.
    QString error;
    bool changedOnDisk = false;  // the file is not what the editor read: nothing was written
    // Said to the user although the write succeeded, e.g. that the owner could not be kept
    // or that hard links were written in place; empty when there is nothing to say.
    QString notice;

    bool ok() const { return error.isEmpty(); }
};

enum class Backup {
    Keep,  // the old content is first written, atomically too, to the backup path
    None,
    Move,  // the old file itself becomes the backup path, once the new one is complete
};

struct WriteOptions {
    Backup backup = Backup::Keep;
    QString backupPath = {};  // empty: backupPath(path)
    // What the editor read of the file (its stamp): the write is refused with changedOnDisk
    // when the file holds anything else, or appeared, or went away. nullptr: whatever is
    // there is replaced (the user said so). Changes made while the write runs are refused
    // either way.
    const FileStamp* expected = nullptr;
};

// Where the previous content of path is kept: "socket.yml" -> "socket.yml.bak".
QString backupPath(const QString& path);

// Replaces (or creates) path with bytes, atomically. A symbolic link the user named keeps
// being a link: the file it points to is replaced. The replaced file keeps its mode, and its
// owner and group where the process may set them (notice says when it may not). A file with
// other hard links is written in place after its backup, so that every name sees the new
// text (notice says so). The backup gets the file's own mode.
WriteResult writeFileAtomically(const QString& path, QByteArrayView bytes, const WriteOptions& options);
inline WriteResult writeFileAtomically(const QString& path, QByteArrayView bytes, Backup backup = Backup::Keep) {
    return writeFileAtomically(path, bytes, WriteOptions{.backup = backup});
}

// Reads an open file to its end, or to limit + 1 bytes at most (so that a caller sees a file
// over its limit); 0, or the errno of the read. A read cut by a signal goes on.
int readAll(int fd, qint64 limit, QByteArray* bytes);

}  // namespace storage
