#include "project/findings.h"

#include <algorithm>
#include <map>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace project {

namespace {

// One entry of the folder as the rules see it.
struct At {
    std::size_t file = 0;
    std::size_t entry = 0;
    const entries::Entry* listed = nullptr;
    const EntryFacts* facts = nullptr;
};

std::string quoted(std::string_view text) { return "“" + std::string(text) + "”"; }

// A name as the server reads it, and as it is written when that differs: “1.0”（写作“1.00”）.
std::string named(std::string_view name, std::string_view written) {
    std::string out = quoted(name);
    if (!written.empty() && written != name) out += "（写作" + quoted(written) + "）";
    return out;
}

std::string_view kindWord(entries::Kind kind) {
    switch (kind) {
    case entries::Kind::Gem: return "宝石";
    case entries::Kind::Element: return "元素";
    case entries::Kind::KeyLore: return "关键lore";
    case entries::Kind::Other: return "条目";
    }
    return "条目";
}

std::string whereIn(const Folder& folder, const At& at, std::size_t from) {
    const std::string line = "第 " + std::to_string(at.listed->line) + " 行";
    return at.file == from ? "本文件" + line : folder.files()[at.file].path + " " + line;
}

Location placeOf(const Folder& folder, const At& at) { return {folder.files()[at.file].path, at.listed->line}; }

// The entries the rules read: those of the files the server reads, each marked whether the
// server keeps it (the last of one identifier in its file).
struct Entries {
    std::vector<At> all;  // every entry of a readable file, in folder order
    std::vector<bool> kept;
};

Entries entriesOf(const Folder& folder) {
    Entries out;
    for (std::size_t f = 0; f < folder.files().size(); ++f) {
        const File& file = folder.files()[f];
        if (!file.readable()) continue;
        const std::span<const entries::Entry> list = file.entries();
        std::unordered_map<std::string_view, std::size_t> last;
        for (std::size_t e = 0; e < list.size(); ++e) last[list[e].key] = e;
        for (std::size_t e = 0; e < list.size(); ++e) {
            out.all.push_back({f, e, &list[e], &(*file.facts)[e]});
            out.kept.push_back(last[list[e].key] == e);
        }
    }
    return out;
}

// The identifiers the folder defines for a kind: the entries the server keeps, and the entries
// of files it cannot read, as they are listed.
std::unordered_set<std::string> defined(const Folder& folder, const Entries& list, entries::Kind kind) {
    std::unordered_set<std::string> names;
    for (std::size_t i = 0; i < list.all.size(); ++i)
        if (list.kept[i] && list.all[i].listed->kind == kind) names.insert(list.all[i].listed->key);
    for (const File& file : folder.files()) {
        if (file.readable() || file.index == nullptr) continue;
        for (const entries::Entry& entry : file.entries())
            if (entry.kind == kind) names.insert(entry.key);
    }
    return names;
}

void unreadable(const Folder& folder, std::vector<Finding>& out) {
    for (const File& file : folder.files()) {
        if (file.index == nullptr || file.readable()) continue;
        const entries::Listing& listing = file.index->listing();
        Finding f;
        f.code = Code::Unreadable;
        f.file = file.path;
        f.line = listing.problem.line;
        f.column = listing.problem.column;
        f.message = "服务器无法读取这个文件：" +
                    (listing.problem.message.empty() ? std::string("配置有错误") : listing.problem.message);
        out.push_back(std::move(f));
    }
}

// One identifier in two places: in one file whatever the kinds (the server keeps the last), in
// two files when both are of one kind. Each place gets its finding, naming the first other.
void duplicateIds(const Folder& folder, const Entries& list, std::vector<Finding>& out) {
    std::unordered_map<std::string_view, std::vector<std::size_t>> byName;
    for (std::size_t i = 0; i < list.all.size(); ++i) byName[list.all[i].listed->key].push_back(i);
    for (std::size_t i = 0; i < list.all.size(); ++i) {
        const At& at = list.all[i];
        std::vector<std::size_t> clashes;
        for (const std::size_t j : byName[at.listed->key]) {
            const At& other = list.all[j];
            if (j == i) continue;
            if (other.file == at.file ||
                (other.listed->kind == at.listed->kind && at.listed->kind != entries::Kind::Other))
                clashes.push_back(j);
        }
        if (clashes.empty()) continue;
        const At& first = list.all[clashes.front()];
        Finding f;
        f.code = Code::DuplicateId;
        f.file = folder.files()[at.file].path;
        f.line = at.listed->line;
        f.entry = at.listed->key;
        f.other = placeOf(folder, first);
        const std::string id = named(at.listed->key, at.listed->id);
        if (first.file == at.file) {
            f.message = "识别名" + id + "在" + whereIn(folder, first, at.file) + "也有定义，服务器只保留后面的那个";
        } else {
            f.message = std::string(kindWord(at.listed->kind)) + "识别名" + id + "在" +
                        whereIn(folder, first, at.file) + "也有定义";
        }
        if (clashes.size() > 1) f.message += "（共 " + std::to_string(clashes.size() + 1) + " 处）";
        out.push_back(std::move(f));
    }
}

void unknownElements(const Folder& folder, const Entries& list, const std::unordered_set<std::string>& elements,
                     std::vector<Finding>& out) {
    for (std::size_t i = 0; i < list.all.size(); ++i) {
        const At& at = list.all[i];
        if (!list.kept[i] || at.listed->kind != entries::Kind::Element) continue;
        for (const Reference& resistance : at.facts->resistances) {
            if (elements.contains(resistance.name)) continue;
            Finding f;
            f.code = Code::UnknownElement;
            f.file = folder.files()[at.file].path;
            f.line = resistance.line;
            f.entry = resistance.name;
            f.subject = at.listed->key;
            f.message = "元素" + quoted(at.listed->key) + "的抗性写了元素" +
                        named(resistance.name, resistance.written) + "，文件夹里没有文件定义这个元素";
            out.push_back(std::move(f));
        }
    }
}

constexpr std::string_view kBase = "Bonus_Base_";
constexpr std::string_view kScale = "Bonus_Scale_";

// A gem's Bonus_Base_X goes with its Bonus_Scale_X. A gem that has an attribute of each without
// its partner names two attributes where it means one: one finding, on the first such scale line.
void mismatchedEffects(const Folder& folder, const Entries& list, std::vector<Finding>& out) {
    for (std::size_t i = 0; i < list.all.size(); ++i) {
        const At& at = list.all[i];
        if (!list.kept[i] || at.listed->kind != entries::Kind::Gem) continue;
        const std::vector<Reference>& effects = at.facts->effects;
        const auto has = [&](std::string_view prefix, std::string_view attribute) {
            return std::any_of(effects.begin(), effects.end(), [&](const Reference& r) {
                return r.name.size() == prefix.size() + attribute.size() && r.name.starts_with(prefix) &&
                       r.name.ends_with(attribute);
            });
        };
        std::vector<const Reference*> bases;
        std::vector<const Reference*> scales;
        for (const Reference& effect : effects) {
            const std::string_view name = effect.name;
            if (name.starts_with(kBase) && !has(kScale, name.substr(kBase.size()))) bases.push_back(&effect);
            if (name.starts_with(kScale) && !has(kBase, name.substr(kScale.size()))) scales.push_back(&effect);
        }
        if (bases.empty() || scales.empty()) continue;
        Finding f;
        f.code = Code::MismatchedEffect;
        f.file = folder.files()[at.file].path;
        f.line = scales.front()->line;
        f.entry = at.listed->key;
        std::string attributes;
        for (const Reference* r : bases) attributes += (attributes.empty() ? "" : "、") + r->name;
        f.subject = attributes + " " + scales.front()->name;
        f.message = "宝石" + quoted(at.listed->key) + "的属性 " + attributes + " 和附加属性 " + scales.front()->name +
                    " 不对应（属性和附加属性需要对应：Bonus_Base_X 配 Bonus_Scale_X）";
        out.push_back(std::move(f));
    }
}

// Two key-lore entries (of other identifiers: one identifier twice is duplicate-id's) whose
// lore is the same text.
void duplicateKeyLores(const Folder& folder, const Entries& list, std::vector<Finding>& out) {
    std::unordered_map<std::string_view, std::vector<std::size_t>> byLore;
    for (std::size_t i = 0; i < list.all.size(); ++i) {
        const At& at = list.all[i];
        if (list.kept[i] && at.listed->kind == entries::Kind::KeyLore && at.facts->hasKeyLore)
            byLore[at.facts->keyLore].push_back(i);
    }
    for (std::size_t i = 0; i < list.all.size(); ++i) {
        const At& at = list.all[i];
        if (!list.kept[i] || at.listed->kind != entries::Kind::KeyLore || !at.facts->hasKeyLore) continue;
        std::vector<std::size_t> alike;
        for (const std::size_t j : byLore[at.facts->keyLore])
            if (list.all[j].listed->key != at.listed->key) alike.push_back(j);
        if (alike.empty()) continue;
        const At& first = list.all[alike.front()];
        Finding f;
        f.code = Code::DuplicateKeyLore;
        f.file = folder.files()[at.file].path;
        f.line = at.listed->line;
        f.entry = at.listed->key;
        f.other = placeOf(folder, first);
        f.subject = at.facts->keyLore;
        f.message = "关键lore" + quoted(at.listed->key) + "和" + whereIn(folder, first, at.file) + "的" +
                    quoted(first.listed->key) + "是同一段 lore 文字" + quoted(at.facts->keyLore) +
                    "，两条都会在同一件物品上触发";
        if (alike.size() > 1) f.message += "（共 " + std::to_string(alike.size() + 1) + " 条）";
        out.push_back(std::move(f));
    }
}

// The commands of a panel that name a gem or an element: the identifier is the word after the
// command's words and one blank, as the command panel's own check reads the line.
struct NamingCommand {
    std::string_view words;
    Code code;
    entries::Kind kind;
};
constexpr NamingCommand kNamingCommands[] = {
    {"/socket load gems ", Code::UnknownGem, entries::Kind::Gem},
    {"/attribute element ", Code::UnknownElement, entries::Kind::Element},
};

void panelCommands(std::span<const PanelText> panels, const std::unordered_set<std::string>& gems,
                   const std::unordered_set<std::string>& elements, std::vector<Finding>& out) {
    for (const PanelText& panel : panels) {
        std::string_view text = panel.text;
        int number = 0;
        while (!text.empty()) {
            const std::size_t end = text.find('\n');
            std::string_view line = text.substr(0, end);
            text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
            ++number;
            if (line.ends_with('\r')) line.remove_suffix(1);
            for (const NamingCommand& command : kNamingCommands) {
                if (!line.starts_with(command.words)) continue;
                const std::string_view rest = line.substr(command.words.size());
                const std::string id(rest.substr(0, rest.find(' ')));
                const bool known = command.kind == entries::Kind::Gem ? gems.contains(id) : elements.contains(id);
                if (id.empty() || known) continue;
                Finding f;
                f.code = command.code;
                f.panel = panel.name;
                f.line = number;
                f.entry = id;
                f.message = std::string(command.words.substr(0, command.words.size() - 1)) + " 写的" +
                            std::string(kindWord(command.kind)) + quoted(id) + "，文件夹里没有文件定义这个" +
                            std::string(kindWord(command.kind));
                out.push_back(std::move(f));
            }
        }
    }
}

// The key added() compares findings by.
std::string identity(const Finding& f) {
    std::string key(code(f.code));
    for (const std::string* part : {&f.file, &f.panel, &f.entry, &f.subject}) {
        key += '\0';
        key += *part;
    }
    key += '\0';
    if (f.other) key += f.other->file;
    return key;
}

}  // namespace

