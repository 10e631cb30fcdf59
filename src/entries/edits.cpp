// The edits of an entry in place: update from the page's fields, list lines, duplicate, remove
// and rename. Each changes the entry's own lines and nothing else, and an update is read back
// before it is given out: a result the server would read otherwise is refused, not written.
#include <algorithm>
#include <optional>

#include "entries/detail.h"
#include "entries/entries.h"
#include "entries/shapes.h"
#include "yaml/check.h"
#include "yaml/scalar.h"

namespace entries {

namespace {

using detail::quoted;
using detail::refuse;

std::string blanks(std::size_t count) {
    std::string out(count, ' ');
    return out;
}

std::string lineNumber(int line) { return "第 " + std::to_string(line) + " 行"; }

// Where new lines go: after or before a line of the entry (from 0 at its key line).
struct Anchor {
    int line = 0;
    bool before = false;
};

// The entry's lines and the changes to them: lines replaced or dropped, new lines between them.
class Plan {
public:
    explicit Plan(std::string_view block) : block_(block), old_(block) {
        const std::size_t n = realLines();
        replaced_.resize(n);
        dropped_.assign(n, false);
        after_.resize(n);
        before_.resize(n);
    }

    void replace(int first, int last, std::string content) {
        replaced_[static_cast<std::size_t>(first)] = std::move(content);
        for (int i = first + 1; i <= last; ++i) dropped_[static_cast<std::size_t>(i)] = true;
    }

    std::vector<std::string>& at(Anchor anchor) {
        const auto line = static_cast<std::size_t>(anchor.line);
        return anchor.before ? before_[line] : after_[line];
    }

    // The new block: old lines keep their line ends, new lines take eol, and the last line ends
    // as the old last line did (a text without a final line break keeps none).
    std::string block(std::string_view eol, int* lineCount) const {
        std::vector<Line> out;
        const std::size_t count = realLines();
        for (std::size_t i = 0; i < count; ++i) {
            for (const std::string& line : before_[i]) out.push_back({line, std::string(eol)});
            if (!dropped_[i]) {
                out.push_back({replaced_[i] ? *replaced_[i] : std::string(old_.content(block_, i)),
                               std::string(old_.ending(block_, i))});
            }
            for (const std::string& line : after_[i]) out.push_back({line, std::string(eol)});
        }
        std::string text;
        for (std::size_t k = 0; k < out.size(); ++k) {
            text += out[k].content;
            if (k + 1 < out.size()) text += out[k].ending.empty() ? std::string(eol) : out[k].ending;
        }
        if (count > 0 && !out.empty()) text += old_.ending(block_, count - 1);
        *lineCount = static_cast<int>(out.size());
        return text;
    }

private:
    // The block's lines; a block that ends with its line end has no empty line after it.
    std::size_t realLines() const { return old_.count() - (block_.ends_with('\n') ? 1 : 0); }

    std::string_view block_;
    Lines old_;
    std::vector<std::optional<std::string>> replaced_;
    std::vector<bool> dropped_;
    std::vector<std::vector<std::string>> after_;
    std::vector<std::vector<std::string>> before_;
};

// Rows of the page put into an entry that lacks them, where the builder would put them among the
// rows it has, at the entry's own indentation.
class Rewrite {
public:
    Rewrite(const Model& m, std::string_view block, std::vector<std::string> built)
        : plan(block), m_(m), built_(std::move(built)), places_(m.slots.size()) {}

    // Whether row i has a line of its own, as it was or as written now.
    bool hasLine(std::size_t i) const {
        const Slot& s = m_.slots[i];
        return (s.present && !s.blank) || places_[i].inserted || places_[i].filled;
    }

    // The row i stands under: a potion's values stand under the potion's header without it.
    std::size_t parentOf(std::size_t i) const {
        const std::span<const Row> rows = m_.page->rows;
        auto parent = static_cast<std::size_t>(rows[i].parent);
        if (rows[i].find == Find::PotionValue && !hasLine(parent))
            parent = static_cast<std::size_t>(rows[parent].parent);
        return parent;
    }

    std::size_t indentOfRow(std::size_t i) const {
        const Slot& s = m_.slots[i];
        if (s.present && !s.blank) return indentOf(m_.lines[static_cast<std::size_t>(s.first)]);
        return places_[i].indent;
    }

