// Opening a file into a panel: reading and decoding it (on any thread), then what the panel's
// document becomes and what the user is told once its text is in.
#pragma once

#include <QString>
#include <optional>

#include "documents/document.h"
#include "storage/text_file.h"

namespace documents {

struct Read {
    storage::OpenedFile file;
    int lines = 0;
};

// Reads and decodes the file: without an encoding, UTF-8 when the bytes are valid UTF-8,
// otherwise GBK. Any thread.
Read read(const QString& path, std::optional<storage::Encoding> encoding);
// The same for bytes read elsewhere (a server's file, with its stamp), by the same rules.
Read fromBytes(const QByteArray& bytes, const storage::FileStamp& stamp, std::optional<storage::Encoding> encoding);

// What opening it did, once its text is in the panel: the refusal when the read failed. place
// names the server profile of a server's file (empty: this computer).
Outcome opened(const QString& path, const Read& read);
Outcome opened(const QString& place, const QString& path, const Read& read);

// The panel's document after the text replaced the panel's own.
Document documentOf(const QString& path, const Read& read);
Document documentOf(const QString& place, const QString& path, const Read& read);

// The encoding that "以其他编码重新打开" reads the document's file in.
storage::Encoding otherEncoding(const Document& document);

}  // namespace documents
