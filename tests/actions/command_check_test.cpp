// The command panel's check: known commands, missing values, lines the editor did not write.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "actions/command_check.h"

namespace {

struct Case {
    const char* name;
    std::string text;
    std::size_t entries;
    std::vector<std::pair<int, std::string>> warnings;
};

std::ostream& operator<<(std::ostream& out, const Case& c) { return out << c.name; }

class CommandCheckTest : public testing::TestWithParam<Case> {};

TEST_P(CommandCheckTest, FindsWhatTheConsoleWouldNotTake) {
    const yaml::CheckResult result = actions::checkCommands(GetParam().text);
    EXPECT_TRUE(result.valid);
    EXPECT_TRUE(result.errors.empty());
    EXPECT_EQ(result.entries, GetParam().entries);
    std::vector<std::pair<int, std::string>> warnings;
    for (const yaml::Finding& f : result.warnings) warnings.emplace_back(f.line, f.message);
    EXPECT_EQ(warnings, GetParam().warnings);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Lines, CommandCheckTest, testing::Values(
    Case{"Empty", "", 0, {}},
    Case{"EveryBuilderLineFilledIn",
         "/att Stats DAMAGE 10\r\n/att Ability BLIND 1 20\r\n/att Requirement Unbound\r\n"
         "/att Power SHOOT LEFT ARROW5\r\n/socket load gems ruby 1 Steve\r\n/setname §c剑\r\n", 6, {}},
    Case{"MissingValues",
         "/att Stats DAMAGE \r\n/att Ability BLIND 1 \r\n/att Requirement Bound  \r\n/att Power SHOOT \r\n"
         "/socket load gems ruby  Steve\r\n", 5,
         {{1, "/att Stats DAMAGE 缺少数值"}, {2, "/att Ability BLIND 缺少数值"}, {3, "/att Requirement Bound 缺少数值"},
          {4, "/att Power SHOOT 缺少数值"}, {5, "/socket load gems 缺少数值"}}},
    // "默认最后一行": an empty line number means the last lore line; /addlore may be empty.
    Case{"OptionalLastValues",
         "/socket add empty \r\n/attribute element fire 2 \r\n/addlore \r\n/addlore &6剑 \r\n", 4, {}},
    Case{"ItemAndHelpCommands",
         "/clearlore\r\n/addenchant DAMAGE_ALL 3\r\n/addflag HIDE_ENCHANTS\r\n/unbreakable\r\n/quorvel save 剑\r\n"
         "/setlore 2 hi\r\n/quorvel reload\r\n", 7, {}},
    Case{"ItemCommandsMissingValues", "/addenchant DAMAGE_ALL\r\n/quorvel save \r\n", 2,
         {{1, "/addenchant 缺少数值"}, {2, "/quorvel save 缺少数值"}}},
    Case{"UnknownLinesAndBlankLines", "hello world\r\n\r\n   \r\n/att Stat DAMAGE 1\n/atts x\n", 3,
         {{1, "“hello”不是编辑器认识的指令"}, {4, "“/att”不是编辑器认识的指令"}, {5, "“/atts”不是编辑器认识的指令"}}}
), [](const testing::TestParamInfo<Case>& row) { return std::string(row.param.name); });

INSTANTIATE_TEST_SUITE_P(Numbers, CommandCheckTest, testing::Values(
    Case{"ValuesThatAreNoNumber",
         "/att Stats DURABILITY abc\r\n/att Stats LEVEL 10%\r\n/att Buff JUMP 二\r\n/att Debuff SLOW 1级\r\n"
         "/att NBT SPEED 0,5\r\n/att Ability BLIND 1 20%\r\n/att Requirement Level lv5\r\n"
         "/att Requirement Bound Steve last\r\n/socket add locked end\r\n/socket load gems ruby one Steve\r\n"
         "/socket load rod remove Steve x\r\n/socket load rod unlock Steve 两个\r\n"
         "/attribute element fire high 2\r\n/addenchant DAMAGE_ALL III\r\n", 14,
         {{1, "/att Stats DURABILITY 的数值“abc”不是数字"}, {2, "/att Stats LEVEL 的数值“10%”不是数字"},
          {3, "/att Buff JUMP 的数值“二”不是数字"}, {4, "/att Debuff SLOW 的数值“1级”不是数字"},
          {5, "/att NBT SPEED 的数值“0,5”不是数字"}, {6, "/att Ability BLIND 的数值“20%”不是数字"},
          {7, "/att Requirement Level 的数值“lv5”不是数字"}, {8, "/att Requirement Bound 的数值“last”不是数字"},
          {9, "/socket add locked 的数值“end”不是数字"}, {10, "/socket load gems 的数值“one”不是数字"},
          {11, "/socket load rod remove 的数值“x”不是数字"}, {12, "/socket load rod unlock 的数值“两个”不是数字"},
          {13, "/attribute element 的数值“high”不是数字"}, {14, "/addenchant 的数值“III”不是数字"}}},
    Case{"EveryValueOfALine", "/att Ability Flame one two\r\n/attribute element fire x y\r\n", 2,
         {{1, "/att Ability Flame 的数值“one”不是数字"}, {1, "/att Ability Flame 的数值“two”不是数字"},
          {2, "/attribute element 的数值“x”不是数字"}, {2, "/attribute element 的数值“y”不是数字"}}},
    // Whatever the server reads as a number in its YAML files passes here too.
    Case{"NumbersTheServerReads",
         "/att Stats DAMAGE -8\r\n/att Stats CRITICAL_DAMAGE 1.5\r\n/att NBT HEALTH +100\r\n/att Stats HEALTH 1e3\r\n"
         "/att Stats LEVEL 0x1F\r\n/att Ability harm 3 25\r\n/socket add empty 2\r\n/attribute element fire -2.5 3\r\n", 8,
         {}},
    Case{"TextValuesAndPowerShootUnchecked",
         "/att Requirement Permission vip.sword\r\n/setname 剑 III\r\n/addlore 等级 x\r\n/quorvel save 剑\r\n"
         "/att Power SHOOT LEFT ARROWfast\r\n/att Requirement Bound 12345 2\r\n/socket load gems 1 2 3\r\n", 7, {}},
    // One value is the first word; several are read only when the words are as many.
    Case{"WordsOtherThanValues",
         "/att Stats DAMAGE 10 abc\r\n/att Stats DAMAGE abc 10\r\n/socket load gems red ruby x Steve\r\n", 3,
         {{2, "/att Stats DAMAGE 的数值“abc”不是数字"}}},
    Case{"MissingAndNoNumber", "/att Ability BLIND x \r\n/socket load gems ruby  x\r\n", 2,
         {{1, "/att Ability BLIND 缺少数值"}, {1, "/att Ability BLIND 的数值“x”不是数字"},
          {2, "/socket load gems 缺少数值"}}},
    Case{"LeadingBlank", "  hello /att\r\n", 1, {{1, "“hello”不是编辑器认识的指令"}}}
), [](const testing::TestParamInfo<Case>& row) { return std::string(row.param.name); });
// clang-format on

std::string repeat(std::string_view piece, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i) out += piece;
    return out;
}

