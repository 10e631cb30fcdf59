// The button tables and the forms agree: every button the forms bind to a builder has exactly
// one action, every field an action reads is a field of its window of the right kind, and
// every copy and clear button finds its panel.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "actions/action.h"
#include "actions/colour_fields.h"
#include "actions/item_actions.h"
#include "actions/panels.h"
#include "actions/reference.h"
#include "forms/windows.h"

namespace {

using forms::Click;
using forms::Kind;

const forms::Unit* unitOf(std::uint32_t window, std::string_view name) {
    const forms::Window* form = forms::findWindow(window);
    if (form == nullptr) return nullptr;
    const int index = forms::findUnit(*form, name);
    return index < 0 ? nullptr : &form->units[static_cast<std::size_t>(index)];
}

TEST(FormsAndActions, EveryBuildButtonHasOneActionAndEveryActionABuildButton) {
    std::set<std::pair<std::uint32_t, std::string_view>> bound;
    for (const forms::Window& form : forms::allWindows())
        for (const forms::Unit& unit : form.units)
            if (unit.click == Click::Build) {
                bound.insert({form.id, unit.name});
                EXPECT_NE(actions::find(form.id, unit.name), nullptr) << unit.name;
            }
    std::set<std::pair<std::uint32_t, std::string_view>> seen;
    for (const actions::Action* action : actions::all()) {
        EXPECT_TRUE(seen.insert({action->window, action->button}).second) << action->button << " twice";
        EXPECT_EQ(bound.count({action->window, action->button}), 1u) << action->button;
        EXPECT_EQ(actions::find(action->window, action->button), action);
    }
    EXPECT_EQ(seen, bound);
}

TEST(FormsAndActions, ActionsReadFieldsOfTheirOwnWindowAndWriteAPanelThere) {
    for (const actions::Action* action : actions::all()) {
        SCOPED_TRACE(std::string(action->button));
        for (std::string_view field : action->texts) {
            const forms::Unit* unit = unitOf(action->window, field);
            ASSERT_NE(unit, nullptr) << field;
            // A one-line field, or an editable list read as its text; the item designer's
            // lore box is the one multi-line field read, one lore line per text line.
            if (unit->kind == Kind::ComboBox) {
                EXPECT_TRUE(unit->editable) << field;
            } else {
                EXPECT_EQ(unit->kind, Kind::EditBox) << field;
                EXPECT_EQ(unit->multiline, action->button == "按钮71" && field == "编辑框100") << field;
            }
        }
        for (std::string_view field : action->checks) {
            const forms::Unit* unit = unitOf(action->window, field);
            ASSERT_NE(unit, nullptr) << field;
            EXPECT_EQ(unit->kind, Kind::CheckBox) << field;
        }
        for (std::string_view field : action->selections) {
            const forms::Unit* unit = unitOf(action->window, field);
            ASSERT_NE(unit, nullptr) << field;
            EXPECT_EQ(unit->kind, Kind::ComboBox) << field;
        }
        EXPECT_EQ(actions::panelRow(action->panel).window, action->window);
    }
}

TEST(FormsAndActions, EveryPanelHasItsCopyAndClearButton) {
    struct Expected {
        actions::Panel panel;
        std::uint32_t window;
        std::string_view name, copy, clear;
    };
    const Expected expected[] = {
        {actions::Panel::Command, forms::kMainWindowId, "编辑框1", "按钮2", "按钮4"},
        {actions::Panel::Config, forms::kMainWindowId, "编辑框20", "按钮19", "按钮20"},
        {actions::Panel::Ability, forms::kPassiveSkillWindowId, "编辑框1", "按钮1", "按钮2"},
    };
    ASSERT_EQ(actions::panels().size(), std::size(expected));
    for (const Expected& e : expected) {
        const actions::PanelRow& row = actions::panelRow(e.panel);
        EXPECT_EQ(row.window, e.window);
        EXPECT_EQ(row.name, e.name);
        EXPECT_EQ(row.copy, e.copy);
        EXPECT_EQ(row.clear, e.clear);
        EXPECT_TRUE(unitOf(e.window, e.name)->multiline);
        EXPECT_EQ(unitOf(e.window, e.copy)->click, Click::CopyPanel);
        EXPECT_EQ(unitOf(e.window, e.copy)->caption, "一键复制");
        EXPECT_EQ(unitOf(e.window, e.clear)->click, Click::ClearPanel);
        EXPECT_EQ(actions::panelOfButton(e.window, e.copy), &row);
        EXPECT_EQ(actions::panelOfButton(e.window, e.clear), &row);
        EXPECT_EQ(actions::panelNamed(e.window, e.name), &row);
    }
    // And no other button copies or clears.
    for (const forms::Window& form : forms::allWindows())
        for (const forms::Unit& unit : form.units)
            if (unit.click == Click::CopyPanel || unit.click == Click::ClearPanel) {
                EXPECT_NE(actions::panelOfButton(form.id, unit.name), nullptr) << unit.name;
            }
}

// The item designer's lists offer every known enchantment as "锋利 DAMAGE_ALL", in the
// builder's order, so a picked item writes its name part; its flags and check boxes agree.
TEST(ItemDesignerRows, ListsAndCheckBoxesMatchTheBuilderTables) {
    const auto known = builders::item::knownEnchantments();
    for (int combo = 9; combo <= 14; ++combo) {
        const std::string name = "组合框" + std::to_string(combo);
        const forms::Unit* unit = unitOf(forms::kMainWindowId, name);
        ASSERT_NE(unit, nullptr) << name;
        ASSERT_EQ(unit->items.size(), known.size()) << name;
        for (std::size_t i = 0; i < known.size(); ++i) {
            EXPECT_EQ(unit->items[i], builders::item::enchantmentItem(known[i]));
            EXPECT_EQ(builders::item::enchantmentWord(unit->items[i]), known[i].name);
        }
    }
    for (std::size_t i = 0; i < builders::item::kFlagCount; ++i) {
        const forms::Unit* box = unitOf(forms::kMainWindowId, "选择框" + std::to_string(i + 1));
        const auto& flag = builders::item::flagNames()[i];
        EXPECT_EQ(box->caption, std::string(flag.zh) + " " + std::string(flag.name));
    }
    EXPECT_TRUE(unitOf(forms::kMainWindowId, "选择框8")->checked);  // 替换原有
    EXPECT_EQ(forms::findUnit(*forms::findWindow(forms::kMainWindowId), "标签117"), -1);
    // The design read from the controls and put back is the same design.
    builders::item::ItemDesign design;
    design.name = "剑";
    design.lore = "a\n\nb";
    design.enchantments[5] = {"锋利 DAMAGE_ALL", "3"};
    design.flags[3] = true;
    design.replace = false;
    design.saveName = "s";
    EXPECT_EQ(actions::itemDesignOf(actions::inputsOfItemDesign(design)), design);
    const actions::Action* generate = actions::find(forms::kMainWindowId, "按钮71");
    ASSERT_NE(generate, nullptr);
    EXPECT_EQ(generate->build(actions::inputsOfItemDesign(design)), builders::item::commands(design));
}

// The colour tool works on the eight preview fields and the designer's name and lore: each is
// an EditBox of its window, one line for a name and the designer's lore a box of many lines.
TEST(ColourFields, AreTheNameAndLoreFieldsOfTheForms) {
    std::vector<std::string_view> names;
    for (const actions::ColourField& field : actions::colourFields()) {
        const forms::Unit* unit = unitOf(field.window, field.field);
        ASSERT_NE(unit, nullptr) << field.field;
        EXPECT_EQ(unit->kind, Kind::EditBox) << field.field;
        EXPECT_EQ(unit->multiline, field.field == "编辑框100") << field.field;
        EXPECT_EQ(actions::colourField(field.window, field.field), &field);
        names.push_back(field.field);
    }
    EXPECT_EQ(names, (std::vector<std::string_view>{"编辑框98", "编辑框61", "编辑框96", "编辑框60", "编辑框68",
                                                    "编辑框69", "编辑框82", "编辑框26", "编辑框99", "编辑框100"}));
    EXPECT_EQ(actions::colourFields()[8].role, text::Role::Name);
    EXPECT_EQ(actions::colourFields()[9].role, text::Role::Lore);
    EXPECT_EQ(actions::colourField(forms::kMainWindowId, "编辑框101"), nullptr);  // an enchantment level
    EXPECT_EQ(actions::colourField(forms::kPassiveSkillWindowId, "编辑框26"), nullptr);
}

// The reference pictures pair every list item with its word: a table one row short would
// shift every word beside the wrong item.
TEST(ReferenceRows, PairEachListItemWithItsWord) {
    const auto items = [](std::string_view combo) { return unitOf(forms::kMainWindowId, combo)->items; };
    EXPECT_EQ(actions::projectileWords().size(), items("组合框2").size());
    EXPECT_EQ(actions::triggerWords().size(), items("组合框1").size());
    EXPECT_EQ(actions::bonusBaseKeys().size(), items("组合框5").size());
    EXPECT_EQ(actions::bonusScaleKeys().size(), items("组合框6").size());
    EXPECT_EQ(actions::potionKeys().size() + 1, items("组合框7").size());  // its last item is blank
    EXPECT_EQ(actions::projectileWords().front().item, "弓箭");
    EXPECT_EQ(actions::projectileWords().front().word, "ARROW");
    EXPECT_EQ(actions::triggerWords().back().word, "SHIFT_RIGHT");
    EXPECT_EQ(actions::bonusScaleKeys()[7].item, "附加-最大生命值");
    EXPECT_EQ(actions::bonusScaleKeys()[7].word, "Bonus_Scale_Max_Health");
    EXPECT_EQ(actions::potionKeys()[20].word, "FATIGUE");
    const std::vector<std::string> lore = actions::gemLoreLines("镶嵌宝石");
    ASSERT_EQ(lore.size(), 10u);
    EXPECT_EQ(lore[0], "&8&l&m---------------------");
    EXPECT_EQ(lore[1], "&e※ &7种类: 镶嵌宝石");
    EXPECT_EQ(lore[8], "");
    EXPECT_EQ(lore[9], "&2提示: &a将它放到物品上来镶嵌！");
}

}  // namespace
