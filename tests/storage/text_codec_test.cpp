#include "storage/text_codec.h"

#include "scratch.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

using storage::decodeText;
using storage::encodeText;
using storage::Encoding;
using storage::LineEnd;
using storage::Replacements;
using storage::TextFormat;

constexpr TextFormat kUtf8Lf{Encoding::Utf8, false, LineEnd::Lf};
constexpr TextFormat kUtf8CrLf{Encoding::Utf8, false, LineEnd::CrLf};
constexpr TextFormat kBomLf{Encoding::Utf8, true, LineEnd::Lf};
constexpr TextFormat kBomCrLf{Encoding::Utf8, true, LineEnd::CrLf};
constexpr TextFormat kGbkLf{Encoding::Gbk, false, LineEnd::Lf};
constexpr TextFormat kGbkCrLf{Encoding::Gbk, false, LineEnd::CrLf};

// GBK for 宝石 and 红; the UTF-8 ones come from the source text.
const QByteArray kGbkGem("\xB1\xA6\xCA\xAF");
const QByteArray kGbkRed("\xBA\xEC");

struct FileCase {
    const char* name;
    QByteArray bytes;
    QString text;
    TextFormat format;
};

std::ostream& operator<<(std::ostream& out, const FileCase& c) { return out << c.name; }

class RoundTripTest : public testing::TestWithParam<FileCase> {};

// Opening detects the format and gives "\n" text; saving it unchanged gives the bytes back.
TEST_P(RoundTripTest, DecodesAndEncodesBackByteForByte) {
    const FileCase& c = GetParam();
    const storage::DecodedText decoded = decodeText(c.bytes);
    EXPECT_EQ(decoded.text, c.text);
    EXPECT_EQ(decoded.format, c.format);
    EXPECT_EQ(decoded.invalidLine, 0);
    EXPECT_FALSE(decoded.mixedLineEnds);
    // The editor's call: replacement characters are refused only when they came from bytes.
    const storage::EncodedText encoded = encodeText(
        decoded.text, decoded.format, decoded.hasInvalidBytes() ? Replacements::Refuse : Replacements::Write);
    EXPECT_EQ(encoded.error, QString());
    EXPECT_EQ(encoded.bytes, c.bytes);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Files, RoundTripTest, testing::Values(
    FileCase{"Utf8Lf",          "gem:\n  name: \"红宝石\"\n", "gem:\n  name: \"红宝石\"\n", kUtf8Lf},
    FileCase{"Utf8CrLf",        "gem:\r\n  name: 红\r\n",     "gem:\n  name: 红\n",         kUtf8CrLf},
    FileCase{"Utf8CrLfNoEnd",   "a\r\n红",                    "a\n红",                      kUtf8CrLf},
    FileCase{"Utf8LfNoEnd",     "a\nb\n红",                   "a\nb\n红",                   kUtf8Lf},
    FileCase{"BomCrLf",         "\xEF\xBB\xBF红:\r\n  a: 1\r\n", "红:\n  a: 1\n",           kBomCrLf},
    FileCase{"BomLfNoEnd",      "\xEF\xBB\xBF红\n石",         "红\n石",                     kBomLf},
    FileCase{"BomOnly",         "\xEF\xBB\xBF",               "",                           kBomCrLf},
    FileCase{"SecondBomIsText", "\xEF\xBB\xBF\xEF\xBB\xBF" "a", QStringLiteral("\uFEFFa"), kBomCrLf},
    FileCase{"Empty",           "",                           "",                           kUtf8CrLf},
    FileCase{"NoLineBreak",     "红宝石",                      "红宝石",                      kUtf8CrLf},
    FileCase{"LoneCrStays",     "a\rb\r\nc\r\n",              "a\rb\nc\n",                  kUtf8CrLf},
    FileCase{"CrBeforeCrLf",    "a\r\r\n",                    "a\r\n",                      kUtf8CrLf},
    FileCase{"RealReplacement", "a\xEF\xBF\xBD\n",            "a\uFFFD\n",                  kUtf8Lf},
    FileCase{"Emoji",           "\xF0\x9F\x92\x8E\r\n",       "\U0001F48E\n",               kUtf8CrLf},
    FileCase{"GbkCrLf",         kGbkGem + ":\r\n  - " + kGbkRed + "\r\n", "宝石:\n  - 红\n", kGbkCrLf},
    FileCase{"GbkLfNoEnd",      "a\n" + kGbkGem,              "a\n宝石",                    kGbkLf},
    FileCase{"GbkEuro", "\x80 " + kGbkRed + "\r\n",   "€ 红\n",                     kGbkCrLf}
), [](const testing::TestParamInfo<FileCase>& row) { return std::string(row.param.name); });
// clang-format on

