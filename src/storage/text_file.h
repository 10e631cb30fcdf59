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
#include <optional>

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
    QByteArray bytes;             // the whole new content: the old bytes unchanged, then the block
    TextFormat format;            // the file's own, which the block was encoded in
    FileStamp original;           // the file as it was read for the plan
    QString error;                // "无法打开：..." or from encodeText; empty on success
    bool readFailed = false;      // the error is the file's, not a character of the block
    bool encodingUnsure = false;  // the error says the file's encoding cannot be told

    qsizetype oldSize = 0;  // how many bytes at the start of bytes are the file's own

    bool ok() const { return error.isEmpty(); }
    // The file's content (the start of bytes): as it was read, or as editOld left it.
    QByteArrayView oldBytes() const { return QByteArrayView(bytes).first(oldSize); }
    // Writes to instead of from at byte at of the file's content, when from is there; the only
    // change an append makes to what the file held (a block scalar's header, see documents/).
    bool editOld(qsizetype at, QByteArrayView from, QByteArrayView to);
};

// What appending block to the file would write. The file's encoding and line ends win;
// a line break goes between old content that does not end with one and the block. The
// old bytes are kept as they are, invalid ones too. A missing file is started afresh
// (UTF-8, CR LF). The block may use "\n" or "\r\n"; U+FFFD in it is written as typed.
// encoding: the file's, as the user says it; without it, a block with non-ASCII is refused
// (encodingUnsure) when the file's encoding is not certain (guessEncoding).
AppendPlan planAppend(const QString& path, QStringView block, std::optional<Encoding> encoding = std::nullopt);

// Writes a plan atomically, keeping the old content as NAME.bak. Refuses, writing nothing,
// when the file changed since the plan read it:
// "无法追加：文件在读取之后被改动过，请重新追加：PATH".
SavedFile writeAppend(const QString& path, const AppendPlan& plan);

}  // namespace storage
