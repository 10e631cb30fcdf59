// Formatted text as the game shows it: whole run lists for names, lore lines and messages.
#include "text/format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "text/utf8.h"

namespace text {

void PrintTo(const Run& run, std::ostream* out) {
    const Style& s = run.style;
    *out << '{' << hexColour(s.rgb) << (s.obfuscated ? "k" : "") << (s.bold ? "l" : "") << (s.strikethrough ? "m" : "")
         << (s.underlined ? "n" : "") << (s.italic ? "o" : "") << " \"" << run.text << "\"}";
}

}  // namespace text

namespace {

using text::Line;
using text::Role;
using text::Run;

// clang-format off
constexpr std::uint32_t kBlack = 0x000000, kDarkGreen = 0x00AA00,
    kDarkRed = 0xAA0000, kPurple = 0xAA00AA, kGray = 0xAAAAAA, kDarkGray = 0x555555,
    kBlue = 0x5555FF, kGreen = 0x55FF55, kAqua = 0x55FFFF, kRed = 0xFF5555,
    kYellow = 0xFFFF55, kWhite = 0xFFFFFF;
// clang-format on

// A run in a colour with formats named by their code letters ("lo": bold italic).
Run run(std::string text, std::uint32_t rgb, std::string_view formats = "") {
    text::Style style;
    style.rgb = rgb;
    for (char f : formats) {
        style.obfuscated |= f == 'k';
        style.bold |= f == 'l';
        style.strikethrough |= f == 'm';
        style.underlined |= f == 'n';
        style.italic |= f == 'o';
    }
    return Run{std::move(text), style};
}

struct FormatCase {
    const char* name;
    std::string typed;
    Role role;
    std::vector<Line> shown;
};

std::ostream& operator<<(std::ostream& out, const FormatCase& c) { return out << c.name; }

class FormatTest : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatTest, ShowsTheRunsTheGameDraws) {
    EXPECT_EQ(text::format(GetParam().typed, GetParam().role), GetParam().shown);
}

constexpr Role L = Role::Lore, N = Role::Name, M = Role::Message;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Codes, FormatTest, testing::Values(
    FormatCase{"Empty", "", M, {{}}},
    FormatCase{"PlainMessage", "abc", M, {{run("abc", kWhite)}}},
    FormatCase{"PlainName", "Ruby", N, {{run("Ruby", kWhite, "o")}}},
    FormatCase{"PlainLore", "abc", L, {{run("abc", kPurple, "o")}}},
    FormatCase{"NameColourDropsItalic", "&c红宝石 I", N, {{run("红宝石 I", kRed)}}},
    FormatCase{"LoreTextThenColour", "abc &cdef", L,
        {{run("abc ", kPurple, "o"), run("def", kRed)}}},
    FormatCase{"NameFormatKeepsItalic", "&lBold", N, {{run("Bold", kWhite, "lo")}}},
    FormatCase{"FormatsAfterColour", "&c&lX", M, {{run("X", kRed, "l")}}},
    FormatCase{"ColourAfterFormats", "&l&cX", M, {{run("X", kRed)}}},
    FormatCase{"EveryFormat", "&k&l&m&n&oX", M, {{run("X", kWhite, "klmno")}}},
    FormatCase{"UpperCaseCodes", "&C&LX&0Y", M, {{run("X", kRed, "l"), run("Y", kBlack)}}},
    FormatCase{"SectionSign", "§cRed §lBold", M, {{run("Red ", kRed), run("Bold", kRed, "l")}}},
    FormatCase{"SameColourNoSplit", "&cA&cB&lC&lD", M, {{run("AB", kRed), run("CD", kRed, "l")}}},
    FormatCase{"AmpersandIsText", "R&Z & co&?&", M, {{run("R&Z & co&?&", kWhite)}}},
    // D is a colour digit, so "R&D" is "R" and a light purple code, as Bukkit translates it.
    FormatCase{"AmpersandDIsACode", "R&D labs", M, {{run("R", kWhite), run(" labs", 0xFF55FF)}}},
    FormatCase{"LoneAmpersand", "&", L, {{run("&", kPurple, "o")}}},
    FormatCase{"AmpersandBeforeCode", "&&cx", M, {{run("&", kWhite), run("x", kRed)}}},
    FormatCase{"CodeAtEnd", "abc&c", M, {{run("abc", kWhite)}}},
    FormatCase{"OnlyCodes", "&c&l", L, {{}}},
    FormatCase{"LoneSectionAtEnd", "a§", M, {{run("a§", kWhite)}}},
    FormatCase{"SectionHidesNonCode", "a§zb§中文", M, {{run("ab文", kWhite)}}},
    FormatCase{"ResetInLore", "&cA&rB", L, {{run("A", kRed), run("B", kWhite)}}},
    FormatCase{"ResetInName", "A&rB", N, {{run("A", kWhite, "o"), run("B", kWhite)}}},
    FormatCase{"ResetInMessage", "&l&nA&RB", M, {{run("A", kWhite, "ln"), run("B", kWhite)}}},
    FormatCase{"ResetFirstInLore", "&rX", L, {{run("X", kWhite)}}}
));

