#include "yaml/stream.h"

#include <cstdio>

#include "yaml/unicode.h"

namespace yaml::detail {

void Stream::load() {
    // SnakeYAML reads 1024 chars at a time (one more when the last is a high surrogate)
    // and checks each new chunk as a whole; one chunk per look that runs short.
    if (eof_) return;
    if (bytes_ >= source_.size()) {
        eof_ = true;
        return;
    }
    if (pointer_ - base_ > 65536) {  // drop what the scanner has passed
        window_.erase(window_.begin(), window_.begin() + static_cast<std::ptrdiff_t>(pointer_ - base_));
        base_ = pointer_;
    }
    std::size_t units = 0;
    const std::size_t first = loaded_;
    while (units < 1024 && bytes_ < source_.size()) {
        char32_t cp = 0;
        bytes_ += unicode::decodeOne(source_, bytes_, &cp);
        window_.push_back(cp);
        units += cp >= 0x10000 ? 2 : 1;
    }
    const std::size_t end = base_ + window_.size();
    for (std::size_t at = first; at < end; ++at) {
        const char32_t c = window_[at - base_];
        if (!isPrintable(c)) {
            loaded_ = at + 1;
            ReadError error;
            error.kind = ErrorKind::Reader;
            error.problem = Problem::SpecialCharacter;
            error.character = c;
            char hex[16];
            std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(c));
            error.message = std::string("unacceptable code point (0x") + hex + ") special characters are not allowed";
            error.mark = markAhead(at);
            throw Failure{std::move(error)};
        }
    }
    loaded_ = end;
}

void Stream::forward(std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        if (pointer_ >= loaded_) load();
        if (pointer_ >= loaded_) return;
        const char32_t c = window_[pointer_++ - base_];
        ++mark_.index;
        // The CR of a CR LF pair looks at the LF, which may first need loading; a CR at
        // the very end does not end a line.
        if (c == '\r' && pointer_ >= loaded_) load();
        const bool lineBreak = c == '\n' || c == 0x85 || c == 0x2028 || c == 0x2029 ||
                               (c == '\r' && pointer_ < loaded_ && window_[pointer_ - base_] != '\n');
        if (lineBreak) {
            ++mark_.line;
            mark_.column = 1;
        } else if (c != 0xFEFF) {
            ++mark_.column;
        }
        if (c == '\n') {
            ++mark_.textLine;
            mark_.textColumn = 1;
        } else {
            ++mark_.textColumn;
        }
    }
}

std::u32string_view Stream::prefixView(std::size_t length) {
    if (length == 0) return {};
    if (pointer_ + length >= loaded_) load();
    const std::size_t available = loaded_ > pointer_ ? loaded_ - pointer_ : 0;
    return {window_.data() + (pointer_ - base_), length < available ? length : available};
}

std::string Stream::prefix(std::size_t length) {
    std::string out;
    for (char32_t c : prefixView(length)) unicode::append(out, c);
    return out;
}

std::string Stream::prefixForward(std::size_t length) {
    // SnakeYAML moves index and column by the length and never looks for line breaks
    // here: callers only pass runs without them.
    std::string out = prefix(length);
    pointer_ += length;
    mark_.index += static_cast<std::uint32_t>(length);
    mark_.column += static_cast<int>(length);
    mark_.textColumn += static_cast<int>(length);
    return out;
}

Mark Stream::markAhead(std::size_t index) const {
    // Walks from the current position over loaded text; only for a reader error's place.
    Mark m = mark_;
    for (std::size_t at = pointer_; at < index; ++at) {
        const char32_t c = window_[at - base_];
        ++m.index;
        const bool crBreak = c == '\r' && at + 1 < base_ + window_.size() && window_[at + 1 - base_] != '\n';
        if (c == '\n' || c == 0x85 || c == 0x2028 || c == 0x2029 || crBreak) {
            ++m.line;
            m.column = 1;
        } else if (c != 0xFEFF) {
            ++m.column;
        }
        if (c == '\n') {
            ++m.textLine;
            m.textColumn = 1;
        } else {
            ++m.textColumn;
        }
    }
    return m;
}

}  // namespace yaml::detail
