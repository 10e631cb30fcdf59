#include "entries/shapes.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <set>

#include "builders/socket/gem_block.h"
#include "builders/socket/tables.h"
#include "entries/lines.h"
#include "forms/windows.h"
#include "yaml/extent.h"
#include "yaml/unicode.h"

namespace entries {

namespace {

using yaml::Node;
using yaml::NodeKind;

// "    Bonus_Base_Max_Health: " -> "Bonus_Base_Max_Health": the key a table row writes.
constexpr std::string_view keyName(std::string_view row) {
    const std::size_t from = row.find_first_not_of(' ');
    return row.substr(from, row.find(':') - from);
}

template <std::size_t N>
constexpr std::array<std::string_view, N> keyNames(const std::string_view (&table)[N]) {
    std::array<std::string_view, N> names{};
    for (std::size_t i = 0; i < N; ++i) names[i] = keyName(table[i]);
    return names;
}

constexpr auto kBonusBaseKeys = keyNames(builders::socket::kBonusBase);
constexpr auto kBonusScaleKeys = keyNames(builders::socket::kBonusScale);
constexpr auto kPotionKeys = keyNames(builders::socket::kPotions);

// clang-format off
// The gem block of 按钮50, line by line; lines 13 to 22 are its Lores list.
const Row kGemRows[] = {
    // find            parent  key                    fill             text        selection  table            lore
    {Find::Id,         -1,     "",                    Fill::Text,      "编辑框59", "",        {},              -1},
    {Find::Key,         0,     "Keylore",             Fill::Text,      "编辑框60", "",        {},              -1},
    {Find::Key,         0,     "Display_Name",        Fill::Text,      "编辑框61", "",        {},              -1},
    {Find::Key,         0,     "Material",            Fill::Text,      "编辑框62", "",        {},              -1},
    {Find::Key,         0,     "Shiny",               Fill::Shiny,     "",         "组合框3", {},              -1},
    {Find::Key,         0,     "Max_Grade",           Fill::Text,      "编辑框63", "",        {},              -1},
    {Find::Key,         0,     "Type_Item",           Fill::TypeItem,  "",         "组合框4", {},              -1},
    {Find::Key,         0,     "Base_Success_Rate",   Fill::Text,      "编辑框64", "",        {},              -1},
    {Find::Key,         0,     "Scale_Success_Rate",  Fill::Text,      "编辑框65", "",        {},              -1},
    {Find::Header,      0,     "Effect",              Fill::None,      "",         "",        {},              -1},
    {Find::Bonus,       9,     "",                    Fill::Table,     "编辑框66", "组合框5", kBonusBaseKeys,  -1},
    {Find::Bonus,       9,     "",                    Fill::Table,     "编辑框67", "组合框6", kBonusScaleKeys, -1},
    {Find::Header,      0,     "Lores",               Fill::None,      "",         "",        {},              -1},
    {Find::Lore,       12,     "",                    Fill::None,      "",         "",        {},               0},
    {Find::LoreKind,   12,     "",                    Fill::Text,      "编辑框68", "",        {},               1},
    {Find::Lore,       12,     "",                    Fill::None,      "",         "",        {},               2},
    {Find::Lore,       12,     "",                    Fill::None,      "",         "",        {},               3},
    {Find::Lore,       12,     "",                    Fill::None,      "",         "",        {},               4},
    {Find::Lore,       12,     "",                    Fill::None,      "",         "",        {},               5},
    {Find::Lore,       12,     "",                    Fill::None,      "",         "",        {},               6},
    {Find::Lore,       12,     "",                    Fill::None,      "",         "",        {},               7},
    {Find::Lore,       12,     "",                    Fill::None,      "",         "",        {},               8},
    {Find::Lore,       12,     "",                    Fill::None,      "",         "",        {},               9},
};

// The element block of 按钮54; its Resistance list takes the lines of 按钮55.
const Row kElementRows[] = {
    // find              parent  key                              fill         text        selection  table        lore
    {Find::Id,           -1,     "",                              Fill::Text,  "编辑框83", "",        {},          -1},
    {Find::Key,           0,     "Keylore",                       Fill::Text,  "编辑框82", "",        {},          -1},
    {Find::Key,           0,     "Scale_Base_Additional_Damage",  Fill::Text,  "编辑框72", "",        {},          -1},
    {Find::Key,           0,     "Scale_Base_Percent_Damage",     Fill::Text,  "编辑框73", "",        {},          -1},
    {Find::Header,        0,     "Potion_To_Attacker",            Fill::None,  "",         "",        {},          -1},
    {Find::Potion,        4,     "",                              Fill::Table, "",         "组合框7", kPotionKeys, -1},
    {Find::PotionValue,   5,     "Scale_Chance",                  Fill::Text,  "编辑框74", "",        {},          -1},
    {Find::PotionValue,   5,     "Scale_Duration",                Fill::Text,  "编辑框75", "",        {},          -1},
    {Find::PotionValue,   5,     "Grade",                         Fill::Text,  "编辑框76", "",        {},          -1},
    {Find::Header,        0,     "Potion_To_Victims",             Fill::None,  "",         "",        {},          -1},
    {Find::Potion,        9,     "",                              Fill::Table, "",         "组合框8", kPotionKeys, -1},
    {Find::PotionValue,  10,     "Scale_Chance",                  Fill::Text,  "编辑框77", "",        {},          -1},
    {Find::PotionValue,  10,     "Scale_Duration",                Fill::Text,  "编辑框79", "",        {},          -1},
    {Find::PotionValue,  10,     "Grade",                         Fill::Text,  "编辑框80", "",        {},          -1},
    {Find::Header,        0,     "Resistance",                    Fill::None,  "",         "",        {},          -1},
};

// The key-lore entry of 按钮21; its command list takes the lines of 按钮22.
const Row kKeyLoreRows[] = {
    // find            parent  key         fill        text        selection  table  lore
    {Find::Id,         -1,     "",         Fill::Text, "编辑框25", "",        {},    -1},
    {Find::Key,         0,     "keylore",  Fill::Text, "编辑框26", "",        {},    -1},
    {Find::Header,      0,     "command",  Fill::None, "",         "",        {},    -1},
    {Find::FirstItem,   2,     "",         Fill::Text, "编辑框27", "",        {},    -1},
};

const Page kPages[] = {
    // kind           page  button    rows           list row  list line button
    {Kind::Gem,       4,    "按钮50", kGemRows,      12,       "按钮51"},
    {Kind::Element,   5,    "按钮54", kElementRows,  14,       "按钮55"},
    {Kind::KeyLore,   2,    "按钮21", kKeyLoreRows,   2,       "按钮22"},
};
// clang-format on

// The gem block's lore lines as the server reads them, from the builder itself.
const std::vector<std::string>& builtLores() {
    static const std::vector<std::string> lores = [] {
        std::vector<std::string> out;
        const yaml::Document doc = yaml::read(builders::socket::gemBlock({.id = "g"}));
        const Node& root = doc.node(*doc.root);
        const Node& gem = doc.node(doc.children(root)[1]);
        const auto keys = doc.children(gem);
        for (std::size_t i = 0; i + 1 < keys.size(); i += 2) {
            if (doc.value(doc.node(keys[i])) != "Lores") continue;
            for (const std::uint32_t item : doc.children(doc.node(keys[i + 1])))
                out.emplace_back(doc.value(doc.node(item)));
        }
        return out;
    }();
    return lores;
}

// YAML 1.1's words for true (yes, true, on in three cases); the reader has told the rest are false.
bool isTrue(std::string_view word) {
    std::string lower(word);
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return lower == "yes" || lower == "true" || lower == "on";
}

bool isScalar(const Model& m, std::size_t node) { return m.doc.node(node).kind == NodeKind::Scalar; }

// A scalar's text as a field holds it: a null is the empty field.
std::string textOf(const Model& m, std::size_t node) {
    const Node& n = m.doc.node(node);
    if (n.kind != NodeKind::Scalar || n.tag == yaml::Tag::Null) return {};
    return std::string(m.doc.value(n));
}

bool isEmptyNull(const Model& m, std::size_t node) {
    const Node& n = m.doc.node(node);
    return n.kind == NodeKind::Scalar && n.tag == yaml::Tag::Null && n.valueSize == 0;
}

int lineOf(const Model& m, const yaml::Mark& mark) {
    return std::clamp(mark.textLine - 1, 0, static_cast<int>(m.lines.size()) - 1);
}

// Whether a key node is the scalar `name`.
bool keyIs(const Model& m, std::size_t key, std::string_view name) {
    return isScalar(m, key) && m.doc.value(m.doc.node(key)) == name;
}

int tableIndex(const Model& m, std::size_t key, std::span<const std::string_view> table) {
    if (!isScalar(m, key)) return -1;
    const auto found = std::find(table.begin(), table.end(), m.doc.value(m.doc.node(key)));
    return found == table.end() ? -1 : static_cast<int>(found - table.begin());
}

// The slot of a key and its value, or of a list item (key == value).
Slot slotOf(const Model& m, std::size_t key, std::size_t value, bool inFlow, bool holdsRows) {
    Slot s;
    s.present = true;
    s.key = key;
    s.value = value;
    s.first = lineOf(m, m.doc.node(key).start);
    s.end = std::max(s.first, lastLine(m, value));
    const Node& v = m.doc.node(value);
    const bool block = v.kind != NodeKind::Scalar && !v.flow;
    s.last = holdsRows && (block || isEmptyNull(m, value)) ? s.first : s.end;
    s.editable = !inFlow && !m.aliases && !v.flow && (v.kind == NodeKind::Scalar || holdsRows);
    const std::string& last = m.lines[static_cast<std::size_t>(s.last)];
    if (v.kind == NodeKind::Scalar && lineOf(m, v.end) == s.last) {
        s.valueEnd = byteOf(last, v.end.textColumn);
    } else if (block && s.last == s.first && key != value) {
        // A key whose value starts on the next line: what follows its colon.
        const std::size_t colon = last.find(':', byteOf(last, m.doc.node(key).end.textColumn));
        s.valueEnd = colon == std::string::npos ? last.size() : colon + 1;
    } else {
        s.valueEnd = last.size();
    }
    return s;
}

// The mapping or list that row i's own line stands in, and whether it is written in [ ] or { }.
std::size_t containerOf(const Model& m, std::size_t i, bool* inFlow) {
    const std::span<const Row> rows = m.page->rows;
    auto parent = static_cast<std::size_t>(rows[i].parent);
    if (rows[i].find == Find::PotionValue && !m.slots[parent].present)
        parent = static_cast<std::size_t>(rows[parent].parent);
    const Slot& p = m.slots[parent];
    if (!p.present || p.blank) return kNone;
    const std::size_t node = parent == 0 ? m.doc.children(m.doc.node(*m.doc.root))[1] : p.value;
    *inFlow = m.doc.node(node).flow || (parent != 0 && !p.editable);
    return node;
}

// Finds row i of the page in the entry (the Lores rows are matched together, see matchLores).
void locate(Model& m, std::size_t i) {
    const Row& row = m.page->rows[i];
    bool inFlow = false;
    const std::size_t container = containerOf(m, i, &inFlow);
    if (container == kNone) return;
    const Node& c = m.doc.node(container);
    const auto children = m.doc.children(c);
    const bool holdsRows = row.find == Find::Header || row.find == Find::Potion;
    if (c.kind == NodeKind::Sequence) {
        if (row.find == Find::FirstItem && !children.empty())
            m.slots[i] = slotOf(m, children[0], children[0], inFlow, false);
        return;
    }
    if (c.kind != NodeKind::Mapping) return;
    for (std::size_t k = 0; k + 1 < children.size(); k += 2) {
        const std::size_t key = children[k];
        const std::size_t value = children[k + 1];
        bool found = false;
        switch (row.find) {
        case Find::Key:
        case Find::Header:
        case Find::PotionValue: found = keyIs(m, key, row.key); break;
        case Find::Bonus: found = !m.slots[i].present && tableIndex(m, key, row.table) >= 0; break;
        case Find::Potion:
            found = !m.slots[i].present && tableIndex(m, key, row.table) >= 0 &&
                    (m.doc.node(value).kind == NodeKind::Mapping || isEmptyNull(m, value));
            break;
        default: break;
        }
        if (found) m.slots[i] = slotOf(m, key, value, inFlow, holdsRows);  // the last key of a name wins
    }
}

// The Lores items the builder writes: the first "种类" line, and the fixed lines matched in
// order around it (a fixed line left out of a hand-written list is simply absent).
void matchLores(Model& m) {
    const std::span<const Row> rows = m.page->rows;
    const auto header = static_cast<std::size_t>(m.page->listRow);
    const Slot& lores = m.slots[header];
    if (!lores.present || m.doc.node(lores.value).kind != NodeKind::Sequence) return;
    const bool inFlow = m.doc.node(lores.value).flow || m.aliases;
    const auto items = m.doc.children(m.doc.node(lores.value));
    const std::vector<std::string>& fixed = builtLores();
    std::size_t kindItem = items.size();
    std::size_t kindRow = 0;
    for (std::size_t r = header + 1; r < rows.size(); ++r)
        if (rows[r].find == Find::LoreKind) kindRow = r;
    for (std::size_t k = 0; k < items.size(); ++k) {
        const Node& item = m.doc.node(items[k]);
        if (item.kind == NodeKind::Scalar && m.doc.value(item).starts_with(builders::socket::kKindLine)) {
            kindItem = k;
            m.slots[kindRow] = slotOf(m, items[k], items[k], inFlow, false);
            break;
        }
    }
    std::size_t next = header + 1;  // the next fixed row an item may match
    for (std::size_t k = 0; k < items.size(); ++k) {
        if (k == kindItem) {
            next = kindRow + 1;
            continue;
        }
        const Node& item = m.doc.node(items[k]);
        if (item.kind != NodeKind::Scalar) continue;
        const std::size_t limit = k < kindItem && kindItem < items.size() ? kindRow : rows.size();
        for (std::size_t r = next; r < limit; ++r) {
            if (rows[r].find != Find::Lore || fixed[static_cast<std::size_t>(rows[r].lore)] != m.doc.value(item))
                continue;
            m.slots[r] = slotOf(m, items[k], items[k], inFlow, false);
            next = r + 1;
            break;
        }
    }
}

std::size_t position(const std::vector<std::string_view>& names, std::string_view name) {
    const auto found = std::find(names.begin(), names.end(), name);
    return found == names.end() ? kNone : static_cast<std::size_t>(found - names.begin());
}

void fillInputs(Model& m) {
    const actions::Action& action = m.page->action();
    m.inputs.texts.assign(action.texts.size(), std::string());
    m.inputs.selections.assign(action.selections.size(), -1);
    const std::span<const Row> rows = m.page->rows;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        const Slot& slot = m.slots[i];
        if (!slot.present || slot.blank) continue;
        const std::size_t text = position(action.texts, row.text);
        const std::size_t selection = position(action.selections, row.selection);
        const Node& value = m.doc.node(slot.value);
        switch (row.fill) {
        case Fill::None: break;
        case Fill::Text:
            if (row.find == Find::Id) {
                m.inputs.texts[text] = m.id;
            } else if (row.find == Find::LoreKind) {
                m.inputs.texts[text] = std::string(m.doc.value(value).substr(builders::socket::kKindLine.size()));
            } else {
                m.inputs.texts[text] = textOf(m, slot.value);
            }
            break;
        case Fill::Shiny:
            if (value.kind == NodeKind::Scalar && value.tag == yaml::Tag::Bool)
                m.inputs.selections[selection] = isTrue(m.doc.value(value)) ? 0 : 1;
            break;
        case Fill::TypeItem:
            if (value.kind == NodeKind::Scalar && value.tag == yaml::Tag::Str) {
                const std::span<const std::string_view> items = builders::socket::kTypeItem;
                const auto found = std::find(items.begin(), items.end(), m.doc.value(value));
                if (found != items.end()) m.inputs.selections[selection] = static_cast<int>(found - items.begin());
            }
            break;
        case Fill::Table:
            m.inputs.selections[selection] = tableIndex(m, slot.key, row.table);
            if (text != kNone) m.inputs.texts[text] = textOf(m, slot.value);
            break;
        }
    }
}

bool owned(const Model& m, int line) {
    return std::any_of(m.slots.begin(), m.slots.end(),
                       [line](const Slot& s) { return s.present && s.first <= line && line <= s.last; });
}

// The last line of row i as it stands, everything under it included.
int endOf(const Model& m, std::size_t i) { return m.slots[i].end; }

// Rows the builder writes as an empty line (a selection left empty) take the empty line where
// the builder put it, so that choosing one later fills that very line.
void adoptBlankLines(Model& m) {
    const std::vector<std::string> built = builtLines(*m.page, m.inputs);
    const std::span<const Row> rows = m.page->rows;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        if (m.slots[i].present || !contentOf(built[i]).empty()) continue;
        const auto parent = static_cast<std::size_t>(rows[i].parent);
        if (!m.slots[parent].present) continue;
        int after = m.slots[parent].first;
        for (std::size_t k = i; k-- > 1;)
            if (rows[k].parent == rows[i].parent && m.slots[k].present) {
                after = endOf(m, k);
                break;
            }
        const int line = after + 1;
        if (line >= static_cast<int>(m.lines.size()) || !isBlank(m.lines[static_cast<std::size_t>(line)]) ||
            owned(m, line) || m.inValue[static_cast<std::size_t>(line)] != 0)
            continue;
        Slot& s = m.slots[i];
        s.present = s.blank = true;
        s.first = s.last = s.end = line;
    }
}

