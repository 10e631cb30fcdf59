// The item designer: one item's design (name, lore, enchantments, flags, unbreakable, save
// name), the command sequence that makes it, the reading of such a sequence back into a
// design, and the lines of its tooltip as the game draws them.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "text/format.h"

namespace builders::item {

inline constexpr std::size_t kEnchantmentRows = 6;
inline constexpr std::size_t kFlagCount = 6;

struct Enchantment {
    std::string name;   // as the row shows it: "锋利 DAMAGE_ALL" from the list, or typed
    std::string level;  // as typed

    bool operator==(const Enchantment&) const = default;
};

struct ItemDesign {
    std::string name;  // one line
    std::string lore;  // one lore line per text line (see loreLines)
    std::array<Enchantment, kEnchantmentRows> enchantments;
    std::array<bool, kFlagCount> flags{};  // in the order of flagNames()
    bool unbreakable = false;
    bool replace = true;  // clear the item's lore, enchantments and flags first
    std::string saveName;

    bool operator==(const ItemDesign&) const = default;
};

// An enchantment the server knows: its Bukkit name and the game's zh_CN name.
struct KnownEnchantment {
    std::string_view name;  // "DAMAGE_ALL"
    std::string_view zh;    // "锋利"
};

// The enchantments the list offers, in its order.
std::span<const KnownEnchantment> knownEnchantments();

// The item flags, in the order of the check boxes, with their Chinese captions.
struct KnownFlag {
    std::string_view name;  // "HIDE_ENCHANTS"
    std::string_view zh;    // "隐藏附魔"
};
std::span<const KnownFlag> flagNames();

// The list item of an enchantment: "锋利 DAMAGE_ALL".
std::string enchantmentItem(const KnownEnchantment& enchantment);

// The word a row writes: the name part of a list item ("锋利 DAMAGE_ALL" -> "DAMAGE_ALL"),
// any other text as typed.
std::string enchantmentWord(std::string_view row);

// What a row shows for a word the reader found: the list item for a known name, else the word.
std::string enchantmentRow(std::string_view word);

// The lore lines of the lore text: lines end at CR LF, LF, CR or any other character that
// breaks a line (VT, FF, FS, GS, RS, NEL, LS, PS), so no lore line can hold a break; one
// break at the very end is ignored; an empty text has no lines.
std::vector<std::string> loreLines(std::string_view lore);

// The lore text that loreLines reads back as these lines.
std::string loreText(std::span<const std::string> lines);

// The numbers (1-based) of the lore lines that end in a blank and a digit string: the
// server's /addlore may take that number for a line number.
std::vector<std::size_t> linesEndingInNumber(std::string_view lore);

// The page's warning for those lines, empty when there are none.
std::string loreWarning(std::string_view lore);

// The command sequence that makes the item, every line ending in CR LF:
//   /setname NAME                  when the name is not empty
//   /clearlore                     with replace
//   /addlore LINE                  for every lore line ("/addlore " for an empty one)
//   /clearenchant                  with replace
//   /addenchant WORD LEVEL         for every row whose name is not empty
//   /clearflag                     with replace
//   /addflag FLAG                  for every checked flag, in flag order
//   /unbreakable                   when unbreakable
//   /quorvel save NAME             when the save name is not empty
std::string commands(const ItemDesign& design);

struct ReadResult {
    ItemDesign design;
    std::vector<std::string> unknown;  // lines not understood, as they stand
};

// Reads a command sequence (CR LF, LF or CR line ends) back into a design, as the server
// would leave the item: a clear line empties what came before it and turns replace on;
// the last name and save name count. Blank lines are skipped; any line the page cannot
// show (another command, an unknown flag, an enchantment without level, a seventh
// enchantment) is listed in unknown.
ReadResult read(std::string_view commands);

// The item's tooltip as the game draws it: the name (white italic unless it sets its
// colour), the enchantments in grey ("锋利 III") unless HIDE_ENCHANTS, the lore lines (dark
// purple italic by default), and "无法破坏" in blue when unbreakable and not
// HIDE_UNBREAKABLE. An empty name shows as "物品原名", white, not italic.
std::vector<text::Line> tooltipLines(const ItemDesign& design);

// "III" for 3, up to "X"; any other level as typed.
std::string levelText(std::string_view level);

}  // namespace builders::item
