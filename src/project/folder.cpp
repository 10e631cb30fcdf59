#include "project/folder.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "text/colour_tools.h"
#include "yaml/check.h"
#include "yaml/document.h"
#include "yaml/key_name.h"

namespace project {

namespace {

using yaml::Document;
using yaml::Node;
using yaml::NodeKind;

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
    return out;
}

// The text a name or lore is found by: its codes taken off, letters in lower case.
std::string searchable(std::string_view text) { return lowered(text::stripCodes(text)); }

// Between two texts of one entry's search text: no typed text holds it, so none matches across.
constexpr char kApart = '\0';

bool isKind(entries::Kind kind) { return kind != entries::Kind::Other; }

FileKind kindOf(std::span<const entries::Entry> list) {
    bool seen[3] = {false, false, false};
    for (const entries::Entry& entry : list) {
        if (entry.kind == entries::Kind::Gem) seen[0] = true;
        if (entry.kind == entries::Kind::Element) seen[1] = true;
        if (entry.kind == entries::Kind::KeyLore) seen[2] = true;
    }
    const int count = int{seen[0]} + int{seen[1]} + int{seen[2]};
    if (count == 0) return FileKind::Other;
    if (count > 1) return FileKind::Mixed;
    return seen[0] ? FileKind::Gem : seen[1] ? FileKind::Element : FileKind::KeyLore;
}

bool isScalar(const Document& doc, std::size_t node) { return doc.node(node).kind == NodeKind::Scalar; }

// A mapping's keys and values as the server keeps them (merges, the last of equal keys); none
// for another node.
using Pairs = std::vector<std::pair<std::size_t, std::size_t>>;
Pairs pairsOf(const Document& doc, std::size_t node) {
    return doc.node(node).kind == NodeKind::Mapping ? yaml::entries(doc, node) : Pairs();
}

// The value under a key.
std::optional<std::size_t> valueOf(const Document& doc, const Pairs& pairs, std::string_view key) {
    for (const auto& [k, v] : pairs)
        if (isScalar(doc, k) && doc.value(doc.node(k)) == key) return v;
    return std::nullopt;
}

// A scalar's text as the server reads a string from it; nothing for a null or a collection.
std::optional<std::string> textOf(const Document& doc, std::size_t node) {
    const Node& n = doc.node(node);
    if (n.kind != NodeKind::Scalar || n.tag == yaml::Tag::Null) return std::nullopt;
    return std::string(doc.value(n));
}

// The keys of the mapping under key, each by the server's name for it, with its line.
std::vector<Reference> keysUnder(const Document& doc, const Pairs& pairs, std::string_view key) {
    std::vector<Reference> out;
    const std::optional<std::size_t> value = valueOf(doc, pairs, key);
    if (!value) return out;
    for (const auto& [k, v] : pairsOf(doc, *value)) {
        const Node& name = doc.node(k);
        if (name.kind == NodeKind::Scalar)
            out.push_back({yaml::keyName(doc, name), name.start.textLine, std::string(doc.value(name))});
    }
    return out;
}

// The entry whose key is on the line, or nullptr.
template <typename Entries>
auto* entryAt(Entries& list, int line) {
    const auto found =
        std::lower_bound(list.begin(), list.end(), line, [](const entries::Entry& e, int l) { return e.line < l; });
    return found != list.end() && found->line == line ? &*found : nullptr;
}

// Reads from the whole text what each entry of a readable file says to the rules. The server
// reads the file as one document, so an entry's anchors and merges are read as it reads them.
void readContent(const Document& doc, std::span<const entries::Entry> list, std::vector<EntryFacts>& facts) {
    if (!doc.loads() || !doc.root || doc.node(*doc.root).kind != NodeKind::Mapping) return;
    const auto top = doc.children(doc.node(*doc.root));
    for (std::size_t i = 0; i + 1 < top.size(); i += 2) {
        const entries::Entry* entry = entryAt(list, doc.node(top[i]).start.textLine);
        if (entry == nullptr || !isKind(entry->kind)) continue;
        EntryFacts& fact = facts[static_cast<std::size_t>(entry - list.data())];
        const Pairs pairs = pairsOf(doc, top[i + 1]);
        switch (entry->kind) {
        case entries::Kind::Gem: {
            fact.effects = keysUnder(doc, pairs, "Effect");
            if (const auto keylore = valueOf(doc, pairs, "Keylore")) {
                if (const auto lore = textOf(doc, *keylore)) fact.textKey += kApart + searchable(*lore);
            }
            break;
        }
        case entries::Kind::Element: fact.resistances = keysUnder(doc, pairs, "Resistance"); break;
        case entries::Kind::KeyLore:
            if (const auto keylore = valueOf(doc, pairs, "keylore")) {
                if (auto lore = textOf(doc, *keylore)) {
                    fact.hasKeyLore = true;
                    fact.keyLore = std::move(*lore);
                }
            }
            break;
        case entries::Kind::Other: break;
        }
    }
}

std::vector<EntryFacts> factsOf(const entries::Index& index, const Document& doc) {
    const std::span<const entries::Entry> list = index.listing().entries;
    std::vector<EntryFacts> facts(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        facts[i].idKey = lowered(list[i].id);
        if (list[i].key != list[i].id) facts[i].idKey += kApart + lowered(list[i].key);  // "31" finds 0x1F
        facts[i].textKey = searchable(list[i].label);
    }
    if (!index.listing().broken) readContent(doc, list, facts);
    return facts;
}

std::vector<std::string_view> partsOf(std::string_view path) {
    std::vector<std::string_view> parts;
    while (true) {
        const std::size_t slash = path.find('/');
        parts.push_back(path.substr(0, slash));
        if (slash == std::string_view::npos) return parts;
        path.remove_prefix(slash + 1);
    }
}

}  // namespace

