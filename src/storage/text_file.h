// Opening a server's YAML file into the editor, saving the editor's text back into it, and
// appending a built block to it: the codec and the safe writes put together, each step
// leaving a stamp to tell later whether the file changed on disk.
#pragma once

#include "storage/file_stamp.h"
#include "storage/safe_write.h"
#include "storage/text_codec.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace storage {

struct OpenedFile {
    DecodedText decoded;  // text, format, invalid bytes (see invalidBytesWarning)
    FileStamp stamp;      // of the bytes just read
    QString error;        // "无法打开：..."; empty on success

    bool ok() const { return error.isEmpty(); }
};

// Reads and decodes a file, detecting its encoding.
OpenedFile openTextFile(const QString& path);

// Reads it again with the given encoding ("reopen as GBK" / "reopen as UTF-8").
OpenedFile openTextFile(const QString& path, Encoding encoding);

struct SavedFile {
    FileStamp stamp = {};        // of the bytes written; empty on failure
    QString error = {};          // from encodeText or writeFileAtomically; empty on success
    QString notice = {};         // what the write could not keep (see WriteResult::notice)
    bool changedOnDisk = false;  // refused: the file is not what was read

    bool ok() const { return error.isEmpty(); }
};

struct AppendPlan {
    QByteArray bytes;         // the whole new content: the old bytes unchanged, then the block
    TextFormat format;        // the file's own, which the block was encoded in
    FileStamp original;       // the file as it was read for the plan
    QString error;            // "无法打开：..." or from encodeText; empty on success
    bool readFailed = false;  // the error is the file's, not a character of the block

    bool ok() const { return error.isEmpty(); }
    // The file's content as it was read (the start of bytes).
    QByteArrayView oldBytes() const { return QByteArrayView(bytes).first(original.exists ? original.size : 0); }
};

// What appending block to the file would write. The file's encoding and line ends win;
// a line break goes between old content that does not end with one and the block. The
// old bytes are kept as they are, invalid ones too. A missing file is started afresh
// (UTF-8, CR LF). The block may use "\n" or "\r\n"; U+FFFD in it is written as typed.
AppendPlan planAppend(const QString& path, QStringView block);

// Writes a plan atomically, keeping the old content as NAME.bak. Refuses, writing nothing,
// when the file changed since the plan read it:
// "无法追加：文件在读取之后被改动过，请重新追加：PATH".
SavedFile writeAppend(const QString& path, const AppendPlan& plan);

}  // namespace storage
