#include "storage/text_codec.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <initializer_list>
#include <utility>

namespace storage {

namespace {

constexpr QByteArrayView kBom("\xEF\xBB\xBF");
constexpr char16_t kReplacement = 0xFFFD;

// Stateless: a sequence cut short at the end of the input is an error, not kept for a
// next call. ConvertInitialBom: a U+FEFF after the mark we strip ourselves stays text.
constexpr auto kFlags = QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;

// The first name this Qt build converts. GB18030 extends GBK, so it can read GBK files,
// but it would write characters GBK lacks as four-byte sequences: reading only.
const char* gbkName(bool forWriting) {
    static const char* const reader = [] {
        for (const char* name : {"GBK", "CP936", "windows-936", "GB18030"})
            if (QStringDecoder(name).isValid()) return name;
        return static_cast<const char*>(nullptr);
    }();
    static const char* const writer = [] {
        for (const char* name : {"GBK", "CP936", "windows-936"})
            if (QStringEncoder(name).isValid()) return name;
        return static_cast<const char*>(nullptr);
    }();
    return forWriting ? writer : reader;
}

QStringDecoder decoderFor(Encoding encoding) {
    if (encoding == Encoding::Gbk && gbkName(false)) return QStringDecoder(gbkName(false), kFlags);
    return QStringDecoder(QStringConverter::Utf8, kFlags);
}

QStringEncoder encoderFor(Encoding encoding) {
    if (encoding == Encoding::Gbk) return QStringEncoder(gbkName(true), kFlags);
    return QStringEncoder(QStringConverter::Utf8, kFlags);
}

// Which line end a file uses: the more frequent, CR LF on a tie or with none.
struct LineEnds {
    LineEnd dominant = LineEnd::CrLf;
    bool mixed = false;
    bool anyCrLf = false;
};

LineEnds lineEndsOf(QByteArrayView bytes) {
    qsizetype lf = 0;
    qsizetype crlf = 0;
    for (qsizetype at = bytes.indexOf('\n'); at >= 0; at = bytes.indexOf('\n', at + 1)) {
        if (at > 0 && bytes[at - 1] == '\r')
            ++crlf;
        else
            ++lf;
    }
    return {lf > crlf ? LineEnd::Lf : LineEnd::CrLf, lf > 0 && crlf > 0, crlf > 0};
}

// Makes every CR LF a LF, in place. Done on the decoded text rather than on the bytes, to
// spare a copy of the file: CR and LF decode to themselves in UTF-8 and GBK, and neither
// byte occurs inside a multi-byte character, so the result is the same.
void dropCrBeforeLf(QString* text) {
    QChar* const begin = text->data();
    const QChar* const end = begin + text->size();
    QChar* out = begin;
    for (const QChar* in = begin; in != end; ++in) {
        if (*in == u'\r' && in + 1 != end && in[1] == u'\n') continue;
        *out++ = *in;
    }
    text->truncate(out - begin);
}

// Decodes the body into *text. On invalid bytes, returns false at once when failFast;
// otherwise decodes again line by line to find the first line with them (*invalidLine).
bool decodeBody(QByteArrayView body, Encoding encoding, bool failFast, QString* text, int* invalidLine) {
    QStringDecoder whole = decoderFor(encoding);
    *text = whole.decode(body);
    *invalidLine = 0;
    if (!whole.hasError()) return true;
    if (failFast) return false;

    // The decoder's error flag stays set once raised, so the line after which it first
    // shows is the first bad one. The last line gets a "\n" for the decoding: a lead byte
    // cut short at the end of the file then becomes U+FFFD instead of vanishing.
    QStringDecoder lines = decoderFor(encoding);
    text->clear();
    text->reserve(body.size());
    qsizetype start = 0;
    for (int line = 1; start < body.size(); ++line) {
        const bool hadError = lines.hasError();
        const qsizetype lf = body.indexOf('\n', start);
        if (lf >= 0) {
            text->append(QString(lines.decode(body.sliced(start, lf + 1 - start))));
            start = lf + 1;
        } else {
            QByteArray last = body.sliced(start).toByteArray();
            last.append('\n');
            QString decoded = lines.decode(last);
            decoded.chop(1);
            text->append(decoded);
            start = body.size();
        }
        if (!hadError && lines.hasError()) *invalidLine = line;
    }
    return true;
}

// The decoded text of bytes (byte-order mark already removed) and what it was read with.
QString hex(char32_t cp) {
    return QStringLiteral("U+%1").arg(static_cast<uint>(cp), 4, 16, QLatin1Char('0')).toUpper();
}

// "第 2、5、9 行" for up to five line numbers, "第 2、5、9、11、12 行等 14 行" past them.
QString linesNamed(const QList<int>& lines) {
    QStringList shown;
    for (qsizetype i = 0; i < lines.size() && i < 5; ++i) shown << QString::number(lines[i]);
    QString text = QStringLiteral("第 %1 行").arg(shown.join(QStringLiteral("、")));
    if (lines.size() > 5) text += QStringLiteral("等 %1 行").arg(lines.size());
    return text;
}

// What the text panel cannot hold as the file has it, so that a save writes it otherwise: line
// ends of the minority kind, a CR that ends no line, and the characters the panel takes for a
// line break (U+2029 and the frame marks U+FDD0, U+FDD1). Lines of the file, from 1.
QStringList quietChangesOf(QByteArrayView bytes, const QString& text, LineEnd dominant, bool mixed) {
    QStringList changes;
    QList<int> minority;
    QList<int> loneCr;
    int line = 1;
    for (qsizetype at = 0; at < bytes.size(); ++at) {
        if (bytes[at] == '\r' && (at + 1 == bytes.size() || bytes[at + 1] != '\n')) {
            if (loneCr.isEmpty() || loneCr.last() != line) loneCr << line;
        } else if (bytes[at] == '\n') {
            const bool crlf = at > 0 && bytes[at - 1] == '\r';
            if (mixed && crlf != (dominant == LineEnd::CrLf)) minority << line;
            ++line;
        }
    }
    if (!minority.isEmpty()) {
        changes << QStringLiteral("文件%1的换行符是 %2，保存时会和其他行一样写成 %3")
                       .arg(linesNamed(minority),
                            lineEndName(dominant == LineEnd::CrLf ? LineEnd::Lf : LineEnd::CrLf, Spelling::Spaced),
                            lineEndName(dominant, Spelling::Spaced));
    }
    if (!loneCr.isEmpty())
        changes << QStringLiteral("文件%1有单独的 CR（回车符），保存时会变成换行").arg(linesNamed(loneCr));
    for (const char16_t character : {u'\u2029', u'\uFDD0', u'\uFDD1'}) {
        QList<int> lines;
        int at = 1;
        for (const QChar c : text) {
            if (c == u'\n') ++at;
            if (c == QChar(character) && (lines.isEmpty() || lines.last() != at)) lines << at;
        }
        if (!lines.isEmpty()) {
            changes << QStringLiteral("文件%1有字符 %2，编辑框把它当作换行，保存时会变成换行")
                           .arg(linesNamed(lines), hex(character));
        }
    }
    return changes;
}

DecodedText decodedFrom(QByteArrayView bytes, Encoding encoding, bool bom, QString text, int invalidLine) {
    const LineEnds ends = lineEndsOf(bytes);
    DecodedText decoded;
    decoded.text = std::move(text);
    if (ends.anyCrLf) dropCrBeforeLf(&decoded.text);
    decoded.format = {encoding, bom, ends.dominant};
    decoded.invalidLine = invalidLine;
    decoded.mixedLineEnds = ends.mixed;
    // Quick look first: most files have none of these.
    const bool suspect = ends.mixed || bytes.contains('\r') || decoded.text.contains(QChar(0x2029)) ||
                         decoded.text.contains(QChar(0xFDD0)) || decoded.text.contains(QChar(0xFDD1));
    if (suspect) decoded.quietChanges = quietChangesOf(bytes, decoded.text, ends.dominant, ends.mixed);
    return decoded;
}

// The code point starting at text[at] (a lone surrogate stands for itself) and its length.
char32_t codePointAt(QStringView text, qsizetype at, qsizetype* length) {
    const QChar c = text[at];
    if (c.isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate()) {
        *length = 2;
        return QChar::surrogateToUcs4(c, text[at + 1]);
    }
    *length = 1;
    return c.unicode();
}

// A failed encoding at text[at]: the character, its line and column; the caller words
// the message with located().
EncodedText failure(QStringView text, qsizetype at) {
    EncodedText result;
    const qsizetype lineStart = text.lastIndexOf(u'\n', at) + 1;  // 0 on the first line
    result.line = static_cast<int>(text.first(lineStart).count(u'\n')) + 1;
    qsizetype length = 1;
    for (qsizetype i = lineStart; i < at; i += length) {
        codePointAt(text, i, &length);
        ++result.column;
    }
    ++result.column;
    result.character = codePointAt(text, at, &length);
    return result;
}

// "第 2 行第 5 列" for a failure.
QString located(const EncodedText& failed) {
    return QStringLiteral("第 %1 行第 %2 列").arg(failed.line).arg(failed.column);
}

// The character in quotes and its number, "“😀”（U+1F600）"; a character that cannot be
// shown (a control, half a surrogate pair) by its number alone.
QString named(char32_t cp) {
    if (QChar::isSurrogate(cp) || !QChar::isPrint(cp)) return QStringLiteral("（%1）").arg(hex(cp));
    return QStringLiteral("“%1”（%2）").arg(QString::fromUcs4(&cp, 1), hex(cp));
}

// Where the first character is that the encoder cannot hold: the line first, by the
// error flag that stays raised, then the character within it.
qsizetype firstUnencodable(QStringView text, Encoding encoding) {
    QStringEncoder lines = encoderFor(encoding);
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(u'\n', start);
        end = end < 0 ? text.size() : end;
        const QByteArray discarded = lines.encode(text.sliced(start, end - start));  // converts
        if (lines.hasError()) break;
        start = end + 1;
    }
    qsizetype length = 1;
    for (qsizetype at = start; at < text.size(); at += length) {
        codePointAt(text, at, &length);
        QStringEncoder one = encoderFor(encoding);
        const QByteArray discarded = one.encode(text.sliced(at, length));
        if (one.hasError()) return at;
    }
    return -1;
}

// The encoded body with the byte-order mark first when asked and each "\n" (one 0x0A
// byte in UTF-8 and GBK) written as the line end, in one copy.
QByteArray finished(const QByteArray& body, LineEnd lineEnd, bool bom) {
    const qsizetype breaks = lineEnd == LineEnd::CrLf ? body.count('\n') : 0;
    if (breaks == 0 && !bom) return body;
    QByteArray bytes;
    bytes.reserve(kBom.size() + body.size() + breaks);
    if (bom) bytes.append(kBom);
    const QByteArrayView view(body);
    qsizetype start = 0;
    for (qsizetype lf = view.indexOf('\n'); breaks && lf >= 0; lf = view.indexOf('\n', start)) {
        bytes.append(view.sliced(start, lf - start));
        bytes.append("\r\n", 2);
        start = lf + 1;
    }
    bytes.append(view.sliced(start));
    return bytes;
}

}  // namespace

