// Panel highlighting: whole span lists for YAML and command lines, and the span
// invariants (ordered, inside the line, no split surrogate pair) over many lines.
#include "text/highlight.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "text/format.h"
#include "text/utf8.h"

namespace {

using text::Span;
using text::Token;

std::string toUtf8(std::u16string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF;
        if (pair)
            c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
        else if (c >= 0xD800 && c <= 0xDFFF)
            c = 0xFFFD;
        text::utf8::append(out, c);
    }
    return out;
}

const char* nameOf(Token token) {
    switch (token) {
    case Token::Key: return "key";
    case Token::Dash: return "dash";
    case Token::String: return "string";
    case Token::Comment: return "comment";
    case Token::Command: return "command";
    case Token::Value: return "value";
    case Token::ColourCode: return "colour";
    case Token::FormatCode: return "format";
    case Token::Placeholder: return "placeholder";
    }
    return "?";
}

// The spans as "token(text)" words, colour codes with their colour: "colour#ff5555(&c)".
std::string shown(std::u16string_view line, const std::vector<Span>& spans) {
    std::string out;
    for (const Span& span : spans) {
        if (!out.empty()) out += ' ';
        out += nameOf(span.token);
        if (span.token == Token::ColourCode) out += text::hexColour(span.rgb);
        out += '(' + toUtf8(line.substr(span.start, span.length)) + ')';
    }
    return out;
}

struct HighlightCase {
    const char* name;
    std::u16string line;
    std::string spans;
};

std::ostream& operator<<(std::ostream& out, const HighlightCase& c) { return out << c.name; }

class YamlHighlightTest : public testing::TestWithParam<HighlightCase> {};
class CommandHighlightTest : public testing::TestWithParam<HighlightCase> {};

TEST_P(YamlHighlightTest, MarksTheLine) {
    EXPECT_EQ(shown(GetParam().line, text::highlightYaml(GetParam().line)), GetParam().spans);
}

