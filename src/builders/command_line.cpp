#include "builders/command_line.h"

#include <vector>

namespace builders {

std::string commandLine(std::string_view prefix, std::span<const std::string> values) {
    std::size_t size = prefix.size() + kLineEnd.size() + values.size();
    for (const std::string& value : values) size += value.size();
    std::string line;
    line.reserve(size);
    line += prefix;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) line += ' ';
        line += values[i];
    }
    line += kLineEnd;
    return line;
}

Action commandAction(const CommandRow& row, Panel panel) {
    std::vector<std::string_view> fields;
    for (std::string_view field : row.fields)
        if (!field.empty()) fields.push_back(field);
    const std::size_t count = fields.size();
    return Action{
        .button = row.button,
        .panel = panel,
        .texts = std::move(fields),
        .selections = {},
        .build =
            [prefix = row.prefix, count](const Inputs& in) {
                std::vector<std::string> values;
                values.reserve(count);
                for (std::size_t i = 0; i < count; ++i) values.emplace_back(textAt(in, i));
                return commandLine(prefix, values);
            },
    };
}

}  // namespace builders
