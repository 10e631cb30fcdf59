// UTF-8 and code point helpers shared by the YAML reader, writer rules and check.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace yaml::unicode {

// The code points of UTF-8 text as Java's UTF-8 decoder gives them to SnakeYAML: each
// maximal ill-formed subsequence becomes one U+FFFD.
std::vector<char32_t> decode(std::string_view utf8);

// Decodes one code point at text[at] (at < text.size()) the same way; returns the bytes
// it took.
std::size_t decodeOne(std::string_view utf8, std::size_t at, char32_t* cp);

// Appends the UTF-8 form of a code point. A surrogate code point (which only a "\u"
// escape can produce) is written in its three-byte form so that it survives as Java keeps
// it; a low surrogate right after such a high surrogate joins it into one code point, as
// two chars do in a Java string.
void append(std::string& out, char32_t cp);

// Java's Character.digit(cp, 10) for the code points Character.isDigit accepts; -1 for
// any other.
int javaDigit(char32_t cp);

// UTF-16 length, which is what Java's String.length() counts.
std::size_t utf16Length(std::string_view utf8);

}  // namespace yaml::unicode
