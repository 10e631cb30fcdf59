// The colour tools of the name and lore fields: gradients, hex forms, stripping codes and
// inserting them, compared as whole strings.
#include "text/colour_tools.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "text/codes.h"
#include "text/format.h"
#include "text/utf8.h"

namespace text {
// Failure output shows the text and the selection, not their bytes.
void PrintTo(const Edit& edit, std::ostream* out) {
    *out << '"' << edit.text << "\" [" << edit.selectionStart << ", " << edit.selectionEnd << ")";
}
void PrintTo(const EditResult& result, std::ostream* out) {
    PrintTo(result.edit, out);
    if (!result.ok()) *out << " refused: " << result.refusal;
}
}  // namespace text

namespace {

using text::Edit;
using text::ToolResult;

std::string x(std::string_view digits) {
    std::string code = "&x";
    for (const char c : digits) code += {'&', c};
    return code;
}

// gradientColours: where the channels fall, above all at exactly one half.
struct ShadeCase {
    const char* name;
    std::vector<std::uint32_t> stops;
    std::size_t n;
    std::vector<std::uint32_t> shades;
};

std::ostream& operator<<(std::ostream& out, const ShadeCase& c) { return out << c.name; }

class ShadeTest : public testing::TestWithParam<ShadeCase> {};

TEST_P(ShadeTest, ChannelsRoundHalfUp) {
    EXPECT_EQ(text::gradientColours(GetParam().stops, GetParam().n), GetParam().shades);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Gradient, ShadeTest, testing::Values(
    ShadeCase{"TwoStops",          {0xFF5555, 0x5555FF},                     4, {0xFF5555, 0xC6558E, 0x8E55C6, 0x5555FF}},
    ShadeCase{"ThreeStops",        {0xFF0000, 0x00FF00, 0x0000FF},           5, {0xFF0000, 0x808000, 0x00FF00, 0x008080, 0x0000FF}},
    ShadeCase{"MoreStopsThanPoints", {0x102030, 0xFFFFFF, 0x000000, 0xABCDEF}, 3, {0x102030, 0x808080, 0xABCDEF}},
    // 255 -> 0 and 0 -> 255 both give 127.5 in the middle, 1 -> 0 gives 0.5: all round up.
    ShadeCase{"HalfBothWays",      {0xFF0001, 0x00FF00},                     3, {0xFF0001, 0x808001, 0x00FF00}},
    // 0.25 down, 0.5 and 0.75 up, rising and falling.
    ShadeCase{"QuartersRising",    {0x000000, 0x010101},                     5, {0x000000, 0x000000, 0x010101, 0x010101, 0x010101}},
    ShadeCase{"QuartersFalling",   {0x010101, 0x000000},                     5, {0x010101, 0x010101, 0x010101, 0x000000, 0x000000}},
    ShadeCase{"SixthsRising",      {0x000000, 0xFFFFFF},                     7, {0x000000, 0x2B2B2B, 0x555555, 0x808080, 0xAAAAAA, 0xD5D5D5, 0xFFFFFF}},
    ShadeCase{"OnePointIsTheFirstStop", {0x123456, 0xFFFFFF, 0x000000},      1, {0x123456}},
    ShadeCase{"TwoPointsAreTheEnds", {0x123456, 0xFFFFFF, 0x654321},         2, {0x123456, 0x654321}},
    ShadeCase{"NoPoints",          {0x123456, 0x654321},                     0, {}}
), [](const testing::TestParamInfo<ShadeCase>& row) { return std::string(row.param.name); });
// clang-format on

// gradient: the text it writes.
struct GradientCase {
    const char* name;
    std::string text;
    std::vector<std::string> colours;
    std::string formats;
    std::string form;
    std::string written;
};

std::ostream& operator<<(std::ostream& out, const GradientCase& c) { return out << c.name; }

class GradientTest : public testing::TestWithParam<GradientCase> {};

TEST_P(GradientTest, WritesTheCodes) {
    const GradientCase& c = GetParam();
    EXPECT_EQ(text::gradient(c.text, c.colours, c.formats, c.form), (ToolResult{c.written, ""}));
}

const std::vector<std::string> kRedToBlue = {"#ff5555", "#5555ff"};
const std::vector<std::string> kRedRed = {"#ff0000", "#ff0000"};

// clang-format off
INSTANTIATE_TEST_SUITE_P(Gradient, GradientTest, testing::Values(
    GradientCase{"AutomationExample", "宝石之力", kRedToBlue, "l", "x",
        x("ff5555") + "&l宝" + x("c6558e") + "&l石" + x("8e55c6") + "&l之" + x("5555ff") + "&l力"},
    GradientCase{"ThreeStopsHash", "abcde", {"#ff0000", "#00ff00", "#0000ff"}, "", "hash",
        "&#ff0000a&#808000b&#00ff00c&#008080d&#0000ffe"},
    GradientCase{"UpperCaseColoursWrittenLower", "ab", {"#ABCDEF", "#FEDCBA"}, "", "",
        x("abcdef") + "a" + x("fedcba") + "b"},
    GradientCase{"FormatsInTheirOrderOnce", "ab", kRedToBlue, "kMnoLl", "hash",
        "&#ff5555&l&o&n&m&ka&#5555ff&l&o&n&m&kb"},
    GradientCase{"OneCodePoint", "剑", kRedToBlue, "o", "x", x("ff5555") + "&o剑"},
    GradientCase{"Empty", "", kRedToBlue, "l", "x", ""},
    // The blank counts as a point (n = 3) but writes no code: b is the last stop.
    GradientCase{"BlankCountsButWritesNoCode", "a b", {"#ff0000", "#0000ff"}, "", "hash",
        "&#ff0000a &#0000ffb"},
    GradientCase{"OtherBlanks", "a\t\u3000\u00a0b", {"#ff0000", "#0000ff"}, "", "hash",
        "&#ff0000a\t\u3000\u00a0&#0000ffb"},
    GradientCase{"SameColourNotRepeated", "ab c", kRedRed, "l", "hash", "&#ff0000&lab c"},
    GradientCase{"RoundedToTheSameColour", "abcde", {"#000000", "#010101"}, "", "hash",
        "&#000000ab&#010101cde"},
    // Every line starts afresh in the game, so the colour is written again after a break.
    GradientCase{"LineBreaks", "ab\r\ncd\ne", kRedRed, "", "hash", "&#ff0000ab\r\n&#ff0000cd\n&#ff0000e"},
    // A "§" that ends its line is text, and the line break after it stays a line break.
    GradientCase{"SectionBeforeALineBreak", "a§\nb", kRedRed, "", "hash", "&#ff0000a§\n&#ff0000b"},
    GradientCase{"CodesInTheSelectionDropped", "&c&l红&r色", kRedToBlue, "", "hash", "&#ff5555红&#5555ff色"},
    GradientCase{"EveryKindOfCodeDropped", "&x&1&2&3&4&5&6a§lb&#abcdefc&xd§ze", {"#000000", "#000004"}, "", "hash",
        "&#000000a&#000001b&#000002c&#000003d&#000004e"},
    GradientCase{"OnlyCodes", "&c&l", kRedToBlue, "l", "x", ""},
    // "&&cc" shows "&" and "c": the "c" gets its code, or the two would become a code.
    GradientCase{"LiteralAmpersandStaysText", "&&cc&Z", kRedRed, "", "hash", "&#ff0000&&#ff0000c&Z"},
    GradientCase{"AmpersandBeforeHash", "&&c#1", kRedRed, "", "x", x("ff0000") + "&" + x("ff0000") + "#1"},
    GradientCase{"IllFormedBytesPassThrough", "a\xFF", {"#000000", "#ffffff"}, "", "hash", "&#000000a&#ffffff\xFF"}
), [](const testing::TestParamInfo<GradientCase>& row) { return std::string(row.param.name); });
// clang-format on

// gradient, convertHex: what they refuse, with the reason.
struct RefusalCase {
    const char* name;
    std::vector<std::string> colours;
    std::string formats;
    std::string form;
    std::string refusal;
};

std::ostream& operator<<(std::ostream& out, const RefusalCase& c) { return out << c.name; }

class RefusalTest : public testing::TestWithParam<RefusalCase> {};

TEST_P(RefusalTest, SaysWhy) {
    const RefusalCase& c = GetParam();
    EXPECT_EQ(text::gradient("宝石", c.colours, c.formats, c.form), (ToolResult{"", c.refusal}));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Gradient, RefusalTest, testing::Values(
    RefusalCase{"NoColour",       {},                       "", "x",    "a gradient needs at least two colours, got 0"},
    RefusalCase{"OneColour",      {"#ff0000"},              "", "x",    "a gradient needs at least two colours, got 1"},
    RefusalCase{"FiveDigits",     {"#ff000", "#00ff00"},    "", "x",    "colour \"#ff000\" is not # and six hex digits"},
    RefusalCase{"NoHash",         {"#ff0000", "00ff00"},    "", "x",    "colour \"00ff00\" is not # and six hex digits"},
    RefusalCase{"NotHex",         {"#ff0000", "#00gg00"},   "", "x",    "colour \"#00gg00\" is not # and six hex digits"},
    RefusalCase{"Name",           {"red", "#00ff00"},       "", "x",    "colour \"red\" is not # and six hex digits"},
    RefusalCase{"TrailingBlank",  {"#ff0000 ", "#00ff00"},  "", "x",    "colour \"#ff0000 \" is not # and six hex digits"},
    RefusalCase{"ResetIsNoFormat", kRedToBlue,              "lr", "x",  "unknown format \"r\": the formats are l, o, n, m and k"},
    RefusalCase{"CodeNotLetter",  kRedToBlue,               "&l", "x",  "unknown format \"&\": the formats are l, o, n, m and k"},
    RefusalCase{"UnknownForm",    kRedToBlue,               "l", "rgb", "unknown form \"rgb\": use \"x\" or \"hash\""},
    RefusalCase{"FormIsLowerCase", kRedToBlue,              "", "X",    "unknown form \"X\": use \"x\" or \"hash\""}
), [](const testing::TestParamInfo<RefusalCase>& row) { return std::string(row.param.name); });
// clang-format on

TEST(ConvertHex, RefusesAnUnknownForm) {
    EXPECT_EQ(text::convertHex("&#ff0000", "rgb"), (ToolResult{"", "unknown form \"rgb\": use \"x\" or \"hash\""}));
}

// convertHex: each text converted to both forms.
struct ConvertCase {
    const char* name;
    std::string text;
    std::string toX;
    std::string toHash;
};

std::ostream& operator<<(std::ostream& out, const ConvertCase& c) { return out << c.name; }

class ConvertTest : public testing::TestWithParam<ConvertCase> {};

TEST_P(ConvertTest, WritesTheOtherForm) {
    EXPECT_EQ(text::convertHex(GetParam().text, "x"), (ToolResult{GetParam().toX, ""}));
    EXPECT_EQ(text::convertHex(GetParam().text, "hash"), (ToolResult{GetParam().toHash, ""}));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Hex, ConvertTest, testing::Values(
    ConvertCase{"HashToX",             "&#ff0000红",             x("ff0000") + "红",       "&#ff0000红"},
    ConvertCase{"UpperHashGivesLower", "&#FF00Aa!",              x("ff00aa") + "!",        "&#FF00Aa!"},
    ConvertCase{"XToHash",             "&x&F&F&0&0&0&0红",       "&x&F&F&0&0&0&0红",       "&#ff0000红"},
    ConvertCase{"SectionXToHash",      "§x§a§b§c§d§e§f!",        "§x§a§b§c§d§e§f!",        "&#abcdef!"},
    ConvertCase{"MixedMarkersToHash",  "&X§1&2§3&4§5&6",         "&X§1&2§3&4§5&6",         "&#123456"},
    ConvertCase{"Both",                "&#112233a" + x("445566") + "b",
                                       x("112233") + "a" + x("445566") + "b",
                                       "&#112233a&#445566b"},
    ConvertCase{"OtherCodesStay",      "&c&lA§r&x",              "&c&lA§r&x",              "&c&lA§r&x"},
    ConvertCase{"UnfinishedX",         "&x&f&f&0&0&0b",          "&x&f&f&0&0&0b",          "&x&f&f&0&0&0b"},
    ConvertCase{"UnfinishedHash",      "&#12 x&#12345g",         "&#12 x&#12345g",         "&#12 x&#12345g"},
    ConvertCase{"SectionHashIsNoCode", "§#123456",               "§#123456",               "§#123456"},
    ConvertCase{"LoneAmpersand",       "R&Z &&#0000ff&",         "R&Z &" + x("0000ff") + "&", "R&Z &&#0000ff&"},
    ConvertCase{"LinesAndBadBytes",    "&#010203\r\n\xFF&#040506", x("010203") + "\r\n\xFF" + x("040506"),
                                       "&#010203\r\n\xFF&#040506"}
), [](const testing::TestParamInfo<ConvertCase>& row) { return std::string(row.param.name); });
// clang-format on

// stripCodes: the text left.
struct StripCase {
    const char* name;
    std::string text;
    std::string plain;
};

std::ostream& operator<<(std::ostream& out, const StripCase& c) { return out << c.name; }

class StripTest : public testing::TestWithParam<StripCase> {};

TEST_P(StripTest, LeavesTheText) { EXPECT_EQ(text::stripCodes(GetParam().text), GetParam().plain); }

// The characters the game shows, without their styles: the formatter's runs joined.
std::string shownText(const std::string& typed) {
    std::string shown;
    for (const text::Line& line : text::format(typed, text::Role::Message))
        for (const text::Run& run : line) shown += run.text;
    return shown;
}

// Whether the game reads a code anywhere in the text, at any character of any line.
bool holdsACode(std::string_view text) {
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '\n' && text[i] != '\r') continue;
        const std::string_view line = text.substr(start, i - start);
        for (std::size_t at = 0; at < line.size(); ++at)
            if (text::codeAt(line, at).kind != text::CodeKind::None) return true;
        start = i + 1;
    }
    return false;
}

