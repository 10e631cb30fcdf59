// Entries people wrote: other indentation, single quotes, plain values, comments at the end of a
// line and between keys, keys left out or in another order, CR LF. They load into the page, and
// an update changes the changed lines only, inserts what was absent where the builder puts it
// and leaves every line the page does not own where it was.
#include <gtest/gtest.h>

#include <initializer_list>

#include "samples.h"
#include "support.h"

namespace entries {
namespace {

using testing::crlf;
using testing::joined;
using testing::kElement;
using testing::kGem;
using testing::kJade;
using testing::kKeyLore;
using testing::outcome;

std::vector<std::string> extraRows(const Loaded& loaded) {
    std::vector<std::string> out;
    for (const Extra& extra : loaded.extras) out.push_back(std::to_string(extra.line) + " " + extra.text);
    return out;
}

// Loads the entry, changes fields by position, updates; the load must succeed.
struct Change {
    std::vector<std::pair<std::size_t, std::string>> texts;
    std::vector<std::pair<std::size_t, int>> selections = {};
};

EditResult changed(const std::string& text, std::string_view id, const Change& change, Loaded* loadedOut = nullptr) {
    const LoadResult loaded = load(text, id);
    if (!loaded.ok()) throw std::runtime_error(loaded.message);
    actions::Inputs inputs = loaded.loaded.inputs;
    for (const auto& [at, value] : change.texts) inputs.texts.at(at) = value;
    for (const auto& [at, value] : change.selections) inputs.selections.at(at) = value;
    if (loadedOut != nullptr) *loadedOut = loaded.loaded;
    return update(text, loaded.loaded, inputs);
}

TEST(HandWrittenTest, GemLoadsWithWhatThePageDoesNotOwnAsExtras) {
    const LoadResult loaded = load(kGem, "ruby");
    ASSERT_TRUE(loaded.ok()) << loaded.message;
    EXPECT_EQ(loaded.loaded.line, 2);
    EXPECT_EQ(loaded.loaded.inputs.texts,
              (std::vector<std::string>{"ruby", "&7镶嵌", "&c红宝石", "REDSTONE", "5", "", "", "10", "2", "镶嵌"}));
    EXPECT_EQ(loaded.loaded.inputs.selections, (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(extraRows(loaded.loaded), (std::vector<std::string>{
                                            "5     # 材料",
                                            "13         Bonus_Base_Max_Health: 4",
                                            "15         - '&7一行'",
                                            "17     Custom: x",
                                        }));
}

TEST(HandWrittenTest, GemUpdateRewritesOnlyTheChangedLines) {
    const EditResult result = changed(
        kGem, "ruby", {.texts = {{2, "&c红宝石 II"}, {4, "7"}, {5, "80"}, {9, "宝石"}}, .selections = {{0, 1}}});
    ASSERT_TRUE(result.ok()) << outcome(result);
    EXPECT_EQ(result.text, joined({
                               "# 宝石",
                               "ruby:    # 红宝石",
                               "    Keylore: '&7镶嵌'   # 菜单",
                               "    Display_Name: \"&c红宝石 II\"",
                               "    # 材料",
                               "    Material: REDSTONE",
                               "    Shiny: false",
                               "    Max_Grade: 7   # 最高",
                               "    Type_Item: Weapon",
                               "    Base_Success_Rate: 80",
                               "    Effect:",
                               "        Bonus_Base_Additional_Damage: 10",
                               "        Bonus_Scale_Additional_Damage: 2",
                               "        Bonus_Base_Max_Health: 4",
                               "    Lores:",
                               "        - '&7一行'",
                               "        - \"&e※ &7种类: 宝石\"",
                               "    Custom: x",
                               "opal:",
                               "  Keylore: \"o\"",
                               "  Display_Name: \"o\"",
                           }));
    EXPECT_EQ(result.line, 2);
    EXPECT_EQ(result.end, 18);
}

TEST(HandWrittenTest, RenameKeepsTheCommentOfTheKeyLine) {
    const EditResult result = changed(kGem, "ruby", {.texts = {{0, "红宝石: 一级"}}, .selections = {}});
    ASSERT_TRUE(result.ok()) << outcome(result);
    std::string wanted = kGem;
    wanted.replace(wanted.find("ruby:"), 4, "\"红宝石: 一级\"");
    EXPECT_EQ(result.text, wanted);
    EXPECT_EQ(changed(kGem, "ruby", {.texts = {{0, "opal"}}, .selections = {}}).refusal, Refusal::DuplicateKey);
    EXPECT_EQ(changed(kGem, "ruby", {.texts = {{0, ""}}, .selections = {}}).refusal, Refusal::EmptyId);
}

// A value emptied keeps its line's comment; a number emptied is a key without a value.
TEST(HandWrittenTest, EmptiedValuesKeepTheirComment) {
    const EditResult result = changed(kGem, "ruby", {.texts = {{1, ""}, {4, ""}}, .selections = {{0, -1}}});
    ASSERT_TRUE(result.ok()) << outcome(result);
    std::string wanted = kGem;
    wanted.replace(wanted.find("'&7镶嵌'"), std::string("'&7镶嵌'").size(), "\"\"");
    wanted.replace(wanted.find("Shiny: yes"), 10, "Shiny:");
    wanted.replace(wanted.find("Max_Grade: 5"), 12, "Max_Grade: ");
    EXPECT_EQ(result.text, wanted);
}

// The key-lore entry of the "技能" page: indented by four, single quotes, several commands.
TEST(HandWrittenTest, KeyLoreWithSeveralCommands) {
    Loaded loaded;
    const EditResult result = changed(kKeyLore, "heal", {.texts = {{1, "&a治疗术"}, {2, "heal %player% 20"}}}, &loaded);
    EXPECT_EQ(loaded.inputs.texts, (std::vector<std::string>{"heal", "&a治疗", "heal %player%"}));
    EXPECT_EQ(loaded.page, 2);
    EXPECT_EQ(loaded.button, "按钮21");
    EXPECT_EQ(extraRows(loaded),
              (std::vector<std::string>{"5         - \"say 已治疗\"", "6         - tell %player% ok"}));
    ASSERT_TRUE(result.ok()) << outcome(result);
    EXPECT_EQ(result.text, joined({
                               "heal:",
                               "    keylore: \"&a治疗术\"",
                               "    command:",
                               "        - \"heal %player% 20\"   # 第一条",
                               "        - \"say 已治疗\"",
                               "        - tell %player% ok",
                           }));
}

TEST(HandWrittenTest, ElementInCrLfWithOtherPotionsAndResistances) {
    Loaded loaded;
    const EditResult result =
        changed(kElement, "fire", {.texts = {{2, "1.5"}, {7, "30"}}, .selections = {{0, 5}}}, &loaded);
    EXPECT_EQ(loaded.inputs.texts, (std::vector<std::string>{"fire", "&c火", "", "", "10", "40", "1", "", "", "2"}));
    EXPECT_EQ(loaded.inputs.selections, (std::vector<int>{0, 13}));
    EXPECT_EQ(extraRows(loaded), (std::vector<std::string>{
                                     "3   # 攻击者",
                                     "12     SLOW:",
                                     "13       Grade: 1",
                                     "15     water: -20",
                                 }));
    ASSERT_TRUE(result.ok()) << outcome(result);
    EXPECT_EQ(result.text, crlf(joined({
                               "fire:",
                               "  Keylore: \"&c火\"",
                               "  Scale_Base_Additional_Damage: 1.5",
                               "  # 攻击者",
                               "  Potion_To_Attacker:",
                               "    SPEED:   # 力量",
                               "      Scale_Chance: 10",
                               "      Scale_Duration: 40",
                               "      Grade: 1",
                               "  Potion_To_Victims:",
                               "    WITHER:",
                               "      Scale_Chance: 30",
                               "      Grade: 2",
                               "    SLOW:",
                               "      Grade: 1",
                               "  Resistance:",
                               "    water: -20",
                           })));
    EXPECT_EQ(result.end, 17);
}

// Keys the entry lacks come in where the builder writes them, their headers with them.
TEST(HandWrittenTest, AbsentKeysAndTheirHeadersInserted) {
    Loaded loaded;
    const EditResult result =
        changed(kJade, "jade", {.texts = {{7, "7"}, {9, "饰品"}}, .selections = {{2, 2}}}, &loaded);
    EXPECT_EQ(loaded.inputs.selections, (std::vector<int>{-1, -1, -1, -1}));
    ASSERT_TRUE(result.ok()) << outcome(result);
    EXPECT_EQ(result.text, joined({
                               "jade:",
                               "  Keylore: \"j\"",
                               "  Display_Name: \"&a翡翠\"",
                               "  Max_Grade: 3",
                               "  Effect:",
                               "    Bonus_Base_Penetration: 7",
                               "  Lores:",
                               "  - \"&e※ &7种类: 饰品\"",
                           }));
    // A key before every key present goes first, above the comment on that key.
    const std::string commented = joined({"jade:", "  # 名称", "  Display_Name: \"n\"", "  Max_Grade: 3"});
    const EditResult first = changed(commented, "jade", {.texts = {{1, "k"}}, .selections = {}});
    ASSERT_TRUE(first.ok()) << outcome(first);
    EXPECT_EQ(first.text, joined({"jade:", "  Keylore: \"k\"", "  # 名称", "  Display_Name: \"n\"", "  Max_Grade: 3"}));
}

// Another Effect line of the entry already has the attribute chosen: the server would keep one
// of the two, so the update is refused rather than written.
TEST(HandWrittenTest, AnAttributeTheEntryHasTwiceIsRefused) {
    const std::string text = joined({
        "g:",
        "  Display_Name: n",
        "  Effect:",
        "    Bonus_Scale_Max_Health: 2",
        "    Bonus_Base_Additional_Damage: 10",
        "    Bonus_Base_Penetration: 5",
    });
    Loaded loaded;
    const EditResult same = changed(text, "g", {.texts = {{7, "11"}}, .selections = {}}, &loaded);
    EXPECT_EQ(loaded.inputs.selections, (std::vector<int>{-1, -1, 0, 7}));
    ASSERT_TRUE(same.ok()) << outcome(same);
    EXPECT_EQ(same.text, joined({
                             "g:",
                             "  Display_Name: n",
                             "  Effect:",
                             "    Bonus_Scale_Max_Health: 2",
                             "    Bonus_Base_Additional_Damage: 11",
                             "    Bonus_Base_Penetration: 5",
                         }));
    const EditResult twice = changed(text, "g", {.texts = {}, .selections = {{2, 2}}});
    EXPECT_EQ(twice.refusal, Refusal::DuplicateKey) << outcome(twice);
}

// Values written inside [ ] or { } share their line with others: not changed one by one.
TEST(HandWrittenTest, FlowStyleValuesAreNotRewritten) {
    const std::string text = "g: {Display_Name: n, Material: m, Max_Grade: 5}\n";
    const LoadResult loaded = load(text, "g");
    ASSERT_TRUE(loaded.ok()) << loaded.message;
    EXPECT_EQ(loaded.loaded.inputs.texts[4], "5");
    EXPECT_TRUE(update(text, loaded.loaded, loaded.loaded.inputs).ok());
    actions::Inputs inputs = loaded.loaded.inputs;
    inputs.texts[4] = "6";
    const EditResult result = update(text, loaded.loaded, inputs);
    EXPECT_EQ(result.refusal, Refusal::Unsupported);
    EXPECT_EQ(result.message, "第 1 行的值写在 [ ] 或 { } 里、不是单个值或引用了锚点，无法逐行改写；没有改动文本");

    // Nor does a line go under a key whose value stands on the key's own line.
    const std::string lores = joined({"g:", "  Display_Name: n", "  Lores: [a, b]"});
    const EditResult under = changed(lores, "g", {.texts = {{9, "k"}}});
    EXPECT_EQ(under.refusal, Refusal::Unsupported);
    EXPECT_EQ(under.message, "第 3 行的值写在同一行（[ ]、{ } 或单个值），无法逐行改写；没有改动文本");
}

// Values the page cannot show load as empty or unselected, and stay as written unless changed.
TEST(HandWrittenTest, ValuesThePageCannotShow) {
    const std::string text = joined({
        "g:",
        "  Display_Name: ~",
        "  Shiny: maybe",
        "  Type_Item: Sword",
        "  Max_Grade: 0x1F",
        "  Material: null",
    });
    Loaded loaded;
    const EditResult result = changed(text, "g", {.texts = {{3, "STONE"}}, .selections = {}}, &loaded);
    EXPECT_EQ(loaded.inputs.texts, (std::vector<std::string>{"g", "", "", "", "0x1F", "", "", "", "", ""}));
    EXPECT_EQ(loaded.inputs.selections, (std::vector<int>{-1, -1, -1, -1}));
    ASSERT_TRUE(result.ok()) << outcome(result);
    EXPECT_EQ(result.text, joined({
                               "g:",
                               "  Display_Name: ~",
                               "  Shiny: maybe",
                               "  Type_Item: Sword",
                               "  Max_Grade: 0x1F",
                               "  Material: \"STONE\"",
                           }));
}

}  // namespace
}  // namespace entries
