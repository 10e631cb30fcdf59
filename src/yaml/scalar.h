// When the block writer may put a value in the file without quotes: only when the server
// (SnakeYAML, YAML 1.1) reads it back as typed. Anything else goes between double quotes.
#pragma once

#include <string>
#include <string_view>

namespace yaml {

// What a field holds: text, or a number such as Max_Grade or a resistance value.
enum class ScalarKind { Text, Number };

// Where a key stands: a block's identifier at column 0 followed by ":" and a line break,
// or an entry key indented by four blanks followed by ": " and a value (Resistance).
enum class KeyPlace { TopLevel, Nested };

// The key as it is when SnakeYAML reads it back as exactly that text, with the entries
// around it intact; otherwise "\"" + escaped(key) + "\"". An empty key stays empty.
std::string plainOrQuotedKey(std::string_view key, KeyPlace place = KeyPlace::TopLevel);

// A value written after "key: " at the end of a line. Plain when SnakeYAML reads it as a
// string equal to the text, or, for a number, as an int or float equal to the decimal
// number typed ("10", "-8", "1.5", "1e3"); quoted otherwise ("012" is octal 10, "0x1F",
// "1:20", "1_000", " 5", "yes", "~", "2024-01-01", ".nan"). An empty value stays empty.
std::string plainOrQuotedValue(std::string_view value, ScalarKind kind);

// An ordinary decimal number: optional sign, digits, optional fraction, optional
// exponent; no blanks, underscores, prefixes or colons.
bool isDecimalNumber(std::string_view text);

}  // namespace yaml
