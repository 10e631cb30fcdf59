// The three output panels: where each lives, and the buttons that copy and clear it.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "actions/action.h"

namespace actions {

struct PanelRow {
    Panel panel;
    std::uint32_t window;
    std::string_view name;   // the multi-line EditBox
    std::string_view copy;   // its "一键复制" button
    std::string_view clear;  // its "清空" / "一键清空" button
};

std::span<const PanelRow> panels();

const PanelRow& panelRow(Panel panel);

// The panel whose copy or clear button this is, or nullptr.
const PanelRow* panelOfButton(std::uint32_t window, std::string_view button);

// The panel of that name in that window, or nullptr.
const PanelRow* panelNamed(std::uint32_t window, std::string_view name);

}  // namespace actions