int countDuplicates(const Model& m) {
    int duplicates = 0;
    for (const Node& node : m.doc.nodes) {
        if (node.kind != NodeKind::Mapping) continue;
        std::set<std::string_view> keys;
        const auto children = m.doc.children(node);
        for (std::size_t k = 0; k < children.size(); k += 2) {
            const Node& key = m.doc.node(children[k]);
            if (key.kind == NodeKind::Scalar && !keys.insert(m.doc.value(key)).second) ++duplicates;
        }
    }
    return duplicates;
}

}  // namespace

Kind classify(std::span<const std::string_view> keys) {
    static constexpr std::string_view kGemKeys[] = {
        "Display_Name",      "Material",           "Shiny",  "Max_Grade", "Type_Item",
        "Base_Success_Rate", "Scale_Success_Rate", "Effect", "Lores",
    };
    static constexpr std::string_view kElementKeys[] = {
        "Scale_Base_Additional_Damage",
        "Scale_Base_Percent_Damage",
        "Potion_To_Attacker",
        "Potion_To_Victims",
        "Resistance",
    };
    std::set<std::string_view> gem;
    std::set<std::string_view> element;
    std::set<std::string_view> keyLore;
    bool keylore = false;
    for (const std::string_view key : keys) {
        if (std::find(std::begin(kGemKeys), std::end(kGemKeys), key) != std::end(kGemKeys)) gem.insert(key);
        if (std::find(std::begin(kElementKeys), std::end(kElementKeys), key) != std::end(kElementKeys))
            element.insert(key);
        if (key == "keylore" || key == "command") keyLore.insert(key);
        if (key == "Keylore") keylore = true;
    }
    const int shared = keylore ? 1 : 0;
    if (!gem.empty() && element.empty() && keyLore.empty() && static_cast<int>(gem.size()) + shared >= 2)
        return Kind::Gem;
    if (!element.empty() && gem.empty() && keyLore.empty() && static_cast<int>(element.size()) + shared >= 2)
        return Kind::Element;
    if (keyLore.size() == 2 && gem.empty() && element.empty()) return Kind::KeyLore;
    return Kind::Other;
}