bool gbkAvailable() { return gbkName(true) != nullptr; }

QString encodingName(Encoding encoding) {
    return encoding == Encoding::Gbk ? QStringLiteral("GBK") : QStringLiteral("UTF-8");
}

std::optional<Encoding> encodingNamed(QStringView name) {
    for (const Encoding encoding : {Encoding::Utf8, Encoding::Gbk})
        if (name == encodingName(encoding)) return encoding;
    return std::nullopt;
}

QString lineEndName(LineEnd lineEnd, Spelling spelling) {
    if (lineEnd == LineEnd::Lf) return QStringLiteral("LF");
    return spelling == Spelling::Spaced ? QStringLiteral("CR LF") : QStringLiteral("CRLF");
}

std::optional<LineEnd> lineEndNamed(QStringView name) {
    for (const LineEnd lineEnd : {LineEnd::CrLf, LineEnd::Lf})
        if (name == lineEndName(lineEnd)) return lineEnd;
    return std::nullopt;
}

DecodedText decodeText(QByteArrayView bytes, Encoding encoding) {
    // Without a GBK converter the bytes are read as UTF-8 and their invalid bytes shown.
    if (encoding == Encoding::Gbk && !gbkName(false)) encoding = Encoding::Utf8;
    const bool bom = encoding == Encoding::Utf8 && bytes.startsWith(kBom);
    if (bom) bytes = bytes.sliced(kBom.size());
    QString text;
    int invalidLine = 0;
    decodeBody(bytes, encoding, false, &text, &invalidLine);
    return decodedFrom(bytes, encoding, bom, std::move(text), invalidLine);
}

