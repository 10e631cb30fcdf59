// The window tables hold together: ids, parents, pages and click bindings.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "forms/windows.h"

namespace {

using forms::Click;
using forms::Kind;

TEST(Forms, FiveWindowsMainFirst) {
    const auto& windows = forms::allWindows();
    ASSERT_EQ(windows.size(), 5u);
    EXPECT_EQ(windows[0].id, forms::kMainWindowId);
    EXPECT_EQ(windows[0].title, "Tarnwick Quorvel编辑器");
    EXPECT_EQ(windows[0].rect.left, 50);
    EXPECT_EQ(windows[0].rect.top, 50);
    EXPECT_EQ(windows[0].rect.width, 1000);
    EXPECT_EQ(windows[0].rect.height, 722);
    EXPECT_EQ(forms::windowUnitId(forms::kMainWindowId), 0x06010000u);
}

TEST(Forms, IdsAreUniqueWithinEachWindowAndTheFixedOnesHold) {
    for (const forms::Window& window : forms::allWindows()) {
        ASSERT_EQ(window.ids.size(), window.units.size());
        std::set<std::uint32_t> ids(window.ids.begin(), window.ids.end());
        EXPECT_EQ(ids.size(), window.ids.size()) << std::hex << window.id;
        std::set<std::string_view> names;
        for (const forms::Unit& unit : window.units)
            EXPECT_TRUE(names.insert(unit.name).second) << unit.name << " twice in " << std::hex << window.id;
        for (std::uint32_t id : window.ids) EXPECT_EQ(id & 0xFFFF0000u, forms::kUnitIdBase);
    }
    auto idOf = [](std::uint32_t window, std::string_view name) {
        const forms::Window* form = forms::findWindow(window);
        return form->ids[static_cast<std::size_t>(forms::findUnit(*form, name))];
    };
    EXPECT_EQ(idOf(forms::kMainWindowId, "编辑框1"), 0x1601000Cu);
    EXPECT_EQ(idOf(forms::kMainWindowId, "编辑框20"), 0x1601008Du);
    EXPECT_EQ(idOf(forms::kPassiveSkillWindowId, "编辑框1"), 0x160100FFu);
    // The item designer's units move no id of the pages after it: the 其他 page's controls
    // keep the numbers they had beside the one label the page held before.
    EXPECT_EQ(idOf(forms::kMainWindowId, "标签124"), 0x1601011Du);
    EXPECT_EQ(idOf(forms::kMainWindowId, "编辑框96"), 0x16010120u);
    EXPECT_GT(idOf(forms::kMainWindowId, "编辑框99"), idOf(forms::kMainWindowId, "编辑框96"));
}

TEST(Forms, ParentsPagesAndBindingsPointAtRealUnits) {
    for (const forms::Window& window : forms::allWindows()) {
        for (const forms::Unit& unit : window.units) {
            SCOPED_TRACE(std::string(unit.name));
            if (!unit.parent.empty()) {
                const int parent = forms::findUnit(window, unit.parent);
                ASSERT_GE(parent, 0);
                EXPECT_EQ(window.units[static_cast<std::size_t>(parent)].kind, Kind::GroupBox);
                EXPECT_EQ(window.units[static_cast<std::size_t>(parent)].page, unit.page);
            }
            EXPECT_TRUE(unit.page >= -1 && unit.page < 8);
            if (window.id != forms::kMainWindowId) {
                EXPECT_EQ(unit.page, -1);
            }
            if (unit.click != Click::None) {
                EXPECT_EQ(unit.kind, Kind::Button);
            }
            if (unit.kind == Kind::Button) {
                EXPECT_NE(unit.click, Click::None);
            }
            if (unit.click == Click::OpenWindow) {
                ASSERT_NE(forms::findWindow(unit.opens), nullptr);
                EXPECT_NE(unit.opens, forms::kMainWindowId);
            }
        }
    }
}

TEST(Forms, TheFourWindowButtons) {
    const forms::Window& main = *forms::findWindow(forms::kMainWindowId);
    const std::pair<std::string_view, std::uint32_t> opens[] = {{"按钮23", forms::kPassiveSkillWindowId},
                                                                {"按钮52", forms::kAttributeVariablesWindowId},
                                                                {"按钮53", forms::kAttributeListWindowId},
                                                                {"按钮70", forms::kMoreCommandsWindowId}};
    for (const auto& [button, window] : opens) {
        const forms::Unit& unit = main.units[static_cast<std::size_t>(forms::findUnit(main, button))];
        EXPECT_EQ(unit.click, Click::OpenWindow) << button;
        EXPECT_EQ(unit.opens, window) << button;
    }
}

}  // namespace
