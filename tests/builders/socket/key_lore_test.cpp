#include "builders/socket/key_lore.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using builders::socket::gemLoreLine;
using builders::socket::keyLoreCommand;
using builders::socket::keyLoreEntry;

TEST(KeyLoreEntry, IsFourLinesWithLowerCaseKeylore) {
    EXPECT_EQ(keyLoreEntry("heal", "&a治疗之石", "heal %player%"),
              "heal:\r\n"
              "  keylore: \"&a治疗之石\"\r\n"
              "  command:\r\n"
              "    - \"heal %player%\"\r\n");
}

TEST(KeyLoreEntry, EmptyFieldsKeepTheStructure) {
    EXPECT_EQ(keyLoreEntry("", "", ""),
              ":\r\n"
              "  keylore: \"\"\r\n"
              "  command:\r\n"
              "    - \"\"\r\n");
}

TEST(KeyLoreEntry, EscapesLoreAndCommandButNotTheIdentifier) {
    EXPECT_EQ(keyLoreEntry("a\"b", "\"石\"\\", "say \"hi\"\r\n"),
              "a\"b:\r\n"
              "  keylore: \"\\\"石\\\"\\\\\"\r\n"
              "  command:\r\n"
              "    - \"say \\\"hi\\\"\\r\\n\"\r\n");
}

// Further commands sit in the column of the entry's first command, whatever came before.
TEST(KeyLoreEntry, ExtraCommandsFollowTheEntry) {
    const std::string text =
        keyLoreEntry("jump", "跳", "effect give %player% jump") + keyLoreCommand("say \"up\"") + keyLoreCommand("");
    EXPECT_EQ(text,
              "jump:\r\n"
              "  keylore: \"跳\"\r\n"
              "  command:\r\n"
              "    - \"effect give %player% jump\"\r\n"
              "    - \"say \\\"up\\\"\"\r\n"
              "    - \"\"\r\n");
}

struct ListLineCase {
    const char* name;
    std::string (*build)(std::string_view);
    std::string typed;
    std::string line;
};

class ListLineTest : public testing::TestWithParam<ListLineCase> {};

TEST_P(ListLineTest, BuildsTheWholeLine) {
    const ListLineCase& c = GetParam();
    EXPECT_EQ(c.build(c.typed), c.line);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Lines, ListLineTest, testing::Values(
    ListLineCase{"Command",         keyLoreCommand, "say hi",      "    - \"say hi\"\r\n"},
    ListLineCase{"CommandEmpty",    keyLoreCommand, "",            "    - \"\"\r\n"},
    ListLineCase{"CommandEscaped",  keyLoreCommand, "a\\b\t\"",    "    - \"a\\\\b\t\\\"\"\r\n"},
    ListLineCase{"GemLore",         gemLoreLine,    "&7稀有 ！",   "  - \"&7稀有 ！\"\r\n"},
    ListLineCase{"GemLoreEmpty",    gemLoreLine,    "",            "  - \"\"\r\n"},
    ListLineCase{"GemLoreEscaped",  gemLoreLine,    "\"\\\n\u2028", "  - \"\\\"\\\\\\n\\L\"\r\n"}
), [](const testing::TestParamInfo<ListLineCase>& row) { return std::string(row.param.name); });
// clang-format on

}  // namespace
