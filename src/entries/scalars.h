// Keys and values that stand on one line, read without reading the whole text: what the list of
// a 10,000-entry file needs from each line it looks at. Anything less plain than a quoted or
// plain scalar on its own line is left to the YAML reader (simple is false).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace entries {

struct Scalar {
    bool simple = false;    // read here; otherwise only the YAML reader can tell
    std::string value;      // quotes and escapes undone; empty for a null value
    std::size_t begin = 0;  // bytes of the line the scalar takes
    std::size_t end = 0;
};

// The key at byte `from` of a line, when the line is "key:" followed by a blank, a comment or
// nothing. begin/end cover the key itself, without the colon.
Scalar keyAt(std::string_view line, std::size_t from);

// The value after a key's colon at byte `from`: nothing (a null), a plain scalar, or a quoted
// scalar closed on the line, followed by blanks and perhaps a comment. Without decode, only
// whether it is one and where it stands (its value stays empty).
Scalar valueAt(std::string_view line, std::size_t from, bool decode = true);

// The scalar as a YAML reader gives a one-line quoted scalar, e.g. "\"a\\tb\"" -> "a<TAB>b";
// simple is false when it does not read as one.
Scalar quotedValue(std::string_view quoted);

}  // namespace entries