DecodedText decodeText(QByteArrayView bytes) {
    // A byte-order mark says UTF-8 even when some bytes are damaged.
    if (bytes.startsWith(kBom) || !gbkName(false)) return decodeText(bytes, Encoding::Utf8);
    QString text;
    int invalidLine = 0;
    if (decodeBody(bytes, Encoding::Utf8, true, &text, &invalidLine))
        return decodedFrom(bytes, Encoding::Utf8, false, std::move(text), 0);
    return decodeText(bytes, Encoding::Gbk);
}

namespace {

// Valid UTF-8 characters of two bytes or more, and invalid sequences, in bytes.
struct Utf8Count {
    qsizetype multiByte = 0;
    qsizetype invalid = 0;
    bool ascii = true;
};

Utf8Count countUtf8(QByteArrayView bytes) {
    Utf8Count count;
    for (qsizetype at = 0; at < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[at]);
        if (lead < 0x80) {
            ++at;
            continue;
        }
        count.ascii = false;
        int length = 0;
        char32_t minimum = 0;
        char32_t cp = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, minimum = 0x80, cp = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, minimum = 0x800, cp = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, minimum = 0x10000, cp = lead & 0x07;
        }
        bool valid = length > 0 && at + length <= bytes.size();
        for (int i = 1; valid && i < length; ++i) {
            const auto next = static_cast<unsigned char>(bytes[at + i]);
            valid = (next & 0xC0) == 0x80;
            cp = (cp << 6) | (next & 0x3F);
        }
        valid = valid && cp >= minimum && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
        if (valid) {
            ++count.multiByte;
            at += length;
        } else {
            ++count.invalid;
            ++at;
        }
    }
    return count;
}

}  // namespace

