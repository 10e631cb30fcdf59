#include "builders/socket/element_block.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using builders::socket::elementBlock;
using builders::socket::ElementFields;
using builders::socket::resistanceLine;

TEST(ElementBlock, AllFieldsGiveTheFifteenLines) {
    const ElementFields element{
        .id = "fire",
        .keylore = "&c火焰",
        .additionalDamage = "2",
        .percentDamage = "0.5",
        .toAttacker = {.potion = 0, .chance = "10", .duration = "40", .grade = "1"},
        .toVictims = {.potion = 13, .chance = "20", .duration = "60", .grade = "2"},
    };
    EXPECT_EQ(elementBlock(element),
              "fire:\r\n"
              "  Keylore: \"&c火焰\"\r\n"
              "  Scale_Base_Additional_Damage: 2\r\n"
              "  Scale_Base_Percent_Damage: 0.5\r\n"
              "  Potion_To_Attacker:\r\n"
              "    STRENGTH:\r\n"
              "      Scale_Chance: 10\r\n"
              "      Scale_Duration: 40\r\n"
              "      Grade: 1\r\n"
              "  Potion_To_Victims:\r\n"
              "    WITHER:\r\n"
              "      Scale_Chance: 20\r\n"
              "      Scale_Duration: 60\r\n"
              "      Grade: 2\r\n"
              "  Resistance:\r\n");
}

TEST(ElementBlock, EmptyFieldsWithoutSelectionKeepTheFifteenLines) {
    EXPECT_EQ(elementBlock({}),
              ":\r\n"
              "  Keylore: \"\"\r\n"
              "  Scale_Base_Additional_Damage: \r\n"
              "  Scale_Base_Percent_Damage: \r\n"
              "  Potion_To_Attacker:\r\n"
              "\r\n"
              "      Scale_Chance: \r\n"
              "      Scale_Duration: \r\n"
              "      Grade: \r\n"
              "  Potion_To_Victims:\r\n"
              "\r\n"
              "      Scale_Chance: \r\n"
              "      Scale_Duration: \r\n"
              "      Grade: \r\n"
              "  Resistance:\r\n");
}

// The block for the given potion key lines, fixed values elsewhere.
std::string potionBlock(const std::string& attackerKey, const std::string& victimKey) {
    return "wind:\r\n"
           "  Keylore: \"风\"\r\n"
           "  Scale_Base_Additional_Damage: 1\r\n"
           "  Scale_Base_Percent_Damage: 3\r\n"
           "  Potion_To_Attacker:\r\n" +
           attackerKey +
           "\r\n"
           "      Scale_Chance: 4\r\n"
           "      Scale_Duration: 5\r\n"
           "      Grade: 6\r\n"
           "  Potion_To_Victims:\r\n" +
           victimKey +
           "\r\n"
           "      Scale_Chance: 7\r\n"
           "      Scale_Duration: 8\r\n"
           "      Grade: 9\r\n"
           "  Resistance:\r\n";
}

ElementFields potionFields(int attacker, int victim) {
    return {.id = "wind",
            .keylore = "风",
            .additionalDamage = "1",
            .percentDamage = "3",
            .toAttacker = {.potion = attacker, .chance = "4", .duration = "5", .grade = "6"},
            .toVictims = {.potion = victim, .chance = "7", .duration = "8", .grade = "9"}};
}

// The potion behind each of the 21 named items of 组合框7 and 组合框8, in list order.
const std::string kPotionNames[] = {
    "STRENGTH",   "VISION", "FIRE_RESISTANCE", "INVISIBILITY", "SATURATION",   "SPEED",           "HASTE",
    "WEAK",       "SLOW",   "BLIND",           "CONFUSE",      "STARVE",       "TOXIC",           "WITHER",
    "PROTECTION", "JUMP",   "ABSORB",          "HEALTH_BOOST", "REGENERATION", "WATER_BREATHING", "FATIGUE",
};

class ElementPotionTest : public testing::TestWithParam<int> {};

// Both lists at once, run in opposite directions so that each item also meets another.
TEST_P(ElementPotionTest, EachItemWritesItsKey) {
    const int i = GetParam();
    const int j = 20 - i;
    EXPECT_EQ(elementBlock(potionFields(i, j)),
              potionBlock("    " + kPotionNames[i] + ":", "    " + kPotionNames[j] + ":"));
}