    // The indentation a new line of row i takes: that of the lines beside it, or the builder's
    // step from its parent scaled to the entry's own step.
    std::size_t newIndent(std::size_t i, std::string_view builtLine) const {
        const std::size_t parent = parentOf(i);
        const Slot& p = m_.slots[parent];
        if (m_.page->rows[i].find != Find::Potion && p.present && !p.blank) {
            const yaml::Node& node = m_.doc.node(p.value);
            if (node.kind != yaml::NodeKind::Scalar && !node.flow && node.childCount > 0) {
                const yaml::Node& child = m_.doc.node(m_.doc.children(node)[0]);
                return indentOf(m_.lines[static_cast<std::size_t>(std::max(child.start.textLine - 1, 0))]);
            }
        }
        const auto delta = static_cast<long>(builtIndent(builtLine)) - static_cast<long>(builtIndent(built_[parent]));
        const long indent = static_cast<long>(indentOfRow(parent)) + delta * static_cast<long>(m_.step) / 2;
        return static_cast<std::size_t>(std::max(indent, 0L));
    }

    // Where a new line of row i goes: after the last row before it under the same parent, or
    // above the first after it (and the comments just above that), or first under its parent.
    Anchor anchorFor(std::size_t i) {
        const std::span<const Row> rows = m_.page->rows;
        for (std::size_t k = i; k-- > 0;) {
            if (rows[k].parent != rows[i].parent) continue;
            if (places_[k].inserted) return places_[k].anchor;
            if (m_.slots[k].present) return {m_.slots[k].end, false};
        }
        const std::size_t parent = parentOf(i);
        for (std::size_t k = i + 1; k < rows.size(); ++k) {
            if (rows[k].parent != rows[i].parent || !m_.slots[k].present) continue;
            int line = m_.slots[k].first;
            const int floor = hasLine(parent) && !places_[parent].inserted ? m_.slots[parent].last : 0;
            while (line - 1 > floor && isComment(m_.lines[static_cast<std::size_t>(line - 1)])) --line;
            return {line, true};
        }
        ensure(parent);
        if (places_[parent].inserted) return places_[parent].anchor;
        return {m_.slots[parent].last, false};
    }

    // Row i as a new line, its parent first when the entry lacks that too. Not under a parent
    // whose value stands on its own line ("Lores: [a, b]", "Effect: none"): see blocked().
    void insert(std::size_t i) {
        const std::size_t parent = parentOf(i);
        const Slot& p = m_.slots[parent];
        if (parent != 0 && p.present && !p.blank) {
            const yaml::Node& node = m_.doc.node(p.value);
            const bool empty =
                node.kind == yaml::NodeKind::Scalar && node.tag == yaml::Tag::Null && node.valueSize == 0;
            if (node.flow || (node.kind == yaml::NodeKind::Scalar && !empty)) {
                blocked_ = p.first;
                return;
            }
        }
        const Anchor anchor = anchorFor(i);
        const std::size_t indent = newIndent(i, built_[i]);
        plan.at(anchor).push_back(blanks(indent) + std::string(contentOf(built_[i])));
        places_[i].inserted = true;
        places_[i].anchor = anchor;
        places_[i].indent = indent;
    }

    void ensure(std::size_t i) {
        if (i != 0 && !hasLine(i)) insert(i);
    }

    // The empty line the builder left for row i, now holding its line.
    void fill(std::size_t i) {
        const Slot& s = m_.slots[i];
        const std::size_t indent = newIndent(i, built_[i]);
        plan.replace(s.first, s.first, blanks(indent) + std::string(contentOf(built_[i])));
        places_[i].filled = true;
        places_[i].indent = indent;
    }

    // The line (from 0) of a key that a new line was to go under but cannot, or -1.
    int blocked() const { return blocked_; }

    Anchor anchorAfter(std::size_t i) const {
        if (places_[i].inserted) return places_[i].anchor;
        return {m_.slots[i].end, false};
    }

    Plan plan;

private:
    struct Place {
        bool inserted = false;
        bool filled = false;
        Anchor anchor;
        std::size_t indent = 0;
    };