INSTANTIATE_TEST_SUITE_P(Hex, FormatTest, testing::Values(
    FormatCase{"Standard", "&x&F&F&0&0&8&0Hex", M, {{run("Hex", 0xFF0080)}}},
    FormatCase{"LowerSections", "§x§a§b§c§d§e§fX", M, {{run("X", 0xABCDEF)}}},
    FormatCase{"MixedMarkers", "&X§1&2§3&4§5&6X", M, {{run("X", 0x123456)}}},
    FormatCase{"DropsFormats", "&l&x&1&2&3&4&5&6X", N, {{run("X", 0x123456)}}},
    FormatCase{"UnfinishedReadsOn", "&x&FWhite", L, {{run("White", kWhite)}}},
    FormatCase{"UnfinishedKeepsStyle", "&lA&xB", L, {{run("AB", kPurple, "lo")}}},
    FormatCase{"FiveDigits", "&x&1&2&3&4&5X", M, {{run("X", kPurple)}}},
    FormatCase{"BadDigit", "&x&1&2&3&4&5&gX", M, {{run("&gX", kPurple)}}},
    FormatCase{"XAtEnd", "A&x", M, {{run("A", kWhite)}}},
    FormatCase{"Hash", "&#FF8800Or&#00aa00Gr", L, {{run("Or", 0xFF8800), run("Gr", kDarkGreen)}}},
    FormatCase{"HashUnfinished", "&#12 x", M, {{run("&#12 x", kWhite)}}},
    FormatCase{"HashBadDigit", "&#12345G", M, {{run("&#12345G", kWhite)}}},
    FormatCase{"HashAfterSection", "§#123456", M, {{run("123456", kWhite)}}}
));

INSTANTIATE_TEST_SUITE_P(Lines, FormatTest, testing::Values(
    FormatCase{"EachLineFromDefault", "&ca\nb", L, {{run("a", kRed)}, {run("b", kPurple, "o")}}},
    FormatCase{"CrLf", "a\r\nb", M, {{run("a", kWhite)}, {run("b", kWhite)}}},
    FormatCase{"LoneCr", "a\rb", M, {{run("a", kWhite)}, {run("b", kWhite)}}},
    FormatCase{"EmptyMiddle", "a\n\r\nb", M, {{run("a", kWhite)}, {}, {run("b", kWhite)}}},
    FormatCase{"TrailingBreak", "a\n", M, {{run("a", kWhite)}, {}}},
    FormatCase{"SectionBeforeBreak", "a§\nb", M, {{run("a§", kWhite)}, {run("b", kWhite)}}}
));

INSTANTIATE_TEST_SUITE_P(GemLore, FormatTest, testing::Values(
    FormatCase{"Rule", "&8&l&m---------------------", L,
        {{run("---------------------", kDarkGray, "lm")}}},
    FormatCase{"Kind", "&e※ &7种类: 镶嵌宝石", L,
        {{run("※ ", kYellow), run("种类: 镶嵌宝石", kGray)}}},
    FormatCase{"Rates", "&e※ &7成功几率: &a{success_rate}% &8&l| &7失败几率: &c{failure_rate}%", L,
        {{run("※ ", kYellow), run("成功几率: ", kGray), run("{success_rate}% ", kGreen),
          run("| ", kDarkGray, "l"), run("失败几率: ", kGray), run("{failure_rate}%", kRed)}}},
    FormatCase{"Effect", "&8&l[&4&l!&8&l] &7效果:", L,
        {{run("[", kDarkGray, "l"), run("!", kDarkRed, "l"), run("] ", kDarkGray, "l"),
          run("效果:", kGray)}}},
    FormatCase{"Health", "&9&l>> &b增加最大血量 {max_health}", L,
        {{run(">> ", kBlue, "l"), run("增加最大血量 {max_health}", kAqua)}}},
    FormatCase{"Hint", "&2提示: &a将它放到物品上来镶嵌！", L,
        {{run("提示: ", kDarkGreen), run("将它放到物品上来镶嵌！", kGreen)}}},
    FormatCase{"GradeName", "&6&l红宝石 &f{grade}", N,
        {{run("红宝石 ", 0xFFAA00, "l"), run("{grade}", kWhite)}}}
));

