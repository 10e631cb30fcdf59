#include "builders/socket/gem_block.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "builders/socket/key_lore.h"

// The expected blocks are written one YAML line per source line.
// clang-format off
namespace {

using builders::socket::gemBlock;
using builders::socket::GemFields;
using builders::socket::gemLoreLine;

// Joins lines, each followed by CR LF.
std::string lines(const std::vector<std::string>& all) {
    std::string text;
    for (const std::string& line : all) text += line + "\r\n";
    return text;
}

// The nine lore lines after the 种类 line, as every gem block ends.
const std::vector<std::string> kLoreEnd = {
    "  - \"&e※ &7等级: &f{grade}\"",
    "  - \"&e※ &7适合物品: &f{type_item}\"",
    "  - \"&e※ &7成功几率: &a{success_rate}% &8&l| &7失败几率: &c{failure_rate}%\"",
    "  - \"&8&l&m---------------------\"",
    "  - \"&8&l[&4&l!&8&l] &7效果:\"",
    "  - \"&9&l>> &b增加最大血量 {max_health}\"",
    "  - \"\"",
    "  - \"&2提示: &a将它放到物品上来镶嵌！\"",
};

// The 23 lines of a block: the first 13 as given, then the lore with the 种类 text.
std::string block(std::vector<std::string> head, const std::string& kind) {
    head.emplace_back("  Lores:");
    head.emplace_back("  - \"&8&l&m---------------------\"");
    head.push_back("  - \"&e※ &7种类: " + kind + "\"");
    head.insert(head.end(), kLoreEnd.begin(), kLoreEnd.end());
    return lines(head);
}

// Every field filled, the first item of each combo box selected.
TEST(GemBlock, AllFieldsGiveTheTwentyThreeLines) {
    const GemFields gem{.id = "A",
                        .keylore = "K",
                        .displayName = "N",
                        .material = "M",
                        .shiny = 0,
                        .maxGrade = "G",
                        .typeItem = 0,
                        .baseSuccessRate = "R1",
                        .scaleSuccessRate = "R2",
                        .bonusBase = 0,
                        .bonusBaseValue = "V1",
                        .bonusScale = 0,
                        .bonusScaleValue = "V2",
                        .kind = "W"};
    const std::string expected =
        "A:\r\n"
        "  Keylore: \"K\"\r\n"
        "  Display_Name: \"N\"\r\n"
        "  Material: \"M\"\r\n"
        "  Shiny: true\r\n"
        "  Max_Grade: G\r\n"
        "  Type_Item: \"Weapon\"\r\n"
        "  Base_Success_Rate: R1\r\n"
        "  Scale_Success_Rate: R2\r\n"
        "  Effect:\r\n"
        "    Bonus_Base_Additional_Damage: V1\r\n"
        "    Bonus_Scale_Additional_Damage: V2\r\n"
        "  Lores:\r\n"
        "  - \"&8&l&m---------------------\"\r\n"
        "  - \"&e※ &7种类: W\"\r\n"
        "  - \"&e※ &7等级: &f{grade}\"\r\n"
        "  - \"&e※ &7适合物品: &f{type_item}\"\r\n"
        "  - \"&e※ &7成功几率: &a{success_rate}% &8&l| &7失败几率: &c{failure_rate}%\"\r\n"
        "  - \"&8&l&m---------------------\"\r\n"
        "  - \"&8&l[&4&l!&8&l] &7效果:\"\r\n"
        "  - \"&9&l>> &b增加最大血量 {max_health}\"\r\n"
        "  - \"\"\r\n"
        "  - \"&2提示: &a将它放到物品上来镶嵌！\"\r\n";
    EXPECT_EQ(gemBlock(gem), expected);
}

TEST(GemBlock, EmptyFieldsAtIndexZeroKeepEveryKey) {
    const GemFields gem{.shiny = 0, .typeItem = 0, .bonusBase = 0, .bonusScale = 0};
    EXPECT_EQ(gemBlock(gem), block({":",
                                    "  Keylore: \"\"",
                                    "  Display_Name: \"\"",
                                    "  Material: \"\"",
                                    "  Shiny: true",
                                    "  Max_Grade: ",
                                    "  Type_Item: \"Weapon\"",
                                    "  Base_Success_Rate: ",
                                    "  Scale_Success_Rate: ",
                                    "  Effect:",
                                    "    Bonus_Base_Additional_Damage: ",
                                    "    Bonus_Scale_Additional_Damage: "},
                                   ""));
}

// No selection anywhere: Shiny ends at its colon, Type_Item is "", and each Effect line
// is its value alone.
TEST(GemBlock, NoSelectionWritesNoTableText) {
    const GemFields gem{.id = "ruby",
                        .maxGrade = "5",
                        .baseSuccessRate = "80",
                        .scaleSuccessRate = "-8",
                        .bonusBaseValue = "10",
                        .bonusScaleValue = "2"};
    EXPECT_EQ(gemBlock(gem), block({"ruby:",
                                    "  Keylore: \"\"",
                                    "  Display_Name: \"\"",
                                    "  Material: \"\"",
                                    "  Shiny:",
                                    "  Max_Grade: 5",
                                    "  Type_Item: \"\"",
                                    "  Base_Success_Rate: 80",
                                    "  Scale_Success_Rate: -8",
                                    "  Effect:",
                                    "10",
                                    "2"},
                                   ""));
}

// The block for the given selections and effect keys, every text field empty except the
// two effect values.
std::string selectionBlock(const std::string& shiny, const std::string& typeItem,
                           const std::string& baseKey, const std::string& scaleKey) {
    return block({":",
                  "  Keylore: \"\"",
                  "  Display_Name: \"\"",
                  "  Material: \"\"",
                  "  Shiny:" + shiny,
                  "  Max_Grade: ",
                  "  Type_Item: \"" + typeItem + "\"",
                  "  Base_Success_Rate: ",
                  "  Scale_Success_Rate: ",
                  "  Effect:",
                  baseKey + "7",
                  scaleKey + "3"},
                 "");
}

struct SelectionCase {
    int shiny;
    int typeItem;
    std::string shinyText;
    std::string typeText;
};

class GemShinyTypeTest : public testing::TestWithParam<SelectionCase> {};

TEST_P(GemShinyTypeTest, MapsByIndex) {
    const SelectionCase& c = GetParam();
    const GemFields gem{.shiny = c.shiny,
                        .typeItem = c.typeItem,
                        .bonusBase = 0,
                        .bonusBaseValue = "7",
                        .bonusScale = 0,
                        .bonusScaleValue = "3"};
    EXPECT_EQ(gemBlock(gem), selectionBlock(c.shinyText, c.typeText, "    Bonus_Base_Additional_Damage: ",
                                            "    Bonus_Scale_Additional_Damage: "));
}

INSTANTIATE_TEST_SUITE_P(Indices, GemShinyTypeTest,
                         testing::Values(SelectionCase{0, 0, " true", "Weapon"},
                                         SelectionCase{1, 1, " false", "Armor"},
                                         SelectionCase{1, 0, " false", "Weapon"},
                                         SelectionCase{2, 2, "", ""},
                                         SelectionCase{-1, -1, "", ""}));

// The attribute behind each item of 组合框5 and 组合框6, in list order.
const std::string kAttributes[] = {
    "Additional_Damage", "Percent_Damage",    "Penetration",     "PvP_Damage",
    "PvE_Damage",        "Additional_Defense", "Percent_Defense", "Max_Health",
    "PvP_Defense",       "PvE_Defense",        "Critical_Chance", "Critical_Damage",
    "Block_Amount",      "Block_Rate",         "Hit_Rate",        "Dodge_Rate",
};

class GemBonusTest : public testing::TestWithParam<int> {};

TEST_P(GemBonusTest, SameIndexGivesMatchingBaseAndScaleKeys) {
    const int i = GetParam();
    const GemFields gem{.shiny = 0,
                        .typeItem = 0,
                        .bonusBase = i,
                        .bonusBaseValue = "7",
                        .bonusScale = i,
                        .bonusScaleValue = "3"};
    EXPECT_EQ(gemBlock(gem), selectionBlock(" true", "Weapon", "    Bonus_Base_" + kAttributes[i] + ": ",
                                            "    Bonus_Scale_" + kAttributes[i] + ": "));
}

INSTANTIATE_TEST_SUITE_P(EveryItem, GemBonusTest, testing::Range(0, 16));

// The two effect lists are read independently; the builder does not make them match.
TEST(GemBlock, MismatchedEffectKeysAreWrittenAsSelected) {
    const GemFields gem{.shiny = 0,
                        .typeItem = 0,
                        .bonusBase = 3,
                        .bonusBaseValue = "7",
                        .bonusScale = 12,
                        .bonusScaleValue = "3"};
    EXPECT_EQ(gemBlock(gem), selectionBlock(" true", "Weapon", "    Bonus_Base_PvP_Damage: ",
                                            "    Bonus_Scale_Block_Amount: "));
}

TEST(GemBlock, EffectIndexPastTheTablesWritesTheValueAlone) {
    const GemFields gem{.shiny = 0,
                        .typeItem = 0,
                        .bonusBase = 16,
                        .bonusBaseValue = "7",
                        .bonusScale = -1,
                        .bonusScaleValue = "3"};
    EXPECT_EQ(gemBlock(gem), selectionBlock(" true", "Weapon", "", ""));
}

// Quoted values are escaped; the key, grade, rates and effect values stay as typed.
// Quoted values are always escaped; an unquoted value goes between quotes only when the
// server would not read it back as typed.
TEST(GemBlock, EscapesQuotedValuesAndQuotesValuesThatWouldNotReadBack) {
    const GemFields gem{.id = "a\"b",
                        .keylore = "say \"hi\"",
                        .displayName = "C:\\红\\",
                        .material = "x\ty\r\n",
                        .shiny = 0,
                        .maxGrade = "\"5\"",
                        .typeItem = 0,
                        .baseSuccessRate = "8\\0",
                        .scaleSuccessRate = "-8",
                        .bonusBase = 0,
                        .bonusBaseValue = "\"7\"",
                        .bonusScale = 0,
                        .bonusScaleValue = "3\\",
                        .kind = "镶嵌\"宝石\""};
    EXPECT_EQ(gemBlock(gem), block({"a\"b:",
                                    "  Keylore: \"say \\\"hi\\\"\"",
                                    "  Display_Name: \"C:\\\\红\\\\\"",
                                    "  Material: \"x\ty\\r\\n\"",
                                    "  Shiny: true",
                                    "  Max_Grade: \"\\\"5\\\"\"",
                                    "  Type_Item: \"Weapon\"",
                                    "  Base_Success_Rate: 8\\0",
                                    "  Scale_Success_Rate: -8",
                                    "  Effect:",
                                    "    Bonus_Base_Additional_Damage: \"\\\"7\\\"\"",
                                    "    Bonus_Scale_Additional_Damage: 3\\"},
                                   "镶嵌\\\"宝石\\\""));
}

// Extra lore lines land after the block's last lore line, in the Lores list's column.
TEST(GemBlock, ExtraLoreLinesFollowTheBlock) {
    const GemFields gem{.id = "ruby", .shiny = 1, .typeItem = 1, .bonusBase = 0, .bonusScale = 0};
    const std::string text = gemBlock(gem) + gemLoreLine("&7稀有") + gemLoreLine("");
    EXPECT_EQ(text, block({"ruby:",
                           "  Keylore: \"\"",
                           "  Display_Name: \"\"",
                           "  Material: \"\"",
                           "  Shiny: false",
                           "  Max_Grade: ",
                           "  Type_Item: \"Armor\"",
                           "  Base_Success_Rate: ",
                           "  Scale_Success_Rate: ",
                           "  Effect:",
                           "    Bonus_Base_Additional_Damage: ",
                           "    Bonus_Scale_Additional_Damage: "},
                          "") +
                        "  - \"&7稀有\"\r\n"
                        "  - \"\"\r\n");
}

// clang-format on

}  // namespace
