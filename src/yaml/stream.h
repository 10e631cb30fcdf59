// The code point stream under the YAML scanner: positions the way SnakeYAML's
// StreamReader counts them, and its chunked check for characters YAML does not allow.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "yaml/document.h"

namespace yaml::detail {

// Thrown by every stage of the reader; read() turns it into Document::error.
struct Failure {
    ReadError error;
};

class Stream {
public:
    explicit Stream(std::string_view utf8);

    // The code point k places ahead, 0 past the end. Like SnakeYAML, looking ahead loads
    // the text in chunks of 1024 UTF-16 units and rejects a chunk that holds a character
    // outside YAML's printable set, whatever the scanner is doing at that point.
    char32_t peek(std::size_t k = 0) {
        if (pointer_ + k >= loaded_) load();
        return pointer_ + k < loaded_ ? text_[pointer_ + k] : 0;
    }
    // Up to length code points from here, as UTF-8.
    std::string prefix(std::size_t length);
    std::u32string_view prefixView(std::size_t length);
    std::string prefixForward(std::size_t length);
    void forward(std::size_t length = 1);

    const Mark& mark() const { return mark_; }
    std::size_t index() const { return pointer_; }
    int column() const { return mark_.column - 1; }  // 0-based, as the scanner compares it
    int line() const { return mark_.line - 1; }

    // The mark of an arbitrary code point index at or before the current position.
    Mark markAt(std::size_t index) const;

private:
    void load();
    bool isBreak(std::size_t at) const;

    std::vector<char32_t> text_;
    std::size_t pointer_ = 0;
    std::size_t loaded_ = 0;
    bool eof_ = false;
    Mark mark_;
};

// YAML 1.1's printable set as SnakeYAML checks it.
inline bool isPrintable(char32_t c) {
    return (c >= 0x20 && c <= 0x7E) || c == 0x9 || c == 0xA || c == 0xD || c == 0x85 ||
           (c >= 0xA0 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

}  // namespace yaml::detail
