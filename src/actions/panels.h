// The three output panels: where each lives, the buttons that copy and clear it, how its text
// is checked, what it is to the file menu, and whether its lines go to the server console.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "actions/action.h"

namespace actions {

// How a panel's text is checked as it changes: not at all, as a configuration the server
// reads (YAML), or as console commands.
enum class CheckRules { None, Configuration, Commands };

// What a panel's text is to the file menu: nothing, a configuration file (opened, saved and
// appended to, checked as YAML before it is written), or commands saved as a text file.
enum class FileRole { None, Configuration, Commands };

struct PanelRow {
    Panel panel;
    std::uint32_t window;
    std::string_view name;   // the multi-line EditBox
    std::string_view copy;   // its "一键复制" button
    std::string_view clear;  // its "清空" / "一键清空" button
    std::string_view group;  // the group box around it, where its check shows; "" for none
    CheckRules check;
    FileRole file;
    bool console;  // its lines go to the server console ("发送到服务器" beside it)
};

std::span<const PanelRow> panels();

const PanelRow& panelRow(Panel panel);

// The panel whose copy or clear button this is, or nullptr.
const PanelRow* panelOfButton(std::uint32_t window, std::string_view button);

// The panel with that file role, or nullptr.
const PanelRow* panelWithRole(FileRole role);

// The panel of that name in that window, or nullptr.
const PanelRow* panelNamed(std::uint32_t window, std::string_view name);

}  // namespace actions
