#include "yaml/escape.h"

#include <gtest/gtest.h>
#include <yaml-cpp/yaml.h>

#include <string>
#include <vector>

namespace {

using yaml::escaped;

struct EscapeCase {
    const char* name;
    std::string typed;
    std::string written;
};

std::ostream& operator<<(std::ostream& out, const EscapeCase& c) { return out << c.name; }

class YamlQuotedTest : public testing::TestWithParam<EscapeCase> {};

TEST_P(YamlQuotedTest, WritesTheEscapedInnerText) { EXPECT_EQ(escaped(GetParam().typed), GetParam().written); }

// clang-format off
INSTANTIATE_TEST_SUITE_P(Characters, YamlQuotedTest, testing::Values(
    // Nothing to escape: the text comes back unchanged.
    EscapeCase{"Empty",            "",                         ""},
    EscapeCase{"Ascii",            "&6Ruby gem: #1 {x} 'a'",   "&6Ruby gem: #1 {x} 'a'"},
    EscapeCase{"Chinese",          "红宝石 ※ ！",              "红宝石 ※ ！"},
    EscapeCase{"TabStaysRaw",      "a\tb\t",                   "a\tb\t"},
    EscapeCase{"OuterBlanks",      "  a  ",                    "  a  "},
    EscapeCase{"NoBreakSpace",     "a\u00A0b",                 "a\u00A0b"},
    EscapeCase{"Replacement",      "\uFFFD",                   "\uFFFD"},
    EscapeCase{"Astral",           "\U0001F48E",               "\U0001F48E"},
    EscapeCase{"LastCodePoint",    "\U0010FFFF",               "\U0010FFFF"},
    // Quote and backslash.
    EscapeCase{"Quote",            "say \"hi\"",               "say \\\"hi\\\""},
    EscapeCase{"Backslash",        "C:\\gems\\",               "C:\\\\gems\\\\"},
    EscapeCase{"EscapeLookalike",  "\\n\\\"",                  "\\\\n\\\\\\\""},
    // Line breaks.
    EscapeCase{"CrLf",             "a\r\nb",                   "a\\r\\nb"},
    EscapeCase{"NextLine",         "a\u0085b",                 "a\\x85b"},
    EscapeCase{"LineSeparator",    "a\u2028b",                 "a\\Lb"},
    EscapeCase{"ParagraphSep",     "a\u2029b",                 "a\\Pb"},
    // Controls, short forms first.
    EscapeCase{"Nul",              std::string("a\0b", 3),     "a\\0b"},
    EscapeCase{"ShortForms",       "\a\b\v\f\x1B",             "\\a\\b\\v\\f\\e"},
    EscapeCase{"OtherC0",          "\x01\x06\x0E\x1F",         "\\x01\\x06\\x0E\\x1F"},
    EscapeCase{"Delete",           "\x7F",                     "\\x7F"},
    EscapeCase{"C1",               "\u0080\u0084\u0086\u009F", "\\x80\\x84\\x86\\x9F"},
    EscapeCase{"ByteOrderMark",    "\uFEFFa",                  "\\uFEFFa"},
    EscapeCase{"NonCharacters",    "\uFFFE\uFFFF",             "\\uFFFE\\uFFFF"},
    // Malformed UTF-8: one U+FFFD per byte that starts no well-formed sequence.
    EscapeCase{"StrayContinuation","a\x80z",                   "a\uFFFDz"},
    EscapeCase{"InvalidLead",      "\xC0\xC1\xF5\xFF",         "\uFFFD\uFFFD\uFFFD\uFFFD"},
    EscapeCase{"Overlong",         "\xE0\x80\xAF",             "\uFFFD\uFFFD\uFFFD"},
    EscapeCase{"Surrogate",        "\xED\xA0\x80",             "\uFFFD\uFFFD\uFFFD"},
    EscapeCase{"BeyondUnicode",    "\xF4\x90\x80\x80",         "\uFFFD\uFFFD\uFFFD\uFFFD"},
    EscapeCase{"CutShort",         "\xE7\xBA",                 "\uFFFD\uFFFD"},
    EscapeCase{"CutBeforeQuote",   "\xE7\"",                   "\uFFFD\\\""}
), [](const testing::TestParamInfo<EscapeCase>& row) { return std::string(row.param.name); });
// clang-format on

// Appends the UTF-8 form of a code point.
void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes well-formed UTF-8 (the escaped text must be); fails the test otherwise.
std::vector<char32_t> codePoints(const std::string& text) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t cp = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) cp = (cp << 6) | (text[i + k] & 0x3F);
        out.push_back(cp);
        i += length;
    }
    return out;
}

// YAML's printable set, less the byte order mark and the line breaks, which would fold.
bool mayStandRaw(char32_t cp) {
    return cp == 0x09 || (cp >= 0x20 && cp <= 0x7E) || (cp >= 0xA0 && cp <= 0xD7FF) ||
           (cp >= 0xE000 && cp <= 0xFFFD && cp != 0xFEFF && cp != 0x2028 && cp != 0x2029) ||
           (cp >= 0x10000 && cp <= 0x10FFFF);
}

// Every Unicode scalar value, in chunks of 4096, is written with raw characters YAML
// allows only, and each chunk parses back to itself.
TEST(YamlQuoted, EveryCodePointParsesBackAndOnlyPrintablesStandRaw) {
    std::string document;
    std::vector<std::string> typed;
    for (char32_t first = 0; first <= 0x10FFFF; first += 4096) {
        std::string chunk;
        for (char32_t cp = first; cp < first + 4096; ++cp) {
            if (cp < 0xD800 || cp > 0xDFFF) appendUtf8(chunk, cp);
        }
        if (chunk.empty()) continue;
        const std::string written = escaped(chunk);
        for (char32_t cp : codePoints(written)) {
            ASSERT_TRUE(mayStandRaw(cp)) << "raw U+" << std::hex << static_cast<unsigned>(cp);
        }
        document += "- \"" + written + "\"\r\n";
        typed.push_back(std::move(chunk));
    }
    const YAML::Node parsed = YAML::Load(document);
    ASSERT_EQ(parsed.size(), typed.size());
    for (std::size_t i = 0; i < typed.size(); ++i) {
        EXPECT_EQ(parsed[i].as<std::string>(), typed[i]) << "chunk " << i;
    }
}

// Malformed input still gives a scalar that parses: each bad byte reads back as U+FFFD.
TEST(YamlQuoted, EveryLoneByteGivesAParseableScalar) {
    for (int byte = 0; byte < 256; ++byte) {
        const std::string typed(1, static_cast<char>(byte));
        const std::string written = escaped(typed);
        const std::string expected = byte < 0x80 ? typed : std::string("\uFFFD");
        EXPECT_EQ(YAML::Load("\"" + written + "\"").as<std::string>(), expected) << "byte " << byte;
    }
}

}  // namespace
