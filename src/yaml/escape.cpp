#include "yaml/escape.h"

#include <cstdint>

#include "text/utf8.h"

namespace yaml {

namespace {

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
        const std::size_t length = text::utf8::decode(text, at, &cp);
        if (length == 0) {
            out += text::utf8::kReplacement;
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