INSTANTIATE_TEST_SUITE_P(IllFormed, FormatTest, testing::Values(
    FormatCase{"StrayContinuation", "a\x80" "b", M, {{run("a\uFFFDb", kWhite)}}},
    FormatCase{"CutSequence", "&c\xF0\x9F\x92", M, {{run("\uFFFD\uFFFD\uFFFD", kRed)}}},
    FormatCase{"LoneC2", "x\xC2", M, {{run("x\uFFFD", kWhite)}}},
    FormatCase{"SectionHidesBadByte", "\xC2\xA7\x80x", M, {{run("x", kWhite)}}},
    FormatCase{"AmpersandBadByte", "&\xFF", M, {{run("&\uFFFD", kWhite)}}}
));
// clang-format on

// One character of every Unicode plane, each behind a code, comes out byte for byte.
// What the game sends back (the console's answer, a chat line) has only "§" codes: every "&"
// is text, hex colours included, and "§" works as ever.
TEST(FormatGameMarkers, AnAmpersandIsTextAndASectionSignACode) {
    using text::Markers;
    EXPECT_EQ(text::format("&c不是颜色 §c是颜色", M, Markers::Game),
              (std::vector<text::Line>{{run("&c不是颜色 ", kWhite), run("是颜色", kRed)}}));
    EXPECT_EQ(text::format("&x&f&f&0&0&8&0a&#ff0080b&lc", M, Markers::Game),
              (std::vector<text::Line>{{run("&x&f&f&0&0&8&0a&#ff0080b&lc", kWhite)}}));
    EXPECT_EQ(text::format("§x§f§f§0§0§8§0a§x&f&f&0&0&8&0b", M, Markers::Game),
              (std::vector<text::Line>{{run("a&f&f&0&0&8&0b", 0xFF0080)}}));
    EXPECT_EQ(text::format("§l&&cx\n&r§zy", M, Markers::Game),
              (std::vector<text::Line>{{run("&&cx", kWhite, "l")}, {run("&ry", kWhite)}}));
    // The same texts as typed for a plugin, for contrast.
    EXPECT_EQ(text::format("&c不是颜色 §c是颜色", M), (std::vector<text::Line>{{run("不是颜色 是颜色", kRed)}}));
}

TEST(FormatUnicode, EveryPlanePassesThrough) {
    std::string typed;
    Line expected;
    for (char32_t plane = 0; plane <= 16; ++plane) {
        const char32_t cp = plane == 0 ? U'中' : plane == 16 ? 0x10FFFD : (plane << 16) + 0x0B7;
        std::string character;
        text::utf8::append(character, cp);
        const std::uint32_t rgb = plane % 2 ? kRed : kAqua;
        typed += plane % 2 ? "&c" : "&b";
        typed += character;
        expected.push_back(run(character, rgb));
    }
    EXPECT_EQ(text::format(typed, M), std::vector<Line>{expected});
}

// Whatever the bytes, every run is non-empty valid UTF-8 without line breaks and differs
// in style from the run before it, and there is one line per line end plus one.
TEST(FormatUnicode, ArbitraryBytesGiveWellFormedRuns) {
    const std::string pieces[] = {
        "&",    "§",    "\xC2", "\xA7", "c", "l", "x", "#", "F", "0", "r", "\n", "\r", "中", "\xF0\x9F\x92\x8E",
        "\x80", "\xFF", "a",    " "};
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        std::string typed;
        const int count = static_cast<int>(random() % 24);
        for (int i = 0; i < count; ++i) typed += pieces[random() % std::size(pieces)];
        std::size_t breaks = 0;
        for (std::size_t i = 0; i < typed.size(); ++i) {
            const bool crLf = typed[i] == '\r' && i + 1 < typed.size() && typed[i + 1] == '\n';
            if ((typed[i] == '\n' || typed[i] == '\r') && !crLf) ++breaks;
        }
        const std::vector<Line> lines = text::format(typed, L);
        ASSERT_EQ(lines.size(), breaks + 1) << typed;
        for (const Line& line : lines) {
            for (std::size_t r = 0; r < line.size(); ++r) {
                const std::string& t = line[r].text;
                ASSERT_FALSE(t.empty()) << typed;
                if (r > 0) {
                    ASSERT_FALSE(line[r].style == line[r - 1].style) << typed;
                }
                for (std::size_t i = 0; i < t.size();) {
                    char32_t cp = 0;
                    const std::size_t length = text::utf8::decode(t, i, &cp);
                    ASSERT_GT(length, 0u) << typed;
                    ASSERT_NE(cp, U'\n');
                    ASSERT_NE(cp, U'\r');
                    i += length;
                }
            }
        }
    }
}

