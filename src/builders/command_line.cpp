#include "builders/command_line.h"

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

}  // namespace builders
