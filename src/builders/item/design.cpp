// The designer's fixed tables (enchantments, flags) and its lore rules.
#include <algorithm>
#include <iterator>

#include "builders/item/design.h"
#include "text/blanks.h"
#include "text/utf8.h"

namespace builders::item {
namespace {

// clang-format off
constexpr KnownEnchantment kEnchantments[] = {
    {"PROTECTION_ENVIRONMENTAL", "保护"},
    {"PROTECTION_FIRE",          "火焰保护"},
    {"PROTECTION_FALL",          "摔落保护"},
    {"PROTECTION_EXPLOSIONS",    "爆炸保护"},
    {"PROTECTION_PROJECTILE",    "弹射物保护"},
    {"OXYGEN",                   "水下呼吸"},
    {"WATER_WORKER",             "水下速掘"},
    {"THORNS",                   "荆棘"},
    {"DEPTH_STRIDER",            "深海探索者"},
    {"FROST_WALKER",             "冰霜行者"},
    {"BINDING_CURSE",            "绑定诅咒"},
    {"MENDING",                  "经验修补"},
    {"VANISHING_CURSE",          "消失诅咒"},
    {"LUCK",                     "海之眷顾"},
    {"LURE",                     "饵钓"},
    {"DAMAGE_ALL",               "锋利"},
    {"DAMAGE_UNDEAD",            "亡灵杀手"},
    {"DAMAGE_ARTHROPODS",        "节肢杀手"},
    {"KNOCKBACK",                "击退"},
    {"FIRE_ASPECT",              "火焰附加"},
    {"LOOT_BONUS_MOBS",          "抢夺"},
    {"SWEEPING_EDGE",            "横扫之刃"},
    {"DIG_SPEED",                "效率"},
    {"SILK_TOUCH",               "精准采集"},
    {"DURABILITY",               "耐久"},
    {"LOOT_BONUS_BLOCKS",        "时运"},
    {"ARROW_DAMAGE",             "力量"},
    {"ARROW_KNOCKBACK",          "冲击"},
    {"ARROW_FIRE",               "火矢"},
    {"ARROW_INFINITE",           "无限"},
};

constexpr KnownFlag kFlags[kFlagCount] = {
    {"HIDE_ENCHANTS",       "隐藏附魔"},
    {"HIDE_ATTRIBUTES",     "隐藏属性"},
    {"HIDE_UNBREAKABLE",    "隐藏无法破坏"},
    {"HIDE_DESTROYS",       "隐藏可破坏"},
    {"HIDE_PLACED_ON",      "隐藏可放置"},
    {"HIDE_POTION_EFFECTS", "隐藏药水效果"},
};
// clang-format on

// The length of the line break at text[at], or 0: CR LF counts as one break; the other
// breaks are the characters the text widgets take as line ends (text::isLineBreak).
std::size_t breakAt(std::string_view text, std::size_t at) {
    if (text[at] == '\r') return text.substr(at, 2) == "\r\n" ? 2 : 1;
    char32_t c = 0;
    const std::size_t length = text::utf8::decode(text, at, &c);
    return length > 0 && text::isLineBreak(c) ? length : 0;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::span<const KnownEnchantment> knownEnchantments() { return kEnchantments; }

std::span<const KnownFlag> flagNames() { return kFlags; }

std::string enchantmentItem(const KnownEnchantment& enchantment) {
    std::string item(enchantment.zh);
    item += ' ';
    item += enchantment.name;
    return item;
}

std::string enchantmentWord(std::string_view row) {
    for (const KnownEnchantment& known : kEnchantments)
        if (row == enchantmentItem(known)) return std::string(known.name);
    return std::string(row);
}

std::string enchantmentRow(std::string_view word) {
    for (const KnownEnchantment& known : kEnchantments)
        if (word == known.name) return enchantmentItem(known);
    return std::string(word);
}

std::vector<std::string> loreLines(std::string_view lore) {
    std::vector<std::string> lines;
    if (lore.empty()) return lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < lore.size();) {
        const std::size_t length = breakAt(lore, i);
        if (length == 0) {
            ++i;
            continue;
        }
        lines.emplace_back(lore.substr(start, i - start));
        i += length;
        start = i;
    }
    // What follows the last break is a line of its own, unless the break ended the text.
    if (start < lore.size() || lines.empty()) lines.emplace_back(lore.substr(start));
    return lines;
}

std::string loreText(std::span<const std::string> lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += '\n';
        text += lines[i];
    }
    // An empty last line needs the break after it, which loreLines ignores once.
    if (!lines.empty() && lines.back().empty()) text += '\n';
    return text;
}

std::vector<std::size_t> linesEndingInNumber(std::string_view lore) {
    std::vector<std::size_t> numbers;
    const std::vector<std::string> lines = loreLines(lore);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        std::size_t digits = line.size();
        while (digits > 0 && isDigit(line[digits - 1])) --digits;
        if (digits < line.size() && digits > 0 && line[digits - 1] == ' ') numbers.push_back(i + 1);
    }
    return numbers;
}

std::string loreWarning(std::string_view lore) {
    const std::vector<std::size_t> numbers = linesEndingInNumber(lore);
    if (numbers.empty()) return {};
    std::string which;
    for (std::size_t n : numbers) {
        if (!which.empty()) which += "、";
        which += std::to_string(n);
    }
    return "注意：Lore 第 " + which + " 行以“空格+数字”结尾，服务器可能把这个数字当作行数";
}

std::string levelText(std::string_view level) {
    constexpr std::string_view kRoman[] = {"I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX", "X"};
    std::size_t i = 0;
    if (i < level.size() && level[i] == '+') ++i;
    if (i == level.size() || level.size() - i > 9) return std::string(level);
    int value = 0;
    for (; i < level.size(); ++i) {
        if (!isDigit(level[i])) return std::string(level);
        value = value * 10 + (level[i] - '0');
    }
    if (value >= 1 && value <= 10) return std::string(kRoman[value - 1]);
    return std::string(level);
}

}  // namespace builders::item
