#include "documents/open.h"

#include "documents/location.h"

namespace documents {

Read read(const QString& path, std::optional<storage::Encoding> encoding) {
    Read result;
    result.file = encoding ? storage::openTextFile(path, *encoding) : storage::openTextFile(path);
    if (result.file.ok()) result.lines = lineCount(result.file.decoded.text);
    return result;
}

Read fromBytes(const QByteArray& bytes, const storage::FileStamp& stamp, std::optional<storage::Encoding> encoding) {
    Read result;
    result.file.decoded = encoding ? storage::decodeText(bytes, *encoding) : storage::decodeText(bytes);
    result.file.stamp = stamp;
    result.lines = lineCount(result.file.decoded.text);
    return result;
}

Outcome opened(const QString& path, const Read& read) { return opened({}, path, read); }

Outcome opened(const QString& place, const QString& path, const Read& read) {
    if (!read.file.ok()) return refused(Refusal::Io, read.file.error);
    const storage::DecodedText& text = read.file.decoded;
    Outcome outcome;
    outcome.format = text.format;
    outcome.lines = read.lines;
    outcome.warning = storage::invalidBytesWarning(text);
    outcome.changes = text.quietChanges;
    outcome.message = QStringLiteral("已打开 %1（%2，%3 行）")
                          .arg(shownLocation(place, path), storage::encodingName(text.format.encoding))
                          .arg(read.lines);
    return outcome;
}

Document documentOf(const QString& path, const Read& read) { return documentOf({}, path, read); }

Document documentOf(const QString& place, const QString& path, const Read& read) {
    return {path,
            read.file.decoded.format,
            read.file.stamp,
            read.file.decoded.hasInvalidBytes(),
            read.file.decoded.quietChanges,
            place};
}

storage::Encoding otherEncoding(const Document& document) {
    return document.format.encoding == storage::Encoding::Utf8 ? storage::Encoding::Gbk : storage::Encoding::Utf8;
}

}  // namespace documents
