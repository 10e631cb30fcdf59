#include "yaml/unicode.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "text/utf8.h"

namespace yaml::unicode {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

}  // namespace

std::size_t decodeOne(std::string_view text, std::size_t at, char32_t* cp) {
    // A broken sequence is one replacement, as Java's decoder gives it to SnakeYAML.
    const text::utf8::Sequence sequence = text::utf8::scan(text, at, cp);
    if (!sequence.valid) *cp = kReplacement;
    return sequence.length;
}

std::vector<char32_t> decode(std::string_view text) {
    std::vector<char32_t> out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        char32_t cp = 0;
        at += decodeOne(text, at, &cp);
        out.push_back(cp);
    }
    return out;
}

void append(std::string& out, char32_t cp) {
    if (cp >= 0xDC00 && cp <= 0xDFFF && out.size() >= 3) {
        const auto b0 = static_cast<std::uint8_t>(out[out.size() - 3]);
        const auto b1 = static_cast<std::uint8_t>(out[out.size() - 2]);
        if (b0 == 0xED && b1 >= 0xA0 && b1 <= 0xAF) {
            const char32_t high = 0xD000 | ((b1 & 0x3F) << 6) | (out.back() & 0x3F);
            out.resize(out.size() - 3);
            return text::utf8::append(out, 0x10000 + ((high - 0xD800) << 10) + (cp - 0xDC00));
        }
    }
    text::utf8::append(out, cp);  // a lone surrogate in its three-byte form, as Java keeps it
}

int javaDigit(char32_t cp) {
    // First code point of each run of ten decimal digits (values 0 to 9) that Java 17's
    // Character.isDigit accepts.
    // clang-format off
    static constexpr char32_t kRuns[] = {
        0x30, 0x660, 0x6F0, 0x7C0, 0x966, 0x9E6, 0xA66, 0xAE6, 0xB66, 0xBE6, 0xC66, 0xCE6,
        0xD66, 0xDE6, 0xE50, 0xED0, 0xF20, 0x1040, 0x1090, 0x17E0, 0x1810, 0x1946, 0x19D0,
        0x1A80, 0x1A90, 0x1B50, 0x1BB0, 0x1C40, 0x1C50, 0xA620, 0xA8D0, 0xA900, 0xA9D0,
        0xA9F0, 0xAA50, 0xABF0, 0xFF10, 0x104A0, 0x10D30, 0x11066, 0x110F0, 0x11136,
        0x111D0, 0x112F0, 0x11450, 0x114D0, 0x11650, 0x116C0, 0x11730, 0x118E0, 0x11950,
        0x11C50, 0x11D50, 0x11DA0, 0x16A60, 0x16B50, 0x1D7CE, 0x1D7D8, 0x1D7E2, 0x1D7EC,
        0x1D7F6, 0x1E140, 0x1E2F0, 0x1E950, 0x1FBF0,
    };
    // clang-format on
    const auto next = std::upper_bound(std::begin(kRuns), std::end(kRuns), cp);
    if (next == std::begin(kRuns)) return -1;
    const char32_t start = *(next - 1);
    return cp - start < 10 ? static_cast<int>(cp - start) : -1;
}

std::size_t utf16Length(std::string_view text) {
    std::size_t units = 0;
    for (unsigned char byte : text) {
        if ((byte & 0xC0) != 0x80) ++units;  // each lead byte starts a code point
        if (byte >= 0xF0) ++units;           // four-byte forms need a surrogate pair
    }
    return units;
}

}  // namespace yaml::unicode
