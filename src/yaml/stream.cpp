#include "yaml/stream.h"

#include <cstdio>

#include "yaml/unicode.h"

namespace yaml::detail {

Stream::Stream(std::string_view utf8) : text_(unicode::decode(utf8)) {}

void Stream::load() {
    // SnakeYAML reads 1024 chars at a time (one more when the last is a high surrogate)
    // and checks each new chunk as a whole; one chunk per look that runs short.
    if (eof_) return;
    if (loaded_ >= text_.size()) {
        eof_ = true;
        return;
    }
    std::size_t units = 0;
    std::size_t end = loaded_;
    while (units < 1024 && end < text_.size()) {
        units += text_[end] >= 0x10000 ? 2 : 1;
        ++end;
    }
    for (std::size_t at = loaded_; at < end; ++at) {
        if (!isPrintable(text_[at])) {
            loaded_ = at + 1;
            ReadError error;
            error.kind = ErrorKind::Reader;
            error.problem = Problem::SpecialCharacter;
            error.character = text_[at];
            char hex[16];
            std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(text_[at]));
            error.message = std::string("unacceptable code point (0x") + hex +
                            ") special characters are not allowed";
            error.mark = markAt(at);
            throw Failure{std::move(error)};
        }
    }
    loaded_ = end;
}

bool Stream::isBreak(std::size_t at) const {
    const char32_t c = text_[at];
    if (c == '\n' || c == 0x85 || c == 0x2028 || c == 0x2029) return true;
    // A CR counts when another character follows that is not LF, as in forward().
    return c == '\r' && at + 1 < text_.size() && text_[at + 1] != '\n';
}

void Stream::forward(std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        if (pointer_ >= loaded_) load();
        if (pointer_ >= loaded_) return;
        const char32_t c = text_[pointer_++];
        ++mark_.index;
        // The CR of a CR LF pair looks at the LF, which may first need loading.
        if (c == '\r' && pointer_ >= loaded_) load();
        const bool lineBreak = c == '\n' || c == 0x85 || c == 0x2028 || c == 0x2029 ||
                               (c == '\r' && pointer_ < loaded_ && text_[pointer_] != '\n');
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
    return {text_.data() + pointer_, length < available ? length : available};
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
    mark_.index += length;
    mark_.column += static_cast<int>(length);
    mark_.textColumn += static_cast<int>(length);
    return out;
}

Mark Stream::markAt(std::size_t index) const {
    // Walks from the start; used only for error positions away from the scanner's.
    Mark m;
    for (std::size_t at = 0; at < index && at < text_.size(); ++at) {
        const char32_t c = text_[at];
        ++m.index;
        if (isBreak(at)) {
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
