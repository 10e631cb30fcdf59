// A server file's bytes to the editor's text and back: UTF-8 or GBK, LF or CR LF, with or
// without a byte-order mark, reporting invalid bytes and unencodable characters instead of
// losing them silently.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

namespace storage {

enum class Encoding { Utf8, Gbk };
enum class LineEnd { Lf, CrLf };

// How a file is written: what it was read with, so that saving an unchanged file gives
// back the same bytes. A new file gets the editor's own convention, UTF-8 and CR LF.
struct TextFormat {
    Encoding encoding = Encoding::Utf8;
    bool bom = false;  // UTF-8 only: the file starts with EF BB BF
    LineEnd lineEnd = LineEnd::CrLf;

    bool operator==(const TextFormat&) const = default;
};

struct DecodedText {
    QString text;  // line breaks as "\n" only (a CR that ends no line stays a CR)
    TextFormat format;
    // The first line (from 1) holding bytes that are invalid in format.encoding, 0 when
    // there are none. Each invalid sequence is U+FFFD in text, and writing the text back
    // would lose the original bytes: pass Replacements::Refuse when saving.
    int invalidLine = 0;
    // Both LF and CR LF occur; the text has "\n" for both and a save writes format.lineEnd
    // everywhere.
    bool mixedLineEnds = false;
    // What a save of this text would write otherwise than the file has it, one entry each
    // for the user: line ends of the minority kind, CRs that end no line, U+2029, U+FDD0 and
    // U+FDD1 (the text panel takes them for line breaks), e.g.
    // "文件第 3 行的换行符是 LF，保存时会和其他行一样写成 CR LF". Empty for most files.
    QStringList quietChanges;

    bool hasInvalidBytes() const { return invalidLine > 0; }
};

// Decodes as UTF-8 when the bytes are valid UTF-8 or start with a UTF-8 byte-order mark,
// otherwise as GBK (code page 936). Line ends: the more frequent of LF and CR LF; a file
// with no line break counts as CR LF.
DecodedText decodeText(QByteArrayView bytes);

// Decodes with the given encoding whatever the bytes look like ("reopen as GBK").
DecodedText decodeText(QByteArrayView bytes, Encoding encoding);

// How sure decodeText's choice of encoding is. Unsure when the bytes hold non-ASCII that reads
// in both encodings, when the chosen one leaves invalid bytes, or when bytes invalid as UTF-8
// are few among valid UTF-8 characters (a UTF-8 file with a stray byte, which GBK happens to
// read): writing more text in the guessed encoding could then mix two encodings in one file.
struct EncodingGuess {
    Encoding encoding = Encoding::Utf8;
    bool certain = true;
    QString why;  // when unsure, e.g. "文件中的字节按 UTF-8 和 GBK 都能读出文字"
};
EncodingGuess guessEncoding(QByteArrayView bytes);

// What the editor tells the user about invalid bytes, e.g.
// "第 3 行有 GBK 编码无法识别的字节，已显示为“�”。直接保存会丢失这些字节。"; empty when none.
QString invalidBytesWarning(const DecodedText& decoded);

// "UTF-8" or "GBK", as the user reads them and as sessions and scripts write them.
QString encodingName(Encoding encoding);
std::optional<Encoding> encodingNamed(QStringView name);

// How a line end is written: "CRLF" / "LF" in sessions and scripts, "CR LF" / "LF" for the user.
enum class Spelling { Compact, Spaced };
QString lineEndName(LineEnd lineEnd, Spelling spelling = Spelling::Compact);
std::optional<LineEnd> lineEndNamed(QStringView name);

// Whether this Qt build can convert GBK (it needs ICU or a system converter).
bool gbkAvailable();

// What to do with U+FFFD REPLACEMENT CHARACTER in the text being saved: Refuse stops the
// save, since in a file opened with invalid bytes each one stands for bytes that would
// be lost; Write writes it (UTF-8 only: GBK cannot hold it).
enum class Replacements { Refuse, Write };

struct EncodedText {
    QByteArray bytes;        // empty when error is set
    QString error;           // a plain message naming the character and where it is
    char32_t character = 0;  // the character that stopped the save
    int line = 0;            // its line and column (from 1, in characters)
    int column = 0;

    bool ok() const { return error.isEmpty(); }
};

// The bytes of "\n"-separated text in the given format: byte-order mark when format.bom
// (UTF-8), every "\n" written as format.lineEnd. A character the encoding cannot hold
// stops the encoding with no bytes and a message such as
// "无法用 GBK 保存：第 2 行第 5 列的字符“😀”（U+1F600）不在 GBK 字符集中。".
EncodedText encodeText(QStringView text, const TextFormat& format, Replacements replacements = Replacements::Refuse);

}  // namespace storage
