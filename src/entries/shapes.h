// What the "宝石", "元素" and "技能" pages own of an entry: one row for each line their builder
// writes, saying where that line stands in an entry and which field it fills; and the model of
// one entry read alone, with each row found in it, the fields loaded and the lines left over.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "actions/action.h"
#include "entries/entries.h"
#include "yaml/document.h"

namespace entries {

// The kind of an entry from the keys directly under it. A gem has at least two of the gem's own
// keys (Keylore counting as one), an element two of the element's, a key-lore entry both its keys;
// an entry that mixes the keys of two kinds is none of them.
Kind classify(std::span<const std::string_view> keys);

// How a row is found in an entry.
enum class Find {
    Id,           // the entry's key line
    Key,          // a key under the parent row (the last one, as the server keeps it)
    Header,       // a key whose value holds other rows or list lines
    Potion,       // the first potion key under the parent (kPotions); its values may stand without it
    PotionValue,  // a key under the potion, or under the potion's parent when there is no potion key
    Bonus,        // the first key of the row's table under the parent (kBonusBase, kBonusScale)
    Lore,         // an item of the Lores list equal to the builder's fixed lore line
    LoreKind,     // the Lores item that starts "&e※ &7种类: "
    FirstItem,    // the first item of the parent's list
};

// How a row's value fills its field.
enum class Fill { None, Text, Shiny, TypeItem, Table };

struct Row {
    Find find;
    int parent;                               // the row it stands under; -1 for the key line
    std::string_view key;                     // Key, Header, PotionValue: the key
    Fill fill;                                // what the value gives its field
    std::string_view text;                    // the EditBox it fills
    std::string_view selection;               // the ComboBox it fills
    std::span<const std::string_view> table;  // Bonus and Potion: the keys by selection index
    int lore = -1;                            // Lore: the builder's lore item by its place in the list
};

// A page: its place in 高级选择夹1, the action of its 完成 or 添加 button, one row per line its
// builder writes (row i is line i of the built block) and the row of the list its list lines join.
struct Page {
    Kind kind;
    int page;
    std::string_view button;
    std::span<const Row> rows;
    int listRow;
    std::string_view listButton;  // the button that adds one line to that list
    const actions::Action& action() const;
};
const Page* pageOf(Kind kind);

// The builder's block for the inputs, one string per line without its CR LF.
std::vector<std::string> builtLines(const Page& page, const actions::Inputs& inputs);
// A built line without its indentation, and the indentation alone.
std::string_view contentOf(std::string_view line);
std::size_t builtIndent(std::string_view line);

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// Where a row stands in the entry. Lines count from 0 at the entry's key line.
struct Slot {
    bool present = false;
    bool blank = false;         // an empty line, where the builder wrote one for an empty selection
    bool editable = true;       // a value on lines of its own, not inside [ ] or { }
    int first = 0;              // the key's (or list item's) line
    int last = 0;               // the value's last line
    int end = 0;                // the last line of everything under it
    std::size_t valueEnd = 0;   // bytes into line `last` where the value ends: a comment may follow
    std::size_t key = kNone;    // the key node, or the list item
    std::size_t value = kNone;  // the value node, or the list item
};

// One entry read alone: its own lines, from the key's to its last.
struct Model {
    bool readable = false;
    yaml::Document doc;
    std::vector<std::string> lines;  // without their line ends
    std::string id;
    std::size_t keyBegin = 0;  // bytes of the key on line 0
    std::size_t keyEnd = 0;
    Kind kind = Kind::Other;
    const Page* page = nullptr;
    std::vector<Slot> slots;  // by row
    actions::Inputs inputs;
    std::vector<int> extras;    // lines the page does not own
    std::size_t step = 2;       // how far the entry indents its keys
    bool aliases = false;       // a node stands in two places ("*name"): lines cannot be told apart
    std::vector<char> inValue;  // by line: a scalar's text past its first line (a "|" value's
                                // line may start with "#", and hold the entry's empty lines)
    int duplicates = 0;         // keys repeated within a mapping of the entry
    std::string label;
};

// Reads the entry's block (its lines with their line ends) and finds what its page owns.
Model readEntry(std::string_view block);

// The node's last line in the entry, from 0 at the key line.
int lastLine(const Model& model, std::size_t node);

// Bytes into the line before the code point at a mark's column (columns count code points).
std::size_t byteOf(std::string_view line, int column);

// The anchor ("&name") that names the node in the entry, or nullptr.
const yaml::Anchor* anchorOf(const Model& model, std::size_t node);
// The entry's anchors by name, in text order.
std::vector<std::string> anchorNames(const Model& model);

}  // namespace entries
