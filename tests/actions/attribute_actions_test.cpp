// The command buttons of the attribute, BUFF and other pages and of the passive-skill
// window: which fields each button reads, which panel it writes to, and the exact line.
// The expected rows below are written from the page layouts independently of the
// builder's own tables, so a row copied and half edited there shows up here.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "actions/action.h"
#include "builders/attribute/power_shoot.h"

namespace {

using actions::Action;
using actions::Inputs;
using actions::Panel;

struct ExpectedRow {
    std::string_view button;
    Panel panel;
    std::vector<std::string_view> fields;
    std::string_view prefix;
};

const std::vector<ExpectedRow>& expectedRows() {
    static const std::vector<ExpectedRow> rows = {
        // Attribute page.
        {"按钮1", Panel::Command, {"编辑框2"}, "/att Stats DAMAGE "},
        {"按钮3", Panel::Command, {"编辑框3"}, "/att Stats DEFENSE "},
        {"按钮7", Panel::Command, {"编辑框7"}, "/att Stats HEALTH "},
        {"按钮5", Panel::Command, {"编辑框5"}, "/att Stats PVP_DAMAGE "},
        {"按钮6", Panel::Command, {"编辑框6"}, "/att Stats PVE_DAMAGE "},
        {"按钮12", Panel::Command, {"编辑框13"}, "/att Stats CRITICAL_CHANCE "},
        {"按钮13", Panel::Command, {"编辑框14"}, "/att Stats CRITICAL_DAMAGE "},
        {"按钮9", Panel::Command, {"编辑框10"}, "/att Stats ATTACK_AOE_RADIUS "},
        {"按钮11", Panel::Command, {"编辑框12"}, "/att Stats ATTACK_AOE_DAMAGE "},
        {"按钮14", Panel::Command, {"编辑框15"}, "/att Stats BLOCK_RATE "},
        {"按钮15", Panel::Command, {"编辑框16"}, "/att Stats BLOCK_AMOUNT "},
        {"按钮8", Panel::Command, {"编辑框9"}, "/att Stats DURABILITY "},
        {"按钮10", Panel::Command, {"编辑框11"}, "/att Stats HIT_RATE "},
        {"按钮16", Panel::Command, {"编辑框17"}, "/att Stats LEVEL "},
        {"按钮17", Panel::Command, {"编辑框18"}, "/att Stats DODGE_RATE "},
        // BUFF page.
        {"按钮24", Panel::Command, {"编辑框29"}, "/att Buff STRENGTH "},
        {"按钮25", Panel::Command, {"编辑框30"}, "/att Buff VISION "},
        {"按钮26", Panel::Command, {"编辑框31"}, "/att Buff FIRE_RESISTANCE "},
        {"按钮27", Panel::Command, {"编辑框32"}, "/att Buff INVISIBILITY "},
        {"按钮28", Panel::Command, {"编辑框33"}, "/att Buff SATURATION "},
        {"按钮29", Panel::Command, {"编辑框34"}, "/att Buff SPEED "},
        {"按钮30", Panel::Command, {"编辑框35"}, "/att Buff HASTE "},
        {"按钮31", Panel::Command, {"编辑框36"}, "/att Buff HEALTH_BOOST "},
        {"按钮32", Panel::Command, {"编辑框37"}, "/att Buff REGENERATION "},
        {"按钮33", Panel::Command, {"编辑框39"}, "/att Buff JUMP "},
        {"按钮34", Panel::Command, {"编辑框40"}, "/att Buff ABSORB "},
        {"按钮35", Panel::Command, {"编辑框41"}, "/att Buff PROTECTION "},
        {"按钮36", Panel::Command, {"编辑框42"}, "/att Buff WATER_BREATHING "},
        {"按钮37", Panel::Command, {"编辑框43"}, "/att Debuff WEAK "},
        {"按钮38", Panel::Command, {"编辑框44"}, "/att Debuff SLOW "},
        {"按钮39", Panel::Command, {"编辑框45"}, "/att Debuff BLIND "},
        {"按钮40", Panel::Command, {"编辑框46"}, "/att Debuff CONFUSE "},
        {"按钮41", Panel::Command, {"编辑框47"}, "/att Debuff STARVE "},
        {"按钮42", Panel::Command, {"编辑框48"}, "/att Debuff TOXIC "},
        {"按钮43", Panel::Command, {"编辑框49"}, "/att Debuff WITHER "},
        {"按钮44", Panel::Command, {"编辑框50"}, "/att Debuff FATIGUE "},
        // Other commands page.
        {"按钮62", Panel::Command, {"编辑框90"}, "/att NBT HEALTH "},
        {"按钮61", Panel::Command, {"编辑框89"}, "/att NBT ZOMBIE_REINFORCEMENT "},
        {"按钮64", Panel::Command, {"编辑框92"}, "/att NBT SPEED "},
        {"按钮63", Panel::Command, {"编辑框91"}, "/att NBT KNOCKBACK_RESISTANCE "},
        {"按钮65", Panel::Command, {"编辑框93"}, "/att NBT ATTACK_DAMAGE "},
        {"按钮66", Panel::Command, {"编辑框94"}, "/att NBT HORSE_JUMP "},
        {"按钮67", Panel::Command, {"编辑框95"}, "/att NBT FOLLOW_RANGE "},
        {"按钮59", Panel::Command, {"编辑框87"}, "/att Requirement Level "},
        {"按钮60", Panel::Command, {"编辑框88"}, "/att Requirement Permission "},
        {"按钮56", Panel::Command, {"编辑框85", "编辑框86"}, "/att Requirement Bound "},
        {"按钮69", Panel::Command, {"编辑框98"}, "/setname "},
        {"按钮68", Panel::Command, {"编辑框96", "编辑框97"}, "/addlore "},
        // Passive-skill window: level, then chance.
        {"按钮3", Panel::Ability, {"编辑框2", "编辑框3"}, "/att Ability AIR_SHOCK "},
        {"按钮4", Panel::Ability, {"编辑框4", "编辑框5"}, "/att Ability BADLUCK "},
        {"按钮5", Panel::Ability, {"编辑框6", "编辑框7"}, "/att Ability BLIND "},
        {"按钮6", Panel::Ability, {"编辑框8", "编辑框9"}, "/att Ability BUBBLE_DEFLECTOR "},
        {"按钮7", Panel::Ability, {"编辑框10", "编辑框11"}, "/att Ability CANNIBALISM "},
        {"按钮8", Panel::Ability, {"编辑框12", "编辑框13"}, "/att Ability Confuse "},
        {"按钮9", Panel::Ability, {"编辑框14", "编辑框15"}, "/att Ability Curse "},
        {"按钮10", Panel::Ability, {"编辑框16", "编辑框17"}, "/att Ability Dark_Flame "},
        {"按钮11", Panel::Ability, {"编辑框18", "编辑框19"}, "/att Ability Dark_IMPACT "},
        {"按钮12", Panel::Ability, {"编辑框20", "编辑框21"}, "/att Ability Flame "},
        {"按钮13", Panel::Ability, {"编辑框22", "编辑框23"}, "/att Ability Flame_wheel "},
        {"按钮14", Panel::Ability, {"编辑框24", "编辑框25"}, "/att Ability Freeze "},
        {"按钮15", Panel::Ability, {"编辑框26", "编辑框27"}, "/att Ability harm "},
        {"按钮16", Panel::Ability, {"编辑框28", "编辑框29"}, "/att Ability hungry "},
        {"按钮17", Panel::Ability, {"编辑框30", "编辑框31"}, "/att Ability levitation "},
        {"按钮18", Panel::Ability, {"编辑框32", "编辑框33"}, "/att Ability lightning "},
        {"按钮19", Panel::Ability, {"编辑框34", "编辑框35"}, "/att Ability poison "},
        {"按钮20", Panel::Ability, {"编辑框36", "编辑框37"}, "/att Ability roots "},
        {"按钮21", Panel::Ability, {"编辑框38", "编辑框39"}, "/att Ability slow "},
        {"按钮22", Panel::Ability, {"编辑框40", "编辑框41"}, "/att Ability tired "},
        {"按钮23", Panel::Ability, {"编辑框42", "编辑框43"}, "/att Ability vampirism "},
        {"按钮24", Panel::Ability, {"编辑框44", "编辑框45"}, "/att Ability Venom_Blast "},
        {"按钮25", Panel::Ability, {"编辑框46", "编辑框47"}, "/att Ability weak "},
        {"按钮26", Panel::Ability, {"编辑框48", "编辑框49"}, "/att Ability wither "},
        {"按钮27", Panel::Ability, {"编辑框50", "编辑框51"}, "/att Ability Venom_Spread "},
    };
    return rows;
}

// Ability actions read and write the passive-skill window; every other action the main
// window. Button names are unique per window only.
bool inPassiveSkillWindow(Panel panel) { return panel == Panel::Ability; }

const Action* findAction(bool passiveSkillWindow, std::string_view button) {
    for (const Action& action : actions::attributeActions()) {
        if (inPassiveSkillWindow(action.panel) == passiveSkillWindow && action.button == button) return &action;
    }
    return nullptr;
}

Inputs texts(std::vector<std::string> values) { return Inputs{.texts = std::move(values), .selections = {}}; }

// "/att Stats DAMAGE " -> "Stats_DAMAGE", "/setname " -> "setname".
std::string testName(const testing::TestParamInfo<std::size_t>& row) {
    std::string_view prefix = expectedRows()[row.param].prefix;
    if (prefix.starts_with("/att ")) prefix.remove_prefix(5);
    std::string name;
    for (char c : prefix) {
        if (c == '/') continue;
        name += c == ' ' ? '_' : c;
    }
    while (!name.empty() && name.back() == '_') name.pop_back();
    return name;
}

class CommandRowTest : public testing::TestWithParam<std::size_t> {
protected:
    const ExpectedRow& row() const { return expectedRows()[GetParam()]; }