    const Model& m_;
    std::vector<std::string> built_;
    std::vector<Place> places_;
    int blocked_ = -1;
};

// The comment at the end of a value's last line, with the blanks before it.
std::string trailingComment(std::string_view line, std::size_t valueEnd) {
    if (valueEnd > line.size()) return {};
    const std::string_view rest = line.substr(valueEnd);
    const std::size_t hash = rest.find_first_not_of(' ');
    if (hash == std::string_view::npos || rest[hash] != '#' || hash == 0) return {};
    return std::string(rest);
}

std::vector<std::string> extraTexts(const Model& m) {
    std::vector<std::string> texts;
    for (const int line : m.extras) texts.push_back(m.lines[static_cast<std::size_t>(line)]);
    return texts;
}

// The number of lines in a list, or 0 when it is absent or empty.
std::size_t itemsOf(const Model& m, std::size_t row) {
    const Slot& s = m.slots[row];
    if (!s.present || s.blank) return 0;
    const yaml::Node& node = m.doc.node(s.value);
    if (node.kind == yaml::NodeKind::Sequence) return node.childCount;
    if (node.kind == yaml::NodeKind::Mapping) return node.childCount / 2;
    return 0;
}

// Whether the new block reads as the server would take it; the refusal when not.
std::optional<EditResult> unreadableResult(std::string_view block, int firstLine) {
    const yaml::CheckResult check = yaml::checkConfiguration(block);
    if (check.valid) return std::nullopt;
    const yaml::Finding first = check.errors.front();
    return refuse(Refusal::InvalidYaml, "改动后服务器无法读取这一项：" + lineNumber(first.line + firstLine - 1) + "：" +
                                            first.message + "。没有改动文本");
}

const Entry* entryOrNull(const Listing& listing, std::string_view id) { return detail::findEntry(listing, id); }

EditResult unknown(std::string_view id) {
    return refuse(Refusal::UnknownEntry, "没有识别名为" + quoted(id) + "的条目");
}

EditResult unsupported(int line, std::string_view why) {
    return refuse(Refusal::Unsupported, lineNumber(line) + std::string(why) + "，无法逐行改写；没有改动文本");
}

// The text with the entry's key renamed, in the entry's own lines.
std::string renamedBlock(std::string_view block, const Model& m, std::string_view newId) {
    std::string out(block.substr(0, m.keyBegin));
    out += yaml::plainOrQuotedKey(newId);
    out += block.substr(m.keyEnd);
    return out;
}

}  // namespace

EditResult Index::update(const Loaded& loaded, const actions::Inputs& inputs) const {
    if (listing_.broken) return refuse(Refusal::InvalidYaml, listing_.message);
    const Entry* entry =
        detail::findEntry(listing_, loaded.key.empty() ? std::string_view(loaded.id) : loaded.key, loaded.line);
    if (entry == nullptr) return refuse(Refusal::UnknownEntry, "条目" + quoted(loaded.id) + "已不在文本中");
    if (const Entry* kept = detail::named(listing_, entry->key); kept != entry) {
        return refuse(Refusal::DuplicateKey, "条目" + quoted(loaded.id) + "（" + lineNumber(entry->line) + "）被" +
                                                 lineNumber(kept->line) +
                                                 "的同名条目覆盖，服务器只读那一个；请重新载入。没有改动文本");
    }
    const std::string_view block = detail::blockOf(*this, *entry);
    const Model m = readEntry(block);
    if (!m.readable) return unsupported(entry->line, "的条目单独读不出来（可能引用了别处的锚点）");
    if (m.page == nullptr || m.kind != loaded.kind || m.page->button != loaded.button) {
        return refuse(Refusal::OtherEntry, "条目" + quoted(loaded.id) + "已不是载入时的种类，请重新载入");
    }
    const Page& page = *m.page;
    const std::span<const Row> rows = page.rows;
    const std::vector<std::string> before = builtLines(page, loaded.inputs);
    const std::vector<std::string> after = builtLines(page, inputs);
    if (before.size() != rows.size() || after.size() != rows.size()) return unsupported(entry->line, "的条目");

    Rewrite rewrite(m, block, after);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (before[i] == after[i]) continue;
        const Slot& s = m.slots[i];
        const int line = entry->line + s.first;
        if (i == 0) {
            const auto field = std::find(page.action().texts.begin(), page.action().texts.end(), rows[0].text);
            const std::string_view newId =
                actions::textAt(inputs, static_cast<std::size_t>(field - page.action().texts.begin()));
            if (newId.empty()) return refuse(Refusal::EmptyId, "识别名不能为空");
            if (auto taken = detail::takenBy(*this, newId, entry)) return *taken;
            if (newId != entry->key)
                if (auto refused = detail::uncovers(*this, *entry, "改名")) return *refused;
            if (!s.editable) return unsupported(line, "的识别名不止一行");
            const std::string& key = m.lines[0];
            rewrite.plan.replace(0, 0,
                                 key.substr(0, m.keyBegin) + yaml::plainOrQuotedKey(newId) + key.substr(m.keyEnd));
            continue;
        }
        const std::string_view content = contentOf(after[i]);
        if (s.present && s.blank) {
            rewrite.fill(i);
        } else if (s.present) {
            if (!s.editable) return unsupported(line, "的值写在 [ ] 或 { } 里、不是单个值或引用了锚点");
            const std::string& first = m.lines[static_cast<std::size_t>(s.first)];
            const std::string comment = trailingComment(m.lines[static_cast<std::size_t>(s.last)], s.valueEnd);
            const std::size_t indent = indentOf(first);
            // A selection emptied leaves the empty line the builder writes, without the comment
            // of the key that is gone.
            std::string written;
            if (!content.empty()) written = blanks(indent) + std::string(content) + comment;
            rewrite.plan.replace(s.first, s.last, std::move(written));
        } else if (!content.empty()) {
            rewrite.insert(i);
        }
    }
    if (rewrite.blocked() >= 0)
        return unsupported(entry->line + rewrite.blocked(), "的值写在同一行（[ ]、{ } 或单个值）");
    int count = 0;
    const std::string newBlock = rewrite.plan.block(detail::eolOf(*this, *entry), &count);
    if (newBlock == block) {
        EditResult same;
        same.text = text();
        same.line = entry->line;
        same.end = entry->end;
        return same;
    }
    if (auto refused = unreadableResult(newBlock, entry->line)) return *refused;
    const Model check = readEntry(newBlock);
    if (check.duplicates > m.duplicates) {
        return refuse(Refusal::DuplicateKey, "改动后条目" + quoted(loaded.id) +
                                                 "里会有重复的键（例如两行同名的效果），" +
                                                 "服务器只保留最后一个；没有改动文本");
    }
    std::string wanted;
    std::string got;
    for (const std::string& line : after) wanted += line + "\n";
    if (check.page == m.page)
        for (const std::string& line : builtLines(page, check.inputs)) got += line + "\n";
    if (got != wanted || extraTexts(check) != extraTexts(m)) return unsupported(entry->line, "起的条目的写法");
    EditResult out;
    out.text = detail::splice(*this, entry->line, entry->end, newBlock);
    out.line = entry->line;
    out.end = entry->line + count - 1;
    return out;
}

