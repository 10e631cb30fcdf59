// The item designer's command reader: the lines every other button writes are the editor's
// own and set aside; only lines nothing in the editor writes are unknown.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "actions/action.h"
#include "actions/item_actions.h"

namespace {

using actions::ItemReading;
using actions::readItemCommands;

enum class Goes { Design, Other, Unknown };

struct LineCase {
    const char* name;
    std::string line;
    Goes goes;
};

std::ostream& operator<<(std::ostream& out, const LineCase& c) { return out << c.name; }

class ItemReadingTest : public testing::TestWithParam<LineCase> {};

TEST_P(ItemReadingTest, SortsTheLine) {
    const LineCase& c = GetParam();
    const ItemReading reading = readItemCommands(c.line + "\r\n");
    const std::vector<std::string> one = {c.line};
    EXPECT_EQ(reading.otherCommands, c.goes == Goes::Other ? one : std::vector<std::string>{});
    EXPECT_EQ(reading.unknown, c.goes == Goes::Unknown ? one : std::vector<std::string>{});
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Lines, ItemReadingTest, testing::Values(
    LineCase{"Stats",               "/att Stats DAMAGE 10",             Goes::Other},
    LineCase{"EmptyName",           "/setname ",                        Goes::Other},
    LineCase{"Name",                "/setname 剑",                      Goes::Design},
    LineCase{"Lore",                "/addlore &7锋利",                  Goes::Design},
    LineCase{"HelpWindowOnly",      "/removelore 1",                    Goes::Unknown},
    LineCase{"FlagThePageLacks",    "/addflag HIDE_DYE",                Goes::Unknown},
    LineCase{"EnchantmentNoLevel",  "/addenchant DAMAGE_ALL",           Goes::Unknown},
    LineCase{"AlmostAStatsLine",    "/att Stat DAMAGE 1",               Goes::Unknown},
    LineCase{"CommandRunOn",        "/att Stats DAMAGEX 1",             Goes::Unknown},
    LineCase{"NotACommand",         "hello",                            Goes::Unknown}
), [](const testing::TestParamInfo<LineCase>& row) { return std::string(row.param.name); });
// clang-format on

// Every line a builder button of the command panels writes, filled in or left empty, is
// read: into the design (the name and lore rows) or set aside, never unknown.
TEST(ItemReading, TakesEveryLineTheButtonsWrite) {
    std::string text;
    std::vector<std::string> setAside;
    for (const actions::Action* action : actions::all()) {
        if (action->panel == actions::Panel::Config || action->button == "按钮71") continue;
        actions::Inputs filled{std::vector<std::string>(action->texts.size(), "1"),
                               std::vector<int>(action->selections.size(), 0)};
        for (const actions::Inputs& inputs : {filled, actions::Inputs{}}) {
            const std::string line = action->build(inputs);
            ASSERT_TRUE(line.ends_with("\r\n")) << line;
            text += line;
            const std::string shown = line.substr(0, line.size() - 2);
            if (shown != "/setname 1" && !shown.starts_with("/addlore ")) setAside.push_back(shown);
        }
    }
    const ItemReading reading = readItemCommands(text);
    EXPECT_EQ(reading.unknown, std::vector<std::string>{});
    EXPECT_EQ(reading.otherCommands, setAside);
    EXPECT_EQ(reading.design.name, "1");
    EXPECT_EQ(reading.design.lore, "1 1\n ");  // "/addlore 1 1" and "/addlore  "
}

TEST(ItemReading, KeepsTheOrderOfEachList) {
    const ItemReading reading = readItemCommands(
        "/socket add empty 1\n/setname 盾\n/removelore 1\n/clearlore\n/att Buff JUMP 2\r\n/addlore a\r/addflag X\n");
    EXPECT_EQ(reading.otherCommands, (std::vector<std::string>{"/socket add empty 1", "/att Buff JUMP 2"}));
    EXPECT_EQ(reading.unknown, (std::vector<std::string>{"/removelore 1", "/addflag X"}));
    EXPECT_EQ(reading.design.name, "盾");
    EXPECT_EQ(reading.design.lore, "a");
    EXPECT_TRUE(reading.design.replace);
}

}  // namespace