// What is left is what the game shows, without its styles, when that holds no code again.
TEST_P(StripTest, AgreesWithWhatThePreviewShows) {
    const std::string& typed = GetParam().text;
    if (typed.find_first_of("\r\n") != std::string::npos || typed.find('\xFF') != std::string::npos) return;
    const std::string shown = shownText(typed);
    if (!holdsACode(shown)) {
        EXPECT_EQ(text::stripCodes(typed), shown);
    }
}

// Over random texts of the characters that make codes: nothing the game reads as a code is
// left, stripping again changes nothing, and where one pass of the game's reading leaves no
// code the result is what the game shows.
TEST(StripCodes, NothingTheGameReadsAsACodeIsLeft) {
    const std::vector<std::string> pieces = {"&", "§", "c", "a", "l",  "x", "#", "f",
                                             "0", "r", "k", "Z", "红", " ", "\n"};
    std::mt19937 random(20240611);
    for (int round = 0; round < 4000; ++round) {
        std::string typed;
        const auto length = static_cast<int>(random() % 24);
        for (int i = 0; i < length; ++i) typed += pieces[random() % pieces.size()];
        const std::string stripped = text::stripCodes(typed);
        EXPECT_FALSE(holdsACode(stripped)) << typed << " -> " << stripped;
        EXPECT_EQ(text::stripCodes(stripped), stripped) << typed;
        const std::string shown = shownText(typed);
        if (typed.find('\n') == std::string::npos && !holdsACode(shown)) {
            EXPECT_EQ(stripped, shown) << typed;
        }
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Codes, StripTest, testing::Values(
    StripCase{"Example",            "&c&l红&r色",                 "红色"},
    StripCase{"Section",            "§c§l红§r色",                 "红色"},
    StripCase{"UpperCase",          "&C&LX&0Y&R",                 "XY"},
    StripCase{"HexX",               "&x&f&f&0&0&0&0红",           "红"},
    StripCase{"HexXUpperSection",   "§x§F§F§0§0§0§0红",           "红"},
    StripCase{"HexHash",            "&#FF0000红&#00aa00绿",       "红绿"},
    StripCase{"LoneAmpersand",      "&",                          "&"},
    StripCase{"AmpersandsOfNoCode", "R&Z & co&?&",                "R&Z & co&?&"},
    // Stripped once, these leave "&x" and "&c", which the game reads as codes again.
    StripCase{"AmpersandBeforeCode", "&&cx",                      ""},
    StripCase{"AmpersandMeetsNext", "&&cc",                       ""},
    StripCase{"AmpersandSectionNext", "&§ac",                     ""},
    StripCase{"AmpersandsNested",   "&&&&cccc",                   ""},
    StripCase{"SectionHidesAmpersand", "§&c",                     "c"},
    StripCase{"CodeNeverAcrossALine", "a&\ncb§\nd",              "a&\ncb§\nd"},
    // "&x" without six digits shows nothing; the digits after it are codes of their own.
    StripCase{"UnfinishedX",        "&x&1&2Hi",                   "Hi"},
    StripCase{"XAtEnd",             "A&x",                        "A"},
    StripCase{"XBeforeNonDigit",    "&x&gZ",                      "&gZ"},
    StripCase{"UnfinishedHash",     "&#12 x",                     "&#12 x"},
    StripCase{"SectionAtEnd",       "a§",                         "a§"},
    StripCase{"SectionHides",       "a§zb§中文",                  "ab文"},
    StripCase{"LinesKept",          "&ca\r\n&lb\n",               "a\r\nb\n"},
    StripCase{"IllFormedKept",      "&c\xFF&l\xFF",               "\xFF\xFF"}
), [](const testing::TestParamInfo<StripCase>& row) { return std::string(row.param.name); });
// clang-format on

// insertCode: the code in front of the selection, the selection moved along; the codes in
// force at the selection's end written again after it, and no code cut in two.
struct InsertCase {
    const char* name;
    std::string text;
    std::size_t start;
    std::size_t end;
    std::string code;
    Edit edit;
    text::Role role = text::Role::Message;
};

std::ostream& operator<<(std::ostream& out, const InsertCase& c) { return out << c.name; }

class InsertTest : public testing::TestWithParam<InsertCase> {};

TEST_P(InsertTest, PutsTheCodeInFront) {
    const InsertCase& c = GetParam();
    EXPECT_EQ(text::insertCode(c.text, c.start, c.end, c.code, c.role), c.edit);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Insert, InsertTest, testing::Values(
    InsertCase{"EmptyField",         "",          0, 0,  "&c",  {"&c", 2, 2}},
    InsertCase{"CursorInChinese",    "红色",      1, 1,  "&l",  {"红&l色", 3, 3}},
    InsertCase{"Selection",          "a红色b",    1, 3,  "&6",  {"a&6红色&rb", 3, 5}},
    InsertCase{"SelectionBackwards", "a红色b",    3, 1,  "&6",  {"a&6红色&rb", 3, 5}},
    InsertCase{"PastTheEnd",         "ab",        9, 12, "&r",  {"ab&r", 4, 4}},
    InsertCase{"EndPastTheEnd",      "ab",        1, 12, "&r",  {"a&rb", 3, 4}},
    InsertCase{"EmojiIsOnePoint",    "😀x",       1, 1,  "&c",  {"😀&cx", 3, 3}},
    InsertCase{"IllFormedByteIsOne", "\xFFx",     1, 2,  "&c",  {"\xFF&cx", 3, 4}},
    InsertCase{"HexCode",            "石",        0, 1,  "&x&f&f&0&0&0&0", {"&x&f&f&0&0&0&0石", 14, 15}},
    // A cursor inside a code moves after it; a selection that starts or ends inside one takes
    // the whole code.
    InsertCase{"CursorInsideACode",  "&cab",      1, 1,  "&l",  {"&c&lab", 4, 4}},
    InsertCase{"StartInsideACode",   "&cab",      1, 3,  "&l",  {"&l&cab", 2, 5}},
    InsertCase{"EndInsideACode",     "ab&cd",     0, 3,  "&l",  {"&lab&cd", 2, 6}},
    InsertCase{"InsideAHexCode",     "a&x&1&2&3&4&5&6b", 5, 5, "&l", {"a&x&1&2&3&4&5&6&lb", 17, 17}},
    // What follows the selection is drawn as before: the codes in force there come again.
    InsertCase{"ColourOnAName",      "宝石之力",  1, 2,  "&c",  {"宝&c石&f&o之力", 3, 4}, text::Role::Name},
    InsertCase{"FormatOnLore",       "&6宝石之力", 3, 4, "&l",  {"&6宝&l石&6之力", 5, 6}, text::Role::Lore},
    InsertCase{"PlainLore",          "宝石之力",  1, 2,  "&c",  {"宝&c石&5&o之力", 3, 4}, text::Role::Lore},
    InsertCase{"FormatsInForceToo",  "&#ff8800&n宝石之力", 11, 12, "&9",
        {"&#ff8800&n宝&9石&#ff8800&n之力", 13, 14}},
    InsertCase{"NothingAfter",       "宝石",      1, 2,  "&c",  {"宝&c石", 3, 4}},
    InsertCase{"AColourComesNext",   "宝石&a之力", 0, 2, "&c",  {"&c宝石&a之力", 2, 4}},
    InsertCase{"TheLineEndsAfter",   "宝石\n之力", 0, 2, "&c", {"&c宝石\n之力", 2, 4}, text::Role::Lore}
), [](const testing::TestParamInfo<InsertCase>& row) { return std::string(row.param.name); });
// clang-format on

// gradientEdit: the selection (or the whole text) in a gradient, the rest drawn as before.
struct GradientEditCase {
    const char* name;
    std::string text;
    std::size_t start;
    std::size_t end;
    std::vector<std::string> colours;
    std::string formats;
    std::string form;
    text::Role role;
    Edit edit;
};

std::ostream& operator<<(std::ostream& out, const GradientEditCase& c) { return out << c.name; }

class GradientEditTest : public testing::TestWithParam<GradientEditCase> {};

TEST_P(GradientEditTest, LeavesTheRestAsItWasDrawn) {
    const GradientEditCase& c = GetParam();
    EXPECT_EQ(text::gradientEdit(c.text, c.start, c.end, c.colours, c.formats, c.form, c.role),
              (text::EditResult{c.edit, ""}));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Selection, GradientEditTest, testing::Values(
    // The codes in front of "宝石" are dead once its first colour is written: they go, and
    // "之力" keeps its gold bold.
    GradientEditCase{"CodesBeforeGoCodesAfterCome", "&6&l宝石之力", 4, 6, kRedToBlue, "l", "x", text::Role::Name,
        {x("ff5555") + "&l宝" + x("5555ff") + "&l石&6&l之力", 0, 34}},
    GradientEditCase{"WholeCodeTaken", "&cab", 1, 3, {"#00ff00", "#0000ff"}, "", "x", text::Role::Lore,
        {x("00ff00") + "a&cb", 0, 15}},
    GradientEditCase{"CodesInsideDropped", "前宝&c石后", 1, 5, kRedToBlue, "", "x", text::Role::Lore,
        {"前" + x("ff5555") + "宝" + x("5555ff") + "石&c后", 1, 31}},
    // A blank first is drawn in the style before it (its underline shows): the codes stay.
    GradientEditCase{"ABlankFirstKeepsTheCodesBefore", "&c&n 宝石", 4, 7, kRedRed, "", "hash", text::Role::Lore,
        {"&c&n &#ff0000宝石", 4, 15}},
    GradientEditCase{"NoSelectionTheWholeText", "宝石", 1, 1, kRedRed, "", "hash", text::Role::Name,
        {"&#ff0000宝石", 10, 10}},
    GradientEditCase{"OverALineBreak", "&6宝\n石之力", 2, 5, kRedRed, "", "hash", text::Role::Lore,
        {"&#ff0000宝\n&#ff0000石&5&o之力", 0, 19}}
), [](const testing::TestParamInfo<GradientEditCase>& row) { return std::string(row.param.name); });
// clang-format on

TEST(GradientEdit, RefusesAsTheGradientDoes) {
    EXPECT_EQ(text::gradientEdit("宝石", 0, 1, {{"#ff0000"}}, "", "x", text::Role::Name),
              (text::EditResult{{}, "a gradient needs at least two colours, got 1"}));
}

// Each visible character of the text with its style, as the formatter draws it, and the byte
// where it starts (found by reading the codes as the game does).
struct Drawn {
    std::vector<std::string> characters;
    std::vector<text::Style> styles;
    std::vector<std::size_t> at;
};

Drawn drawn(const std::string& typed, text::Role role) {
    Drawn out;
    for (const text::Line& line : text::format(typed, role))
        for (const text::Run& run : line)
            for (std::size_t i = 0; i < run.text.size();) {
                char32_t cp = 0;
                std::size_t length = text::utf8::decode(run.text, i, &cp);
                length = length == 0 ? 1 : length;
                out.characters.push_back(run.text.substr(i, length));
                out.styles.push_back(run.style);
                i += length;
            }
    std::size_t start = 0;
    for (std::size_t i = 0; i <= typed.size(); ++i) {
        if (i < typed.size() && typed[i] != '\n') continue;
        const std::string_view line = std::string_view(typed).substr(start, i - start);
        for (std::size_t at = 0; at < line.size();) {
            const text::Code code = text::codeAt(line, at);
            if (code.kind != text::CodeKind::None) {
                at += code.length;
                continue;
            }
            char32_t cp = 0;
            const std::size_t length = text::utf8::decode(line, at, &cp);
            out.at.push_back(start + at);
            at += length == 0 ? 1 : length;
        }
        start = i + 1;
    }
    return out;
}

std::size_t byteAt(const std::string& text, std::size_t point) {
    std::size_t i = 0;
    for (std::size_t n = 0; n < point && i < text.size(); ++n) {
        char32_t cp = 0;
        const std::size_t length = text::utf8::decode(text, i, &cp);
        i += length == 0 ? 1 : length;
    }
    return i;
}

// A text in a failure message, its line breaks shown.
std::string escaped(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) out += c == '\n' ? std::string("\\n") : std::string(1, c);
    return out + "\"";
}

