#include "entries/lines.h"

#include <cstring>

namespace entries {

Lines::Lines(std::string_view text) {
    starts_.push_back(0);
    const char* data = text.data();
    const char* end = data + text.size();
    for (const char* at = data; at < end;) {
        const void* found = std::memchr(at, '\n', static_cast<std::size_t>(end - at));
        if (found == nullptr) break;
        at = static_cast<const char*>(found) + 1;
        starts_.push_back(static_cast<std::size_t>(at - data));
    }
}

std::size_t Lines::contentEnd(std::string_view text, std::size_t i) const {
    std::size_t end = next(text, i);
    if (end > starts_[i] && text[end - 1] == '\n') {
        --end;
        if (end > starts_[i] && text[end - 1] == '\r') --end;
    }
    return end;
}

std::string_view Lines::eol(std::string_view text) const {
    for (std::size_t i = 0; i + 1 < starts_.size(); ++i) {
        const std::string_view ending = this->ending(text, i);
        if (!ending.empty()) return ending;
    }
    return "\n";
}

std::size_t indentOf(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && line[i] == ' ') ++i;
    return i;
}

bool isBlank(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

bool isComment(std::string_view line) {
    const std::size_t first = line.find_first_not_of(" \t");
    return first != std::string_view::npos && line[first] == '#';
}

}  // namespace entries
