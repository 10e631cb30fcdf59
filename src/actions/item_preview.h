// What lands on an item, for the previews: the fields whose text becomes an item's name or a
// lore line (with the fixed text the line starts with), and the gem the gem page builds, as
// the server will read it back and the game will draw it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "text/format.h"

namespace actions {

// A field whose text shows on an item: as the name or as one lore line, behind a fixed
// prefix that the builder writes before it ("&e※ &7种类: " for the gem's 种类).
struct PreviewField {
    std::uint32_t window;
    std::string_view field;
    text::Role role;
    std::string_view prefix;
};

std::span<const PreviewField> previewFields();
// The row of a field, or nullptr when its text does not land on an item.
const PreviewField* previewField(std::uint32_t window, std::string_view field);

// The lines the game draws for the field's text as typed (UTF-8).
std::vector<text::Line> previewLines(const PreviewField& row, std::string_view typed);

// A gem as the server reads its block: the display name and the lore lines in order.
struct Item {
    std::string name;
    std::vector<std::string> lore;
    // The lines added with "添加" after the block were read too; false when they would
    // make the file unreadable (the item then shows the block's own lines only).
    bool addedLinesRead = true;
};

// The controls of the gem page that the whole-gem preview follows.
struct GemPreviewControls {
    std::string_view finish;  // "完成": its fields are the gem's
    std::string_view group;   // "宝石制作": the preview's button sits above it
};
const GemPreviewControls& gemPreviewControls();

// The last line of every gem block ("  - \"&2提示: ...\""), without its line end: the
// lines a "添加" of the gem page adds come right after it.
std::string_view gemBlockLastLine();

// The gem of a block as the gem page's "完成" builds it (UTF-8, CR LF), with the lore lines
// added after the last gem block of the configuration panel. afterBlock is the panel's text
// after that block's last line (LF or CR LF line ends); its leading "  - ..." list lines
// are the added ones. Only the block's name and lore lines are read: a number the user is
// still typing elsewhere in it does not blank the preview.
Item gemItem(std::string_view block, std::string_view afterBlock);

// The gem of one entry as a file holds it (its key's line first, any indentation): its
// Display_Name and every line of its Lores, as the server reads them.
Item gemEntryItem(std::string_view entry);

// The lines the game draws for an item: the name (white italic unless coloured), then each
// lore line (dark purple italic unless coloured).
std::vector<text::Line> itemLines(const Item& item);

}  // namespace actions
