// The writer rule: plain exactly when SnakeYAML reads the value back as typed, quoted
// otherwise; checked as whole written strings and by reading the editor's blocks back.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "hostile.h"
#include "yaml/document.h"
#include "yaml/scalar.h"

namespace {

using yaml::testing::Place;

struct WriteCase {
    const char* name;
    std::string typed;
    std::string key;     // as a top-level identifier
    std::string nested;  // as a resistance key
    std::string text;    // as a text value
    std::string number;  // as a number value
};

class ScalarWriteTest : public testing::TestWithParam<WriteCase> {};

TEST_P(ScalarWriteTest, WritesPlainOrQuoted) {
    const WriteCase& c = GetParam();
    EXPECT_EQ((std::vector<std::string>{yaml::plainOrQuotedKey(c.typed, yaml::KeyPlace::TopLevel),
                                        yaml::plainOrQuotedKey(c.typed, yaml::KeyPlace::Nested),
                                        yaml::plainOrQuotedValue(c.typed, yaml::ScalarKind::Text),
                                        yaml::plainOrQuotedValue(c.typed, yaml::ScalarKind::Number)}),
              (std::vector<std::string>{c.key, c.nested, c.text, c.number}));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Values, ScalarWriteTest, testing::Values(
    //        name             typed          top-level key      resistance key     text value         number value
    WriteCase{"Empty",         "",            "",                "",                "",                ""},
    WriteCase{"Word",          "fire",        "fire",            "fire",            "fire",            "fire"},
    WriteCase{"Chinese",       "红宝石",      "红宝石",          "红宝石",          "红宝石",          "红宝石"},
    WriteCase{"Integer",       "10",          "\"10\"",          "\"10\"",          "\"10\"",          "10"},
    WriteCase{"Negative",      "-8",          "\"-8\"",          "\"-8\"",          "\"-8\"",          "-8"},
    WriteCase{"Fraction",      "1.5",         "\"1.5\"",         "\"1.5\"",         "\"1.5\"",         "1.5"},
    WriteCase{"Exponent",      "1e3",         "\"1e3\"",         "\"1e3\"",         "\"1e3\"",         "1e3"},
    WriteCase{"OctalOneDigit", "07",          "\"07\"",          "\"07\"",          "\"07\"",          "07"},
    WriteCase{"Octal",         "012",         "\"012\"",         "\"012\"",         "\"012\"",         "\"012\""},
    WriteCase{"EightIsText",   "08",          "08",              "08",              "08",              "08"},
    WriteCase{"Hex",           "0x1F",        "\"0x1F\"",        "\"0x1F\"",        "\"0x1F\"",        "\"0x1F\""},
    WriteCase{"Sexagesimal",   "1:20",        "\"1:20\"",        "\"1:20\"",        "\"1:20\"",        "\"1:20\""},
    WriteCase{"Underscores",   "1_000",       "\"1_000\"",       "\"1_000\"",       "\"1_000\"",       "\"1_000\""},
    WriteCase{"NoDigitFloat",  "._",          "\"._\"",          "\"._\"",          "\"._\"",          "\"._\""},
    WriteCase{"NaN",           ".nan",        "\".nan\"",        "\".nan\"",        "\".nan\"",        "\".nan\""},
    WriteCase{"Yes",           "yes",         "\"yes\"",         "\"yes\"",         "\"yes\"",         "\"yes\""},
    WriteCase{"OffTitle",      "Off",         "\"Off\"",         "\"Off\"",         "\"Off\"",         "\"Off\""},
    WriteCase{"TrueUpper",     "TRUE",        "\"TRUE\"",        "\"TRUE\"",        "\"TRUE\"",        "\"TRUE\""},
    WriteCase{"Tilde",         "~",           "\"~\"",           "\"~\"",           "\"~\"",           "\"~\""},
    WriteCase{"Null",          "Null",        "\"Null\"",        "\"Null\"",        "\"Null\"",        "\"Null\""},
    WriteCase{"Date",          "2024-01-01",  "\"2024-01-01\"",  "\"2024-01-01\"",  "\"2024-01-01\"",  "\"2024-01-01\""},
    WriteCase{"Merge",         "<<",          "\"<<\"",          "\"<<\"",          "\"<<\"",          "\"<<\""},
    WriteCase{"ColonBlank",    "a: b",        "\"a: b\"",        "\"a: b\"",        "\"a: b\"",        "\"a: b\""},
    WriteCase{"ColonInside",   "a:b",         "a:b",             "a:b",             "a:b",             "a:b"},
    WriteCase{"TrailingColon", "a:",          "a:",              "a:",          "\"a:\"",          "\"a:\""},
    WriteCase{"BlankHash",     "Rank #1",     "\"Rank #1\"",     "\"Rank #1\"",     "\"Rank #1\"",     "\"Rank #1\""},
    WriteCase{"HashInside",    "a#b",         "a#b",             "a#b",             "a#b",             "a#b"},
    WriteCase{"Anchor",        "&7Rank",      "\"&7Rank\"",      "\"&7Rank\"",      "\"&7Rank\"",      "\"&7Rank\""},
    WriteCase{"Ampersand",     "R&D",         "R&D",             "R&D",             "R&D",             "R&D"},
    WriteCase{"Alias",         "*a",          "\"*a\"",          "\"*a\"",          "\"*a\"",          "\"*a\""},
    WriteCase{"Percent",       "%x",          "\"%x\"",          "\"%x\"",          "\"%x\"",          "\"%x\""},
    WriteCase{"At",            "@x",          "\"@x\"",          "\"@x\"",          "\"@x\"",          "\"@x\""},
    WriteCase{"Backtick",      "`x`",         "\"`x`\"",         "\"`x`\"",         "\"`x`\"",         "\"`x`\""},
    WriteCase{"Brace",         "{a}",         "\"{a}\"",         "\"{a}\"",         "\"{a}\"",         "\"{a}\""},
    WriteCase{"Bracket",       "[a]",         "\"[a]\"",         "\"[a]\"",         "\"[a]\"",         "\"[a]\""},
    WriteCase{"Dash",          "- a",         "\"- a\"",         "\"- a\"",         "\"- a\"",         "\"- a\""},
    WriteCase{"DashWord",      "-x",          "-x",              "-x",              "-x",              "-x"},
    WriteCase{"Question",      "? a",         "\"? a\"",         "\"? a\"",         "\"? a\"",         "\"? a\""},
    WriteCase{"Comma",         ",x",          "\",x\"",          "\",x\"",          "\",x\"",          "\",x\""},
    WriteCase{"Bang",          "!x",          "\"!x\"",          "\"!x\"",          "\"!x\"",          "\"!x\""},
    WriteCase{"Pipe",          "|",           "\"|\"",           "\"|\"",           "\"|\"",           "\"|\""},
    WriteCase{"Single",        "'q'",         "\"'q'\"",         "\"'q'\"",         "\"'q'\"",         "\"'q'\""},
    WriteCase{"Double",        "\"q\"",       "\"\\\"q\\\"\"",   "\"\\\"q\\\"\"",   "\"\\\"q\\\"\"",   "\"\\\"q\\\"\""},
    WriteCase{"InnerQuotes",   "say \"hi\"",  "say \"hi\"",      "say \"hi\"",      "say \"hi\"",      "say \"hi\""},
    WriteCase{"Backslash",     "C:\\x",       "C:\\x",           "C:\\x",           "C:\\x",           "C:\\x"},
    WriteCase{"LeadingBlank",  " 5",          "\" 5\"",          "\" 5\"",          "\" 5\"",          "\" 5\""},
    WriteCase{"TrailingBlank", "5 ",          "\"5 \"",          "\"5 \"",          "\"5 \"",          "\"5 \""},
    WriteCase{"LeadingTab",    "\ta",         "\"\ta\"",         "\"\ta\"",         "\"\ta\"",         "\"\ta\""},
    WriteCase{"InnerTab",      "a\tb",        "a\tb",            "a\tb",            "a\tb",            "a\tb"},
    WriteCase{"DocumentStart", "---",         "---",             "---",             "---",             "---"},
    WriteCase{"LineFeed",      "a\nb",        "\"a\\nb\"",       "\"a\\nb\"",       "\"a\\nb\"",       "\"a\\nb\""},
    WriteCase{"LineSeparator", "a\u2028b",    "\"a\\Lb\"",       "\"a\\Lb\"",       "\"a\\Lb\"",       "\"a\\Lb\""},
    WriteCase{"ParagraphSep",  "a\u2029b",    "\"a\\Pb\"",       "\"a\\Pb\"",       "\"a\\Pb\"",       "\"a\\Pb\""},
    WriteCase{"NextLine",      "a\u0085b",    "\"a\\x85b\"",     "\"a\\x85b\"",     "\"a\\x85b\"",     "\"a\\x85b\""},
    WriteCase{"Control",       "a\x01",       "\"a\\x01\"",      "\"a\\x01\"",      "\"a\\x01\"",      "\"a\\x01\""},
    WriteCase{"ByteOrderMark", "\uFEFFa",     "\"\\uFEFFa\"",    "\uFEFFa",         "\uFEFFa",         "\uFEFFa"}
), [](const testing::TestParamInfo<WriteCase>& row) { return std::string(row.param.name); });
// clang-format on

struct PlaceValue {
    Place place;
    std::size_t value;
};

class HostileValueTest : public testing::TestWithParam<PlaceValue> {};

// Written into the editor's block, every value reads back through the reader as typed
// (text as the same string, a number field also as the decimal number typed), and the
// entries around it stay as they were. The oracle script test checks that SnakeYAML reads
// the same documents identically.
TEST_P(HostileValueTest, ReadsBackAsTyped) {
    const auto [place, index] = GetParam();
    const std::string& typed = yaml::testing::hostileValues()[index];
    const std::string doc = yaml::testing::blockWith(yaml::testing::written(typed, place), place);
    if (typed.empty()) return;  // empty stays empty: the check reports the broken entry
    const yaml::Document read = yaml::read(doc);
    ASSERT_FALSE(read.error.has_value()) << doc;
    const auto top = read.children(read.node(*read.root));
    const auto textOf = [&](std::uint32_t i) { return std::string(read.value(read.node(i))); };
    const auto pairsOf = [&](std::uint32_t i) { return read.children(read.node(i)); };
    switch (place) {
    case Place::TopLevelKey:
        ASSERT_EQ(top.size(), 4u) << doc;
        EXPECT_EQ(read.node(top[0]).tag, yaml::Tag::Str);
        EXPECT_EQ(textOf(top[0]), typed);
        EXPECT_EQ(pairsOf(top[1]).size(), 4u);
        EXPECT_EQ(textOf(top[2]), "next");
        break;
    case Place::ResistanceKey: {
        const auto element = pairsOf(top[1]);
        ASSERT_EQ(element.size(), 4u) << doc;
        const auto resistance = pairsOf(element[3]);
        ASSERT_EQ(resistance.size(), 6u) << doc;
        EXPECT_EQ(read.node(resistance[2]).tag, yaml::Tag::Str);
        EXPECT_EQ((std::vector<std::string>{textOf(resistance[0]), textOf(resistance[2]), textOf(resistance[3]),
                                            textOf(resistance[4])}),
                  (std::vector<std::string>{"water", typed, "35", "fire"}));
        break;
    }
    case Place::TextValue:
    case Place::NumberValue: {
        const auto gem = pairsOf(top[1]);
        ASSERT_EQ(gem.size(), 6u) << doc;
        const yaml::Node& value = read.node(gem[3]);
        EXPECT_EQ(textOf(gem[3]), typed);
        const bool number = value.tag == yaml::Tag::Int || value.tag == yaml::Tag::Float;
        if (place == Place::TextValue || !number) {
            EXPECT_EQ(value.tag, yaml::Tag::Str);
        } else {
            // Plain only for the decimal number typed; then read as that number.
            EXPECT_TRUE(yaml::isDecimalNumber(typed)) << typed;
            EXPECT_EQ(value.style, yaml::ScalarStyle::Plain);
        }
        EXPECT_EQ(textOf(gem[4]), "Type_Item");
        break;
    }
    }
}

std::vector<PlaceValue> everyPlaceAndValue() {
    std::vector<PlaceValue> out;
    for (Place place : {Place::TopLevelKey, Place::ResistanceKey, Place::TextValue, Place::NumberValue})
        for (std::size_t i = 0; i < yaml::testing::hostileValues().size(); ++i) out.push_back({place, i});
    return out;
}

INSTANTIATE_TEST_SUITE_P(EveryPlace, HostileValueTest, testing::ValuesIn(everyPlaceAndValue()),
                         [](const testing::TestParamInfo<PlaceValue>& row) {
                             return std::string(yaml::testing::placeName(row.param.place)) + "_" +
                                    std::to_string(row.param.value);
                         });

TEST(DecimalNumber, AcceptsOnlyOrdinaryDecimals) {
    std::string accepted;
    for (const char* text : {"10", "-8", "+5", "1.5", ".5", "5.",    "1e3",  "1.5E-3", "",    "-",
                             ".",  "e3", "1e", " 5",  "5 ", "1_000", "0x1F", "1:20",   "1,5", "١٢"})
        accepted += yaml::isDecimalNumber(text) ? "1" : "0";
    EXPECT_EQ(accepted, "11111111000000000000");
}

}  // namespace
