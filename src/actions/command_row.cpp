#include "actions/command_row.h"

#include <string>

#include "builders/command_line.h"

namespace actions {

Action commandAction(const CommandTable& table, const CommandRow& row) {
    std::vector<std::string_view> fields;
    for (std::string_view field : row.fields)
        if (!field.empty()) fields.push_back(field);
    const std::size_t count = fields.size();
    return Action{
        .window = table.window,
        .button = row.button,
        .panel = table.panel,
        .texts = std::move(fields),
        .selections = {},
        .build =
            [prefix = row.prefix, count](const Inputs& in) {
                std::vector<std::string> values;
                values.reserve(count);
                for (std::size_t i = 0; i < count; ++i) values.emplace_back(textAt(in, i));
                return builders::commandLine(prefix, values);
            },
    };
}

void addCommandActions(std::vector<Action>& actions, const CommandTable& table) {
    for (const CommandRow& row : table.rows) actions.push_back(commandAction(table, row));
}

}  // namespace actions
