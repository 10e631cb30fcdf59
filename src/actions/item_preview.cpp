// The preview rows and the gem read back through the server's YAML rules.
#include "actions/item_preview.h"

#include <algorithm>

#include "builders/socket/tables.h"
#include "forms/windows.h"
#include "yaml/document.h"

namespace actions {
namespace {

using text::Role;

// clang-format off
constexpr PreviewField kFields[] = {
    // window                  field        role         prefix
    {forms::kMainWindowId, "编辑框98", Role::Name, ""},                      // /setname
    {forms::kMainWindowId, "编辑框61", Role::Name, ""},                      // gem Display_Name
    {forms::kMainWindowId, "编辑框96", Role::Lore, ""},                      // /addlore
    {forms::kMainWindowId, "编辑框60", Role::Lore, ""},                      // gem Keylore
    {forms::kMainWindowId, "编辑框68", Role::Lore, builders::socket::kKindLine},  // gem 种类 line
    {forms::kMainWindowId, "编辑框69", Role::Lore, ""},                      // extra gem lore line
    {forms::kMainWindowId, "编辑框82", Role::Lore, ""},                      // element Keylore
    {forms::kMainWindowId, "编辑框26", Role::Lore, ""},                      // key-lore lore
};
// clang-format on

// The text of a scalar mapping value under key, or nullptr.
const yaml::Node* valueOf(const yaml::Document& doc, std::size_t mapping, std::string_view key) {
    const yaml::Node* found = nullptr;
    for (const auto& [k, v] : yaml::entries(doc, mapping)) {
        const yaml::Node& keyNode = doc.node(k);
        if (keyNode.kind == yaml::NodeKind::Scalar && doc.value(keyNode) == key) found = &doc.node(v);
    }
    return found;
}

// Reads the block; false when the server could not read it or it holds no gem mapping.
bool readGem(const std::string& block, Item& item) {
    const yaml::Document doc = yaml::read(block);
    if (!doc.loads() || !doc.root) return false;
    const yaml::Node& root = doc.node(*doc.root);
    if (root.kind != yaml::NodeKind::Mapping || root.childCount < 2) return false;
    const std::size_t gem = doc.children(root)[1];
    if (doc.node(gem).kind != yaml::NodeKind::Mapping) return false;
    item = Item{};
    if (const yaml::Node* name = valueOf(doc, gem, "Display_Name"); name && name->kind == yaml::NodeKind::Scalar)
        item.name = doc.value(*name);
    if (const yaml::Node* lores = valueOf(doc, gem, "Lores"); lores && lores->kind == yaml::NodeKind::Sequence)
        for (std::uint32_t line : doc.children(*lores))
            if (doc.node(line).kind == yaml::NodeKind::Scalar) item.lore.emplace_back(doc.value(doc.node(line)));
    return true;
}

// The lines of the block that make the item, Display_Name and Lores to the end, under a key
// of their own: the name and lore do not depend on the gem's key, which may still be empty.
std::string itemPart(std::string_view block) {
    std::string part;
    std::size_t at = 0;
    bool lores = false;
    for (int line = 0; at < block.size(); ++line) {
        std::size_t end = block.find('\n', at);
        end = end == std::string_view::npos ? block.size() : end + 1;
        const std::string_view text = block.substr(at, end - at);
        lores = lores || text.starts_with("  Lores:");
        if (line == 0)
            part += "gem:\r\n";  // the key the user may not have typed yet
        else if (lores || text.starts_with("  Display_Name:"))
            part += text;
        at = end;
    }
    return part;
}

}  // namespace

std::span<const PreviewField> previewFields() { return kFields; }

const PreviewField* previewField(std::uint32_t window, std::string_view field) {
    const auto it = std::find_if(std::begin(kFields), std::end(kFields),
                                 [&](const PreviewField& row) { return row.window == window && row.field == field; });
    return it == std::end(kFields) ? nullptr : it;
}

std::vector<text::Line> previewLines(const PreviewField& row, std::string_view typed) {
    std::string line(row.prefix);
    line += typed;
    return text::format(line, row.role);
}

const GemPreviewControls& gemPreviewControls() {
    static constexpr GemPreviewControls kControls{.finish = "按钮50", .group = "分组框11"};
    return kControls;
}

std::string_view gemBlockLastLine() {
    std::string_view tail = builders::socket::kLoreTail;
    tail.remove_suffix(2);  // its CR LF
    return tail.substr(tail.rfind("\r\n") + 2);
}

Item gemItem(std::string_view gemBlock, std::string_view afterBlock) {
    const std::string block = itemPart(gemBlock);
    // The added lines: the list items right after the block, each "  - " and a value.
    std::string added;
    if (!afterBlock.empty() && afterBlock.front() == '\n') afterBlock.remove_prefix(1);
    if (afterBlock.starts_with("\r\n")) afterBlock.remove_prefix(2);
    while (afterBlock.starts_with("  - ")) {
        const std::size_t end = afterBlock.find('\n');
        std::string_view line = afterBlock.substr(0, end);
        if (line.ends_with('\r')) line.remove_suffix(1);
        added += line;
        added += "\r\n";
        if (end == std::string_view::npos) break;
        afterBlock.remove_prefix(end + 1);
    }
    Item item;
    if (!added.empty() && readGem(block + added, item)) return item;
    readGem(block, item);
    item.addedLinesRead = added.empty();
    return item;
}

Item gemEntryItem(std::string_view entry) {
    Item item;
    readGem(std::string(entry), item);
    return item;
}

std::vector<text::Line> itemLines(const Item& item) {
    std::vector<text::Line> lines = text::format(item.name, Role::Name);
    for (const std::string& lore : item.lore) {
        std::vector<text::Line> more = text::format(lore, Role::Lore);
        lines.insert(lines.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
    }
    return lines;
}

}  // namespace actions
