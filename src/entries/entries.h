// The entries of a socket, element or key-lore text: listed, loaded into their page's fields, and
// changed in place line for line, so that editing one gem never touches a byte of the others.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "actions/action.h"
#include "entries/lines.h"
#include "yaml/check.h"

namespace entries {

// What a top-level key holds, judged by its keys (see classify() in shapes.h).
enum class Kind { Gem, Element, KeyLore, Other };

struct Entry {
    Kind kind = Kind::Other;
    std::string id;     // the key as YAML reads it: quotes and escapes undone
    std::string key;    // the identifier as the server names it (yaml::keyName): "0x1F" is "31"
    int line = 0;       // the key's line, from 1
    int end = 0;        // the entry's last line; blank lines and comments after it are not the entry's
    std::string label;  // gem: Display_Name; element and key-lore: their keylore; raw, colour codes kept
};

struct Listing {
    std::vector<Entry> entries;  // in text order
    bool broken = false;         // the server cannot read the text
    yaml::Finding problem;       // the check's first error when broken
    std::string message;         // that error in a sentence, with its line: refusals repeat it
};

// Why a call was refused; code() gives the automation interface's name for it.
enum class Refusal {
    None,
    UnknownEntry,  // no entry has that identifier (or it has gone from the text)
    OtherEntry,    // the entry is none of gem, element and key-lore
    InvalidYaml,   // the server cannot read the text, or would not read the result
    DuplicateKey,  // another entry, or another key of the entry, already has that name
    EmptyId,       // an identifier cannot be empty
    BadLine,       // the line given is not one line of the entry's list
    Unsupported,   // the entry is written in a way its lines cannot be changed one by one
};
std::string_view code(Refusal refusal);

// A line of the entry that the page does not own, as it stands in the text: Effect lines beyond
// the page's two, lore lines beyond the ten the gem block writes, commands after the first,
// resistance lines, keys the page does not know (each of their lines), comments inside the entry.
// Blank lines are left out.
struct Extra {
    int line = 0;
    std::string text;  // without its line end
};

struct Loaded {
    std::string id;             // the entry's identifier when it was loaded
    std::string key;            // and its name to the server (Entry::key)
    int line = 0;               // its key's line then
    Kind kind = Kind::Other;    // Gem, Element or KeyLore
    int page = 0;               // page of 高级选择夹1: 4 宝石, 5 元素, 2 技能
    std::string_view button;    // the action whose fields these are: 按钮50, 按钮54, 按钮21
    actions::Inputs inputs;     // that action's texts and selections, in its order: each the value
                                // its builder writes what the entry holds from (a selection the
                                // entry's value is no item of, or that writes nothing, is -1)
    std::vector<Extra> extras;  // the entry's lines outside the page, in text order
};

// The page an entry of a kind loads into: its index in 高级选择夹1, the button whose fields
// hold the entry, and the button that adds one line to the entry's list (a gem's lore line,
// an element's resistance, a key-lore entry's command).
struct PageOfKind {
    Kind kind = Kind::Other;
    int page = 0;
    std::string_view button;
    std::string_view listButton;
};
std::vector<PageOfKind> pagesOfKinds();

struct LoadResult {
    Refusal refusal = Refusal::None;
    std::string message;  // Chinese, for the user, when refused
    Loaded loaded;
    bool ok() const { return refusal == Refusal::None; }
};

struct EditResult {
    Refusal refusal = Refusal::None;
    std::string message;  // Chinese, for the user, when refused
    std::string text;     // the whole new text
    int line = 0;         // the entry's lines in the new text (remove: the lines it had)
    int end = 0;
    bool ok() const { return refusal == Refusal::None; }
};

// One text and its entries, worked out once: the server's check and a scan of the lines. Every
// call below answers from it without reading the whole text again, so a panel of 10,000 entries
// is listed once and then loaded and edited at the cost of one entry (well under a millisecond
// to load, about one to update, most of it copying the text).
//
// Entries start at the top-level keys the check found; in a text the server cannot read, at
// every line that begins with a key at its first column. Identifiers are found and compared by
// their names to the server (Entry::key): "31" finds "0x1F:", and no edit gives an entry a name
// another has. Among entries of one name every call takes the last, the one the server keeps;
// remove and rename refuse (DuplicateKey) where that would bring an earlier one back into view.
class Index {
public:
    // Runs the server's check: on 10,000 gem blocks most of the 200-odd milliseconds this takes.
    explicit Index(std::string text);
    // With the caller's check of this very text (the panel's live check): the scan alone, some
    // 25 milliseconds on 10,000 gem blocks.
    Index(std::string text, const yaml::CheckResult& check);
    // The same, sharing the text with its check instead of copying it.
    Index(std::shared_ptr<const std::string> text, const yaml::CheckResult& check);

    const std::string& text() const { return *text_; }
    const Listing& listing() const { return listing_; }
    const Lines& lines() const { return lines_; }

    LoadResult load(std::string_view id) const;
    // The loaded entry (found again by identifier, the nearest to the line it was loaded from)
    // changed to the page's new values. A value not changed since load keeps its line byte for
    // byte; a changed one gets its line as the builder writes it, at the entry's indentation,
    // with the line's comment; one the entry lacks comes in where the builder puts it. The new
    // entry is read back before it is given out: refused, and the text untouched, when the
    // server would not read it or would read other values.
    EditResult update(const Loaded& loaded, const actions::Inputs& inputs) const;
    // A copy of the entry right after it, under a new identifier.
    EditResult duplicate(std::string_view id, std::string_view newId) const;
    EditResult remove(std::string_view id) const;
    EditResult rename(std::string_view id, std::string_view newId) const;
    // A line built by 添加 (a gem lore line), the resistance 添加 or 增添 (a command), put after
    // the last item of the entry's own list.
    EditResult insertListLine(std::string_view id, std::string_view builtLine) const;

private:
    void scan(const yaml::CheckResult& check);

    std::shared_ptr<const std::string> text_;  // never null
    Lines lines_;
    Listing listing_;
};

// The same, for one call on a text.
Listing list(std::string_view text);
LoadResult load(std::string_view text, std::string_view id);
EditResult update(std::string_view text, const Loaded& loaded, const actions::Inputs& inputs);
EditResult duplicate(std::string_view text, std::string_view id, std::string_view newId);
EditResult remove(std::string_view text, std::string_view id);
EditResult rename(std::string_view text, std::string_view id, std::string_view newId);
EditResult insertListLine(std::string_view text, std::string_view id, std::string_view builtLine);

}  // namespace entries