std::string_view code(Code code) {
    switch (code) {
    case Code::Unreadable: return "unreadable";
    case Code::DuplicateId: return "duplicate-id";
    case Code::UnknownElement: return "unknown-element";
    case Code::MismatchedEffect: return "mismatched-effect";
    case Code::DuplicateKeyLore: return "duplicate-keylore";
    case Code::UnknownGem: return "unknown-gem";
    }
    return "";
}

std::vector<Finding> check(const Folder& folder, std::span<const PanelText> panels) {
    const Entries list = entriesOf(folder);
    const std::unordered_set<std::string> gems = defined(folder, list, entries::Kind::Gem);
    const std::unordered_set<std::string> elements = defined(folder, list, entries::Kind::Element);
    std::vector<Finding> found;
    unreadable(folder, found);
    duplicateIds(folder, list, found);
    unknownElements(folder, list, elements, found);
    mismatchedEffects(folder, list, found);
    duplicateKeyLores(folder, list, found);
    // In the order of the files, then lines; the rules' order within one line.
    std::map<std::string_view, std::size_t> order;
    for (std::size_t f = 0; f < folder.files().size(); ++f) order[folder.files()[f].path] = f;
    std::stable_sort(found.begin(), found.end(), [&](const Finding& a, const Finding& b) {
        const std::size_t x = order[a.file];
        const std::size_t y = order[b.file];
        return x != y ? x < y : a.line < b.line;
    });
    panelCommands(panels, gems, elements, found);
    return found;
}

std::vector<Finding> added(std::span<const Finding> before, std::span<const Finding> after) {
    std::unordered_map<std::string, int> had;
    for (const Finding& f : before) ++had[identity(f)];
    std::vector<Finding> out;
    for (const Finding& f : after) {
        int& left = had[identity(f)];
        if (left > 0)
            --left;
        else
            out.push_back(f);
    }
    return out;
}

SaveCheck checkSave(const Folder& folder, FileInput saved, std::span<const PanelText> panels) {
    const std::vector<Finding> before = check(folder, panels);
    return checkSave(folder, before, std::move(saved), panels);
}

SaveCheck checkSave(const Folder& folder, std::span<const Finding> before, FileInput saved,
                    std::span<const PanelText> panels) {
    SaveCheck out;
    out.folder = folder.withFile(std::move(saved));
    out.findings = check(out.folder, panels);
    out.added = added(before, out.findings);
    return out;
}

}  // namespace project