// Over random texts and selections: a code in front of the selection, or a gradient over it,
// leaves every character before and after the selection as it was drawn, in its colour and
// formats, and the result holds as many visible characters.
TEST(SelectionTools, LeaveTheRestAsItWasDrawn) {
    const std::vector<std::string> pieces = {"&", "§", "c", "6", "l", "n", "x", "#", "f", "r", "宝", " ", "\n", "Z"};
    const std::vector<std::string> codes = {"&c", "&l", "&r", "&x&1&2&3&4&5&6", "&#abcdef"};
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        std::string typed;
        const auto length = static_cast<int>(random() % 20);
        for (int i = 0; i < length; ++i) typed += pieces[random() % pieces.size()];
        const auto role = static_cast<text::Role>(random() % 3);
        const Drawn before = drawn(typed, role);
        std::size_t points = 0;
        while (byteAt(typed, points) < typed.size()) ++points;
        std::size_t start = random() % (points + 1);
        std::size_t end = random() % (points + 1);
        if (start > end) std::swap(start, end);
        const std::size_t from = byteAt(typed, start);
        const std::size_t to = byteAt(typed, end);
        if (from == to) continue;
        // The characters shown before the selection and after it, as the result selects it
        // (widened over the codes it cut, and over a "§" shown at a line's end).
        const auto outside = [&](const std::string& result, const Edit& edit, std::size_t* head, std::size_t* tail) {
            const std::size_t resultFrom = byteAt(result, std::min(edit.selectionStart, edit.selectionEnd));
            const std::size_t resultTo = byteAt(result, std::max(edit.selectionStart, edit.selectionEnd));
            *head = 0;
            *tail = 0;
            for (const std::size_t at : drawn(result, role).at) {
                *head += at < resultFrom ? 1 : 0;
                *tail += at >= resultTo ? 1 : 0;
            }
        };
        std::size_t head = 0;
        std::size_t tail = 0;
        std::size_t headBefore = 0;  // as the selection was given
        std::size_t tailBefore = 0;
        for (const std::size_t at : before.at) {
            headBefore += at < from ? 1 : 0;
            tailBefore += at >= to ? 1 : 0;
        }
        const auto same = [&](const std::string& result, const std::string& what) {
            const Drawn after = drawn(result, role);
            const std::string where = what + " on " + escaped(typed) + " [" + std::to_string(start) + "," +
                                      std::to_string(end) + ") as role " + std::to_string(static_cast<int>(role)) +
                                      " -> " + escaped(result);
            if (head + 1 < headBefore || tail != tailBefore) {
                ADD_FAILURE() << where << ": the selection grew over shown characters";
                return false;
            }
            if (after.characters.size() != before.characters.size()) {
                ADD_FAILURE() << where << ": " << before.characters.size() << " characters shown before, "
                              << after.characters.size() << " after";
                return false;
            }
            const std::size_t n = after.characters.size();
            for (std::size_t i = 0; i < n; ++i) {
                if (i >= head && i < n - tail) continue;
                if (after.characters[i] != before.characters[i] || !(after.styles[i] == before.styles[i])) {
                    ADD_FAILURE() << where << ": character " << i << " drawn otherwise";
                    return false;
                }
            }
            return true;
        };
        const std::string code = codes[random() % codes.size()];
        const Edit inserted = text::insertCode(typed, start, end, code, role);
        outside(inserted.text, inserted, &head, &tail);
        if (!same(inserted.text, code)) return;
        const text::EditResult graded = text::gradientEdit(typed, start, end, kRedToBlue, "l", "x", role);
        ASSERT_TRUE(graded.ok());
        outside(graded.edit.text, graded.edit, &head, &tail);
        if (!same(graded.edit.text, "gradient")) return;
    }
}