TEST(FormatHelpers, HexColourIsLowerCaseWithSixDigits) {
    EXPECT_EQ(text::hexColour(0xAA00AA), "#aa00aa");
    EXPECT_EQ(text::hexColour(0x0A0B0C), "#0a0b0c");
    EXPECT_EQ(text::hexColour(kBlack), "#000000");
    EXPECT_EQ(text::hexColour(kWhite), "#ffffff");
}

TEST(FormatHelpers, UsesHashHexOnlyForCompleteHashColours) {
    EXPECT_TRUE(text::usesHashHex("&#FF0000x"));
    EXPECT_TRUE(text::usesHashHex("a&#12&#ff00AAb"));
    EXPECT_FALSE(text::usesHashHex("&#12"));
    EXPECT_FALSE(text::usesHashHex("&#GG0000"));
    EXPECT_FALSE(text::usesHashHex("§#FF0000"));
    EXPECT_FALSE(text::usesHashHex("&x&F&F&0&0&0&0 Rank #1"));
}

TEST(FormatHelpers, PlaceholderSpansAreByteOffsets) {
    using Spans = std::vector<std::pair<std::size_t, std::size_t>>;
    EXPECT_EQ(text::placeholderSpans("&a{success_rate}% {grade}{x}{max_health"), (Spans{{2, 16}, {18, 25}}));
    EXPECT_EQ(text::placeholderSpans("种类{type_item}{{failure_rate}{max_health}"),
              (Spans{{6, 17}, {18, 32}, {32, 44}}));
    EXPECT_EQ(text::placeholderSpans("{Grade} {grade "), Spans{});
}

enum class Width { Same, Alphanumeric, Ideograph, Latin1Letter, Cyrillic };

struct GlyphCase {
    char32_t original;
    Width width;
};

class ObfuscatedGlyphTest : public testing::TestWithParam<GlyphCase> {};

bool fits(char32_t c, Width width) {
    switch (width) {
    case Width::Same: return false;
    case Width::Alphanumeric: return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    case Width::Ideograph: return c >= 0x4E00 && c <= 0x9FA5;
    case Width::Latin1Letter: return c >= 0xD8 && c <= 0xF6;
    case Width::Cyrillic: return c >= 0x400 && c <= 0x45F;
    }
    return false;
}

// Over many random numbers the stand-in keeps the width class, is never the original,
// and the random number really picks among many glyphs.
TEST_P(ObfuscatedGlyphTest, KeepsTheWidthClass) {
    const auto [original, width] = GetParam();
    std::set<char32_t> seen;
    for (std::uint32_t random = 0; random < 3000; ++random) {
        const char32_t glyph = text::obfuscatedGlyph(original, random * 2654435761u);
        if (width == Width::Same) {
            ASSERT_EQ(glyph, original);
        } else {
            ASSERT_TRUE(fits(glyph, width)) << std::hex << static_cast<std::uint32_t>(glyph);
            ASSERT_NE(glyph, original);
        }
        seen.insert(glyph);
    }
    if (width == Width::Alphanumeric) {
        EXPECT_GE(seen.size(), 61u);
    } else if (width == Width::Ideograph) {
        EXPECT_GE(seen.size(), 2000u);
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Characters, ObfuscatedGlyphTest, testing::Values(
    GlyphCase{U' ', Width::Same},          GlyphCase{U'\u3000', Width::Same},
    GlyphCase{U'\u00A0', Width::Same},     GlyphCase{U'\t', Width::Same},
    GlyphCase{U'\u0301', Width::Same},     GlyphCase{U'\U0001D11E', Width::Same},
    GlyphCase{U'a', Width::Alphanumeric},  GlyphCase{U'Z', Width::Alphanumeric},
    GlyphCase{U'0', Width::Alphanumeric},  GlyphCase{U'!', Width::Alphanumeric},
    GlyphCase{U'~', Width::Alphanumeric},  GlyphCase{U'中', Width::Ideograph},
    GlyphCase{U'\u9FA5', Width::Ideograph},GlyphCase{U'가', Width::Ideograph},
    GlyphCase{U'あ', Width::Ideograph},    GlyphCase{U'！', Width::Ideograph},
    GlyphCase{U'\U00020BB7', Width::Ideograph}, GlyphCase{U'\U0001F48E', Width::Ideograph},
    GlyphCase{U'é', Width::Latin1Letter},  GlyphCase{U'Ж', Width::Cyrillic}
));
// clang-format on

}  // namespace
