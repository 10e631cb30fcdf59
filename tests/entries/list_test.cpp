// The listing: every top-level key with its kind, identifier, lines and label, in texts the
// editor wrote, texts people wrote, and texts the server cannot read.
#include <gtest/gtest.h>

#include <vector>

#include "builders/socket/element_block.h"
#include "builders/socket/gem_block.h"
#include "builders/socket/key_lore.h"
#include "support.h"
#include "yaml/check.h"

namespace entries {
namespace {

using testing::crlf;
using testing::lf;

std::string kindName(Kind kind) {
    switch (kind) {
    case Kind::Gem: return "gem";
    case Kind::Element: return "element";
    case Kind::KeyLore: return "keylore";
    case Kind::Other: return "other";
    }
    return "";
}

// Each entry as one line: "kind id line-end [label]".
std::vector<std::string> rows(const Listing& listing) {
    std::vector<std::string> out;
    for (const Entry& e : listing.entries) {
        out.push_back(kindName(e.kind) + " " + e.id + " " + std::to_string(e.line) + "-" + std::to_string(e.end) +
                      " [" + e.label + "]");
    }
    return out;
}

std::string sampleGem(const std::string& id, const std::string& name) {
    return builders::socket::gemBlock({.id = id,
                                       .keylore = "&7镶嵌宝石",
                                       .displayName = name,
                                       .material = "REDSTONE",
                                       .shiny = 0,
                                       .maxGrade = "5",
                                       .typeItem = 0,
                                       .baseSuccessRate = "80",
                                       .scaleSuccessRate = "-8",
                                       .bonusBase = 0,
                                       .bonusBaseValue = "10",
                                       .bonusScale = 0,
                                       .bonusScaleValue = "2",
                                       .kind = "镶嵌宝石"});
}

TEST(ListTest, EditorBlocksInTextOrderWithCommentsBetween) {
    const std::string text = lf("# 插件的 socket 文件\n\n" + sampleGem("ruby", "&c红宝石 \"I\"") +
                                builders::socket::gemLoreLine("&7多一行") + "\n# 下面是元素\n\n" +
                                builders::socket::elementBlock({.id = "火", .keylore = "&c火焰"}) +
                                builders::socket::resistanceLine("water", "-20") + "# 技能\n" +
                                builders::socket::keyLoreEntry("heal", "&a治疗", "heal %player%") +
                                builders::socket::keyLoreCommand("say hi") + "\n\n");
    const Listing listing = list(text);
    EXPECT_FALSE(listing.broken);
    EXPECT_EQ(listing.message, "");
    EXPECT_EQ(rows(listing), (std::vector<std::string>{
                                 "gem ruby 3-26 [&c红宝石 \"I\"]",
                                 "element 火 30-45 [&c火焰]",
                                 "keylore heal 47-51 [&a治疗]",
                             }));
    EXPECT_EQ(rows(list(crlf(text))), rows(listing));
}

TEST(ListTest, TheLastEntryWithoutAFinalLineBreak) {
    const std::string text =
        "a:\n  keylore: \"x\"\n  command:\n    - \"y\"\n\n# 注释\nb:\n  keylore: 'z'\n  command: [\"w\"]";
    EXPECT_EQ(rows(list(text)), (std::vector<std::string>{"keylore a 1-4 [x]", "keylore b 7-9 [z]"}));
    EXPECT_EQ(rows(list(crlf(text))), rows(list(text)));
}

// Comments and blank lines inside an entry are its own; those after its last line are not,
// however far they are indented.
TEST(ListTest, CommentsInsideBelongCommentsAfterDoNot) {
    const std::string text =
        "gem:\n  # 名称\n  Display_Name: n\n\n  Material: m\n    # 缩进的注释\n\n  # 另一个\nnext:\n  Keylore: k\n";
    EXPECT_EQ(rows(list(text)), (std::vector<std::string>{"gem gem 1-5 [n]", "other next 9-10 []"}));
}

TEST(ListTest, IdentifiersAsYamlReadsThem) {
    const std::string text =
        "\"a b\":\n  keylore: x\n  command: []\n"
        "'it''s':\n  keylore: x\n  command: []\n"
        "\"\\u7EA2\\t\":\n  keylore: x\n  command: []\n"
        "红宝石:   # 注释\n  keylore: x\n  command: []\n"
        "\"yes\":\n  keylore: x\n  command: []\n"
        "012:\n  keylore: x\n  command: []\n";
    std::vector<std::string> ids;
    for (const Entry& e : list(text).entries) ids.push_back(e.id);
    EXPECT_EQ(ids, (std::vector<std::string>{"a b", "it's", "红\t", "红宝石", "yes", "012"}));
}

TEST(ListTest, LabelsAreRawTextWithTheirColourCodes) {
    const std::string text =
        "a:\n  Display_Name: '&c红 ''宝'' 石'\n  Material: x\n"
        "b:\n  Display_Name: &6plain\n  Material: x\n"  // an anchor: the name is empty
        "c:\n  Display_Name: \"&e\\\"q\\\" \\\\ \\u00A7l\"\n  Material: x\n"
        "d:\n  Display_Name: §6plain text  # comment\n  Material: x\n"
        "e:\n  Material: x\n  Lores: []\n"
        "f:\n  Keylore: ~\n  Resistance: {}\n  Potion_To_Victims: {}\n";
    EXPECT_EQ(rows(list(text)), (std::vector<std::string>{
                                    "gem a 1-3 [&c红 '宝' 石]",
                                    "gem b 4-6 []",
                                    "gem c 7-9 [&e\"q\" \\ §l]",
                                    "gem d 10-12 [§6plain text]",
                                    "gem e 13-15 []",
                                    "element f 16-19 []",
                                }));
}

// Values that are more than one plain line are read by the YAML reader itself.
TEST(ListTest, EntriesBeyondOneLinePerValue) {
    const std::string text =
        "ruby: {Display_Name: \"&c红\", Material: REDSTONE}\n"
        "opal:\n  Display_Name: \"two\n    lines\"\n  Material: X\n"
        "jade:\n  Display_Name: plain\n    continued\n  Material: X\n"
        "onyx:\n  Keylore: |\n    block\n  Display_Name: >-\n    folded\n    text\n  Material: X\n"
        "fake:\n  Display_Name: \"hides\n  Resistance: 1\n  \"\n  Material: X\n";
    EXPECT_EQ(rows(list(text)), (std::vector<std::string>{
                                    "gem ruby 1-1 [&c红]",
                                    "gem opal 2-5 [two lines]",
                                    "gem jade 6-9 [plain continued]",
                                    "gem onyx 10-16 [folded text]",
                                    "gem fake 17-21 [hides Resistance: 1 ]",
                                }));
}

struct ShapeCase {
    const char* name;
    const char* text;
    Kind kind;
};

std::ostream& operator<<(std::ostream& out, const ShapeCase& c) { return out << c.name; }

class ShapeTest : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(ShapeTest, KindFromTheKeysUnderTheEntry) {
    const Listing listing = list(GetParam().text);
    ASSERT_FALSE(listing.broken) << listing.message;
    ASSERT_EQ(listing.entries.size(), 1U);
    EXPECT_EQ(kindName(listing.entries[0].kind), kindName(GetParam().kind));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rules, ShapeTest, ::testing::Values(
    ShapeCase{"GemTwoOwnKeys",          "a:\n  Material: x\n  Max_Grade: 5\n",                       Kind::Gem},
    ShapeCase{"GemKeyloreAndOne",       "a:\n  Keylore: k\n  Display_Name: n\n",                      Kind::Gem},
    ShapeCase{"GemReorderedAndUnknown", "a:\n  Lores: []\n  Custom: 1\n  Effect: {}\n  Keylore: k\n", Kind::Gem},
    ShapeCase{"GemIndentedByFour",      "a:\n    Display_Name: n\n    Material: m\n",                Kind::Gem},
    ShapeCase{"KeyloreAlone",           "a:\n  Keylore: k\n",                                         Kind::Other},
    ShapeCase{"OneGemKeyAlone",         "a:\n  Material: m\n",                                        Kind::Other},
    ShapeCase{"OneGemKeyTwice",         "a:\n  Material: m\n  Material: n\n",                         Kind::Other},
    ShapeCase{"GemKeysInLowerCase",     "a:\n  display_name: n\n  material: m\n",                     Kind::Other},
    ShapeCase{"GemKeysOneLevelDown",    "a:\n  x:\n    Display_Name: n\n    Material: m\n",          Kind::Other},
    ShapeCase{"ElementTwoOwnKeys",      "a:\n  Potion_To_Victims: {}\n  Resistance: {}\n",            Kind::Element},
    ShapeCase{"ElementKeyloreAndOne",   "a:\n  Keylore: k\n  Resistance:\n    b: 1\n",                Kind::Element},
    ShapeCase{"GemAndElementKeys",      "a:\n  Display_Name: n\n  Material: m\n  Resistance: {}\n",   Kind::Other},
    ShapeCase{"KeyLoreBothKeys",        "a:\n  command:\n  - x\n  keylore: k\n",                      Kind::KeyLore},
    ShapeCase{"KeyLoreWithoutCommand",  "a:\n  keylore: k\n",                                         Kind::Other},
    ShapeCase{"KeyLoreAndGemKeys",      "a:\n  keylore: k\n  command: []\n  Material: m\n  Lores: []\n", Kind::Other},
    ShapeCase{"ScalarValue",            "a: 5\n",                                                     Kind::Other},
    ShapeCase{"ListValue",              "a:\n- Display_Name\n- Material\n",                           Kind::Other},
    ShapeCase{"EmptyValue",             "a:\n",                                                       Kind::Other},
    ShapeCase{"FlowGem",                "a: {Display_Name: n, Material: m}\n",                        Kind::Gem},
    ShapeCase{"QuotedKeys",             "a:\n  \"Display_Name\": n\n  'Material': m\n",               Kind::Gem}
), [](const ::testing::TestParamInfo<ShapeCase>& c) { return std::string(c.param.name); });
// clang-format on

// A text the server cannot read: the entries still seen, and the check's first error.
TEST(ListTest, BrokenTextListsWhatItCanSee) {
    const std::string text =
        "ruby:\n  Keylore: \"K\"\n  Display_Name: \"&c红宝石\"\n  Material: \"x\" y\n"
        "# 注释\n"
        "火:\n  Keylore: \"E\"\n  Resistance:\n  \twater: 5\n"
        "stray\n"
        "heal:\n  keylore: \"治疗\"\n  command:\n    - \"a\n";
    const yaml::CheckResult check = yaml::checkConfiguration(text);
    ASSERT_FALSE(check.valid);
    const yaml::Finding& first = check.errors.front();
    const Listing listing = list(text);
    EXPECT_TRUE(listing.broken);
    EXPECT_EQ(listing.problem.line, first.line);
    EXPECT_EQ(listing.problem.column, first.column);
    EXPECT_EQ(listing.problem.message, first.message);
    ASSERT_EQ(first.line, 4);
    EXPECT_EQ(listing.message,
              "服务器无法读取这段配置：第 4 行第 " + std::to_string(first.column) + " 列：" + first.message + "。");
    EXPECT_EQ(rows(listing), (std::vector<std::string>{
                                 "gem ruby 1-4 [&c红宝石]",
                                 "element 火 6-10 [E]",
                                 "keylore heal 11-14 [治疗]",
                             }));
    for (const Entry& entry : listing.entries) {
        const LoadResult loaded = load(text, entry.id);
        EXPECT_EQ(loaded.refusal, Refusal::InvalidYaml);
        EXPECT_EQ(loaded.message, listing.message);
    }
}

TEST(ListTest, TheCallersCheckSavesReadingTheTextAgain) {
    const std::string text = lf(sampleGem("ruby", "&c红") + sampleGem("opal", "&f白"));
    const Index index(text, yaml::checkConfiguration(text));
    EXPECT_EQ(rows(index.listing()), rows(list(text)));
    EXPECT_TRUE(index.load("opal").ok());
}

TEST(ListTest, EmptyAndKeylessTexts) {
    for (const char* text : {"", "\n\n", "# 只有注释\n", "---\n", "a: 1\n...\n"}) {
        const Listing listing = list(text);
        EXPECT_FALSE(listing.broken) << text;
        EXPECT_EQ(listing.entries.size(), std::string_view(text).starts_with("a:") ? 1U : 0U) << text;
    }
    EXPECT_EQ(rows(list("a: 1\n...\n")), std::vector<std::string>{"other a 1-1 []"});
}

TEST(ListTest, TenThousandEntries) {
    std::string text;
    for (int i = 0; i < 10000; ++i) text += sampleGem("gem" + std::to_string(i), "&c红宝石 " + std::to_string(i));
    text = lf(text);
    const Index index(text);
    ASSERT_EQ(index.listing().entries.size(), 10000U);
    const Entry& last = index.listing().entries.back();
    EXPECT_EQ(rows(Listing{{last}, false, {}, {}}),
              std::vector<std::string>{"gem gem9999 229978-230000 [&c红宝石 9999]"});
    const LoadResult loaded = index.load("gem9999");
    ASSERT_TRUE(loaded.ok());
    actions::Inputs changed = loaded.loaded.inputs;
    changed.texts[4] = "9";
    const EditResult updated = index.update(loaded.loaded, changed);
    ASSERT_TRUE(updated.ok()) << updated.message;
    const std::size_t at = text.rfind("  Max_Grade: 5\n");
    EXPECT_EQ(updated.text, text.substr(0, at) + "  Max_Grade: 9\n" + text.substr(at + 15));
}

}  // namespace
}  // namespace entries
