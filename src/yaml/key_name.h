// How Bukkit names a key: String.valueOf of the object SnakeYAML constructs of it. Two keys
// that read as different scalars may name one section ("0x1F" and "31", "1.0" and "1.00"), and
// then the server keeps only the last: identifiers are compared by these names.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "yaml/document.h"

namespace yaml {

// The text Java's toString gives the Integer, Long or BigInteger that SnakeYAML's int
// constructor makes of an int scalar, underscores and all: "0x1F" -> "31", "010" -> "8",
// "1_000" -> "1000", "0b101" -> "5", "1:20" -> "80", "-0" -> "0", at any length. nullopt for
// text the constructor refuses (the file then does not load).
std::optional<std::string> javaIntegerText(std::string_view text);

// The name of a key node as the server gives it: null -> "null", a bool -> "true" or
// "false", an int or a float as Java prints the number (javaIntegerText, javaDoubleText),
// a list "[a, b]", a mapping "{a=1}", any other scalar its text.
std::string keyName(const Document& doc, const Node& key);

// The name of a top-level key as it stands written in a file, with its quotes, escapes, tag
// or anchor: "0x1F" -> "31", "1e2" and "100.0" -> "100.0", "1.00" -> "1.0", "yes" -> "true",
// "'1.0'" -> "1.0", "\"a\\tb\"" -> "a<TAB>b", "!!str 010" -> "010". nullopt when the text is
// not one key the server reads (a line break, a comment, "a: b", over 1,024 characters).
// A key the editor writes (yaml::plainOrQuotedKey) reads as a string: its name is its text.
std::optional<std::string> keyName(std::string_view written);

}  // namespace yaml