TEST_P(CommandHighlightTest, MarksTheLine) {
    EXPECT_EQ(shown(GetParam().line, text::highlightCommand(GetParam().line)), GetParam().spans);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(GemBlock, YamlHighlightTest, testing::Values(
    HighlightCase{"TopKey", u"Ruby_Gem:", "key(Ruby_Gem)"},
    HighlightCase{"PlainValue", u"  Shiny: true", "key(Shiny)"},
    HighlightCase{"Name", u"  Display_Name: \"&c红宝石 I\"",
        "key(Display_Name) string(\") colour#ff5555(&c) string(红宝石 I\")"},
    HighlightCase{"Rule", u"  - \"&8&l&m---------------------\"",
        "dash(-) string(\") colour#555555(&8) format(&l) format(&m) "
        "string(---------------------\")"},
    HighlightCase{"Rates", u"  - \"&e※ &7成功几率: &a{success_rate}% &8&l| &7失败几率: &c{failure_rate}%\"",
        "dash(-) string(\") colour#ffff55(&e) string(※ ) colour#aaaaaa(&7) string(成功几率: ) "
        "colour#55ff55(&a) placeholder({success_rate}) string(% ) colour#555555(&8) format(&l) "
        "string(| ) colour#aaaaaa(&7) string(失败几率: ) colour#ff5555(&c) "
        "placeholder({failure_rate}) string(%\")"},
    HighlightCase{"EmptyItem", u"  - \"\"", "dash(-) string(\"\")"},
    HighlightCase{"ItemKey", u"- name: \"x\"", "dash(-) key(name) string(\"x\")"}
));

INSTANTIATE_TEST_SUITE_P(Syntax, YamlHighlightTest, testing::Values(
    HighlightCase{"Empty", u"", ""},
    HighlightCase{"Comment", u"# gems", "comment(# gems)"},
    HighlightCase{"IndentedComment", u"   # note", "comment(# note)"},
    HighlightCase{"TrailingComment", u"k: v # note", "key(k) comment(# note)"},
    HighlightCase{"HashInPlain", u"k: a#b", "key(k)"},
    HighlightCase{"HashInString", u"k: \"a # b\" # c", "key(k) string(\"a # b\") comment(# c)"},
    HighlightCase{"HashInKeySearch", u"a #b: c", "comment(#b: c)"},
    HighlightCase{"NoBlankAfterColon", u"key:value", ""},
    HighlightCase{"BlankBeforeColon", u"a b :", "key(a b)"},
    HighlightCase{"QuotedKey", u"\"a: b\": 1", "key(\"a: b\")"},
    HighlightCase{"Single", u"n: 'It''s &lbold'",
        "key(n) string('It''s ) format(&l) string(bold')"},
    HighlightCase{"Escapes", u"q: \"say \\\"&chi\\\"\"",
        "key(q) string(\"say \\\") colour#ff5555(&c) string(hi\\\"\")"},
    HighlightCase{"Unclosed", u"n: \"&cabc", "key(n) string(\") colour#ff5555(&c) string(abc)"},
    HighlightCase{"QuoteInPlain", u"k: it's \"x\"", "key(k)"},
    HighlightCase{"Flow", u"l: [\"&ca\", 'b']",
        "key(l) string(\") colour#ff5555(&c) string(a\") string('b')"},
    HighlightCase{"Hex", u"n: \"&x&f&f&0&0&8&0A&#00ff00B\"",
        "key(n) string(\") colour#ff0080(&x&f&f&0&0&8&0) string(A) colour#00ff00(&#00ff00) "
        "string(B\")"},
    HighlightCase{"InertX", u"n: \"&x&1B\"",
        "key(n) string(\") format(&x) colour#0000aa(&1) string(B\")"},
    HighlightCase{"Sections", u"n: \"§c§lX§zY§\"",
        "key(n) string(\") colour#ff5555(§c) format(§l) string(X§zY§\")"},
    HighlightCase{"AmpersandText", u"n: \"R&Z &\"", "key(n) string(\"R&Z &\")"},
    HighlightCase{"NotADash", u"-5", ""},
    HighlightCase{"DoubleDash", u"- - a", "dash(-) dash(-)"},
    HighlightCase{"AstralKey", u"💎: \"𝄞&c𝄞\"",
        "key(💎) string(\"𝄞) colour#ff5555(&c) string(𝄞\")"}
));

INSTANTIATE_TEST_SUITE_P(Commands, CommandHighlightTest, testing::Values(
    HighlightCase{"Stats", u"/att Stats DAMAGE 125", "command(/att Stats DAMAGE) value(125)"},
    HighlightCase{"PowerShoot", u"/att Power SHOOT SHIFT_LEFT FLAME_ARROW 5",
        "command(/att Power SHOOT SHIFT_LEFT FLAME_ARROW) value(5)"},
    HighlightCase{"TitleCaseProjectile", u"/att Power SHOOT LEFT Blink 3",
        "command(/att Power SHOOT LEFT) value(Blink) value(3)"},
    HighlightCase{"Underscore", u"/att Ability Dark_Flame 3 25",
        "command(/att Ability Dark_Flame) value(3) value(25)"},
    HighlightCase{"LowerAbility", u"/att Ability harm 3 25",
        "command(/att Ability) value(harm) value(3) value(25)"},
    HighlightCase{"Player", u"/att Requirement Bound Steve 2",
        "command(/att Requirement Bound) value(Steve) value(2)"},
    HighlightCase{"Socket", u"/socket load rod remove 3 5",
        "command(/socket load rod remove) value(3) value(5)"},
    HighlightCase{"OnlyCommand", u"/att Requirement Unbound\r",
        "command(/att Requirement Unbound)"},
    HighlightCase{"KnownAnyCase", u"/att stats damage 1",
        "command(/att stats) value(damage) value(1)"},
    HighlightCase{"Blanks", u"  /att  Stats\tDAMAGE  7 ", "command(/att  Stats\tDAMAGE) value(7)"},
    HighlightCase{"Name", u"/setname &c红宝石 &lI",
        "command(/setname) colour#ff5555(&c) value(红宝石) format(&l) value(I)"},
    HighlightCase{"Lore", u"/addlore &e※ &#00FF00种类:{grade} 2",
        "command(/addlore) colour#ffff55(&e) value(※) colour#00ff00(&#00FF00) value(种类:) "
        "placeholder({grade}) value(2)"},
    HighlightCase{"NoSlash", u"say hello", "value(say) value(hello)"},
    HighlightCase{"OnlyBlanks", u"   ", ""}
));
// clang-format on

void expectWellFormed(std::u16string_view line, const std::vector<Span>& spans) {
    const auto low = [&](std::size_t i) {
        return i > 0 && i < line.size() && line[i] >= 0xDC00 && line[i] <= 0xDFFF && line[i - 1] >= 0xD800 &&
               line[i - 1] <= 0xDBFF;
    };
    std::size_t end = 0;
    for (const Span& span : spans) {
        ASSERT_GE(span.start, end) << toUtf8(line);
        ASSERT_GT(span.length, 0u) << toUtf8(line);
        end = span.start + span.length;
        ASSERT_LE(end, line.size()) << toUtf8(line);
        ASSERT_FALSE(low(span.start) || low(end)) << toUtf8(line);
    }
}

// Random lines of YAML and command pieces, astral characters and lone surrogates.
TEST(HighlightInvariants, SpansAreOrderedInsideTheLineAndKeepPairs) {
    const std::u16string pieces[] = {u"&",  u"§",   u"c",  u"x", u"#",      u"F",       u"\"", u"'",
                                     u"\\", u":",   u" ",  u"-", u"/",      u"{grade}", u"{",  u"[",
                                     u",",  u"A_B", u"中", u"𝄞", u"\xD83D", u"\xDC8E",  u"a",  u"&x&1&2&3&4&5&6"};
    std::mt19937 random(11);
    std::vector<Span> spans;
    for (int round = 0; round < 5000; ++round) {
        std::u16string line;
        const int count = static_cast<int>(random() % 20);
        for (int i = 0; i < count; ++i) line += pieces[random() % std::size(pieces)];
        text::highlightYaml(line, spans);
        expectWellFormed(line, spans);
        text::highlightCommand(line, spans);
        expectWellFormed(line, spans);
    }
}

}  // namespace
