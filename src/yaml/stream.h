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

// Decodes the UTF-8 text (which must outlive the stream) a chunk at a time into a window
// of code points, as SnakeYAML does, so that a large panel is never held twice.
class Stream {
public:
    explicit Stream(std::string_view utf8) : source_(utf8) {}

    // The code point k places ahead, 0 past the end. Like SnakeYAML, looking ahead loads
    // the text in chunks of 1024 UTF-16 units and rejects a chunk that holds a character
    // outside YAML's printable set, whatever the scanner is doing at that point.
    char32_t peek(std::size_t k = 0) {
        if (pointer_ + k >= loaded_) load();
        return pointer_ + k < loaded_ ? window_[pointer_ + k - base_] : 0;
    }
    // Up to length code points from here. A view lasts until the next look ahead.
    std::u32string_view prefixView(std::size_t length);
    std::string prefix(std::size_t length);
    std::string prefixForward(std::size_t length);
    void forward(std::size_t length = 1);

    const Mark& mark() const { return mark_; }
    std::size_t index() const { return pointer_; }
    int column() const { return mark_.column - 1; }  // 0-based, as the scanner compares it
    int line() const { return mark_.line - 1; }

private:
    void load();
    Mark markAhead(std::size_t index) const;

    std::string_view source_;
    std::size_t bytes_ = 0;         // source bytes decoded so far
    std::vector<char32_t> window_;  // code points from base_ to loaded_
    std::size_t base_ = 0;
    std::size_t pointer_ = 0;
    std::size_t loaded_ = 0;
    bool eof_ = false;
    Mark mark_;
};

// YAML 1.1's printable set as SnakeYAML checks it.
inline bool isPrintable(char32_t c) {
    return (c >= 0x20 && c <= 0x7E) || c == 0x9 || c == 0xA || c == 0xD || c == 0x85 || (c >= 0xA0 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

}  // namespace yaml::detail