INSTANTIATE_TEST_SUITE_P(EveryItem, ElementPotionTest, testing::Range(0, 21));

struct OutsideCase {
    const char* name;
    int index;
};

class ElementPotionOutsideTest : public testing::TestWithParam<OutsideCase> {};

// The blank 22nd item (index 21), an index past it and no selection leave the key line
// empty, in either list.
TEST_P(ElementPotionOutsideTest, WritesAnEmptyKeyLine) {
    const int index = GetParam().index;
    EXPECT_EQ(elementBlock(potionFields(index, 5)), potionBlock("", "    SPEED:"));
    EXPECT_EQ(elementBlock(potionFields(5, index)), potionBlock("    SPEED:", ""));
}

INSTANTIATE_TEST_SUITE_P(Indices, ElementPotionOutsideTest,
                         testing::Values(OutsideCase{"BlankItem", 21}, OutsideCase{"PastTheList", 22},
                                         OutsideCase{"NoSelection", -1}),
                         [](const testing::TestParamInfo<OutsideCase>& row) { return std::string(row.param.name); });

// The keylore is always escaped; an unquoted value goes between quotes only when the server
// would not read it back as typed (a value starting with a quote would open a string).
TEST(ElementBlock, EscapesTheKeyloreAndQuotesValuesThatWouldNotReadBack) {
    const ElementFields element{
        .id = "ice\"",
        .keylore = "\"冰\" \\ \x01",
        .additionalDamage = "\\1",
        .percentDamage = "\"2\"",
        .toAttacker = {.potion = 1, .chance = "\"", .duration = "\\", .grade = "a b"},
        .toVictims = {.potion = 2},
    };
    EXPECT_EQ(elementBlock(element),
              "ice\":\r\n"
              "  Keylore: \"\\\"冰\\\" \\\\ \\x01\"\r\n"
              "  Scale_Base_Additional_Damage: \\1\r\n"
              "  Scale_Base_Percent_Damage: \"\\\"2\\\"\"\r\n"
              "  Potion_To_Attacker:\r\n"
              "    VISION:\r\n"
              "      Scale_Chance: \"\\\"\"\r\n"
              "      Scale_Duration: \\\r\n"
              "      Grade: a b\r\n"
              "  Potion_To_Victims:\r\n"
              "    FIRE_RESISTANCE:\r\n"
              "      Scale_Chance: \r\n"
              "      Scale_Duration: \r\n"
              "      Grade: \r\n"
              "  Resistance:\r\n");
}

struct ResistanceCase {
    const char* name;
    std::string element;
    std::string value;
    std::string line;
};

class ResistanceLineTest : public testing::TestWithParam<ResistanceCase> {};

TEST_P(ResistanceLineTest, IsIndentedUnderResistance) {
    const ResistanceCase& c = GetParam();
    EXPECT_EQ(resistanceLine(c.element, c.value), c.line);
}

INSTANTIATE_TEST_SUITE_P(Lines, ResistanceLineTest,
                         testing::Values(ResistanceCase{"Filled", "water", "-20", "    water: -20\r\n"},
                                         ResistanceCase{"NoElement", "", "15", "    : 15\r\n"},
                                         ResistanceCase{"NoValue", "earth", "", "    earth: \r\n"},
                                         ResistanceCase{"Empty", "", "", "    : \r\n"},
                                         ResistanceCase{"BlanksAroundAreQuoted", " 雷 ", "+5 ",
                                                        "    \" 雷 \": \"+5 \"\r\n"}),
                         [](const testing::TestParamInfo<ResistanceCase>& row) { return std::string(row.param.name); });

TEST(ElementBlock, ResistanceLinesFollowTheBlock) {
    const std::string text =
        elementBlock(potionFields(5, 7)) + resistanceLine("water", "-20") + resistanceLine("fire", "35");
    EXPECT_EQ(text, potionBlock("    SPEED:", "    WEAK:") +
                        "    water: -20\r\n"
                        "    fire: 35\r\n");
}

}  // namespace
