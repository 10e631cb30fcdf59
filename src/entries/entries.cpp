#include "entries/entries.h"

#include <algorithm>
#include <cstdlib>

#include "entries/detail.h"
#include "entries/scalars.h"
#include "entries/shapes.h"
#include "yaml/key_name.h"
#include "yaml/resolve.h"

namespace entries {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// "---" or "..." on a line of its own (or before a blank): a document marker, never an entry.
bool isMarker(std::string_view line) {
    return (line.starts_with("---") || line.starts_with("...")) &&
           (line.size() == 3 || line[3] == ' ' || line[3] == '\t');
}

std::string unreadable(const yaml::Finding& first) {
    std::string where = "第 " + std::to_string(first.line) + " 行";
    if (first.column > 0) where += "第 " + std::to_string(first.column) + " 列";
    return "服务器无法读取这段配置：" + where + "：" + first.message + "。";
}

// What a quick look at the entry's lines tells: its identifier, its keys and the label. simple
// is false when a line is more than one key and a one-line value, or one list item: then only
// reading the entry can tell.
struct Glance {
    bool simple = true;
    std::string id;
    std::string key;  // the server's name for it
    Kind kind = Kind::Other;
    std::string label;
};

Glance glance(const Index& index, std::size_t first, std::size_t last) {
    Glance out;
    const std::string_view text = index.text();
    const Lines& lines = index.lines();
    std::string_view keyLine = lines.content(text, first);
    std::size_t column = 0;
    if (first == 0 && keyLine.starts_with(kByteOrderMark)) column = kByteOrderMark.size();
    column += indentOf(keyLine.substr(column));
    const Scalar key = keyAt(keyLine, column);
    if (!key.simple) {
        out.simple = false;
        return out;
    }
    out.id = key.value;
    const std::string_view written = keyLine.substr(key.begin, key.end - key.begin);
    if (written.starts_with('"') || written.starts_with('\'') || yaml::resolvePlain(key.value) == yaml::Tag::Str)
        out.key = key.value;
    else
        out.key = yaml::keyName(written).value_or(key.value);
    const Scalar inline_ = valueAt(keyLine, keyLine.find(':', key.end) + 1);
    if (!inline_.simple || inline_.end > inline_.begin) {
        out.simple = inline_.simple;  // a scalar of its own: an entry of no kind
        return out;
    }
    std::vector<std::string> keys;
    std::string displayName;
    std::string keylore;
    std::string lowerKeylore;
    std::size_t childIndent = std::string_view::npos;
    bool lastChildNull = true;                          // the last key at the entry's own level has its value below it
    std::size_t scalarIndent = std::string_view::npos;  // a key with a value ended the line above
    for (std::size_t i = first + 1; i <= last; ++i) {
        const std::string_view line = lines.content(text, i);
        if (isBlank(line) || isComment(line)) continue;
        const std::size_t indent = indentOf(line);
        if (childIndent == std::string_view::npos && indent > column) childIndent = indent;
        const bool continues = scalarIndent != std::string_view::npos && indent > scalarIndent;
        scalarIndent = std::string_view::npos;
        if (continues || indent <= column || indent < childIndent) {
            out.simple = false;
            continue;
        }
        if (line[indent] == '-' && (indent + 1 == line.size() || line[indent + 1] == ' ')) {
            if (!valueAt(line, indent + 1, false).simple || (indent == childIndent && !lastChildNull))
                out.simple = false;
            continue;
        }
        const Scalar child = keyAt(line, indent);
        if (!child.simple) {
            out.simple = false;
            continue;
        }
        const bool labels = indent == childIndent &&
                            (child.value == "Display_Name" || child.value == "Keylore" || child.value == "keylore");
        Scalar value = valueAt(line, line.find(':', child.end) + 1, labels);
        if (!value.simple) out.simple = false;
        const bool null = value.end == value.begin;
        if (!null) scalarIndent = indent;
        if (indent != childIndent) continue;
        lastChildNull = null;
        if (child.value == "Display_Name") displayName = std::move(value.value);
        if (child.value == "Keylore") keylore = std::move(value.value);
        if (child.value == "keylore") lowerKeylore = std::move(value.value);
        keys.push_back(child.value);
    }
    const std::vector<std::string_view> names(keys.begin(), keys.end());
    out.kind = classify(names);
    if (out.kind == Kind::Gem) out.label = std::move(displayName);
    if (out.kind == Kind::Element) out.label = std::move(keylore);
    if (out.kind == Kind::KeyLore) out.label = std::move(lowerKeylore);
    return out;
}

Index indexOf(std::string_view text) { return Index(std::string(text)); }

}  // namespace