const actions::Action& Page::action() const {
    // The rows name buttons of the editor's own tables; the tests hold them to it.
    const actions::Action* found = actions::find(forms::kMainWindowId, button);
    if (found == nullptr) std::abort();
    return *found;
}

std::vector<PageOfKind> pagesOfKinds() {
    std::vector<PageOfKind> out;
    for (const Page& page : kPages) out.push_back({page.kind, page.page, page.button, page.listButton});
    return out;
}

const Page* pageOf(Kind kind) {
    for (const Page& page : kPages)
        if (page.kind == kind) return &page;
    return nullptr;
}

std::vector<std::string> builtLines(const Page& page, const actions::Inputs& inputs) {
    const std::string block = page.action().build(inputs);
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < block.size()) {
        std::size_t end = block.find('\n', from);
        if (end == std::string::npos) end = block.size();
        std::size_t content = end;
        if (content > from && block[content - 1] == '\r') --content;
        lines.push_back(block.substr(from, content - from));
        from = end + 1;
    }
    return lines;
}

std::string_view contentOf(std::string_view line) { return line.substr(indentOf(line)); }

std::size_t builtIndent(std::string_view line) { return indentOf(line); }

std::size_t byteOf(std::string_view line, int column) {
    std::size_t at = 0;
    for (int c = 1; c < column && at < line.size(); ++c) {
        char32_t cp = 0;
        at += yaml::unicode::decodeOne(line, at, &cp);
    }
    return at;
}