EditResult Index::insertListLine(std::string_view id, std::string_view builtLine) const {
    if (listing_.broken) return refuse(Refusal::InvalidYaml, listing_.message);
    const Entry* entry = entryOrNull(listing_, id);
    if (entry == nullptr) return unknown(id);
    std::string_view line = builtLine;
    if (line.ends_with('\n')) line.remove_suffix(1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.find_first_of("\r\n") != std::string_view::npos || isBlank(line))
        return refuse(Refusal::BadLine, "要加入的内容不是一行");
    const std::string_view block = detail::blockOf(*this, *entry);
    const Model m = readEntry(block);
    if (!m.readable) return unsupported(entry->line, "的条目单独读不出来（可能引用了别处的锚点）");
    if (m.page == nullptr) return refuse(Refusal::OtherEntry, quoted(id) + "不是宝石、元素或技能条目");
    const Page& page = *m.page;
    const auto listRow = static_cast<std::size_t>(page.listRow);
    const std::vector<std::string> built = builtLines(page, m.inputs);
    const std::string_view listKey = contentOf(built[listRow]).substr(0, contentOf(built[listRow]).size() - 1);
    const std::size_t indent = indentOf(line);
    const std::string_view content = line.substr(indent);
    const bool item = content == "-" || content.starts_with("- ");
    if (item != (page.kind != Kind::Element))
        return refuse(Refusal::BadLine, "这一行不是" + quoted(id) + "的“" + std::string(listKey) + "”列表的一项");

    Rewrite rewrite(m, block, built);
    const Slot& list = m.slots[listRow];
    Anchor anchor;
    std::size_t target = 0;
    const yaml::Node* node = list.present && !list.blank ? &m.doc.node(list.value) : nullptr;
    if (node != nullptr && node->kind != yaml::NodeKind::Scalar && !node->flow && node->childCount > 0) {
        const auto children = m.doc.children(*node);
        const std::size_t lastItem =
            node->kind == yaml::NodeKind::Mapping ? children[children.size() - 2] : children.back();
        anchor = {list.end, false};
        target = indentOf(m.lines[static_cast<std::size_t>(std::max(m.doc.node(lastItem).start.textLine - 1, 0))]);
    } else if (node != nullptr &&
               !(node->kind == yaml::NodeKind::Scalar && node->tag == yaml::Tag::Null && node->valueSize == 0)) {
        return unsupported(entry->line + list.first, "的“" + std::string(listKey) + "”不是逐行的列表");
    } else {
        if (node != nullptr) {
            anchor = {list.last, false};
        } else {
            rewrite.ensure(listRow);
            anchor = rewrite.anchorAfter(listRow);
        }
        const auto delta = static_cast<long>(indent) - static_cast<long>(builtIndent(built[listRow]));
        const long indentAt = static_cast<long>(rewrite.indentOfRow(listRow)) + delta * static_cast<long>(m.step) / 2;
        target = static_cast<std::size_t>(std::max(indentAt, 0L));
    }
    rewrite.plan.at(anchor).push_back(blanks(target) + std::string(content));
    int count = 0;
    const std::string newBlock = rewrite.plan.block(detail::eolOf(*this, *entry), &count);
    if (auto refused = unreadableResult(newBlock, entry->line)) return *refused;
    const Model check = readEntry(newBlock);
    if (check.duplicates > m.duplicates) {
        return refuse(Refusal::DuplicateKey,
                      quoted(id) + "的“" + std::string(listKey) + "”里已有这个键，服务器只保留最后一个；没有改动文本");
    }
    if (check.page != m.page || itemsOf(check, listRow) != itemsOf(m, listRow) + 1)
        return unsupported(entry->line, "起的条目的写法");
    EditResult out;
    out.text = detail::splice(*this, entry->line, entry->end, newBlock);
    out.line = entry->line;
    out.end = entry->line + count - 1;
    return out;
}

