// Assembles the five windows from their unit tables and gives every unit its id once.
#include <algorithm>
#include <set>

#include "forms/windows.h"

namespace forms {
namespace {

// Ids are 0x16010000 + n. Rows that carry a fixed number keep it; every other row takes
// the next free number in table order, so ids stay unique within the window. Rows marked late
// are numbered after all the others, so that units added to a page move no other unit's id.
std::vector<std::uint32_t> assignIds(const std::vector<Unit>& units, bool (*late)(const Unit&) = nullptr) {
    std::set<int> fixed;
    for (const Unit& unit : units)
        if (unit.number != 0) fixed.insert(unit.number);
    std::vector<std::uint32_t> ids(units.size());
    int next = 1;
    for (const bool lateRows : {false, true}) {
        for (std::size_t i = 0; i < units.size(); ++i) {
            const Unit& unit = units[i];
            if ((late != nullptr && late(unit)) != lateRows) continue;
            int number = unit.number;
            if (number == 0) {
                while (fixed.count(next) != 0) ++next;
                number = next++;
            }
            ids[i] = kUnitIdBase + static_cast<std::uint32_t>(number);
        }
    }
    return ids;
}

// The item designer took the place of the page's one label of the original form: its first
// unit keeps that label's number, and the rest are numbered after every other unit of the main
// window, so no control of the other pages changes its id.
constexpr int kItemPage = 6;
constexpr int kReplacedLabelNumber = 0x11C;

bool addedToItemPage(const Unit& unit) { return unit.page == kItemPage && unit.number != kReplacedLabelNumber; }

Window assemble(std::uint32_t id, std::string_view title, Rect rect, std::vector<Unit> units) {
    Window window{.id = id, .title = title, .rect = rect, .units = std::move(units), .ids = {}};
    window.ids = assignIds(window.units, id == kMainWindowId ? addedToItemPage : nullptr);
    return window;
}

// The main window's own controls, then the controls of each page in tab order.
std::vector<Unit> mainWindowWithPages() {
    std::vector<Unit> units = mainWindowUnits();
    using PageUnits = std::vector<Unit> (*)();
    constexpr PageUnits kPages[] = {introPageUnits, attributePageUnits, skillPageUnits, buffPageUnits,
                                    gemPageUnits,   elementPageUnits,   itemPageUnits,  otherPageUnits};
    for (int page = 0; page < static_cast<int>(std::size(kPages)); ++page) {
        bool first = true;
        for (Unit unit : kPages[page]()) {
            unit.page = page;
            if (page == kItemPage && first) unit.number = kReplacedLabelNumber;
            first = false;
            units.push_back(std::move(unit));
        }
    }
    return units;
}

}  // namespace

const std::vector<Window>& allWindows() {
    static const std::vector<Window> windows = [] {
        std::vector<Window> list;
        list.push_back(assemble(kMainWindowId, "Tarnwick Quorvel编辑器", {50, 50, 1000, 722}, mainWindowWithPages()));
        list.push_back(
            assemble(kPassiveSkillWindowId, "Quorvel-被动技能", {120, 90, 656, 514}, passiveSkillWindowUnits()));
        list.push_back(
            assemble(kAttributeVariablesWindowId, "属性变量", {140, 70, 726, 604}, attributeVariablesWindowUnits()));
        list.push_back(assemble(kAttributeListWindowId, "", {160, 60, 728, 627}, attributeListWindowUnits()));
        list.push_back(
            assemble(kMoreCommandsWindowId, "更多指令帮助", {300, 120, 455, 457}, moreCommandsWindowUnits()));
        return list;
    }();
    return windows;
}

const Window* findWindow(std::uint32_t id) {
    const std::vector<Window>& windows = allWindows();
    auto it = std::find_if(windows.begin(), windows.end(), [id](const Window& window) { return window.id == id; });
    return it == windows.end() ? nullptr : &*it;
}

int findUnit(const Window& window, std::string_view name) {
    for (std::size_t i = 0; i < window.units.size(); ++i)
        if (window.units[i].name == name) return static_cast<int>(i);
    return -1;
}

}  // namespace forms