const yaml::Anchor* anchorOf(const Model& m, std::size_t node) {
    for (const yaml::Anchor& anchor : m.doc.anchors)
        if (anchor.node == node) return &anchor;
    return nullptr;
}

std::vector<std::string> anchorNames(const Model& m) {
    std::vector<std::string> names;
    for (const yaml::Anchor& anchor : m.doc.anchors) names.push_back(anchor.name);
    return names;
}

int lastLine(const Model& m, std::size_t node) {
    const Node& n = m.doc.node(node);
    const int first = lineOf(m, n.start);
    if (m.aliases) return first;
    if (n.kind == NodeKind::Scalar) {
        // Only a block scalar's end needs the lines to be told.
        const bool block = n.style == yaml::ScalarStyle::Literal || n.style == yaml::ScalarStyle::Folded;
        const std::vector<std::string_view> lines =
            block ? std::vector<std::string_view>(m.lines.begin(), m.lines.end()) : std::vector<std::string_view>();
        const int last = std::clamp(yaml::ownLastLine(m.doc, n, lines) - 1, 0, static_cast<int>(m.lines.size()) - 1);
        return std::max(first, last);
    }
    if (n.flow) return std::max(first, lineOf(m, n.end));
    int last = first;
    for (const std::uint32_t child : m.doc.children(n)) last = std::max(last, lastLine(m, child));
    return last;
}

