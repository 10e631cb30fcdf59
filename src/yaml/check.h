// The configuration check: can the server read the panel's text, and what in it will
// the plugin not take as meant. Pure and thread-safe; the UI runs it off its thread.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace yaml {

struct Document;

// Lines and columns count from 1 by the lines of the text panel (only LF ends a line);
// columns count code points. Column 0: the finding concerns the whole line.
struct Finding {
    int line = 0;
    int column = 0;
    std::string message;  // short simplified Chinese, without the position
};

// A top-level key (a gem, element or key-lore identifier) as the plugin sees it.
struct TopLevelKey {
    std::string name;
    int line = 0;
    int end = 0;  // checkConfiguration: the last line its key and value take as the server reads
                  // them (yaml/extent.h); comments and blank lines after them are not counted
};

struct CheckResult {
    bool valid = true;              // no errors: the server reads the text as meant
    std::size_t entries = 0;        // top-level keys the server keeps (duplicates once)
    std::vector<Finding> errors;    // in line order
    std::vector<Finding> warnings;  // in line order
    std::vector<TopLevelKey> keys;  // every top-level key as written, in order
};

// Checks the UTF-8 text the user will save into the socket, element or key-lore file.
CheckResult checkConfiguration(std::string_view utf8);
// The same with the text already read (doc is yaml::read(utf8)), for a caller that walks the
// document as well: the reading is most of the check's time.
CheckResult checkConfiguration(std::string_view utf8, const Document& doc);

// Whether the server reads a plain (unquoted) value as a number: SnakeYAML resolves it to
// an int or a float ("10", "-8", "2.5", "1e3", also "0x1F" and "1:20"). The check holds the
// number fields of gems and elements to this rule, and the command check command values.
bool readsAsNumber(std::string_view plain);

// The top-level keys of before whose value after reads differently, or which after no longer
// has: what appending to a file must not do. Empty when before itself cannot be read (or after
// cannot: the check says why).
std::vector<TopLevelKey> changedEntries(std::string_view before, std::string_view after);

// A text whose last value is a block scalar ("|" or ">") that ends the text without a line
// break: a line break written after it would become part of that value, unless its header
// strips the final break. Where the header's indicators are (line and column as a Finding
// counts them), what is written there and what to write instead: "|" -> "|-", "|+2" -> "|-2".
struct HeaderChange {
    int line = 0;
    int column = 0;
    std::string from;
    std::string to;
};
std::optional<HeaderChange> keepLastBlockScalar(std::string_view utf8);

}  // namespace yaml
