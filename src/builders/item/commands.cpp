// The designer's command sequence, and reading one back.
#include <algorithm>

#include "builders/command_line.h"
#include "builders/item/design.h"

namespace builders::item {
namespace {

void add(std::string& out, std::string_view prefix, std::string_view value = {}) {
    out += prefix;
    out += value;
    out += kLineEnd;
}

// The rest of the line after prefix, when the line starts with it.
bool after(std::string_view line, std::string_view prefix, std::string_view* rest) {
    if (!line.starts_with(prefix)) return false;
    *rest = line.substr(prefix.size());
    return true;
}

bool blank(std::string_view line) {
    return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t'; });
}

}  // namespace

std::string commands(const ItemDesign& design) {
    std::string out;
    if (!design.name.empty()) add(out, "/setname ", design.name);
    if (design.replace) add(out, "/clearlore");
    for (const std::string& line : loreLines(design.lore)) add(out, "/addlore ", line);
    if (design.replace) add(out, "/clearenchant");
    for (const Enchantment& row : design.enchantments) {
        if (row.name.empty()) continue;
        std::string words = enchantmentWord(row.name);
        words += ' ';
        words += row.level;
        add(out, "/addenchant ", words);
    }
    if (design.replace) add(out, "/clearflag");
    for (std::size_t i = 0; i < kFlagCount; ++i)
        if (design.flags[i]) add(out, "/addflag ", flagNames()[i].name);
    if (design.unbreakable) add(out, "/unbreakable");
    if (!design.saveName.empty()) add(out, "/quorvel save ", design.saveName);
    return out;
}

ReadResult read(std::string_view text) {
    ReadResult result;
    ItemDesign& design = result.design;
    design.replace = false;
    std::vector<std::string> lore;
    std::size_t rows = 0;
    // Understands one line; false for a line the page cannot show.
    const auto understand = [&](std::string_view line) {
        std::string_view rest;
        if (line == "/clearlore") {
            lore.clear();
            design.replace = true;
        } else if (line == "/addlore") {
            lore.emplace_back();
        } else if (after(line, "/addlore ", &rest)) {
            lore.emplace_back(rest);
        } else if (after(line, "/setname ", &rest) && !rest.empty()) {
            design.name = rest;
        } else if (line == "/clearenchant") {
            design.enchantments = {};
            rows = 0;
            design.replace = true;
        } else if (after(line, "/addenchant ", &rest)) {
            const std::size_t blankAt = rest.find(' ');
            if (blankAt == 0 || blankAt == std::string_view::npos || rows == kEnchantmentRows) return false;
            design.enchantments[rows++] = {enchantmentRow(rest.substr(0, blankAt)),
                                           std::string(rest.substr(blankAt + 1))};
        } else if (line == "/clearflag") {
            design.flags = {};
            design.replace = true;
        } else if (after(line, "/addflag ", &rest)) {
            const auto flags = flagNames();
            const auto it =
                std::find_if(flags.begin(), flags.end(), [rest](const KnownFlag& f) { return f.name == rest; });
            if (it == flags.end()) return false;
            design.flags[static_cast<std::size_t>(it - flags.begin())] = true;
        } else if (line == "/unbreakable") {
            design.unbreakable = true;
        } else if (after(line, "/quorvel save ", &rest) && !rest.empty()) {
            design.saveName = rest;
        } else {
            return false;
        }
        return true;
    };
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        if (!blank(line) && !understand(line)) result.unknown.emplace_back(line);
        if (end == text.size()) break;
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    design.lore = loreText(lore);
    return result;
}

}  // namespace builders::item
