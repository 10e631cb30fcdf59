// The socket, element and key-lore buttons as the runtime sees them: which fields each
// reads, in which order, which panel it writes, and what it builds from them.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "actions/action.h"
#include "builders/socket/element_block.h"
#include "builders/socket/gem_block.h"
#include "builders/socket/key_lore.h"

namespace {

using actions::Panel;

const actions::Action& action(std::string_view button) {
    const auto actions = actions::socketActions();
    const auto found =
        std::find_if(actions.begin(), actions.end(), [&](const actions::Action& a) { return a.button == button; });
    if (found == actions.end()) throw std::runtime_error("no action for " + std::string(button));
    return *found;
}

// Inputs of a button that reads no combo box.
actions::Inputs texts(std::vector<std::string> values) { return {.texts = std::move(values), .selections = {}}; }

struct CommandCase {
    const char* name;
    std::string_view button;
    std::vector<std::string> values;
    std::string line;
};

std::ostream& operator<<(std::ostream& out, const CommandCase& c) { return out << c.name; }

class SocketCommandTest : public testing::TestWithParam<CommandCase> {};

TEST_P(SocketCommandTest, BuildsTheWholeLine) {
    const CommandCase& c = GetParam();
    EXPECT_EQ(action(c.button).build(texts(c.values)), c.line);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, SocketCommandTest, testing::Values(
    CommandCase{"AddEmpty",          "按钮45", {"3"},                       "/socket add empty 3\r\n"},
    CommandCase{"AddEmptyBlank",     "按钮45", {""},                        "/socket add empty \r\n"},
    CommandCase{"LoadGems",          "按钮46", {"ruby", "5", "Steve"},      "/socket load gems ruby 5 Steve\r\n"},
    CommandCase{"LoadGemsBlank",     "按钮46", {"", "", ""},                "/socket load gems   \r\n"},
    CommandCase{"LoadGemsMiddle",    "按钮46", {"ruby", "", "Steve"},       "/socket load gems ruby  Steve\r\n"},
    CommandCase{"RodRemove",         "按钮47", {"Steve", "2"},              "/socket load rod remove Steve 2\r\n"},
    CommandCase{"RodRemoveBlank",    "按钮47", {"", ""},                    "/socket load rod remove  \r\n"},
    CommandCase{"AddLocked",         "按钮48", {"7"},                       "/socket add locked 7\r\n"},
    CommandCase{"AddLockedBlank",    "按钮48", {""},                        "/socket add locked \r\n"},
    CommandCase{"RodUnlock",         "按钮49", {"Alex", "9"},               "/socket load rod unlock Alex 9\r\n"},
    CommandCase{"RodUnlockBlank",    "按钮49", {"", ""},                    "/socket load rod unlock  \r\n"},
    CommandCase{"Element",           "按钮58", {"fire", "12", "4"},         "/attribute element fire 12 4\r\n"},
    CommandCase{"ElementBlank",      "按钮58", {"", "", ""},                "/attribute element   \r\n"},
    // Values go in exactly as typed: blanks, quotes and Chinese are not touched.
    CommandCase{"AsTyped",           "按钮46", {" 红宝石", "\"5\"", "Steve "}, "/socket load gems  红宝石 \"5\" Steve \r\n"},
    // Fewer texts than fields: the missing ones count as empty, blanks still written.
    CommandCase{"MissingTexts",      "按钮58", {"fire"},                    "/attribute element fire  \r\n"}
), [](const testing::TestParamInfo<CommandCase>& row) { return std::string(row.param.name); });
// clang-format on

// What every button reads and where it writes, written out from the page layouts.
struct Binding {
    std::string_view button;
    Panel panel;
    std::vector<std::string_view> texts;
    std::vector<std::string_view> selections;
};

std::ostream& operator<<(std::ostream& out, const Binding& b) { return out << b.button; }

// clang-format off
const Binding kBindings[] = {
    {"按钮45", Panel::Command, {"编辑框38"},                                   {}},
    {"按钮46", Panel::Command, {"编辑框51", "编辑框52", "编辑框53"},           {}},
    {"按钮47", Panel::Command, {"编辑框54", "编辑框55"},                       {}},
    {"按钮48", Panel::Command, {"编辑框56"},                                   {}},
    {"按钮49", Panel::Command, {"编辑框57", "编辑框58"},                       {}},
    {"按钮58", Panel::Command, {"编辑框78", "编辑框70", "编辑框71"},           {}},
    {"按钮50", Panel::Config,  {"编辑框59", "编辑框60", "编辑框61", "编辑框62", "编辑框63",
                                "编辑框64", "编辑框65", "编辑框66", "编辑框67", "编辑框68"},
                               {"组合框3", "组合框4", "组合框5", "组合框6"}},
    {"按钮54", Panel::Config,  {"编辑框83", "编辑框82", "编辑框72", "编辑框73", "编辑框74",
                                "编辑框75", "编辑框76", "编辑框77", "编辑框79", "编辑框80"},
                               {"组合框7", "组合框8"}},
    {"按钮55", Panel::Config,  {"编辑框81", "编辑框84"},                       {}},
    {"按钮21", Panel::Config,  {"编辑框25", "编辑框26", "编辑框27"},           {}},
    {"按钮22", Panel::Config,  {"编辑框28"},                                   {}},
    {"按钮51", Panel::Config,  {"编辑框69"},                                   {}},
};
// clang-format on

class SocketBindingTest : public testing::TestWithParam<Binding> {};

TEST_P(SocketBindingTest, ReadsItsFieldsInOrderAndWritesItsPanel) {
    const Binding& expected = GetParam();
    const actions::Action& a = action(expected.button);
    EXPECT_EQ(a.panel, expected.panel);
    EXPECT_EQ(a.texts, expected.texts);
    EXPECT_EQ(a.selections, expected.selections);
}

INSTANTIATE_TEST_SUITE_P(Buttons, SocketBindingTest, testing::ValuesIn(kBindings),
                         [](const testing::TestParamInfo<Binding>& row) {
                             return "Button" + std::to_string(row.index);
                         });

TEST(SocketActions, AreExactlyTheTwelveButtonsOnce) {
    std::multiset<std::string_view> buttons;
    for (const actions::Action& a : actions::socketActions()) {
        buttons.insert(a.button);
        EXPECT_TRUE(a.build) << a.button;
    }
    std::multiset<std::string_view> expected;
    for (const Binding& b : kBindings) expected.insert(b.button);
    EXPECT_EQ(buttons, expected);
}

// The block buttons hand each text and selection, by position, to the right field: every
// value below is distinct, so a swapped pair changes the text.
TEST(SocketActions, GemButtonMapsTextsAndSelectionsToTheirKeys) {
    const std::string built = action("按钮50").build(
        {.texts = {"t59", "t60", "t61", "t62", "t63", "t64", "t65", "t66", "t67", "t68"}, .selections = {1, 0, 2, 5}});
    EXPECT_EQ(built, builders::socket::gemBlock({.id = "t59",
                                                 .keylore = "t60",
                                                 .displayName = "t61",
                                                 .material = "t62",
                                                 .shiny = 1,
                                                 .maxGrade = "t63",
                                                 .typeItem = 0,
                                                 .baseSuccessRate = "t64",
                                                 .scaleSuccessRate = "t65",
                                                 .bonusBase = 2,
                                                 .bonusBaseValue = "t66",
                                                 .bonusScale = 5,
                                                 .bonusScaleValue = "t67",
                                                 .kind = "t68"}));
}

TEST(SocketActions, ElementButtonMapsTextsAndSelectionsToTheirKeys) {
    const std::string built = action("按钮54").build(
        {.texts = {"t83", "t82", "t72", "t73", "t74", "t75", "t76", "t77", "t79", "t80"}, .selections = {3, 17}});
    EXPECT_EQ(built, builders::socket::elementBlock(
                         {.id = "t83",
                          .keylore = "t82",
                          .additionalDamage = "t72",
                          .percentDamage = "t73",
                          .toAttacker = {.potion = 3, .chance = "t74", .duration = "t75", .grade = "t76"},
                          .toVictims = {.potion = 17, .chance = "t77", .duration = "t79", .grade = "t80"}}));
}

TEST(SocketActions, LineButtonsMapTextsInOrder) {
    EXPECT_EQ(action("按钮55").build(texts({"water", "-15"})), "    water: -15\r\n");
    EXPECT_EQ(action("按钮21").build(texts({"heal", "治疗", "heal %player%"})),
              builders::socket::keyLoreEntry("heal", "治疗", "heal %player%"));
    EXPECT_EQ(action("按钮22").build(texts({"say hi"})), "    - \"say hi\"\r\n");
    EXPECT_EQ(action("按钮51").build(texts({"&7稀有"})), "  - \"&7稀有\"\r\n");
}

// A runtime that reads nothing still gets the full structure, never a crash.
TEST(SocketActions, MissingInputsCountAsEmpty) {
    EXPECT_EQ(action("按钮50").build({}), builders::socket::gemBlock({}));
    EXPECT_EQ(action("按钮54").build({}), builders::socket::elementBlock({}));
    EXPECT_EQ(action("按钮55").build({}), "    : \r\n");
    EXPECT_EQ(action("按钮21").build({}), ":\r\n  keylore: \"\"\r\n  command:\r\n    - \"\"\r\n");
}

}  // namespace