struct LineEndCase {
    const char* name;
    QByteArray bytes;
    LineEnd lineEnd;
    bool mixed;
};

std::ostream& operator<<(std::ostream& out, const LineEndCase& c) { return out << c.name; }

class LineEndTest : public testing::TestWithParam<LineEndCase> {};

TEST_P(LineEndTest, TakesTheMoreFrequentAndFlagsMixing) {
    const storage::DecodedText decoded = decodeText(GetParam().bytes);
    EXPECT_EQ(decoded.format.lineEnd, GetParam().lineEnd);
    EXPECT_EQ(decoded.mixedLineEnds, GetParam().mixed);
    EXPECT_FALSE(decoded.text.contains(u'\r'));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Files, LineEndTest, testing::Values(
    LineEndCase{"MostlyLf",      "a\nb\nc\r\n",     LineEnd::Lf,   true},
    LineEndCase{"MostlyCrLf",    "a\r\nb\r\nc\n",   LineEnd::CrLf, true},
    LineEndCase{"TieIsCrLf",     "a\nb\r\n",        LineEnd::CrLf, true},
    LineEndCase{"OnlyLf",        "a\n\n\n",         LineEnd::Lf,   false},
    LineEndCase{"GbkMostlyLf",   kGbkRed + "\n" + kGbkRed + "\n\r\n", LineEnd::Lf, true}
), [](const testing::TestParamInfo<LineEndCase>& row) { return std::string(row.param.name); });
// clang-format on

struct InvalidCase {
    const char* name;
    QByteArray bytes;
    int forced;  // -1 detect, else an Encoding
    QString text;
    Encoding encoding;
    int invalidLine;
};

std::ostream& operator<<(std::ostream& out, const InvalidCase& c) { return out << c.name; }

class InvalidBytesTest : public testing::TestWithParam<InvalidCase> {};

TEST_P(InvalidBytesTest, ShowsReplacementsAndNamesTheFirstLine) {
    const InvalidCase& c = GetParam();
    const storage::DecodedText decoded =
        c.forced < 0 ? decodeText(c.bytes) : decodeText(c.bytes, static_cast<Encoding>(c.forced));
    EXPECT_EQ(decoded.text, c.text);
    EXPECT_EQ(decoded.format.encoding, c.encoding);
    EXPECT_EQ(decoded.invalidLine, c.invalidLine);
}

constexpr int kDetect = -1;
constexpr int kAsUtf8 = static_cast<int>(Encoding::Utf8);
constexpr int kAsGbk = static_cast<int>(Encoding::Gbk);

// clang-format off
INSTANTIATE_TEST_SUITE_P(Files, InvalidBytesTest, testing::Values(
    // GBK read as UTF-8: B1 and A6 are stray continuation bytes, CA AF happens to be U+02AF.
    InvalidCase{"GbkAsUtf8",      "a\nb\n" + kGbkGem + "\n",    kAsUtf8, "a\nb\n\uFFFD\uFFFD\u02AF\n",
                Encoding::Utf8, 3},
    // UTF-8 read as GBK happens to be valid GBK: mojibake, but nothing invalid.
    InvalidCase{"Utf8AsGbk",      "宝石",                       kAsGbk,  "瀹濈煶",      Encoding::Gbk,  0},
    InvalidCase{"BomKeepsUtf8",   "\xEF\xBB\xBF" "a\r\n\xFF\r\n", kDetect, "a\n\uFFFD\n", Encoding::Utf8, 2},
    InvalidCase{"GbkBadTrail",    "a\n\x81\x30" "b\n",          kDetect, "a\n\uFFFD" "0b\n",
                Encoding::Gbk, 2},
    InvalidCase{"GbkCutAtEnd",    kGbkRed + "\n\xBA",           kDetect, "红\n\uFFFD",  Encoding::Gbk,  2},
    InvalidCase{"GbkCutBeforeLf", kGbkRed + "\xBA\r\n" "x",     kDetect, "红\uFFFD\nx", Encoding::Gbk,  1},
    InvalidCase{"Utf8CutAtEnd",   "ok\n\xE7\xBA",               kAsUtf8, "ok\n\uFFFD\uFFFD",
                Encoding::Utf8, 2},
    InvalidCase{"FirstOfSeveral", "a\n\xFF\n\xFF\n",            kAsUtf8, "a\n\uFFFD\n\uFFFD\n",
                Encoding::Utf8, 2}
), [](const testing::TestParamInfo<InvalidCase>& row) { return std::string(row.param.name); });
// clang-format on