TEST(ColourButtons, AreTheSixteenColoursInCodeOrder) {
    std::string codes;
    for (const text::ColourButton& button : text::colourButtons()) {
        const text::Code code = text::codeAt(button.code, 0);
        EXPECT_EQ(code.kind, text::CodeKind::Colour) << button.code;
        EXPECT_EQ(code.length, button.code.size()) << button.code;
        EXPECT_EQ(code.rgb, button.rgb) << button.code;
        codes += button.code;
    }
    EXPECT_EQ(codes, "&0&1&2&3&4&5&6&7&8&9&a&b&c&d&e&f");
    EXPECT_EQ(text::colourButtons()[5].zh, "紫色");
    EXPECT_EQ(text::colourButtons()[13].zh, "粉红色");
}

TEST(FormatButtons, AreFormatsThenTheReset) {
    std::string row;
    for (const text::FormatButton& button : text::formatButtons()) {
        const text::Code code = text::codeAt(button.code, 0);
        EXPECT_EQ(code.length, button.code.size()) << button.code;
        EXPECT_EQ(code.kind, button.code == "&r" ? text::CodeKind::Reset : text::CodeKind::Format) << button.code;
        row += std::string(button.zh) + std::string(button.code) + " ";
    }
    EXPECT_EQ(row, "粗体&l 斜体&o 下划线&n 删除线&m 随机字符&k 重置&r ");
}

}  // namespace
