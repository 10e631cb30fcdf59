// The plugin's folder as one index: every file of it with its entries, each file's kind, what
// the cross-file rules read of each entry, and finding an entry by identifier, name or lore.
// Pure: the files come in as decoded text (project/reading/ reads them from a place).
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "entries/entries.h"

namespace project {

// One file of the folder as it was read.
struct FileInput {
    std::string path;   // relative to the folder, "/" between parts: "old/sockets-2023.yml"
    std::string text;   // the decoded text, UTF-8
    std::string error;  // why the file could not be read (text is then unused); empty when read
};

// What a file holds, by the kinds of its entries: one of gem, element and key-lore, more than
// one of them (Mixed), or none (Other: also a file that is empty or could not be read).
enum class FileKind { Gem, Element, KeyLore, Mixed, Other };
// "gem", "element", "keylore", "mixed", "other".
std::string_view code(FileKind kind);
// "gem", "element", "keylore", "other".
std::string_view code(entries::Kind kind);

// A name an entry's line gives, as the server reads it, and that line (from 1).
struct Reference {
    std::string name;
    int line = 0;
    std::string written;  // the key as YAML reads it, quotes undone: "0x20" where name is "32"
};

// What the rules read of one entry, besides its listing.
struct EntryFacts {
    std::vector<Reference> effects;      // a gem: the keys under Effect, as the server keeps them
    std::vector<Reference> resistances;  // an element: the elements its Resistance names
    bool hasKeyLore = false;             // a key-lore entry whose keylore is text
    std::string keyLore;                 // that text, as the server reads it
    std::string idKey;                   // the identifier as written and as named, lower-cased
    std::string textKey;                 // name and lore, codes stripped, lower-cased
};

// One file of the index. Cheap to copy: its entries are shared.
struct File {
    std::string path;
    std::string error;  // from FileInput: the file could not be read
    FileKind kind = FileKind::Other;
    // The file's text and entries; null when it could not be read.
    std::shared_ptr<const entries::Index> index;
    // One per entry of the listing, in its order; empty when the file could not be read.
    std::shared_ptr<const std::vector<EntryFacts>> facts;

    // The entries in text order (none when the file could not be read).
    std::span<const entries::Entry> entries() const;
    // The server reads the file (read, and its check found no error).
    bool readable() const;
};

// Indexes one file: the server's check of its text, its entries, its kind and the facts. Any
// thread; a file of 10,000 gem blocks takes some 400 ms.
File indexFile(FileInput input);

// An entry that find found.
struct Match {
    std::size_t file = 0;   // index into Folder::files()
    std::size_t entry = 0;  // index into that file's entries()
    std::string path;       // the file's path
    std::string id;         // the entry's identifier
    entries::Kind kind = entries::Kind::Other;
    int line = 0;  // the entry's key line
};

class Folder {
public:
    Folder() = default;
    // The files put in name order: at each level of folders, the files first, then the
    // subfolders, each by name (bytes of UTF-8). Two files of one path: the later is kept.
    explicit Folder(std::vector<File> files);
    // Indexes each file here, one after another.
    explicit Folder(std::vector<FileInput> inputs);

    const std::vector<File>& files() const { return files_; }
    const File* file(std::string_view path) const;
    std::size_t entryCount() const;

    // The folder with one file's text replaced (or the file added): the others are shared, not
    // indexed again. What a save would make the folder.
    Folder withFile(FileInput input) const;
    Folder withFile(File file) const;

    // The entries whose identifier (as written or as the server names it), or whose name or
    // lore with the colour codes taken off, holds the text, letters of either case alike ("红宝石"
    // finds Display_Name "&c红宝石", "RUBY" finds ruby, "31" finds 0x1F); in the order of the
    // files and lines. An empty text finds every entry.
    std::vector<Match> find(std::string_view text) const;

private:
    std::vector<File> files_;
};

// Whether a path is before another in the folder's order (see Folder).
bool inFolderOrder(std::string_view a, std::string_view b);

}  // namespace project
