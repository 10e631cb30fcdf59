// The folder's findings, each with the near misses that must not be one: what the server reads
// is what counts (comments, dropped duplicates, identifiers as it names them, files in
// subfolders), and a save's new findings are told from those that only moved.
#include <gtest/gtest.h>

#include "support.h"

namespace project {
namespace {

using testing::findingsOf;
using testing::joined;
using testing::linesOf;

using Lines = std::vector<std::string>;

// A gem with the two effect lines the gem page writes.
std::string gem(std::string_view id, std::string_view base, std::string_view scale) {
    return joined({std::string(id) + ":", "  Display_Name: \"&c宝石\"", "  Max_Grade: 5", "  Effect:",
                   "    Bonus_Base_" + std::string(base) + ": 10", "    Bonus_Scale_" + std::string(scale) + ": 2"});
}

std::string element(std::string_view id, std::initializer_list<std::string_view> resistances = {}) {
    std::string text = joined({std::string(id) + ":", "  Keylore: \"" + std::string(id) + "\"",
                               "  Scale_Base_Additional_Damage: 1", "  Resistance:"});
    for (const std::string_view r : resistances) text += "    " + std::string(r) + ": 10\n";
    return text;
}

std::string keyLore(std::string_view id, std::string_view lore) {
    return joined({std::string(id) + ":", "  keylore: " + std::string(lore), "  command:", "    - \"heal %player%\""});
}

TEST(UnreadableTest, TheChecksFirstErrorWithLineAndColumn) {
    EXPECT_EQ(
        findingsOf({
            {"broken.yml", joined({"ruby:", "  Display_Name: a", "\tMax_Grade: 5"}), ""},
            {"sockets.yml", gem("jade", "Max_Health", "Max_Health"), ""},
        }),
        (Lines{"broken.yml:3:1 unreadable | 服务器无法读取这个文件：制表符（Tab）不能用于缩进或放在这里，请改用空格"}));
}

TEST(UnreadableTest, AnUnreadableFileTakesPartInNothingElse) {
    // Its entries are guesses: no duplicate, no effect is looked at; its gems count as defined.
    EXPECT_EQ(findingsOf({{"broken.yml", gem("ruby", "Max_Health", "Hit_Rate") + gem("ruby", "A", "A") + "x: [\n", ""},
                          {"sockets.yml", gem("ruby", "Max_Health", "Max_Health"), ""}},
                         {{"编辑框1", "/socket load gems ruby 1 Steve\n"}}),
              (Lines{"broken.yml:14:1 unreadable | "
                     "服务器无法读取这个文件：这里缺少值，或值以不能开头的符号开头；请给值加上双引号"}));
}

TEST(DuplicateIdTest, AcrossFilesOfOneKindBothPlaces) {
    EXPECT_EQ(findingsOf({{"sockets.yml", gem("jade", "Max_Health", "Max_Health") + gem("ruby", "A", "A"), ""},
                          {"old/gems.yml", gem("ruby", "A", "A"), ""}}),
              (Lines{
                  "sockets.yml:7 duplicate-id ruby -> old/gems.yml:1 | 宝石识别名“ruby”在old/gems.yml 第 1 行也有定义",
                  "old/gems.yml:1 duplicate-id ruby -> sockets.yml:7 | 宝石识别名“ruby”在sockets.yml 第 7 行也有定义",
              }));
}

TEST(DuplicateIdTest, TwiceInOneFileWhateverTheKinds) {
    EXPECT_EQ(findingsOf({{"mixed.yml", gem("ruby", "A", "A") + element("ruby") + "settings: 1\nsettings: 2\n", ""}}),
              (Lines{
                  "mixed.yml:1 duplicate-id ruby -> mixed.yml:7 | 识别名“ruby”在本文件第 7 "
                  "行也有定义，服务器只保留后面的那个",
                  "mixed.yml:7 duplicate-id ruby -> mixed.yml:1 | 识别名“ruby”在本文件第 1 "
                  "行也有定义，服务器只保留后面的那个",
                  "mixed.yml:11 duplicate-id settings -> mixed.yml:12 | "
                  "识别名“settings”在本文件第 12 行也有定义，服务器只保留后面的那个",
                  "mixed.yml:12 duplicate-id settings -> mixed.yml:11 | "
                  "识别名“settings”在本文件第 11 行也有定义，服务器只保留后面的那个",
              }));
}

TEST(DuplicateIdTest, NotAcrossFilesOfOtherKinds) {
    // A gem and an element of one name live in two files the plugin reads apart; so do the
    // settings of two files.
    EXPECT_EQ(findingsOf({{"sockets.yml", gem("ruby", "A", "A") + "version: 1\n", ""},
                          {"elements.yml", element("ruby") + "version: 1\n", ""}}),
              Lines{});
}

TEST(DuplicateIdTest, IdentifiersAsTheServerNamesThem) {
    // Plain 1.00 and 1.0 are the one float 1.0, and so is the string "1.0"; the string "1.00" is not.
    EXPECT_EQ(
        findingsOf({{"a.yml", gem("1.00", "A", "A"), ""},
                    {"b.yml", gem("1.0", "A", "A") + gem("'1.00'", "A", "A"), ""},
                    {"c.yml", gem("\"1.0\"", "A", "A") + gem("0x1F", "A", "A") + gem("31", "B", "B"), ""}}),
        (Lines{
            "a.yml:1 duplicate-id 1.0 -> b.yml:1 | 宝石识别名“1.0”（写作“1.00”）在b.yml 第 1 行也有定义（共 3 处）",
            "b.yml:1 duplicate-id 1.0 -> a.yml:1 | 宝石识别名“1.0”在a.yml 第 1 行也有定义（共 3 处）",
            "c.yml:1 duplicate-id 1.0 -> a.yml:1 | 宝石识别名“1.0”在a.yml 第 1 行也有定义（共 3 处）",
            "c.yml:7 duplicate-id 31 -> c.yml:13 | 识别名“31”（写作“0x1F”）在本文件第 13 "
            "行也有定义，服务器只保留后面的那个",
            "c.yml:13 duplicate-id 31 -> c.yml:7 | 识别名“31”在本文件第 7 行也有定义，服务器只保留后面的那个",
        }));
}

TEST(UnknownElementTest, AResistanceNamingNoElement) {
    EXPECT_EQ(findingsOf({{"elements.yml", element("fire", {"water", "ice"}) + element("water", {"fire"}), ""}}),
              (Lines{"elements.yml:6 unknown-element ice | "
                     "元素“fire”的抗性写了元素“ice”，文件夹里没有文件定义这个元素"}));
}

TEST(UnknownElementTest, NearMisses) {
    EXPECT_EQ(
        findingsOf({
            // Named only in a comment; defined in a subfolder's file; defined in a file the
            // server cannot read (that file's own finding says so).
            {"elements.yml", element("fire", {"# ice", "water", "stone"}) + "  # thunder: 5\n", ""},
            {"more/water.yml", element("water"), ""},
            {"broken.yml", element("stone") + "\tx: 1\n", ""},
        }),
        (Lines{"broken.yml:5:1 unreadable | 服务器无法读取这个文件：制表符（Tab）不能用于缩进或放在这里，请改用空格"}));
}

TEST(UnknownElementTest, ResistancesAsTheServerKeepsThem) {
    // A merged resistance counts at the line it is written on; of a key twice the last is kept;
    // an element the server drops (the first of two in a file) is no one's resistance.
    EXPECT_EQ(
        findingsOf({{"elements.yml",
                     joined({
                         "base: &base",
                         "  Keylore: b",
                         "  Scale_Base_Additional_Damage: 1",
                         "  Resistance: &res",
                         "    ghost: 1",
                         "fire:",
                         "  Keylore: f",
                         "  Scale_Base_Additional_Damage: 1",
                         "  Resistance:",
                         "    <<: *res",
                         "    base: 2",
                         "ice:",
                         "  Keylore: i",
                         "  Scale_Base_Additional_Damage: 1",
                         "  Resistance: {phantom: 1}",
                         "ice:",
                         "  Keylore: i",
                         "  Scale_Base_Additional_Damage: 1",
                     }),
                     ""}}),
        (Lines{
            "elements.yml:5 unknown-element ghost | 元素“base”的抗性写了元素“ghost”，文件夹里没有文件定义这个元素",
            "elements.yml:5 unknown-element ghost | 元素“fire”的抗性写了元素“ghost”，文件夹里没有文件定义这个元素",
            "elements.yml:12 duplicate-id ice -> elements.yml:16 | "
            "识别名“ice”在本文件第 16 行也有定义，服务器只保留后面的那个",
            "elements.yml:16 duplicate-id ice -> elements.yml:12 | "
            "识别名“ice”在本文件第 12 行也有定义，服务器只保留后面的那个",
        }));
}

TEST(UnknownElementTest, ResistancesNamedAsTheServerNamesThem) {
    // Plain 1.00 names the element 1.0 and 0x1F the element 31; the string "1.00" names none.
    EXPECT_EQ(findingsOf({{"elements.yml", element("1.0", {"1.00", "0x1F", "'1.00'", "0x20"}) + element("31"), ""}}),
              (Lines{"elements.yml:7 unknown-element 1.00 | "
                     "元素“1.0”的抗性写了元素“1.00”，文件夹里没有文件定义这个元素",
                     "elements.yml:8 unknown-element 32 | "
                     "元素“1.0”的抗性写了元素“32”（写作“0x20”），文件夹里没有文件定义这个元素"}));
}

TEST(MismatchedEffectTest, TwoLinesOfTwoAttributes) {
    EXPECT_EQ(findingsOf({{"sockets.yml",
                           gem("ruby", "Max_Health", "Critical_Chance") +
                               joined({"onyx:", "  Display_Name: o", "  Effect:", "    Bonus_Base_Hit_Rate: 1",
                                       "    Bonus_Base_Dodge_Rate: 1", "    Bonus_Scale_Block_Rate: 1"}),
                           ""}}),
              (Lines{
                  "sockets.yml:6 mismatched-effect ruby | 宝石“ruby”的属性 Bonus_Base_Max_Health 和附加属性 "
                  "Bonus_Scale_Critical_Chance 不对应（属性和附加属性需要对应：Bonus_Base_X 配 Bonus_Scale_X）",
                  "sockets.yml:12 mismatched-effect onyx | 宝石“onyx”的属性 Bonus_Base_Hit_Rate、Bonus_Base_Dodge_Rate "
                  "和附加属性 Bonus_Scale_Block_Rate 不对应（属性和附加属性需要对应：Bonus_Base_X 配 Bonus_Scale_X）",
              }));
}

TEST(MismatchedEffectTest, NearMisses) {
    EXPECT_EQ(findingsOf({{"sockets.yml",
                           gem("ruby", "Max_Health", "Max_Health") +
                               joined({
                                   // one effect alone
                                   "jade:",
                                   "  Display_Name: j",
                                   "  Effect:",
                                   "    Bonus_Base_Hit_Rate: 1",
                                   // a pair with a base or a scale beside it
                                   "opal:",
                                   "  Display_Name: o",
                                   "  Effect:",
                                   "    Bonus_Base_Hit_Rate: 1",
                                   "    Bonus_Base_Dodge_Rate: 1",
                                   "    Bonus_Scale_Hit_Rate: 1",
                                   "onyx:",
                                   "  Display_Name: o",
                                   "  Effect:",
                                   "    Bonus_Base_Hit_Rate: 1",
                                   "    Bonus_Scale_Block_Rate: 1",
                                   "    Bonus_Scale_Hit_Rate: 1",
                                   // the other attribute in a comment only
                                   "coral:",
                                   "  Display_Name: c",
                                   "  Effect:",
                                   "    Bonus_Base_Hit_Rate: 1",
                                   "    # Bonus_Scale_Block_Rate: 1",
                                   "    Bonus_Scale_Hit_Rate: 1",
                                   // the pair written in braces
                                   "pearl:",
                                   "  Display_Name: p",
                                   "  Effect: {Bonus_Scale_Hit_Rate: 1, Bonus_Base_Hit_Rate: 2}",
                               }),
                           ""}}),
              Lines{});
}

TEST(MismatchedEffectTest, NotOnAGemTheServerDrops) {
    EXPECT_EQ(findingsOf({{"sockets.yml", gem("ruby", "Max_Health", "Hit_Rate") + gem("ruby", "A", "A"), ""}}),
              (Lines{
                  "sockets.yml:1 duplicate-id ruby -> sockets.yml:7 | "
                  "识别名“ruby”在本文件第 7 行也有定义，服务器只保留后面的那个",
                  "sockets.yml:7 duplicate-id ruby -> sockets.yml:1 | "
                  "识别名“ruby”在本文件第 1 行也有定义，服务器只保留后面的那个",
              }));
}

TEST(DuplicateKeyLoreTest, TwoEntriesOfOneLoreBothPlaces) {
    EXPECT_EQ(
        findingsOf({{"keylore.yml", keyLore("heal", "\"&a治疗\"") + keyLore("buff", "'&b加速'"), ""},
                    {"more/keylore.yml", keyLore("cure", "'&a治疗'") + keyLore("fast", "\"&3加速\""), ""}}),
        (Lines{
            "keylore.yml:1 duplicate-keylore heal -> more/keylore.yml:1 | "
            "关键lore“heal”和more/keylore.yml 第 1 行的“cure”是同一段 lore 文字“&a治疗”，两条都会在同一件物品上触发",
            "more/keylore.yml:1 duplicate-keylore cure -> keylore.yml:1 | "
            "关键lore“cure”和keylore.yml 第 1 行的“heal”是同一段 lore 文字“&a治疗”，两条都会在同一件物品上触发",
        }));
}

TEST(DuplicateKeyLoreTest, OneIdentifierTwiceIsADuplicateIdOnly) {
    EXPECT_EQ(
        findingsOf({{"keylore.yml", keyLore("heal", "\"&a治疗\""), ""},
                    {"old/keylore.yml", keyLore("heal", "\"&a治疗\""), ""}}),
        (Lines{
            "keylore.yml:1 duplicate-id heal -> old/keylore.yml:1 | "
            "关键lore识别名“heal”在old/keylore.yml 第 1 行也有定义",
            "old/keylore.yml:1 duplicate-id heal -> keylore.yml:1 | 关键lore识别名“heal”在keylore.yml 第 1 行也有定义",
        }));
}

TEST(PanelTest, CommandsNamingWhatNoFileDefines) {
    const std::vector<FileInput> files = {
        {"sockets.yml", gem("ruby", "A", "A"), ""},
        {"gems/extra/sapphire.yml", gem("sapphire", "A", "A"), ""},
        {"elements.yml", element("fire") + element("1.0"), ""},
    };
    const std::string panel =
        "/socket load gems ruby 1 Steve\r\n"
        "/socket load gems diamond 1 Steve\r\n"
        "/socket load gems sapphire 2 Alex\r\n"
        "/attribute element fire 10 2\r\n"
        "/attribute element ice 10\r\n"
        "/attribute element 1.00 10\r\n"
        "/attribute element 1.0 10\r\n"
        "/socket load gems  ruby 1 Steve\r\n"   // no identifier: the command check's
        " /socket load gems topaz 1 Steve\r\n"  // no command the editor knows
        "/att Stats DAMAGE 10\r\n"
        "/socket load gems Ruby 1 Steve";
    EXPECT_EQ(findingsOf(files, {{"编辑框1", panel}, {"编辑框2", "\n/socket load gems opal"}}),
              (Lines{
                  "编辑框1:2 unknown-gem diamond | /socket load gems 写的宝石“diamond”，文件夹里没有文件定义这个宝石",
                  "编辑框1:5 unknown-element ice | /attribute element 写的元素“ice”，文件夹里没有文件定义这个元素",
                  "编辑框1:6 unknown-element 1.00 | /attribute element 写的元素“1.00”，文件夹里没有文件定义这个元素",
                  "编辑框1:11 unknown-gem Ruby | /socket load gems 写的宝石“Ruby”，文件夹里没有文件定义这个宝石",
                  "编辑框2:2 unknown-gem opal | /socket load gems 写的宝石“opal”，文件夹里没有文件定义这个宝石",
              }));
}

TEST(PanelTest, FileFindingsComeFirst) {
    EXPECT_EQ(findingsOf({{"sockets.yml", gem("ruby", "A", "B"), ""}}, {{"编辑框1", "/socket load gems x 1 a\n"}}),
              (Lines{
                  "sockets.yml:6 mismatched-effect ruby | 宝石“ruby”的属性 Bonus_Base_A 和附加属性 Bonus_Scale_B "
                  "不对应（属性和附加属性需要对应：Bonus_Base_X 配 Bonus_Scale_X）",
                  "编辑框1:1 unknown-gem x | /socket load gems 写的宝石“x”，文件夹里没有文件定义这个宝石",
              }));
}

TEST(SaveCheckTest, FindingsTheSaveAddsNotThoseThatMoved) {
    const Folder folder({{"sockets.yml", gem("ruby", "A", "B"), ""},
                         {"elements.yml", element("fire", {"ice"}), ""},
                         {"more.yml", gem("jade", "A", "A"), ""}});
    const std::vector<PanelText> panels = {{"编辑框1", "/socket load gems jade 1 a\n/socket load gems opal 1 a\n"}};
    // Two lines above the gem move its finding; jade goes (a command names it), ruby comes twice.
    const SaveCheck saved = checkSave(folder, {"more.yml", "# 宝石\n\n" + gem("ruby", "A", "A"), ""}, panels);
    EXPECT_EQ(linesOf(saved.added), (Lines{
                                        "more.yml:3 duplicate-id ruby -> sockets.yml:1 | "
                                        "宝石识别名“ruby”在sockets.yml 第 1 行也有定义",
                                        "sockets.yml:1 duplicate-id ruby -> more.yml:3 | "
                                        "宝石识别名“ruby”在more.yml 第 3 行也有定义",
                                        "编辑框1:1 unknown-gem jade | /socket load gems 写的宝石“jade”，"
                                        "文件夹里没有文件定义这个宝石",
                                    }));
    EXPECT_EQ(saved.findings.size(), 6u);  // and the three there before: mismatched, ice, opal
    EXPECT_EQ(saved.folder.file("more.yml")->entries()[0].id, "ruby");
    // A save that moves a finding only adds nothing.
    const SaveCheck moved = checkSave(folder, {"sockets.yml", "# 宝石\n" + gem("ruby", "A", "B"), ""}, panels);
    EXPECT_EQ(linesOf(moved.added), Lines{});
    EXPECT_EQ(linesOf(moved.findings),
              (Lines{
                  "elements.yml:5 unknown-element ice | 元素“fire”的抗性写了元素“ice”，文件夹里没有文件定义这个元素",
                  "sockets.yml:7 mismatched-effect ruby | 宝石“ruby”的属性 Bonus_Base_A 和附加属性 Bonus_Scale_B "
                  "不对应（属性和附加属性需要对应：Bonus_Base_X 配 Bonus_Scale_X）",
                  "编辑框1:2 unknown-gem opal | /socket load gems 写的宝石“opal”，文件夹里没有文件定义这个宝石",
              }));
}

TEST(SaveCheckTest, OneMoreOfAFindingAlikeIsNew) {
    const Folder folder({{"elements.yml", element("fire", {"ice"}), ""}});
    const std::vector<PanelText> one = {{"编辑框1", "/socket load gems x 1 a\n"}};
    const std::vector<PanelText> two = {{"编辑框1", "/socket load gems x 1 a\n/socket load gems x 2 a\n"}};
    EXPECT_EQ(linesOf(added(check(folder, one), check(folder, two))),
              (Lines{"编辑框1:2 unknown-gem x | /socket load gems 写的宝石“x”，文件夹里没有文件定义这个宝石"}));
    EXPECT_EQ(linesOf(added(check(folder, two), check(folder, one))), Lines{});
    // The same name in another element's resistance is another finding.
    const std::vector<Finding> before = check(folder);
    const std::vector<Finding> after =
        check(Folder({{"elements.yml", element("fire", {"ice"}) + element("water", {"ice"}), ""}}));
    EXPECT_EQ(linesOf(added(before, after)), (Lines{"elements.yml:10 unknown-element ice | "
                                                    "元素“water”的抗性写了元素“ice”，文件夹里没有文件定义这个元素"}));
    EXPECT_EQ(linesOf(added({}, before)), linesOf(before));
}

}  // namespace
}  // namespace project