TEST(InvalidBytesWarningTest, NamesTheLineAndTheEncoding) {
    EXPECT_EQ(storage::invalidBytesWarning(decodeText("a\r\n\xBA", Encoding::Gbk)),
              QString("第 2 行有 GBK 编码无法识别的字节，已显示为“\uFFFD”。直接保存会丢失这些字节。"));
    EXPECT_EQ(storage::invalidBytesWarning(decodeText("a\xEF\xBF\xBD")), QString());
}

struct UnencodableCase {
    const char* name;
    QString text;
    TextFormat format;
    Replacements replacements;
    QString error;
    char32_t character;
    int line;
    int column;
};

std::ostream& operator<<(std::ostream& out, const UnencodableCase& c) { return out << c.name; }

class UnencodableTest : public testing::TestWithParam<UnencodableCase> {};

TEST_P(UnencodableTest, StopsWithTheCharacterAndItsPlace) {
    const UnencodableCase& c = GetParam();
    const storage::EncodedText encoded = encodeText(c.text, c.format, c.replacements);
    EXPECT_EQ(encoded.error, c.error);
    EXPECT_EQ(encoded.bytes, QByteArray());
    EXPECT_EQ(encoded.character, c.character);
    EXPECT_EQ(encoded.line, c.line);
    EXPECT_EQ(encoded.column, c.column);
}

const QString kLoneSurrogate = QString("\U0001F48E") + QChar(0xD800);

// clang-format off
INSTANTIATE_TEST_SUITE_P(Texts, UnencodableTest, testing::Values(
    UnencodableCase{"EmojiInGbk", "宝石:\n  Lore: \"红😀\"\n", kGbkCrLf, Replacements::Refuse,
        "无法用 GBK 保存：第 2 行第 11 列的字符“😀”（U+1F600）不在 GBK 字符集中。", 0x1F600, 2, 11},
    UnencodableCase{"BulletInGbk", "•", kGbkLf, Replacements::Refuse,
        "无法用 GBK 保存：第 1 行第 1 列的字符“•”（U+2022）不在 GBK 字符集中。", 0x2022, 1, 1},
    UnencodableCase{"ReplacementRefused", "a\n\nb\uFFFD", kUtf8Lf, Replacements::Refuse,
        "无法保存：第 3 行第 2 列是替换字符“\uFFFD”（U+FFFD），它代表打开时无法识别的字节；"
        "保存会永久丢失这些字节。", 0xFFFD, 3, 2},
    UnencodableCase{"ReplacementInGbk", "红\uFFFD", kGbkLf, Replacements::Write,
        "无法用 GBK 保存：第 1 行第 2 列的字符“\uFFFD”（U+FFFD）不在 GBK 字符集中。", 0xFFFD, 1, 2},
    UnencodableCase{"LoneSurrogate", kLoneSurrogate, kUtf8CrLf, Replacements::Refuse,
        "无法用 UTF-8 保存：第 1 行第 2 列是半个字符（U+D800），不是有效的 Unicode 字符。", 0xD800, 1, 2}
), [](const testing::TestParamInfo<UnencodableCase>& row) { return std::string(row.param.name); });
// clang-format on

