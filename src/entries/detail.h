// What the listing and the edits of an Index share: finding an entry, its lines as a block of
// text, putting a new block in its place, and the refusals in words.
#pragma once

#include <string>
#include <string_view>

#include "entries/entries.h"

namespace entries::detail {

// The entry with the identifier: the last of several (the one the server keeps), or, when near
// is given, the one whose key is closest to that line. nullptr when there is none.
const Entry* findEntry(const Listing& listing, std::string_view id, int near = 0);

// The entry's lines, each with its own line end, as they stand in the text.
std::string_view blockOf(const Index& index, const Entry& entry);

// The line end new lines of the entry take: its key line's, or the text's when that has none.
std::string_view eolOf(const Index& index, const Entry& entry);

// The text with lines [first, last] (from 1) replaced by the block.
std::string splice(const Index& index, int first, int last, std::string_view block);

// “text”, as the messages quote names.
std::string quoted(std::string_view text);

EditResult refuse(Refusal refusal, std::string message);

// The refusal of an edit that would make an identifier that another entry has.
EditResult duplicateId(const Index& index, std::string_view id);

}  // namespace entries::detail
