// The colour tools: codes are read with codeAt, the reader the formatter and the panel
// highlighters use, so a tool drops, keeps and converts exactly what the preview shows as a
// code.
#include "text/colour_tools.h"

#include <algorithm>
#include <array>
#include <optional>

#include "text/blanks.h"
#include "text/codes.h"
#include "text/utf8.h"

namespace text {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

// The order formats follow a colour code.
constexpr std::string_view kFormatOrder = "lonmk";

// Calls code(bytes, code) for every code of the text and character(bytes, cp) for every
// other character, in order. A byte that is not well-formed UTF-8 is a character of its
// own, with cp U+FFFD.
template <typename OnCode, typename OnCharacter>
void walk(std::string_view utf8, OnCode&& code, OnCharacter&& character) {
    std::size_t i = 0;
    while (i < utf8.size()) {
        const Code found = codeAt(utf8, i);
        if (found.kind != CodeKind::None) {
            code(utf8.substr(i, found.length), found);
            i += found.length;
            continue;
        }
        char32_t cp = 0;
        std::size_t length = utf8::decode(utf8, i, &cp);
        if (length == 0) {
            length = 1;
            cp = 0xFFFD;
        }
        character(utf8.substr(i, length), cp);
        i += length;
    }
}

// The character after the marker of a colour code, in lower case: 'x' for the
// "&x&R&R..." form, '#' for "&#RRGGBB", a hex digit for one of the sixteen colours.
char formOf(std::string_view code) {
    const char c = code[code.front() == '&' ? 1 : 2];  // "§" is two bytes
    return c == 'X' ? 'x' : c;
}

std::optional<HexForm> parseForm(std::string_view form) {
    if (form.empty() || form == "x") return HexForm::X;
    if (form == "hash") return HexForm::Hash;
    return std::nullopt;
}

std::string unknownForm(std::string_view form) {
    return "unknown form \"" + std::string(form) + "\": use \"x\" or \"hash\"";
}

// "#rrggbb" in either case as 0xRRGGBB.
std::optional<std::uint32_t> parseColour(std::string_view colour) {
    if (colour.size() != 7 || colour.front() != '#') return std::nullopt;
    std::uint32_t rgb = 0;
    for (const char c : colour.substr(1)) {
        const int value = detail::hexValue(static_cast<unsigned char>(c));
        if (value < 0) return std::nullopt;
        rgb = (rgb << 4) | static_cast<std::uint32_t>(value);
    }
    return rgb;
}

// A character that makes a code with an "&" written just before it.
bool makesCodeAfterAmpersand(char32_t c) {
    if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
    return detail::hexValue(c) >= 0 || (c >= 'k' && c <= 'o') || c == 'r' || c == 'x' || c == '#';
}

// One channel (0-255) of the colour between a and b at r / d of the way (0 <= r <= d, d > 0),
// rounded half up. a * (d - r) + b * r is never negative, so integer division floors it.
std::uint32_t channelBetween(std::uint32_t a, std::uint32_t b, std::uint64_t r, std::uint64_t d) {
    const std::uint64_t twice = 2 * (a * (d - r) + b * r);
    return static_cast<std::uint32_t>((twice + d) / (2 * d));
}

// clang-format off
constexpr ColourButton kColourButtons[] = {
    {"&0", kColours[0],  "black",        "黑色"},
    {"&1", kColours[1],  "dark_blue",    "深蓝色"},
    {"&2", kColours[2],  "dark_green",   "深绿色"},
    {"&3", kColours[3],  "dark_aqua",    "湖蓝色"},
    {"&4", kColours[4],  "dark_red",     "深红色"},
    {"&5", kColours[5],  "dark_purple",  "紫色"},
    {"&6", kColours[6],  "gold",         "金色"},
    {"&7", kColours[7],  "gray",         "灰色"},
    {"&8", kColours[8],  "dark_gray",    "深灰色"},
    {"&9", kColours[9],  "blue",         "蓝色"},
    {"&a", kColours[10], "green",        "绿色"},
    {"&b", kColours[11], "aqua",         "天蓝色"},
    {"&c", kColours[12], "red",          "红色"},
    {"&d", kColours[13], "light_purple", "粉红色"},
    {"&e", kColours[14], "yellow",       "黄色"},
    {"&f", kColours[15], "white",        "白色"},
};

constexpr FormatButton kFormatButtons[] = {
    {"&l", "粗体"},
    {"&o", "斜体"},
    {"&n", "下划线"},
    {"&m", "删除线"},
    {"&k", "随机字符"},
    {"&r", "重置"},
};
// clang-format on

// The byte offset of code point `point` of the text (its size when past the end), counting
// as walk does: a byte that is not well-formed UTF-8 is one code point.
std::size_t byteOffset(std::string_view utf8, std::size_t point) {
    std::size_t i = 0;
    for (std::size_t n = 0; n < point && i < utf8.size(); ++n) {
        char32_t cp = 0;
        const std::size_t length = utf8::decode(utf8, i, &cp);
        i += length == 0 ? 1 : length;
    }
    return i;
}

std::size_t codePoints(std::string_view utf8) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < utf8.size(); ++n) {
        char32_t cp = 0;
        const std::size_t length = utf8::decode(utf8, i, &cp);
        i += length == 0 ? 1 : length;
    }
    return n;
}

}  // namespace

