#include "actions/reference.h"

#include <span>

#include "builders/attribute/power_shoot.h"
#include "builders/socket/tables.h"
#include "forms/windows.h"

namespace actions {
namespace {

// The list items of a combo box of the main window.
std::vector<std::string_view> itemsOf(std::string_view combo) {
    const forms::Window* main = forms::findWindow(forms::kMainWindowId);
    const int index = main != nullptr ? forms::findUnit(*main, combo) : -1;
    if (index < 0) return {};
    return main->units[static_cast<std::size_t>(index)].items;
}

// The word alone: no surrounding blanks, and no colon when it is a key.
std::string bareWord(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == ':')) text.remove_suffix(1);
    return std::string(text);
}

std::vector<ReferenceRow> rows(std::string_view combo, std::span<const std::string_view> words) {
    const std::vector<std::string_view> items = itemsOf(combo);
    std::vector<ReferenceRow> table;
    for (std::size_t i = 0; i < words.size(); ++i)
        table.push_back({i < items.size() ? std::string(items[i]) : std::string(), bareWord(words[i])});
    return table;
}

}  // namespace

std::vector<ReferenceRow> projectileWords() { return rows("组合框2", builders::power_shoot::kProjectiles); }
std::vector<ReferenceRow> triggerWords() { return rows("组合框1", builders::power_shoot::kTriggers); }
std::vector<ReferenceRow> bonusBaseKeys() { return rows("组合框5", builders::socket::kBonusBase); }
std::vector<ReferenceRow> bonusScaleKeys() { return rows("组合框6", builders::socket::kBonusScale); }
std::vector<ReferenceRow> potionKeys() { return rows("组合框7", builders::socket::kPotions); }

std::vector<std::string> gemLoreLines(std::string_view kind) {
    const std::string yaml =
        std::string(builders::socket::kLoreHead) + std::string(kind) + std::string(builders::socket::kLoreTail);
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < yaml.size()) {
        std::size_t end = yaml.find("\r\n", start);
        if (end == std::string::npos) end = yaml.size();
        std::string_view line(yaml.data() + start, end - start);
        start = end + 2;
        while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
        if (!line.starts_with("- \"")) continue;
        line.remove_prefix(3);
        if (line.ends_with('"')) line.remove_suffix(1);
        lines.emplace_back(line);
    }
    return lines;
}

}  // namespace actions
