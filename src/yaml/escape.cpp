#include "yaml/escape.h"

#include <cstdint>

namespace yaml {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The length of the well-formed UTF-8 sequence that starts at text[at], with its code
// point in *cp; 0 when the bytes there are not well-formed (stray continuation byte,
// overlong form, surrogate, beyond U+10FFFF, or cut short).
std::size_t decode(std::string_view text, std::size_t at, char32_t* cp) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = byte(at);
    if (lead < 0x80) {
        *cp = lead;
        return 1;
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
        return 0;
    }
    if (text.size() - at < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const std::uint8_t next = byte(at + i);
        if (next < low || next > high) return 0;
        low = 0x80;
        high = 0xBF;
        value = (value << 6) | (next & 0x3F);
    }
    *cp = value;
    return length;
}

// The escape for a code point that must not stand raw between double quotes; empty
// when it may.
std::string escapeFor(char32_t cp) {
    switch (cp) {
    case U'\\': return "\\\\";
    case U'"': return "\\\"";
    case 0x00: return "\\0";
    case 0x07: return "\\a";
    case 0x08: return "\\b";
    case 0x0A: return "\\n";
    case 0x0B: return "\\v";
    case 0x0C: return "\\f";
    case 0x0D: return "\\r";
    case 0x1B: return "\\e";
    case 0x2028: return "\\L";
    case 0x2029: return "\\P";
    default: break;
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    if ((cp < 0x20 && cp != U'\t') || (cp >= 0x7F && cp <= 0x9F)) {
        return {'\\', 'x', kHex[cp >> 4], kHex[cp & 0xF]};
    }
    if (cp == 0xFEFF || cp == 0xFFFE || cp == 0xFFFF) {
        return {'\\', 'u', kHex[cp >> 12], kHex[(cp >> 8) & 0xF], kHex[(cp >> 4) & 0xF], kHex[cp & 0xF]};
    }
    return {};
}

}  // namespace

std::string escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        char32_t cp = 0;
        const std::size_t length = decode(text, at, &cp);
        if (length == 0) {
            out += kReplacement;
            ++at;
            continue;
        }
        const std::string escape = escapeFor(cp);
        if (escape.empty()) {
            out.append(text.substr(at, length));
        } else {
            out += escape;
        }
        at += length;
    }
    return out;
}

}  // namespace yaml
