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

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

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
            while (line - 1 > floor && isComment(m_.lines[static_cast<std::size_t>(line - 1)]) &&
                   m_.inValue[static_cast<std::size_t>(line - 1)] == 0)
                --line;
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

// The comment at the end of a value's last line, with the blanks (spaces or tabs) before it. An
// anchor or a tag between the value's end and the comment (after a key whose value stands on the
// lines below) is not the comment's.
std::string trailingComment(std::string_view line, std::size_t valueEnd) {
    std::size_t at = valueEnd;
    while (at < line.size()) {
        const std::size_t next = line.find_first_not_of(" \t", at);
        if (next == std::string_view::npos) return {};
        if (line[next] == '#') return next > at ? std::string(line.substr(at)) : std::string();
        if (line[next] != '&' && line[next] != '!') return {};
        at = line.find_first_of(" \t", next);
        if (at == std::string_view::npos) return {};
    }
    return {};
}

// A built line's content with the anchor that named the value it replaces, where YAML puts it:
// after "key: " or "- ", or after a key whose value stands below ("STRENGTH: &p"). Without a
// place for it the content stays as built, and the check of the entry's anchors refuses it.
std::string withAnchor(std::string_view content, const yaml::Anchor* anchor) {
    if (anchor == nullptr) return std::string(content);
    const std::string mark = "&" + anchor->name;
    if (content.starts_with("- ")) return "- " + mark + " " + std::string(content.substr(2));
    const std::size_t colon = content.find(": ");
    if (colon != std::string_view::npos)
        return std::string(content.substr(0, colon + 2)) + mark + " " + std::string(content.substr(colon + 2));
    if (content.ends_with(':')) return std::string(content) + " " + mark;
    return std::string(content);
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

// The refusal of a new entry that has lost one of the entry's anchors (an alias elsewhere may
// name it), or nothing.
std::optional<EditResult> anchorsKept(const Model& before, const Model& after, int line) {
    const std::vector<std::string> had = anchorNames(before);
    const std::vector<std::string> has = anchorNames(after);
    if (had == has) return std::nullopt;
    for (const std::string& name : had) {
        if (std::find(has.begin(), has.end(), name) != has.end()) continue;
        std::string why = "起的条目里的锚点 &";
        why += name;
        why += " 改写后会丢失（别处的 *";
        why += name;
        why += " 引用它）";
        return unsupported(line, why);
    }
    return unsupported(line, "起的条目里的锚点");
}

// Where a mark of an entry's block stands in the block, in bytes.
std::size_t offsetIn(std::string_view block, const Lines& lines, const yaml::Mark& mark) {
    const auto line = static_cast<std::size_t>(std::max(mark.textLine, 1) - 1);
    if (line >= lines.count()) return block.size();
    return lines.begin(line) + byteOf(lines.content(block, line), mark.textColumn);
}

// The block without its anchors (each with the blanks after it, or before it at a line's end):
// a copy that carried them would take the names from the original for every alias after it.
// *keyBegin and *keyEnd, the key's bytes in the block, move with what is cut before them.
std::string withoutAnchors(std::string_view block, const Model& m, std::size_t* keyBegin, std::size_t* keyEnd) {
    const Lines lines(block);
    std::string out;
    std::size_t from = 0;
    const std::size_t begin = *keyBegin;
    const std::size_t end = *keyEnd;
    for (const yaml::Anchor& anchor : m.doc.anchors) {
        std::size_t cutBegin = offsetIn(block, lines, anchor.start);
        std::size_t cutEnd = offsetIn(block, lines, anchor.end);
        if (cutBegin < from || cutEnd < cutBegin) continue;
        while (cutEnd < block.size() && (block[cutEnd] == ' ' || block[cutEnd] == '\t')) ++cutEnd;
        if (cutEnd == block.size() || block[cutEnd] == '\r' || block[cutEnd] == '\n') {
            while (cutBegin > from && (block[cutBegin - 1] == ' ' || block[cutBegin - 1] == '\t')) --cutBegin;
        }
        out += block.substr(from, cutBegin - from);
        const std::size_t cut = cutEnd - cutBegin;
        if (cutEnd <= begin) {
            *keyBegin -= cut;
            *keyEnd -= cut;
        } else if (cutBegin < end) {
            *keyEnd = std::max(*keyBegin, *keyEnd - std::min(cut, end - cutBegin));
        }
        from = cutEnd;
    }
    out += block.substr(from);
    return out;
}

// The text with the entry's key (at bytes [keyBegin, keyEnd) of its first line) renamed.
std::string renamedBlock(std::string_view block, std::size_t keyBegin, std::size_t keyEnd, std::string_view newId) {
    std::string out(block.substr(0, keyBegin));
    out += yaml::plainOrQuotedKey(newId);
    out += block.substr(keyEnd);
    return out;
}

// The comment after a block scalar's header ("| # ..."): its content lines can hold none.
std::string headerComment(const Model& m, const yaml::Node& value) {
    const yaml::ScalarStyle style = value.style;
    if (value.kind != yaml::NodeKind::Scalar ||
        (style != yaml::ScalarStyle::Literal && style != yaml::ScalarStyle::Folded))
        return {};
    const std::string& line = m.lines[static_cast<std::size_t>(std::max(value.start.textLine - 1, 0))];
    std::size_t at = byteOf(line, value.start.textColumn);
    while (at < line.size() && line[at] != '|' && line[at] != '>') ++at;
    if (at == line.size()) return {};
    ++at;
    while (at < line.size() && (line[at] == '+' || line[at] == '-' || (line[at] >= '0' && line[at] <= '9'))) ++at;
    return trailingComment(line, at);
}

// The comment as it follows the new value. The server takes a tab before a comment after a
// plain value only: after a quoted or an empty one the tab becomes a space.
std::string commentAfter(std::string_view value, std::string comment) {
    if (!value.empty() && value[0] != '"' && value[0] != '\'') return comment;
    for (char& c : comment) {
        if (c == '#') break;
        if (c == '\t') c = ' ';
    }
    return comment;
}

// A built line's key and value: "Key: value" or "- value" (with an empty key).
std::pair<std::string_view, std::string_view> keyAndValue(std::string_view content) {
    if (content.starts_with("- ")) return {{}, content.substr(2)};
    const std::size_t colon = content.find(": ");
    if (colon == std::string_view::npos) return {content, {}};
    return {content.substr(0, colon), content.substr(colon + 2)};
}

// Row s's lines rewritten to the built content, at the row's indentation, with the value's
// anchor and its comment. A value on lines below its key keeps the key's line (its key
// rewritten if the builder's differs) and the comments and blank lines between them; only the
// value's own lines change. A selection emptied leaves the empty line the builder writes,
// without the comment of the key that is gone.
void replaceValue(const Model& m, const Slot& s, std::string_view content, Plan& plan) {
    const yaml::Node& value = m.doc.node(s.value);
    std::string comment = trailingComment(m.lines[static_cast<std::size_t>(s.last)], s.valueEnd);
    if (comment.empty()) comment = headerComment(m, value);
    const yaml::Anchor* anchor = anchorOf(m, s.value);
    if (anchor != nullptr && (anchor->start.textLine - 1 < s.first || anchor->start.textLine - 1 > s.last))
        anchor = nullptr;  // it stands on a line this leaves as it is
    const int valueLine = std::max(value.start.textLine - 1, 0);
    const auto [key, text] = keyAndValue(content);
    if (s.key != s.value && valueLine > s.first && valueLine <= s.last && !key.empty() && !text.empty() &&
        value.kind == yaml::NodeKind::Scalar) {
        const std::string& keyLine = m.lines[static_cast<std::size_t>(s.first)];
        const yaml::Node& k = m.doc.node(s.key);
        const std::size_t keyBegin = byteOf(keyLine, k.start.textColumn);
        const std::size_t keyEnd = byteOf(keyLine, k.end.textColumn);
        if (k.start.textLine - 1 == s.first && k.end.textLine - 1 == s.first && m.doc.value(k) != key)
            plan.replace(s.first, s.first, keyLine.substr(0, keyBegin) + std::string(key) + keyLine.substr(keyEnd));
        const std::string& first = m.lines[static_cast<std::size_t>(valueLine)];
        const std::string mark = anchor != nullptr ? "&" + anchor->name + " " : std::string();
        plan.replace(valueLine, s.last,
                     blanks(indentOf(first)) + mark + std::string(text) + commentAfter(text, comment));
        return;
    }
    std::string written;
    if (!content.empty()) {
        written = blanks(indentOf(m.lines[static_cast<std::size_t>(s.first)])) + withAnchor(content, anchor) +
                  commentAfter(text, comment);
    }
    plan.replace(s.first, s.last, std::move(written));
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
            rewrite.plan.replace(0, 0, renamedBlock(key, m.keyBegin, m.keyEnd, newId));
            continue;
        }
        const std::string_view content = contentOf(after[i]);
        if (s.present && s.blank) {
            rewrite.fill(i);
        } else if (s.present) {
            if (!s.editable) return unsupported(line, "的值写在 [ ] 或 { } 里、不是单个值或引用了锚点");
            replaceValue(m, s, content, rewrite.plan);
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
    if (auto refused = anchorsKept(m, check, entry->line)) return *refused;
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
    if (auto refused = anchorsKept(m, check, entry->line)) return *refused;
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
    std::size_t keyBegin = m.keyBegin;
    std::size_t keyEnd = m.keyEnd;
    std::string bare = withoutAnchors(block, m, &keyBegin, &keyEnd);
    if (bare.starts_with(kByteOrderMark) && keyBegin >= kByteOrderMark.size()) {  // the text's, not the entry's
        bare.erase(0, kByteOrderMark.size());
        keyBegin -= kByteOrderMark.size();
        keyEnd -= kByteOrderMark.size();
    }
    std::string inserted;
    if (!block.ends_with('\n')) inserted = std::string(detail::eolOf(*this, *entry));
    inserted += renamedBlock(bare, keyBegin, keyEnd, newId);
    // The entry and its copy read together (the copy's aliases may name the entry's anchors):
    // they must read, and alike.
    const std::string both = std::string(block) + inserted;
    if (auto refused = unreadableResult(both, entry->line)) return *refused;
    const yaml::Document doc = yaml::read(both);
    const std::vector<std::pair<std::size_t, std::size_t>> pairs =
        doc.root ? yaml::entries(doc, *doc.root) : std::vector<std::pair<std::size_t, std::size_t>>{};
    if (pairs.size() != 2 || !yaml::sameValue(doc, pairs[0].second, doc, pairs[1].second))
        return unsupported(entry->line, "起的条目复制后会被服务器读成别的值（条目里的引用指向了它自己的锚点）");
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
    // The comment lines right above the entry go with it, up to a blank line or the lines of
    // the entry before it (whose "|" value may hold a line that starts with "#").
    const auto at = static_cast<std::size_t>(entry - listing_.entries.data());
    const int floor = at > 0 ? listing_.entries[at - 1].end : 0;
    int first = entry->line;
    while (first - 1 > floor) {
        std::string_view above = lines_.content(text(), static_cast<std::size_t>(first) - 2);
        if (first == 2 && above.starts_with(kByteOrderMark)) above.remove_prefix(kByteOrderMark.size());
        if (!isComment(above)) break;
        --first;
    }
    const int last = entry->end;
    if (auto refused = removalReads(*entry, first, last)) return *refused;
    // A byte order mark is the text's, not the entry's: it stays.
    const bool mark = first == 1 && text().starts_with(kByteOrderMark);
    EditResult out;
    out.text = detail::splice(*this, first, last, mark ? kByteOrderMark : std::string_view());
    out.line = entry->line;
    out.end = entry->end;
    return out;
}

// Only the entries beside the lines taken out can read otherwise: every entry ends at the next
// one's key, which stands at the first column. Those are read with the cut, unless the entry
// had anchors (an alias anywhere after it may name one, or name another of that name before it
// once it is gone) or they do not read alone (an alias of theirs names an anchor before them):
// then the whole text is.
std::optional<EditResult> Index::removalReads(const Entry& entry, int first, int last) const {
    const Model m = readEntry(detail::blockOf(*this, entry));
    const bool anchors = !m.readable || !m.doc.anchors.empty();
    const auto at = static_cast<std::size_t>(&entry - listing_.entries.data());
    const int lastLine = static_cast<int>(lines_.count());
    int from = !anchors && at > 0 ? listing_.entries[at - 1].line : 1;
    int to = !anchors && at + 1 < listing_.entries.size() ? listing_.entries[at + 1].end : lastLine;
    for (bool whole = from == 1 && to == lastLine;; whole = true) {
        if (whole) {
            from = 1;
            to = lastLine;
        }
        const std::size_t begin = lines_.begin(static_cast<std::size_t>(from) - 1);
        const std::size_t cutBegin = lines_.begin(static_cast<std::size_t>(first) - 1);
        const std::size_t cutEnd = lines_.next(text(), static_cast<std::size_t>(last) - 1);
        const std::size_t end = lines_.next(text(), static_cast<std::size_t>(to) - 1);
        const std::string_view before = std::string_view(text()).substr(begin, end - begin);
        std::string after(text(), begin, cutBegin - begin);
        after.append(text(), cutEnd, end - cutEnd);
        const yaml::CheckResult now = yaml::checkConfiguration(after);
        const std::vector<yaml::TopLevelKey> changed =
            now.valid ? yaml::changedEntries(before, after) : std::vector<yaml::TopLevelKey>{};
        if (!whole && (now.valid ? changed.empty() : !yaml::checkConfiguration(before).valid)) continue;
        if (!now.valid) {
            const yaml::Finding& problem = now.errors.front();
            return refuse(Refusal::InvalidYaml, "删除后服务器无法读取这段配置：" + lineNumber(from + problem.line - 1) +
                                                    "：" + problem.message + "。没有改动文本");
        }
        for (const yaml::TopLevelKey& other : changed) {
            if (other.name == entry.key) continue;
            return refuse(Refusal::Unsupported, "删除后" + lineNumber(from + other.line - 1) + "的条目" +
                                                    quoted(other.name) + "会被服务器读成别的值；没有改动文本");
        }
        return std::nullopt;
    }
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
    const std::string renamed = renamedBlock(block, m.keyBegin, m.keyEnd, newId);
    if (auto refused = unreadableResult(renamed, entry->line)) return *refused;
    out.text = detail::splice(*this, entry->line, entry->end, renamed);
    return out;
}

}  // namespace entries