    const Action& action() const {
        const Action* found = findAction(inPassiveSkillWindow(row().panel), row().button);
        if (found == nullptr) throw std::runtime_error("no action for " + std::string(row().button));
        return *found;
    }

    // Values that differ from row to row and from field to field, so a swapped or
    // borrowed field shows in the line.
    std::string first() const { return std::string("1").append(std::to_string(GetParam())); }
    std::string second() const { return std::string("9").append(std::to_string(GetParam())).append("%"); }
};

TEST_P(CommandRowTest, ReadsTheFieldsOfItsOwnRowIntoItsPanel) {
    const Action& a = action();
    EXPECT_EQ(a.panel, row().panel);
    EXPECT_EQ(a.texts, row().fields);
    EXPECT_TRUE(a.selections.empty());
}

// Filled fields, then empty ones: an empty value still leaves the prefix, and the blank
// between two fields is always written.
TEST_P(CommandRowTest, BuildsTheWholeLine) {
    const Action& a = action();
    const std::string prefix(row().prefix);
    if (row().fields.size() == 1) {
        EXPECT_EQ(a.build(texts({first()})), prefix + first() + "\r\n");
        EXPECT_EQ(a.build(texts({""})), prefix + "\r\n");
    } else {
        EXPECT_EQ(a.build(texts({first(), second()})), prefix + first() + " " + second() + "\r\n");
        EXPECT_EQ(a.build(texts({first(), ""})), prefix + first() + " \r\n");
        EXPECT_EQ(a.build(texts({"", second()})), prefix + " " + second() + "\r\n");
        EXPECT_EQ(a.build(texts({"", ""})), prefix + " \r\n");
    }
}

INSTANTIATE_TEST_SUITE_P(AttributeCommands, CommandRowTest, testing::Range<std::size_t>(0, expectedRows().size()),
                         testName);

TEST(AttributeCommandRows, ValuesAreCopiedAsTyped) {
    const Action* damage = findAction(false, "按钮1");
    const Action* followRange = findAction(false, "按钮67");
    const Action* level = findAction(false, "按钮59");
    const Action* addlore = findAction(false, "按钮68");
    const Action* setname = findAction(false, "按钮69");
    ASSERT_TRUE(damage && followRange && level && addlore && setname);

    EXPECT_EQ(damage->build(texts({" 10 "})), "/att Stats DAMAGE  10 \r\n");
    EXPECT_EQ(damage->build(texts({"abc"})), "/att Stats DAMAGE abc\r\n");
    EXPECT_EQ(followRange->build(texts({"9999"})), "/att NBT FOLLOW_RANGE 9999\r\n");
    EXPECT_EQ(level->build(texts({"十级"})), "/att Requirement Level 十级\r\n");
    EXPECT_EQ(addlore->build(texts({"&6烈焰 之剑", "3"})), "/addlore &6烈焰 之剑 3\r\n");
    EXPECT_EQ(addlore->build(texts({"&6烈焰 之剑", ""})), "/addlore &6烈焰 之剑 \r\n");
    EXPECT_EQ(setname->build(texts({"§c屠龙刀"})), "/setname §c屠龙刀\r\n");
    EXPECT_EQ(setname->build(texts({""})), "/setname \r\n");
}

TEST(AttributeCommandRows, BoundWithBothFieldsEmptyEndsInTwoBlanks) {
    const Action* bound = findAction(false, "按钮56");
    ASSERT_NE(bound, nullptr);
    EXPECT_EQ(bound->build(texts({"", ""})), "/att Requirement Bound  \r\n");
    EXPECT_EQ(bound->build(texts({"Steve", "2"})), "/att Requirement Bound Steve 2\r\n");
}

TEST(AttributeCommandRows, UnboundReadsNothingAndWritesTheFixedLine) {
    const Action* unbound = findAction(false, "按钮57");
    ASSERT_NE(unbound, nullptr);
    EXPECT_EQ(unbound->panel, Panel::Command);
    EXPECT_TRUE(unbound->texts.empty());
    EXPECT_TRUE(unbound->selections.empty());
    EXPECT_EQ(unbound->build(Inputs{}), "/att Requirement Unbound\r\n");
}

TEST(AttributeActions, AreExactlyTheExpectedButtons) {
    std::set<std::pair<bool, std::string_view>> expected;
    for (const ExpectedRow& row : expectedRows()) expected.insert({inPassiveSkillWindow(row.panel), row.button});
    expected.insert({false, "按钮57"});  // Unbound
    expected.insert({false, "按钮18"});  // Power SHOOT

    std::set<std::pair<bool, std::string_view>> actual;
    for (const Action& action : actions::attributeActions())
        actual.insert({inPassiveSkillWindow(action.panel), action.button});

    EXPECT_EQ(actual, expected);
    // 15 Stats, 13 Buff, 8 Debuff, 7 NBT, 4 Requirement, 25 Ability, Power SHOOT,
    // setname, addlore.
    EXPECT_EQ(expected.size(), 75u);
    EXPECT_EQ(actions::attributeActions().size(), 75u);
}

TEST(AttributeActions, ButtonNamesAreUniqueWithinEachWindow) {
    std::set<std::pair<bool, std::string_view>> seen;
    for (const Action& action : actions::attributeActions()) {
        EXPECT_TRUE(seen.insert({inPassiveSkillWindow(action.panel), action.button}).second)
            << action.button << " is bound twice in one window";
    }
}

TEST(AttributeActions, OnlyAbilityLinesGoToThePassiveSkillPanel) {
    std::size_t abilityActions = 0;
    for (const Action& action : actions::attributeActions()) {
        ASSERT_TRUE(action.build) << action.button;
        EXPECT_NE(action.panel, Panel::Config) << action.button;
        const std::string line = action.build(texts(std::vector<std::string>(action.texts.size())));
        const bool isAbilityLine = line.starts_with("/att Ability ");
        EXPECT_EQ(action.panel == Panel::Ability, isAbilityLine) << action.button << ": " << line;
        if (action.panel == Panel::Ability) ++abilityActions;
    }
    EXPECT_EQ(abilityActions, 25u);
}

TEST(PowerShootAction, ReadsTheCooldownFieldAndBothComboBoxes) {
    const Action* shoot = findAction(false, "按钮18");
    ASSERT_NE(shoot, nullptr);
    EXPECT_EQ(shoot->texts, std::vector<std::string_view>{"编辑框24"});
    EXPECT_EQ(shoot->selections, (std::vector<std::string_view>{"组合框1", "组合框2"}));
    EXPECT_EQ(shoot->build(Inputs{}), "/att Power SHOOT \r\n");
    // The button hands over the trigger box first, then the projectile box.
    for (int trigger = -1; trigger <= 4; ++trigger)
        for (int projectile = -1; projectile <= 14; ++projectile)
            EXPECT_EQ(shoot->build(Inputs{.texts = {"12"}, .selections = {trigger, projectile}}),
                      builders::power_shoot::line(trigger, projectile, "12"))
                << trigger << " " << projectile;
}

}  // namespace