std::string_view code(Refusal refusal) {
    switch (refusal) {
    case Refusal::None: return "";
    case Refusal::UnknownEntry: return "unknown-entry";
    case Refusal::OtherEntry: return "other-entry";
    case Refusal::InvalidYaml: return "invalid-yaml";
    case Refusal::DuplicateKey: return "duplicate-key";
    case Refusal::EmptyId: return "empty-id";
    case Refusal::BadLine: return "bad-line";
    case Refusal::Unsupported: return "unsupported";
    }
    return "";
}

Index::Index(std::string text) : text_(std::make_shared<const std::string>(std::move(text))) {
    scan(yaml::checkConfiguration(*text_));
}

Index::Index(std::string text, const yaml::CheckResult& check)
    : text_(std::make_shared<const std::string>(std::move(text))) {
    scan(check);
}

Index::Index(std::shared_ptr<const std::string> text, const yaml::CheckResult& check) : text_(std::move(text)) {
    if (text_ == nullptr) text_ = std::make_shared<const std::string>();
    scan(check);
}

void Index::scan(const yaml::CheckResult& check) {
    lines_ = Lines(text());
    const std::size_t count = lines_.count();
    listing_.broken = !check.valid;
    if (listing_.broken) {
        if (!check.errors.empty()) listing_.problem = check.errors.front();
        listing_.message =
            check.errors.empty() ? std::string("服务器无法读取这段配置。") : unreadable(listing_.problem);
    }
    // Where entries start: the keys the server read, or, in a text it cannot read, every line
    // that begins with a key at its first column.
    std::vector<std::size_t> starts;
    std::vector<std::string_view> names;
    if (!listing_.broken) {
        for (const yaml::TopLevelKey& key : check.keys) {
            if (key.line < 1 || static_cast<std::size_t>(key.line) > count) continue;
            starts.push_back(static_cast<std::size_t>(key.line) - 1);
            names.push_back(key.name);
        }
    } else {
        for (std::size_t i = 0; i < count; ++i) {
            std::string_view line = lines_.content(text(), i);
            if (i == 0 && line.starts_with(kByteOrderMark)) line.remove_prefix(kByteOrderMark.size());
            if (line.empty() || line[0] == ' ' || line[0] == '\t' || line[0] == '#' || line[0] == '%' || isMarker(line))
                continue;
            if (keyAt(line, 0).simple) starts.push_back(i);
        }
    }
    listing_.entries.reserve(starts.size());
    for (std::size_t k = 0; k < starts.size(); ++k) {
        const std::size_t first = starts[k];
        std::size_t last =
            k + 1 < starts.size() ? std::max(first, starts[k + 1] - (starts[k + 1] > first ? 1 : 0)) : count - 1;
        while (last > first) {
            const std::string_view line = lines_.content(text(), last);
            if (!isBlank(line) && !isComment(line) && !isMarker(line)) break;
            --last;
        }
        Entry entry;
        entry.line = static_cast<int>(first) + 1;
        entry.end = static_cast<int>(last) + 1;
        Glance seen = glance(*this, first, last);
        if (!seen.simple && !listing_.broken) {
            const std::size_t begin = lines_.begin(first);
            const Model model = readEntry(std::string_view(text()).substr(begin, lines_.next(text(), last) - begin));
            if (model.readable) {
                seen.id = model.id;
                seen.kind = model.kind;
                seen.label = model.label;
            } else if (seen.id.empty()) {
                seen.id = names[k];
            }
        }
        entry.id = std::move(seen.id);
        entry.key = listing_.broken ? std::move(seen.key) : names[k];
        if (entry.key.empty()) entry.key = entry.id;
        entry.kind = seen.kind;
        entry.label = std::move(seen.label);
        listing_.entries.push_back(std::move(entry));
    }
}

LoadResult Index::load(std::string_view id) const {
    LoadResult out;
    if (listing_.broken) {
        out.refusal = Refusal::InvalidYaml;
        out.message = listing_.message;
        return out;
    }
    const Entry* entry = detail::findEntry(listing_, id);
    if (entry == nullptr) {
        out.refusal = Refusal::UnknownEntry;
        out.message = "没有识别名为" + detail::quoted(id) + "的条目";
        return out;
    }
    const Model model = readEntry(detail::blockOf(*this, *entry));
    if (!model.readable) {
        out.refusal = Refusal::Unsupported;
        out.message = "第 " + std::to_string(entry->line) + " 行的条目单独读不出来（可能引用了别处的锚点），无法载入";
        return out;
    }
    if (model.page == nullptr) {
        out.refusal = Refusal::OtherEntry;
        out.message = detail::quoted(id) + "不是宝石、元素或技能条目，无法载入到页面";
        return out;
    }
    Loaded& loaded = out.loaded;
    loaded.id = model.id;
    loaded.key = entry->key;
    loaded.line = entry->line;
    loaded.kind = model.kind;
    loaded.page = model.page->page;
    loaded.button = model.page->button;
    loaded.inputs = model.inputs;
    for (const int line : model.extras)
        loaded.extras.push_back({entry->line + line, model.lines[static_cast<std::size_t>(line)]});
    return out;
}