std::string tooLong(int length) {
    return "这一行有 " + std::to_string(length) + " 个字符，超过游戏聊天框的 256 个字符上限，无法在游戏里输入";
}

// The chat box takes 256 UTF-16 units: a Chinese character is one, an emoji two.
// clang-format off
INSTANTIATE_TEST_SUITE_P(ChatLimit, CommandCheckTest, testing::Values(
    Case{"ExactlyTheLimit", "/att Stats DAMAGE " + std::string(238, '1') + "\r\n", 1, {}},
    Case{"OneOver", "/att Stats DAMAGE " + std::string(239, '1') + "\r\n", 1, {{1, tooLong(257)}}},
    Case{"ChineseCountsOne", "/setname " + repeat("剑", 247) + "\n/setname " + repeat("剑", 248), 2,
         {{2, tooLong(257)}}},
    Case{"EmojiCountsTwo", "/setname " + repeat("😀", 123) + "\r\n/setname " + repeat("😀", 124) + "\r\n", 2,
         {{2, tooLong(257)}}},
    Case{"WithOtherWarnings", "\r\n" + std::string(300, 'x') + "\r\n/att Stats LEVEL " + repeat("级", 300), 2,
         {{2, tooLong(300)}, {2, "“" + std::string(300, 'x') + "”不是编辑器认识的指令"}, {3, tooLong(317)},
          {3, "/att Stats LEVEL 的数值“" + repeat("级", 300) + "”不是数字"}}}
), [](const testing::TestParamInfo<Case>& row) { return std::string(row.param.name); });
// clang-format on

}  // namespace
