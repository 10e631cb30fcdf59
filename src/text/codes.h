// Reads one of the game's formatting codes ("&c", "§l", "&x&1&2&3&4&5&6", "&#123456") at a
// position of UTF-8 or UTF-16 text, so the formatter and the panel highlighters read codes
// by the same rules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "text/utf8.h"

namespace text {

// What starts a code. A name or lore line is written as a user types it for a plugin, which
// turns "&" into "§" before the game sees it: either starts a code (Typed). What the game
// draws as it comes, a chat line or the console's answer, has only "§" (Game): an "&" there is
// text.
enum class Markers : std::uint8_t { Typed, Game };

enum class CodeKind : std::uint8_t {
    None,    // no code here: the character is text
    Colour,  // one of the sixteen colours or a hex colour; switches every format off
    Format,  // k l m n o: switches one format on
    Reset,   // r: back to white, no formats
    Inert,   // a code that changes nothing: "&x" without six hex digits behind it
    Hidden,  // "§" before a character that is no code: the game skips both, nothing shows
};

struct Code {
    std::size_t length = 0;  // in code units of the text read; 0 for None
    CodeKind kind = CodeKind::None;
    std::uint32_t rgb = 0;  // for Colour
    char format = 0;        // for Format: 'k', 'l', 'm', 'n' or 'o'
};

// The game's sixteen colours by code digit, 0-9 then a-f.
// clang-format off
inline constexpr std::uint32_t kColours[16] = {
    0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA, 0xFFAA00, 0xAAAAAA,
    0x555555, 0x5555FF, 0x55FF55, 0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF,
};
// clang-format on

namespace detail {

// The value of a hex digit in either case, or -1.
constexpr int hexValue(char32_t c) {
    if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
    return -1;
}

// The length of the "&" (when the markers are typed) or "§" that starts at s[at], or 0. "§" is
// two bytes in UTF-8.
template <typename Char>
constexpr std::size_t markerAt(std::basic_string_view<Char> s, std::size_t at, Markers markers) {
    if (at >= s.size()) return 0;
    if (s[at] == Char('&')) return markers == Markers::Typed ? 1 : 0;
    if constexpr (sizeof(Char) == 1) {
        if (static_cast<unsigned char>(s[at]) == 0xC2 && at + 1 < s.size() &&
            static_cast<unsigned char>(s[at + 1]) == 0xA7)
            return 2;
    } else {
        if (static_cast<char32_t>(s[at]) == 0xA7) return 1;
    }
    return 0;
}

// The code unit at s[at] as a character, for comparing against ASCII.
template <typename Char>
constexpr char32_t unitAt(std::basic_string_view<Char> s, std::size_t at) {
    if constexpr (sizeof(Char) == 1)
        return static_cast<unsigned char>(s[at]);
    else
        return static_cast<char32_t>(s[at]);
}

// The number of code units of the character at s[at] (at < size): a whole well-formed
// UTF-8 sequence or surrogate pair, else one unit.
template <typename Char>
constexpr std::size_t characterLength(std::basic_string_view<Char> s, std::size_t at) {
    if constexpr (sizeof(Char) == 1) {
        char32_t cp = 0;
        const std::size_t length = utf8::decode(s, at, &cp);
        return length == 0 ? 1 : length;
    } else {
        const char32_t unit = unitAt(s, at);
        if (unit >= 0xD800 && unit <= 0xDBFF && at + 1 < s.size()) {
            const char32_t next = unitAt(s, at + 1);
            if (next >= 0xDC00 && next <= 0xDFFF) return 2;
        }
        return 1;
    }
}

// "&x" (or "§x") at s[at] with its marker of the given length: the six marker-and-digit
// pairs after it as a colour, or 0 units when they are not all there.
template <typename Char>
constexpr std::size_t hexPairsAt(std::basic_string_view<Char> s, std::size_t at, std::uint32_t* rgb, Markers markers) {
    std::uint32_t value = 0;
    std::size_t i = at;
    for (int digit = 0; digit < 6; ++digit) {
        const std::size_t marker = markerAt(s, i, markers);
        if (marker == 0 || i + marker >= s.size()) return 0;
        const int v = hexValue(unitAt(s, i + marker));
        if (v < 0) return 0;
        value = (value << 4) | static_cast<std::uint32_t>(v);
        i += marker + 1;
    }
    *rgb = value;
    return i - at;
}

}  // namespace detail

// The code that starts at s[at], or kind None (length 0) when the character there is text.
//   - "&" or "§" before 0-9 a-f (either case) is a colour, before k l m n o a format,
//     before r the reset;
//   - "&x" or "§x" followed by six marker-and-hex-digit pairs is a hex colour; without
//     them the "&x" alone is an inert code and what follows is read on its own;
//   - "&#" followed by six hex digits is a hex colour, the form some servers accept;
//   - "§" before any other character hides it (Hidden covers both);
//   - any other "&", and "§" as the last character, is text.
// With the game's markers, every "&" is text.
template <typename Char>
constexpr Code codeAt(std::basic_string_view<Char> s, std::size_t at, Markers markers = Markers::Typed) {
    const std::size_t marker = detail::markerAt(s, at, markers);
    if (marker == 0 || at + marker >= s.size()) return {};
    const std::size_t next = at + marker;
    char32_t c = detail::unitAt(s, next);
    if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
    const int digit = detail::hexValue(c);
    if (digit >= 0) return {marker + 1, CodeKind::Colour, kColours[digit], 0};
    switch (c) {
    case 'k':
    case 'l':
    case 'm':
    case 'n':
    case 'o': return {marker + 1, CodeKind::Format, 0, static_cast<char>(c)};
    case 'r': return {marker + 1, CodeKind::Reset, 0, 0};
    case 'x': {
        std::uint32_t rgb = 0;
        const std::size_t pairs = detail::hexPairsAt(s, next + 1, &rgb, markers);
        if (pairs > 0) return {marker + 1 + pairs, CodeKind::Colour, rgb, 0};
        return {marker + 1, CodeKind::Inert, 0, 0};
    }
    default: break;
    }
    if (c == '#' && s[at] == Char('&') && s.size() - next > 6) {
        std::uint32_t rgb = 0;
        for (std::size_t i = next + 1; i < next + 7; ++i) {
            const int v = detail::hexValue(detail::unitAt(s, i));
            if (v < 0) return {};
            rgb = (rgb << 4) | static_cast<std::uint32_t>(v);
        }
        return {marker + 7, CodeKind::Colour, rgb, 0};
    }
    if (s[at] != Char('&')) return {marker + detail::characterLength(s, next), CodeKind::Hidden, 0, 0};
    return {};
}

// The length of the plugin placeholder ({grade}, {type_item}, {success_rate},
// {failure_rate}, {max_health}) that starts at s[at], or 0.
template <typename Char>
constexpr std::size_t placeholderAt(std::basic_string_view<Char> s, std::size_t at) {
    constexpr std::string_view kNames[] = {"{grade}", "{type_item}", "{success_rate}", "{failure_rate}",
                                           "{max_health}"};
    if (at >= s.size() || s[at] != Char('{')) return 0;
    for (std::string_view name : kNames) {
        if (s.size() - at < name.size()) continue;
        bool same = true;
        for (std::size_t i = 1; i < name.size() && same; ++i)
            same = detail::unitAt(s, at + i) == static_cast<char32_t>(name[i]);
        if (same) return name.size();
    }
    return 0;
}

}  // namespace text
