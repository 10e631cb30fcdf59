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
// clang-format on

}  // namespace