EncodingGuess guessEncoding(QByteArrayView bytes) {
    EncodingGuess guess;
    const bool bom = bytes.startsWith(kBom);
    const Utf8Count utf8 = countUtf8(bom ? bytes.sliced(kBom.size()) : bytes);
    if (utf8.ascii) return guess;
    if (bom || !gbkName(false)) {
        guess.certain = utf8.invalid == 0;
        if (!guess.certain) guess.why = QStringLiteral("文件中有 UTF-8 无法识别的字节");
        return guess;
    }
    QString text;
    int invalidLine = 0;
    const bool gbkValid = decodeBody(bytes, Encoding::Gbk, true, &text, &invalidLine);
    if (utf8.invalid == 0) {
        guess.certain = !gbkValid;
        if (!guess.certain) guess.why = QStringLiteral("文件中的字节按 UTF-8 和 GBK 都能读出文字");
        return guess;
    }
    guess.encoding = Encoding::Gbk;
    if (utf8.multiByte > utf8.invalid) {
        guess.certain = false;
        guess.why = QStringLiteral("文件中多数字节是有效的 UTF-8，只有 %1 处不是").arg(utf8.invalid);
    } else if (!gbkValid) {
        guess.certain = false;
        guess.why = QStringLiteral("文件中有按 UTF-8 和按 GBK 都无法识别的字节");
    }
    return guess;
}

QString invalidBytesWarning(const DecodedText& decoded) {
    if (!decoded.hasInvalidBytes()) return {};
    return QStringLiteral("第 %1 行有 %2 编码无法识别的字节，已显示为“\uFFFD”。直接保存会丢失这些字节。")
        .arg(decoded.invalidLine)
        .arg(encodingName(decoded.format.encoding));
}

EncodedText encodeText(QStringView text, const TextFormat& format, Replacements replacements) {
    const QString name = encodingName(format.encoding);
    if (replacements == Replacements::Refuse) {
        const qsizetype at = text.indexOf(QChar(kReplacement));
        if (at >= 0) {
            EncodedText failed = failure(text, at);
            failed.error = QStringLiteral(
                               "无法保存：%1是替换字符%2，它代表打开时无法识别的字节；"
                               "保存会永久丢失这些字节。")
                               .arg(located(failed), named(failed.character));
            return failed;
        }
    }
    QStringEncoder encoder = encoderFor(format.encoding);
    if (!encoder.isValid()) {
        EncodedText failed;
        failed.error = QStringLiteral("无法用 %1 保存：这台电脑上的 Qt 不支持 %1 编码。").arg(name);
        return failed;
    }
    const QByteArray body = encoder.encode(text);
    if (encoder.hasError()) {
        const qsizetype at = firstUnencodable(text, format.encoding);
        if (at < 0) {  // the encoder objected to no single character: say so plainly
            EncodedText failed;
            failed.error = QStringLiteral("无法用 %1 保存：文本中有 %1 无法表示的内容。").arg(name);
            return failed;
        }
        EncodedText failed = failure(text, at);
        if (QChar::isSurrogate(failed.character)) {
            failed.error = QStringLiteral("无法用 %1 保存：%2是半个字符%3，不是有效的 Unicode 字符。")
                               .arg(name, located(failed), named(failed.character));
        } else {
            failed.error = QStringLiteral("无法用 %1 保存：%2的字符%3不在 %1 字符集中。")
                               .arg(name, located(failed), named(failed.character));
        }
        return failed;
    }
    EncodedText result;
    result.bytes = finished(body, format.lineEnd, format.encoding == Encoding::Utf8 && format.bom);
    return result;
}

}  // namespace storage
