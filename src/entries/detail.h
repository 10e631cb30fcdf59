// What the listing and the edits of an Index share: finding an entry, its lines as a block of
// text, putting a new block in its place, and the refusals in words.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "entries/entries.h"

namespace entries::detail {

// The server's name (Entry::key) of an identifier a caller gives: the identifier itself when an
// entry has that name or none is written so ("31" finds "0x1F:"); else the name of the entry
// written so ("1.00" is "1.0", "0x1F" is "31").
std::string nameOf(const Listing& listing, std::string_view id);

// The last entry of that name: the one the server keeps. nullptr when there is none.
const Entry* named(const Listing& listing, std::string_view key);

// The entry with the identifier, by its name to the server: the last of several (the one the
// server keeps), or, when near is given, the one whose key is closest to that line. nullptr when
// there is none.
const Entry* findEntry(const Listing& listing, std::string_view id, int near = 0);

// The nearest entry before this one with the same name, which this one shadows; or nullptr.
const Entry* shadowed(const Listing& listing, const Entry& entry);

// The entry's lines, each with its own line end, as they stand in the text.
std::string_view blockOf(const Index& index, const Entry& entry);

// The line end new lines of the entry take: its key line's, or the text's when that has none.
std::string_view eolOf(const Index& index, const Entry& entry);

// The text with lines [first, last] (from 1) replaced by the block.
std::string splice(const Index& index, int first, int last, std::string_view block);

// “text”, as the messages quote names.
std::string quoted(std::string_view text);

EditResult refuse(Refusal refusal, std::string message);

// The refusal of an edit that would give self (nullptr for a new entry) a new identifier, as the
// editor writes it, that the server already names another entry by.
std::optional<EditResult> takenBy(const Index& index, std::string_view newId, const Entry* self);

// The refusal of an edit that takes the entry's name away ("删除", "改名") while it shadows
// another of that name, which the server would then read instead.
std::optional<EditResult> uncovers(const Index& index, const Entry& entry, std::string_view what);

}  // namespace entries::detail
