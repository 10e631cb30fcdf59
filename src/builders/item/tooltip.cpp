// The designed item's tooltip, line by line, in the game's styles.
#include "builders/item/design.h"

namespace builders::item {
namespace {

constexpr std::uint32_t kGrey = 0xAAAAAA;  // enchantments
constexpr std::uint32_t kBlue = 0x5555FF;  // "无法破坏"
constexpr std::size_t kHideEnchants = 0;
constexpr std::size_t kHideUnbreakable = 2;

text::Line plain(std::string words, std::uint32_t rgb) {
    text::Style style;
    style.rgb = rgb;
    return {text::Run{std::move(words), style}};
}

// "锋利 III": the game's name of a known enchantment, any other text as typed.
std::string enchantmentLine(const Enchantment& row) {
    const std::string word = enchantmentWord(row.name);
    std::string line = row.name;
    for (const KnownEnchantment& known : knownEnchantments())
        if (word == known.name) line = known.zh;
    if (!row.level.empty()) {
        line += ' ';
        line += levelText(row.level);
    }
    return line;
}

}  // namespace

std::vector<text::Line> tooltipLines(const ItemDesign& design) {
    std::vector<text::Line> lines;
    if (design.name.empty()) {
        lines.push_back(plain("物品原名", 0xFFFFFF));
    } else {
        for (text::Line& line : text::format(design.name, text::Role::Name)) lines.push_back(std::move(line));
    }
    if (!design.flags[kHideEnchants]) {
        for (const Enchantment& row : design.enchantments)
            if (!row.name.empty()) lines.push_back(plain(enchantmentLine(row), kGrey));
    }
    for (const std::string& line : loreLines(design.lore)) {
        // A lore line holds no break, so it formats to exactly one line.
        lines.push_back(std::move(text::format(line, text::Role::Lore).front()));
    }
    if (design.unbreakable && !design.flags[kHideUnbreakable]) lines.push_back(plain("无法破坏", kBlue));
    return lines;
}

}  // namespace builders::item
