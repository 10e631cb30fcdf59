// The command buttons as table rows: each row is a button, the EditBoxes it reads in order
// and the prefix of its line; the line is built by the one command rule: prefix, the values
// joined by one blank each (written also around empty values), then CR LF.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "actions/action.h"

namespace actions {

struct CommandRow {
    std::string_view button;
    std::array<std::string_view, 3> fields;  // unused places empty
    std::string_view prefix;
};

// A table names its window and its panel once, at its head.
struct CommandTable {
    std::uint32_t window;
    Panel panel;
    std::vector<CommandRow> rows;
};

// The action of one row of the table.
Action commandAction(const CommandTable& table, const CommandRow& row);

// The actions of every row, in table order, appended to actions.
void addCommandActions(std::vector<Action>& actions, const CommandTable& table);

}  // namespace actions
