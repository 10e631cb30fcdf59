// The command rule shared by every command button: prefix, the values joined by one
// blank each (written also around empty values), then CR LF. Values go in as typed.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "builders/action.h"

namespace builders {

inline constexpr std::string_view kLineEnd = "\r\n";

std::string commandLine(std::string_view prefix, std::span<const std::string> values);

// A command button as one table row: the button, the EditBoxes it reads in order (unused
// places empty) and the prefix of its line.
struct CommandRow {
    std::string_view button;
    std::array<std::string_view, 3> fields;
    std::string_view prefix;
};

// The action of a command row: read its fields, build the line with commandLine.
Action commandAction(const CommandRow& row, Panel panel);

}  // namespace builders
