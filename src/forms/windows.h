// The five windows of the editor and the lookups the runtime needs.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "forms/form.h"

namespace forms {

inline constexpr std::uint32_t kMainWindowId = 0x52010001u;
inline constexpr std::uint32_t kPassiveSkillWindowId = 0x520100FBu;
inline constexpr std::uint32_t kAttributeVariablesWindowId = 0x5201026Bu;
inline constexpr std::uint32_t kAttributeListWindowId = 0x52010270u;
inline constexpr std::uint32_t kMoreCommandsWindowId = 0x520103C2u;

// The page control of the main window and its eight pages, in tab order.
inline constexpr std::string_view kPageControlName = "高级选择夹1";

// One file per window or page; each returns its units in creation order.
std::vector<Unit> mainWindowUnits();
std::vector<Unit> introPageUnits();
std::vector<Unit> attributePageUnits();
std::vector<Unit> skillPageUnits();
std::vector<Unit> buffPageUnits();
std::vector<Unit> gemPageUnits();
std::vector<Unit> elementPageUnits();
std::vector<Unit> itemPageUnits();
std::vector<Unit> otherPageUnits();
std::vector<Unit> passiveSkillWindowUnits();
std::vector<Unit> attributeVariablesWindowUnits();
std::vector<Unit> attributeListWindowUnits();
std::vector<Unit> moreCommandsWindowUnits();

// Every window, assembled once: the main window first.
const std::vector<Window>& allWindows();

// The window with this id, or nullptr.
const Window* findWindow(std::uint32_t id);

// The index of the named unit in the window's table, or -1.
int findUnit(const Window& window, std::string_view name);

}  // namespace forms
