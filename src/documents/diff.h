// What differs between a file on disk and the text that would replace it, line by line: the
// "比较" view before a save, and the automation interface's diff.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace documents {

// One place where the texts differ: from line `line` of the old text (from 1), the removed
// lines are replaced by the added ones. A pure insertion removes nothing and names the line
// the added ones go in front of (the old text's line count + 1 at its end).
struct Change {
    int line = 0;
    std::vector<std::string> removed;
    std::vector<std::string> added;

    bool operator==(const Change&) const = default;
};

// The changes that turn old into now, fewest lines first (Myers' algorithm over what is left
// after the common start and end). Lines are split at "\n"; a "\r" before it is the line's.
// When the texts differ in more than `limit` lines the middle is one change.
std::vector<Change> lineDiff(std::string_view old, std::string_view now, int limit = 2000);

}  // namespace documents