EditResult Index::duplicate(std::string_view id, std::string_view newId) const {
    if (listing_.broken) return refuse(Refusal::InvalidYaml, listing_.message);
    const Entry* entry = entryOrNull(listing_, id);
    if (entry == nullptr) return unknown(id);
    if (newId.empty()) return refuse(Refusal::EmptyId, "识别名不能为空");
    if (auto taken = detail::takenBy(*this, newId, nullptr)) return *taken;
    const std::string_view block = detail::blockOf(*this, *entry);
    const Model m = readEntry(block);
    if (!m.readable || m.keyEnd <= m.keyBegin) return unsupported(entry->line, "的识别名");
    std::string copy = renamedBlock(block, m, newId);
    std::string inserted;
    if (!block.ends_with('\n')) inserted = std::string(detail::eolOf(*this, *entry));
    inserted += copy;
    const std::size_t at = lines_.next(text(), static_cast<std::size_t>(entry->end) - 1);
    EditResult out;
    out.text.reserve(text().size() + inserted.size());
    out.text.append(text(), 0, at);
    out.text += inserted;
    out.text.append(text(), at);
    out.line = entry->end + 1;
    out.end = out.line + (entry->end - entry->line);
    return out;
}

EditResult Index::remove(std::string_view id) const {
    if (listing_.broken) return refuse(Refusal::InvalidYaml, listing_.message);
    const Entry* entry = entryOrNull(listing_, id);
    if (entry == nullptr) return unknown(id);
    for (const Entry& other : listing_.entries)
        if (&other != entry && other.line == entry->line) return unsupported(entry->line, "上有不止一个条目");
    if (auto refused = detail::uncovers(*this, *entry, "删除")) return *refused;
    EditResult out;
    out.text = detail::splice(*this, entry->line, entry->end, "");
    out.line = entry->line;
    out.end = entry->end;
    return out;
}

EditResult Index::rename(std::string_view id, std::string_view newId) const {
    if (listing_.broken) return refuse(Refusal::InvalidYaml, listing_.message);
    const Entry* entry = entryOrNull(listing_, id);
    if (entry == nullptr) return unknown(id);
    if (newId.empty()) return refuse(Refusal::EmptyId, "识别名不能为空");
    EditResult out;
    out.line = entry->line;
    out.end = entry->end;
    if (newId == id) {
        out.text = text();
        return out;
    }
    if (auto taken = detail::takenBy(*this, newId, entry)) return *taken;
    if (newId != entry->key)
        if (auto refused = detail::uncovers(*this, *entry, "改名")) return *refused;
    const std::string_view block = detail::blockOf(*this, *entry);
    const Model m = readEntry(block);
    if (!m.readable || m.keyEnd <= m.keyBegin) return unsupported(entry->line, "的识别名");
    out.text = detail::splice(*this, entry->line, entry->end, renamedBlock(block, m, newId));
    return out;
}

}  // namespace entries