Listing list(std::string_view text) { return indexOf(text).listing(); }

LoadResult load(std::string_view text, std::string_view id) { return indexOf(text).load(id); }

EditResult update(std::string_view text, const Loaded& loaded, const actions::Inputs& inputs) {
    return indexOf(text).update(loaded, inputs);
}

EditResult duplicate(std::string_view text, std::string_view id, std::string_view newId) {
    return indexOf(text).duplicate(id, newId);
}

EditResult remove(std::string_view text, std::string_view id) { return indexOf(text).remove(id); }

EditResult rename(std::string_view text, std::string_view id, std::string_view newId) {
    return indexOf(text).rename(id, newId);
}

EditResult insertListLine(std::string_view text, std::string_view id, std::string_view builtLine) {
    return indexOf(text).insertListLine(id, builtLine);
}

namespace detail {

std::string nameOf(const Listing& listing, std::string_view id) {
    const Entry* written = nullptr;
    for (const Entry& entry : listing.entries) {
        if (entry.key == id) return std::string(id);
        if (entry.id == id) written = &entry;
    }
    return written != nullptr ? written->key : std::string(id);
}

const Entry* named(const Listing& listing, std::string_view key) {
    for (std::size_t i = listing.entries.size(); i-- > 0;)
        if (listing.entries[i].key == key) return &listing.entries[i];
    return nullptr;
}

const Entry* findEntry(const Listing& listing, std::string_view id, int near) {
    const std::string key = nameOf(listing, id);
    if (near == 0) return named(listing, key);
    const Entry* found = nullptr;
    for (const Entry& entry : listing.entries) {
        if (entry.key != key) continue;
        if (found == nullptr || std::abs(entry.line - near) <= std::abs(found->line - near)) found = &entry;
    }
    return found;
}

const Entry* shadowed(const Listing& listing, const Entry& entry) {
    const Entry* found = nullptr;
    for (const Entry& other : listing.entries) {
        if (&other == &entry) break;
        if (other.key == entry.key) found = &other;
    }
    return found;
}

std::string_view blockOf(const Index& index, const Entry& entry) {
    const std::size_t begin = index.lines().begin(static_cast<std::size_t>(entry.line) - 1);
    const std::size_t end = index.lines().next(index.text(), static_cast<std::size_t>(entry.end) - 1);
    return std::string_view(index.text()).substr(begin, end - begin);
}

std::string_view eolOf(const Index& index, const Entry& entry) {
    const std::string_view ending = index.lines().ending(index.text(), static_cast<std::size_t>(entry.line) - 1);
    return ending.empty() ? index.lines().eol(index.text()) : ending;
}

std::string splice(const Index& index, int first, int last, std::string_view block) {
    const std::string& text = index.text();
    const std::size_t begin = index.lines().begin(static_cast<std::size_t>(first) - 1);
    const std::size_t end = index.lines().next(text, static_cast<std::size_t>(last) - 1);
    std::string out;
    out.reserve(text.size() - (end - begin) + block.size());
    out.append(text, 0, begin);
    out += block;
    out.append(text, end);
    return out;
}

std::string quoted(std::string_view text) {
    std::string out = "“";
    out += text;
    out += "”";
    return out;
}

EditResult refuse(Refusal refusal, std::string message) {
    EditResult out;
    out.refusal = refusal;
    out.message = std::move(message);
    return out;
}

std::optional<EditResult> takenBy(const Index& index, std::string_view newId, const Entry* self) {
    const Entry* other = named(index.listing(), newId);
    if (other == nullptr || other == self) return std::nullopt;
    std::string where = "第 " + std::to_string(other->line) + " 行";
    if (other->id != newId) where += "，写作" + quoted(other->id);
    return refuse(Refusal::DuplicateKey, "已有识别名为" + quoted(newId) + "的条目（" + where + "）");
}

std::optional<EditResult> uncovers(const Index& index, const Entry& entry, std::string_view what) {
    const Entry* other = shadowed(index.listing(), entry);
    if (other == nullptr) return std::nullopt;
    const std::string line = "第 " + std::to_string(other->line) + " 行";
    return refuse(Refusal::DuplicateKey, "识别名" + quoted(entry.key) + "在" + line + "还有一个条目，服务器读的是第 " +
                                             std::to_string(entry.line) + " 行这一个；" + std::string(what) +
                                             "后服务器会改读" + line +
                                             "的。请先在文本里处理重复的识别名；没有改动文本");
}

}  // namespace detail

}  // namespace entries
