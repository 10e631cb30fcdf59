// The item designer's sequence, its reader and its tooltip, with whole expected texts.
#include <gtest/gtest.h>

#include "builders/item/design.h"

namespace {

using builders::item::commands;
using builders::item::ItemDesign;
using builders::item::read;

ItemDesign empty(bool replace) {
    ItemDesign design;
    design.replace = replace;
    return design;
}

// Every section filled: two enchantments in rows 1 and 3, three flags, a save name.
ItemDesign full() {
    ItemDesign design;
    design.name = "&c烈焰之剑";
    design.lore = "&7第一行\n\n第三行";
    design.enchantments[0] = {"锋利 DAMAGE_ALL", "5"};
    design.enchantments[2] = {"FIRE_ASPECT", "2"};
    design.flags = {true, false, true, false, false, true};
    design.unbreakable = true;
    design.saveName = "flame_sword";
    return design;
}

TEST(ItemSequence, EmptyDesignWritesOnlyTheClearLinesWithReplace) {
    EXPECT_EQ(commands(empty(true)), "/clearlore\r\n/clearenchant\r\n/clearflag\r\n");
    EXPECT_EQ(commands(empty(false)), "");
}

TEST(ItemSequence, EverySectionFilledWithReplaceOnAndOff) {
    const std::string body = "/addlore &7第一行\r\n/addlore \r\n/addlore 第三行\r\n";
    EXPECT_EQ(commands(full()),
              "/setname &c烈焰之剑\r\n"
              "/clearlore\r\n" +
                  body +
                  "/clearenchant\r\n"
                  "/addenchant DAMAGE_ALL 5\r\n"
                  "/addenchant FIRE_ASPECT 2\r\n"
                  "/clearflag\r\n"
                  "/addflag HIDE_ENCHANTS\r\n"
                  "/addflag HIDE_UNBREAKABLE\r\n"
                  "/addflag HIDE_POTION_EFFECTS\r\n"
                  "/unbreakable\r\n"
                  "/quorvel save flame_sword\r\n");
    ItemDesign keep = full();
    keep.replace = false;
    EXPECT_EQ(commands(keep), "/setname &c烈焰之剑\r\n" + body +
                                  "/addenchant DAMAGE_ALL 5\r\n"
                                  "/addenchant FIRE_ASPECT 2\r\n"
                                  "/addflag HIDE_ENCHANTS\r\n"
                                  "/addflag HIDE_UNBREAKABLE\r\n"
                                  "/addflag HIDE_POTION_EFFECTS\r\n"
                                  "/unbreakable\r\n"
                                  "/quorvel save flame_sword\r\n");
}

TEST(ItemSequence, AllSixFlagsInTheirOrder) {
    ItemDesign design = empty(false);
    design.flags = {true, true, true, true, true, true};
    EXPECT_EQ(commands(design),
              "/addflag HIDE_ENCHANTS\r\n/addflag HIDE_ATTRIBUTES\r\n/addflag HIDE_UNBREAKABLE\r\n"
              "/addflag HIDE_DESTROYS\r\n/addflag HIDE_PLACED_ON\r\n/addflag HIDE_POTION_EFFECTS\r\n");
}

// Lines that come in with a paste are lore lines of their own, whatever break they end in;
// one break at the end is ignored and empty lines in between stay.
TEST(ItemSequence, PastedMultiLineLoreAndEmptyLines) {
    ItemDesign design = empty(false);
    design.lore =
        "a\r\nb\rc\n\nd\xE2\x80\xA8"
        "e\n";
    EXPECT_EQ(commands(design), "/addlore a\r\n/addlore b\r\n/addlore c\r\n/addlore \r\n/addlore d\r\n/addlore e\r\n");
    design.lore = "\n";
    EXPECT_EQ(commands(design), "/addlore \r\n");
    design.lore = "\n\n";
    EXPECT_EQ(commands(design), "/addlore \r\n/addlore \r\n");
    design.lore = " 尾随空格 ";
    EXPECT_EQ(commands(design), "/addlore  尾随空格 \r\n");
}

// Typed text is written as typed; only an item of the list is cut to its name part.
TEST(ItemSequence, UnknownEnchantmentTextIsWrittenAsTyped) {
    ItemDesign design = empty(false);
    design.enchantments[0] = {"sharpness", "3"};
    design.enchantments[1] = {"锋利", "1"};
    design.enchantments[2] = {"锋利 DAMAGE_ALL ", "2"};
    design.enchantments[3] = {"DURABILITY", ""};
    design.enchantments[4] = {"", "9"};  // no name: no line
    EXPECT_EQ(commands(design),
              "/addenchant sharpness 3\r\n/addenchant 锋利 1\r\n/addenchant 锋利 DAMAGE_ALL  2\r\n"
              "/addenchant DURABILITY \r\n");
}

TEST(ItemLore, LinesAndTextReadEachOtherBack) {
    using builders::item::loreLines;
    using builders::item::loreText;
    EXPECT_EQ(loreLines(""), std::vector<std::string>{});
    EXPECT_EQ(loreLines("a\n"), std::vector<std::string>{"a"});
    EXPECT_EQ(loreLines("a\n\n"), (std::vector<std::string>{"a", ""}));
    EXPECT_EQ(loreLines("\x0B\x0C"), (std::vector<std::string>{"", ""}));
    EXPECT_EQ(loreLines("x\xC2\x85y"), (std::vector<std::string>{"x", "y"}));
    for (const std::vector<std::string>& lines :
         {std::vector<std::string>{}, {""}, {"", ""}, {"a", ""}, {"", "a"}, {"a", "", "b"}})
        EXPECT_EQ(loreLines(loreText(lines)), lines) << loreText(lines);
}

TEST(ItemLore, WarnsOfLinesEndingInABlankAndANumber) {
    using builders::item::linesEndingInNumber;
    EXPECT_EQ(linesEndingInNumber("价格 100\n100\n等级3\n第 2 行\n a 7\n7 "), (std::vector<std::size_t>{1, 5}));
    EXPECT_EQ(builders::item::loreWarning("x 1\ny\nz 22"),
              "注意：Lore 第 1、3 行以“空格+数字”结尾，服务器可能把这个数字当作行数");
    EXPECT_EQ(builders::item::loreWarning("没有数字"), "");
}

TEST(ItemReader, RoundTripGivesTheSameSequenceAndDesign) {
    ItemDesign design = full();
    design.enchantments[1] = design.enchantments[2];  // the reader fills rows from the top
    design.enchantments[2] = {};
    design.enchantments[1].name = "火焰附加 FIRE_ASPECT";
    for (bool replace : {true, false}) {
        design.replace = replace;
        const auto back = read(commands(design));
        EXPECT_TRUE(back.unknown.empty());
        EXPECT_EQ(back.design, design);
        EXPECT_EQ(commands(back.design), commands(design));
    }
    for (const char* lore : {"", "\n", "a\n\nb", "\n\n"}) {
        ItemDesign lines = empty(true);
        lines.lore = lore;
        EXPECT_EQ(read(commands(lines)).design, lines) << lore;
    }
    EXPECT_EQ(read(commands(empty(true))).design, empty(true));
    EXPECT_EQ(read("").design, empty(false));
}

TEST(ItemReader, ListsWhatItCannotShowAndReadsAsTheServerWould) {
    const auto result = read(
        "/addlore 旧的\r\n"
        "/clearlore\r\n"
        "/addlore 新的\n"
        "\n"
        "  \r\n"
        "/att Stats DAMAGE 10\r"
        "/addflag HIDE_DYE\r\n"
        "/addenchant DAMAGE_ALL\r\n"
        "/setname first\r\n"
        "/setname second\r\n"
        "/setname \r\n"
        "/addenchant a 1\r\n/addenchant b 2\r\n/addenchant c 3\r\n/addenchant d 4\r\n"
        "/addenchant e 5\r\n/addenchant f 6\r\n/addenchant g 7\r\n"
        "/addflag HIDE_ATTRIBUTES\r\n"
        "/unbreakable");
    EXPECT_EQ(result.unknown, (std::vector<std::string>{"/att Stats DAMAGE 10", "/addflag HIDE_DYE",
                                                        "/addenchant DAMAGE_ALL", "/setname ", "/addenchant g 7"}));
    ItemDesign expected = empty(true);
    expected.name = "second";
    expected.lore = "新的";
    expected.enchantments = {{{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}, {"e", "5"}, {"f", "6"}}};
    expected.flags[1] = true;
    expected.unbreakable = true;
    EXPECT_EQ(result.design, expected);
    // Only /clearlore was given: replace is on, so generating writes all three clear lines.
    EXPECT_EQ(commands(result.design).substr(0, 31), "/setname second\r\n/clearlore\r\n/a");
}

TEST(ItemReader, AClearLineDropsWhatCameBeforeIt) {
    const auto result = read(
        "/addenchant DAMAGE_ALL 1\n/addflag HIDE_ENCHANTS\n/clearenchant\n/clearflag\n"
        "/addenchant KNOCKBACK 2\n");
    ItemDesign expected = empty(true);
    expected.enchantments[0] = {"击退 KNOCKBACK", "2"};
    EXPECT_EQ(result.design, expected);
}

std::string describe(const std::vector<text::Line>& lines) {
    std::string out;
    for (const text::Line& line : lines) {
        for (const text::Run& run : line) {
            out += "[" + run.text + " " + text::hexColour(run.style.rgb);
            if (run.style.bold) out += " b";
            if (run.style.italic) out += " i";
            out += "]";
        }
        out += "\n";
    }
    return out;
}

TEST(ItemTooltip, NameEnchantmentsLoreAndUnbreakableInTheGamesStyles) {
    ItemDesign design = full();
    design.enchantments[1] = {"sharpness", "12"};
    design.enchantments[3] = {"耐久 DURABILITY", "10"};
    design.enchantments[4] = {"LUCK", "x"};
    design.flags = {};
    design.name = "烈焰&l之剑";
    EXPECT_EQ(describe(builders::item::tooltipLines(design)),
              "[烈焰 #ffffff i][之剑 #ffffff b i]\n"
              "[锋利 V #aaaaaa]\n"
              "[sharpness 12 #aaaaaa]\n"
              "[火焰附加 II #aaaaaa]\n"
              "[耐久 X #aaaaaa]\n"
              "[海之眷顾 x #aaaaaa]\n"
              "[第一行 #aaaaaa]\n"
              "\n"
              "[第三行 #aa00aa i]\n"
              "[无法破坏 #5555ff]\n");
}

TEST(ItemTooltip, HiddenEnchantmentsAndUnbreakableAndAnEmptyName) {
    ItemDesign design = full();
    design.name = "&c红";
    design.lore = "";
    design.flags = {true, false, true, false, false, false};
    EXPECT_EQ(describe(builders::item::tooltipLines(design)), "[红 #ff5555]\n");
    design.flags = {};
    design.name = "";
    design.enchantments = {};
    EXPECT_EQ(describe(builders::item::tooltipLines(design)), "[物品原名 #ffffff]\n[无法破坏 #5555ff]\n");
}

TEST(ItemTooltip, LevelsInRomanNumeralsUpToTen) {
    using builders::item::levelText;
    const char* expected[] = {"I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX", "X"};
    for (int n = 1; n <= 10; ++n) EXPECT_EQ(levelText(std::to_string(n)), expected[n - 1]);
    for (const char* same : {"11", "0", "-1", "255", "", "三", "1.5", "99999999999"}) EXPECT_EQ(levelText(same), same);
    EXPECT_EQ(levelText("03"), "III");
}

}  // namespace