TEST(EncodeTest, WritesReplacementWhenAskedInUtf8) {
    const storage::EncodedText encoded = encodeText(u"a\uFFFD\n", kBomCrLf, Replacements::Write);
    EXPECT_EQ(encoded.error, QString());
    EXPECT_EQ(encoded.bytes, QByteArray("\xEF\xBB\xBF"
                                        "a\xEF\xBF\xBD\r\n"));
}

// How sure the guess of a file's encoding is: certain only when one encoding alone reads it.
TEST(GuessEncodingTest, IsUnsureWhereBothOrNeitherRead) {
    const auto guess = [](const QByteArray& bytes) {
        const storage::EncodingGuess g = storage::guessEncoding(bytes);
        return storage::encodingName(g.encoding) + (g.certain ? " certain" : " unsure: " + g.why);
    };
    EXPECT_EQ(guess("a: 1\n"), "UTF-8 certain");
    EXPECT_EQ(guess(QString("宝石: 红\n").toUtf8()), "UTF-8 certain");
    EXPECT_EQ(guess("\xB1\xA6\xCA\xAF: \xBA\xEC\n"), "GBK certain");  // 宝石: 红
    EXPECT_EQ(guess("\xE4\xBD\xA0\xE5\xA5\xBD\n"), "UTF-8 unsure: 文件中的字节按 UTF-8 和 GBK 都能读出文字");
    EXPECT_EQ(guess(QString("宝石: 红色\n").toUtf8() + "\xFF\n"),
              "GBK unsure: 文件中多数字节是有效的 UTF-8，只有 1 处不是");
    EXPECT_EQ(guess("\xB1\xA6\xCA\xAF\x81\x20\n"), "GBK unsure: 文件中有按 UTF-8 和按 GBK 都无法识别的字节");
    EXPECT_EQ(guess("\xEF\xBB\xBF\xE7\xBA\xA2\n"), "UTF-8 certain");
    EXPECT_EQ(guess("\xEF\xBB\xBF\xBA\xEC\n"), "UTF-8 unsure: 文件中有 UTF-8 无法识别的字节");
}

// What the panel cannot hold as the file has it is named with its lines, so that a save never
// changes it unsaid; a file with none of it has nothing to say.
TEST(QuietChangesTest, NamesWhatASaveWouldWriteOtherwise) {
    const auto changes = [](const QByteArray& bytes) { return storage::decodeText(bytes).quietChanges; };
    EXPECT_EQ(changes("a: 1\r\nb: 2\r\n"), QStringList());
    EXPECT_EQ(changes("a: 1\nb: 2\n"), QStringList());
    EXPECT_EQ(changes("a: 1\r\nb: 2\nc: 3\r\n"),
              QStringList{"文件第 2 行的换行符是 LF，保存时会和其他行一样写成 CR LF"});
    EXPECT_EQ(changes("a\nb\nc\nd\ne\nf\ng\r\n"),
              QStringList{"文件第 7 行的换行符是 CR LF，保存时会和其他行一样写成 LF"});
    EXPECT_EQ(changes("1\r\n2\n3\n4\n5\n6\n7\n8\r\n9\r\n10\r\n11\r\n12\r\n13\r\n"),
              QStringList{"文件第 2、3、4、5、6 行等 6 行的换行符是 LF，保存时会和其他行一样写成 CR LF"});
    EXPECT_EQ(changes("a: x\ry\r\nb: \r\r\n"), QStringList{"文件第 1、2 行有单独的 CR（回车符），保存时会变成换行"});
    EXPECT_EQ(changes(QString("a: x\u2029y\nb: \uFDD0\nc: \uFDD1\n").toUtf8()),
              (QStringList{"文件第 1 行有字符 U+2029，编辑框把它当作换行，保存时会变成换行",
                           "文件第 2 行有字符 U+FDD0，编辑框把它当作换行，保存时会变成换行",
                           "文件第 3 行有字符 U+FDD1，编辑框把它当作换行，保存时会变成换行"}));
    EXPECT_EQ(changes(QString("a: \u2028\u00A0\n").toUtf8()), QStringList()) << "the panel keeps these";
}

}  // namespace
