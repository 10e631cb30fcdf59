// What would break the plugin's reload, found across the files of its folder and the command
// panel's lines: pure rules over the folder's index. Each finding is exact: what it names is
// what the server reads, so none is one to learn to ignore.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "project/folder.h"

namespace project {

enum class Code {
    Unreadable,        // the server cannot read the file: the check's first error
    DuplicateId,       // an identifier defined twice in one file, or in two files for one kind
    UnknownElement,    // a resistance line or /attribute element names an element no file defines
    MismatchedEffect,  // a gem's Bonus_Base_X and Bonus_Scale_Y name different attributes
    DuplicateKeyLore,  // two key-lore entries with the same lore text fire on the same item
    UnknownGem,        // /socket load gems names a gem no file defines
};
// "unreadable", "duplicate-id", "unknown-element", "mismatched-effect", "duplicate-keylore",
// "unknown-gem".
std::string_view code(Code code);

struct Location {
    std::string file;
    int line = 0;
    bool operator==(const Location&) const = default;
};

struct Finding {
    Code code = Code::Unreadable;
    std::string file;   // the file's path in the folder; empty for a panel's line
    std::string panel;  // the panel's name for one of its lines ("编辑框1"); empty for a file
    int line = 0;       // from 1
    int column = 0;     // unreadable: the check's column (0: the line as a whole); else 0
    // The identifier concerned: duplicate-id the identifier; unknown-gem and unknown-element
    // the one named that no file defines; mismatched-effect the gem; duplicate-keylore the
    // key-lore entry. Empty for unreadable.
    std::string entry;
    std::optional<Location> other;  // duplicate-id, duplicate-keylore: the other place
    std::string message;            // for the user, simplified Chinese, without the place itself
    // What else tells this finding from another of its code and entry, not the line: the element
    // whose resistance it is, the two effect keys, the lore text. Compared by added().
    std::string subject;

    bool operator==(const Finding&) const = default;
};

// A panel's text, for the commands on its lines.
struct PanelText {
    std::string name;  // "编辑框1"
    std::string text;  // UTF-8, LF or CR LF
};

// Every finding of the folder, in the order of its files and lines, then those of the panels'
// lines in the order of the panels and lines.
//
// - A file the server cannot read has one unreadable finding and takes part in nothing else,
//   except that its entries count as defined (so that one broken file does not make every
//   command naming its gems a finding as well).
// - An entry the server drops (an earlier one of two with one identifier in one file) counts
//   for duplicate-id only.
// - Identifiers are compared as the server names them ("1.0" and "1.00" are one); a command's
//   identifier is the word after the command as typed.
// - A file that could not be read at all (File::error) gives no finding here: the reading says
//   which and why.
std::vector<Finding> check(const Folder& folder, std::span<const PanelText> panels = {});

// The findings of after that before does not have. Findings are compared by everything but
// their lines (code, file or panel, entry, the other place's file, subject), so a finding that
// only moved with the lines around it is not new; of findings alike, after's beyond the number
// before are new. In after's order.
std::vector<Finding> added(std::span<const Finding> before, std::span<const Finding> after);

// The folder as it will be after a save: the findings with one file's text replaced (or the
// file added), and which of them the save adds.
struct SaveCheck {
    Folder folder;                  // the folder after the save
    std::vector<Finding> findings;  // all of its findings
    std::vector<Finding> added;     // those that the folder before did not have
};
SaveCheck checkSave(const Folder& folder, FileInput saved, std::span<const PanelText> panels = {});
// The same with the findings of the folder before, when they are at hand.
SaveCheck checkSave(const Folder& folder, std::span<const Finding> before, FileInput saved,
                    std::span<const PanelText> panels = {});

}  // namespace project
