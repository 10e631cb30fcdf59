// Decoding and encoding single UTF-8 sequences, shared by the text formatter and the code
// reader so that both agree on where a character begins and ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace text::utf8 {

// The sequence that starts at text[at]: its length and whether it is well-formed. A well-formed
// one gives its code point in *cp. One that is not (a stray continuation byte, an overlong
// form, a surrogate, beyond U+10FFFF, or cut short) gives the length of its longest
// well-formed start, at least 1: the bytes that Java's and the WHATWG decoders replace by one
// U+FFFD. The one decoder of the project: the formatter, the code reader, the YAML escaping
// and the YAML reader's view of the bytes all agree on where a character begins and ends.
struct Sequence {
    std::size_t length;
    bool valid;
};

inline Sequence scan(std::string_view text, std::size_t at, char32_t* cp) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = byte(at);
    if (lead < 0x80) {
        *cp = lead;
        return {1, true};
    }
    std::size_t length = 0;
    std::uint8_t low = 0x80;  // allowed range of the second byte
    std::uint8_t high = 0xBF;
    char32_t value = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        if (lead == 0xF0) low = 0x90;   // no overlong forms
        if (lead == 0xF4) high = 0x8F;  // nothing beyond U+10FFFF
    } else {
        return {1, false};
    }
    std::size_t taken = 1;
    while (taken < length && at + taken < text.size()) {
        const std::uint8_t next = byte(at + taken);
        if (next < low || next > high) break;
        low = 0x80;
        high = 0xBF;
        value = (value << 6) | (next & 0x3F);
        ++taken;
    }
    if (taken < length) return {taken, false};
    *cp = value;
    return {length, true};
}

// The length of the well-formed sequence that starts at text[at], with its code point in *cp;
// 0 when the bytes there are not well-formed.
inline std::size_t decode(std::string_view text, std::size_t at, char32_t* cp) {
    const Sequence sequence = scan(text, at, cp);
    return sequence.valid ? sequence.length : 0;
}

// Appends the UTF-8 form of a scalar value (not a surrogate, at most U+10FFFF).
inline void append(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

inline constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

}  // namespace text::utf8