std::string_view code(FileKind kind) {
    switch (kind) {
    case FileKind::Gem: return "gem";
    case FileKind::Element: return "element";
    case FileKind::KeyLore: return "keylore";
    case FileKind::Mixed: return "mixed";
    case FileKind::Other: return "other";
    }
    return "other";
}

std::string_view code(entries::Kind kind) {
    switch (kind) {
    case entries::Kind::Gem: return "gem";
    case entries::Kind::Element: return "element";
    case entries::Kind::KeyLore: return "keylore";
    case entries::Kind::Other: return "other";
    }
    return "other";
}

std::span<const entries::Entry> File::entries() const {
    if (index == nullptr) return {};
    return index->listing().entries;
}

bool File::readable() const { return index != nullptr && !index->listing().broken; }

File indexFile(FileInput input) {
    File file;
    file.path = std::move(input.path);
    file.error = std::move(input.error);
    if (!file.error.empty()) return file;
    auto text = std::make_shared<const std::string>(std::move(input.text));
    // One reading of the text for the server's check and the facts.
    const Document doc = yaml::read(*text);
    const yaml::CheckResult check = yaml::checkConfiguration(*text, doc);
    auto index = std::make_shared<const entries::Index>(std::move(text), check);
    file.facts = std::make_shared<const std::vector<EntryFacts>>(factsOf(*index, doc));
    file.kind = kindOf(index->listing().entries);
    file.index = std::move(index);
    return file;
}

bool inFolderOrder(std::string_view a, std::string_view b) {
    const std::vector<std::string_view> x = partsOf(a);
    const std::vector<std::string_view> y = partsOf(b);
    for (std::size_t i = 0; i < x.size() && i < y.size(); ++i) {
        const bool xFile = i + 1 == x.size();
        const bool yFile = i + 1 == y.size();
        if (xFile != yFile) return xFile;  // a folder's files come before its subfolders
        if (x[i] != y[i]) return x[i] < y[i];
    }
    return false;
}

Folder::Folder(std::vector<File> files) : files_(std::move(files)) {
    std::stable_sort(files_.begin(), files_.end(),
                     [](const File& a, const File& b) { return inFolderOrder(a.path, b.path); });
    // Of files with one path the last given is kept.
    std::vector<File> kept;
    kept.reserve(files_.size());
    for (File& file : files_) {
        if (!kept.empty() && kept.back().path == file.path)
            kept.back() = std::move(file);
        else
            kept.push_back(std::move(file));
    }
    files_ = std::move(kept);
}

Folder::Folder(std::vector<FileInput> inputs)
    : Folder([&] {
          std::vector<File> files;
          files.reserve(inputs.size());
          for (FileInput& input : inputs) files.push_back(indexFile(std::move(input)));
          return files;
      }()) {}

const File* Folder::file(std::string_view path) const {
    for (const File& file : files_)
        if (file.path == path) return &file;
    return nullptr;
}

std::size_t Folder::entryCount() const {
    std::size_t count = 0;
    for (const File& file : files_) count += file.entries().size();
    return count;
}

Folder Folder::withFile(FileInput input) const { return withFile(indexFile(std::move(input))); }

Folder Folder::withFile(File file) const {
    std::vector<File> files = files_;
    files.push_back(std::move(file));
    return Folder(std::move(files));
}

std::vector<Match> Folder::find(std::string_view text) const {
    const std::string id = lowered(text);
    const std::string name = searchable(text);
    // A text of codes alone ("&c") finds identifiers that hold it, not every coloured name.
    const bool byName = !name.empty() || text.empty();
    std::vector<Match> out;
    for (std::size_t f = 0; f < files_.size(); ++f) {
        const File& file = files_[f];
        const std::span<const entries::Entry> list = file.entries();
        if (list.empty()) continue;
        const std::vector<EntryFacts>& facts = *file.facts;
        for (std::size_t e = 0; e < list.size(); ++e) {
            const EntryFacts& fact = facts[e];
            const bool found =
                fact.idKey.find(id) != std::string::npos || (byName && fact.textKey.find(name) != std::string::npos);
            if (!found) continue;
            out.push_back({f, e, file.path, list[e].id, list[e].kind, list[e].line});
        }
    }
    return out;
}

}  // namespace project