std::string hexCode(std::uint32_t rgb, HexForm form) {
    std::string code = form == HexForm::X ? "&x" : "&#";
    for (int shift = 20; shift >= 0; shift -= 4) {
        if (form == HexForm::X) code += '&';
        code += kHexDigits[(rgb >> shift) & 0xF];
    }
    return code;
}

std::vector<std::uint32_t> gradientColours(std::span<const std::uint32_t> stops, std::size_t n) {
    std::vector<std::uint32_t> colours;
    if (stops.size() < 2) return colours;
    colours.reserve(n);
    const std::uint64_t segments = stops.size() - 1;                        // k - 1
    const std::uint64_t d = n > 1 ? static_cast<std::uint64_t>(n - 1) : 1;  // s = i * (k - 1) / d
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t numerator = static_cast<std::uint64_t>(i) * segments;
        const std::uint64_t j = std::min(numerator / d, segments - 1);
        const std::uint64_t r = numerator - j * d;  // u = r / d, 0 <= u <= 1
        const std::uint32_t a = stops[j];
        const std::uint32_t b = stops[j + 1];
        std::uint32_t rgb = 0;
        for (int shift = 16; shift >= 0; shift -= 8)
            rgb |= channelBetween((a >> shift) & 0xFF, (b >> shift) & 0xFF, r, d) << shift;
        colours.push_back(rgb);
    }
    return colours;
}

ToolResult gradient(std::string_view utf8, std::span<const std::string> colours, std::string_view formats,
                    std::string_view form) {
    if (colours.size() < 2) return {{}, "a gradient needs at least two colours, got " + std::to_string(colours.size())};
    std::vector<std::uint32_t> stops;
    for (const std::string& colour : colours) {
        const std::optional<std::uint32_t> rgb = parseColour(colour);
        if (!rgb) return {{}, "colour \"" + colour + "\" is not # and six hex digits"};
        stops.push_back(*rgb);
    }
    std::array<bool, kFormatOrder.size()> chosen{};
    for (const char letter : formats) {
        const char lower = letter >= 'A' && letter <= 'Z' ? static_cast<char>(letter - 'A' + 'a') : letter;
        const std::size_t at = kFormatOrder.find(lower);
        if (at == std::string_view::npos)
            return {{}, "unknown format \"" + std::string(1, letter) + "\": the formats are l, o, n, m and k"};
        chosen[at] = true;
    }
    const std::optional<HexForm> hexForm = parseForm(form);
    if (!hexForm) return {{}, unknownForm(form)};

    std::string suffix;  // the formats after each colour code
    for (std::size_t f = 0; f < kFormatOrder.size(); ++f) {
        if (!chosen[f]) continue;
        suffix += '&';
        suffix += kFormatOrder[f];
    }

    // The visible characters, the codes dropped.
    struct Character {
        std::string_view bytes;
        char32_t cp;
    };
    std::vector<Character> visible;
    walk(
        utf8, [](std::string_view, const Code&) {},
        [&](std::string_view bytes, char32_t cp) {
            visible.push_back({bytes, cp});
        });

    const std::vector<std::uint32_t> shades = gradientColours(stops, visible.size());
    std::string out;
    bool written = false;         // a colour has been written on this line
    std::uint32_t last = 0;       // and this is the last one
    bool afterAmpersand = false;  // the last character written is a literal "&"
    for (std::size_t i = 0; i < visible.size(); ++i) {
        const Character& c = visible[i];
        if (isLineBreak(c.cp)) {
            written = false;
        } else if (!isBlank(c.cp) &&
                   (!written || last != shades[i] || (afterAmpersand && makesCodeAfterAmpersand(c.cp)))) {
            out += hexCode(shades[i], *hexForm);
            out += suffix;
            written = true;
            last = shades[i];
        }
        out += c.bytes;
        afterAmpersand = c.bytes == "&";
    }
    return {std::move(out), {}};
}

ToolResult convertHex(std::string_view utf8, std::string_view to) {
    const std::optional<HexForm> form = parseForm(to);
    if (!form) return {{}, unknownForm(to)};
    const char from = *form == HexForm::X ? '#' : 'x';
    std::string out;
    out.reserve(utf8.size() + utf8.size() / 2);
    walk(
        utf8,
        [&](std::string_view bytes, const Code& code) {
            const bool convert = code.kind == CodeKind::Colour && formOf(bytes) == from;
            if (convert)
                out += hexCode(code.rgb, *form);
            else
                out += bytes;
        },
        [&](std::string_view bytes, char32_t) { out += bytes; });
    return {std::move(out), {}};
}

std::string stripCodes(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    walk(
        utf8, [](std::string_view, const Code&) {}, [&](std::string_view bytes, char32_t) { out += bytes; });
    return out;
}

std::span<const ColourButton> colourButtons() { return kColourButtons; }

std::span<const FormatButton> formatButtons() { return kFormatButtons; }

Edit insertCode(std::string_view utf8, std::size_t selectionStart, std::size_t selectionEnd, std::string_view code) {
    const std::size_t length = codePoints(utf8);
    const std::size_t start = std::min({selectionStart, selectionEnd, length});
    const std::size_t end = std::min(std::max(selectionStart, selectionEnd), length);
    const std::size_t at = byteOffset(utf8, start);
    std::string out;
    out.reserve(utf8.size() + code.size());
    out += utf8.substr(0, at);
    out += code;
    out += utf8.substr(at);
    const std::size_t added = codePoints(code);
    return {std::move(out), start + added, end + added};
}

}  // namespace text