Model readEntry(std::string_view block) {
    Model m;
    const Lines lines(block);
    // A block that ends with its line end has no empty line after it.
    const std::size_t count = lines.count() - (block.ends_with('\n') ? 1 : 0);
    for (std::size_t i = 0; i < count; ++i) m.lines.emplace_back(lines.content(block, i));
    if (m.lines.empty()) return m;
    m.doc = yaml::read(block);
    if (!m.doc.loads() || !m.doc.root) return m;
    const Node& root = m.doc.node(*m.doc.root);
    if (root.kind != NodeKind::Mapping || root.childCount != 2) return m;
    m.readable = true;
    std::vector<char> seen(m.doc.nodes.size(), 0);
    for (const std::uint32_t link : m.doc.links) {
        if (seen[link] != 0) m.aliases = true;
        seen[link] = 1;
    }
    m.duplicates = countDuplicates(m);
    m.inValue.assign(m.lines.size(), 0);
    const std::vector<std::string_view> views(m.lines.begin(), m.lines.end());
    for (const Node& node : m.doc.nodes) {
        if (node.kind != NodeKind::Scalar || node.end.textLine == node.start.textLine) continue;
        const int last = std::min(yaml::ownLastLine(m.doc, node, views), static_cast<int>(m.lines.size()));
        for (int line = std::max(node.start.textLine, 0); line < last; ++line)
            m.inValue[static_cast<std::size_t>(line)] = 1;
    }
    const std::size_t key = m.doc.children(root)[0];
    const std::size_t value = m.doc.children(root)[1];
    const Node& k = m.doc.node(key);
    if (k.kind == NodeKind::Scalar) {
        m.id = m.doc.value(k);
        if (lineOf(m, k.start) == 0 && lineOf(m, k.end) == 0) {
            m.keyBegin = byteOf(m.lines[0], k.start.textColumn);
            m.keyEnd = byteOf(m.lines[0], k.end.textColumn);
            // An anchor before the key stays where it is: the key is what follows it.
            if (const yaml::Anchor* anchor = anchorOf(m, key); anchor != nullptr && anchor->end.textLine == 1) {
                m.keyBegin = std::max(m.keyBegin, byteOf(m.lines[0], anchor->end.textColumn));
                while (m.keyBegin < m.keyEnd && (m.lines[0][m.keyBegin] == ' ' || m.lines[0][m.keyBegin] == '\t'))
                    ++m.keyBegin;
            }
        }
    }
    const Node& v = m.doc.node(value);
    if (k.kind != NodeKind::Scalar || v.kind != NodeKind::Mapping) return m;
    std::vector<std::string_view> names;
    const auto children = m.doc.children(v);
    for (std::size_t i = 0; i < children.size(); i += 2)
        if (isScalar(m, children[i])) names.push_back(m.doc.value(m.doc.node(children[i])));
    m.kind = classify(names);
    if (!children.empty() && !v.flow)
        m.step = indentOf(m.lines[static_cast<std::size_t>(lineOf(m, m.doc.node(children[0]).start))]);
    m.page = pageOf(m.kind);
    if (m.page == nullptr) return m;

    const std::span<const Row> rows = m.page->rows;
    m.slots.assign(rows.size(), Slot{});
    m.slots[0] = slotOf(m, key, value, false, true);
    m.slots[0].editable = m.keyEnd > m.keyBegin;
    for (std::size_t i = 1; i < rows.size(); ++i) locate(m, i);
    if (m.page->kind == Kind::Gem) matchLores(m);
    fillInputs(m);
    adoptBlankLines(m);
    for (int line = 1; line < static_cast<int>(m.lines.size()); ++line)
        if (!isBlank(m.lines[static_cast<std::size_t>(line)]) && !owned(m, line)) m.extras.push_back(line);
    const actions::Action& action = m.page->action();
    const std::string_view labelField = rows[m.page->kind == Kind::Gem ? 2 : 1].text;
    m.label = m.inputs.texts[position(action.texts, labelField)];
    return m;
}

}  // namespace entries
