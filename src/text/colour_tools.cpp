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
// own, with cp U+FFFD. Codes are read line by line, as the game reads them: a line break is
// always a character, and a "§" at the end of a line is one too.
template <typename OnCode, typename OnCharacter>
void walk(std::string_view utf8, OnCode&& code, OnCharacter&& character) {
    std::size_t line = 0;  // where the line being read starts
    std::size_t i = 0;
    while (i < utf8.size()) {
        if (utf8[i] == '\n' || utf8[i] == '\r') {
            character(utf8.substr(i, 1), static_cast<char32_t>(utf8[i]));
            line = ++i;
            continue;
        }
        const std::size_t end = utf8.find_first_of("\r\n", i);
        const std::string_view rest = utf8.substr(line, (end == std::string_view::npos ? utf8.size() : end) - line);
        const Code found = codeAt(rest, i - line);
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
    // The longest code: "§x" and six "§" and digit pairs, 21 bytes.
    constexpr std::size_t kLongestCode = 32;
    std::string out;
    out.reserve(utf8.size());
    std::size_t line = 0;  // where the line being written starts in out
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        std::size_t length = utf8::decode(utf8, i, &cp);
        length = length == 0 ? 1 : length;
        out += utf8.substr(i, length);
        i += length;
        if (cp == '\n' || cp == '\r') {
            line = out.size();
            continue;
        }
        // What is written so far holds no code. The character just added may complete one
        // that starts a little before it: the first code the game reads in the tail is that
        // one, and it goes, which leaves what was written before it, again without a code.
        const std::string_view written = std::string_view(out).substr(line);
        for (std::size_t at = written.size() > kLongestCode ? written.size() - kLongestCode : 0; at < written.size();
             ++at) {
            const Code code = codeAt(written, at);
            if (code.kind == CodeKind::None) continue;
            if (at + code.length == written.size()) out.resize(line + at);
            break;
        }
    }
    return out;
}

std::span<const ColourButton> colourButtons() { return kColourButtons; }

std::span<const FormatButton> formatButtons() { return kFormatButtons; }

namespace {

// The codes of the line that holds byte `at`, as the game reads them, with their places in
// the whole text. Lines end where the formatter ends them, at LF and CR.
struct Span {
    std::size_t begin;
    std::size_t end;
    Code code;
};

std::size_t lineStart(std::string_view text, std::size_t at) {
    const std::size_t before = text.substr(0, at).find_last_of("\r\n");
    return before == std::string_view::npos ? 0 : before + 1;
}

std::size_t lineEnd(std::string_view text, std::size_t at) {
    const std::size_t after = text.find_first_of("\r\n", at);
    return after == std::string_view::npos ? text.size() : after;
}

std::vector<Span> codesAround(std::string_view text, std::size_t at) {
    const std::size_t begin = lineStart(text, at);
    const std::string_view line = text.substr(begin, lineEnd(text, at) - begin);
    std::vector<Span> spans;
    for (std::size_t i = 0; i < line.size();) {
        const Code code = codeAt(line, i);
        if (code.kind != CodeKind::None) {
            spans.push_back({begin + i, begin + i + code.length, code});
            i += code.length;
            continue;
        }
        char32_t cp = 0;
        const std::size_t length = utf8::decode(line, i, &cp);
        i += length == 0 ? 1 : length;
    }
    return spans;
}

// Byte `at` moved out of the code it falls inside, to the code's start or to its end.
std::size_t outOfCode(std::string_view text, std::size_t at, bool toStart) {
    for (const Span& span : codesAround(text, at))
        if (span.begin < at && at < span.end) return toStart ? span.begin : span.end;
    return at;
}

// The style the game draws the text in at byte `at` (a place between codes and characters).
Style styleAt(std::string_view text, std::size_t at, Role role) {
    Style style = defaultStyle(role);
    for (const Span& span : codesAround(text, at))
        if (span.end <= at) applyCode(span.code, style);
    return style;
}

// Whether what follows byte `at` on its line is drawn in the style in force there: a visible
// character comes before any colour or reset (which would set a style of its own).
bool styleCarriesOn(std::string_view text, std::size_t at) {
    const std::size_t begin = lineStart(text, at);
    const std::string_view line = text.substr(begin, lineEnd(text, at) - begin);
    for (std::size_t i = at - begin; i < line.size();) {
        const Code code = codeAt(line, i);
        if (code.kind == CodeKind::Colour || code.kind == CodeKind::Reset) return false;
        if (code.kind == CodeKind::None) return true;
        i += code.length;
    }
    return false;
}

// The codes that give the style in force at byte `at` whatever came before them: the last
// colour or reset of the line as written there (the role's own start when it has none), then
// the formats switched on after it.
std::string codesInForce(std::string_view text, std::size_t at, Role role) {
    std::string codes;
    Style base = defaultStyle(role);
    for (const Span& span : codesAround(text, at)) {
        if (span.end > at || (span.code.kind != CodeKind::Colour && span.code.kind != CodeKind::Reset)) continue;
        codes = std::string(text.substr(span.begin, span.end - span.begin));
        base = Style{};
        applyCode(span.code, base);
    }
    if (codes.empty()) {
        switch (role) {
        case Role::Lore: codes = "&5&o"; break;
        case Role::Name: codes = "&f&o"; break;
        case Role::Message: codes = "&r"; break;
        }
    }
    const Style wanted = styleAt(text, at, role);
    const std::pair<bool Style::*, char> formats[] = {{&Style::bold, 'l'},
                                                      {&Style::italic, 'o'},
                                                      {&Style::underlined, 'n'},
                                                      {&Style::strikethrough, 'm'},
                                                      {&Style::obfuscated, 'k'}};
    for (const auto& [on, letter] : formats)
        if (wanted.*on && !(base.*on)) codes += {'&', letter};
    return codes;
}

// What to write after a changed selection that ended at byte `to` of the old text, its new
// text being `written` so far: the codes in force at `to`, when the text after it would
// otherwise be drawn otherwise.
std::string restoreAfter(std::string_view old, std::size_t to, std::string_view written, Role role) {
    if (!styleCarriesOn(old, to) || styleAt(old, to, role) == styleAt(written, written.size(), role)) return {};
    return codesInForce(old, to, role);
}

// Where the codes right in front of byte `at` on its line begin: colours, formats, resets and
// inert codes with nothing shown between them and `at`.
std::size_t codesBefore(std::string_view text, std::size_t at) {
    const std::vector<Span> spans = codesAround(text, at);
    for (std::size_t i = spans.size(); i-- > 0;) {
        if (spans[i].end != at || spans[i].code.kind == CodeKind::Hidden) continue;
        at = spans[i].begin;
    }
    return at;
}

// Whether a "§" that the game shows as text (the last character of its line) ends just before
// byte `at`: anything written there would make it a code that hides its first character.
bool afterShownSection(std::string_view text, std::size_t at) {
    if (at < 2 || text.substr(at - 2, 2) != "\xC2\xA7" || lineEnd(text, at) != at) return false;
    for (const Span& span : codesAround(text, at - 2))
        if (span.begin <= at - 2 && at - 2 < span.end) return false;
    return true;
}

// The selection in bytes, start first, held to the text.
std::pair<std::size_t, std::size_t> selectedBytes(std::string_view utf8, std::size_t start, std::size_t end) {
    const std::size_t length = codePoints(utf8);
    return {byteOffset(utf8, std::min({start, end, length})), byteOffset(utf8, std::min(std::max(start, end), length))};
}

}  // namespace

Edit insertCode(std::string_view utf8, std::size_t selectionStart, std::size_t selectionEnd, std::string_view code,
                Role role) {
    auto [from, to] = selectedBytes(utf8, selectionStart, selectionEnd);
    const std::size_t added = codePoints(code);
    if (from == to) {
        from = outOfCode(utf8, from, false);
        if (afterShownSection(utf8, from)) from -= 2;  // the code goes in front of it
        std::string out(utf8.substr(0, from));
        out += code;
        const std::size_t cursor = codePoints(out);
        out += utf8.substr(from);
        return {std::move(out), cursor, cursor};
    }
    from = outOfCode(utf8, from, true);
    to = outOfCode(utf8, to, false);
    if (afterShownSection(utf8, from)) from -= 2;  // the code goes in front of it, which joins the selection
    std::string out(utf8.substr(0, from));
    const std::size_t start = codePoints(out) + added;
    out += code;
    out += utf8.substr(from, to - from);
    const std::size_t end = codePoints(out);
    out += restoreAfter(utf8, to, out, role);
    out += utf8.substr(to);
    return {std::move(out), start, end};
}

EditResult gradientEdit(std::string_view utf8, std::size_t selectionStart, std::size_t selectionEnd,
                        std::span<const std::string> colours, std::string_view formats, std::string_view form,
                        Role role) {
    auto [from, to] = selectedBytes(utf8, selectionStart, selectionEnd);
    if (from == to) {
        ToolResult whole = gradient(utf8, colours, formats, form);
        if (!whole.ok()) return {{}, std::move(whole.refusal)};
        const std::size_t length = codePoints(whole.text);
        return {{std::move(whole.text), length, length}, {}};
    }
    from = outOfCode(utf8, from, true);
    to = outOfCode(utf8, to, false);
    ToolResult part = gradient(utf8.substr(from, to - from), colours, formats, form);
    if (!part.ok()) return {{}, std::move(part.refusal)};
    // Only codes selected: nothing to colour, and the text stays as it is.
    if (part.text.empty()) return {{std::string(utf8), selectionStart, selectionEnd}, {}};
    // Its first colour makes the codes in front of it dead: they go. A blank first is drawn in
    // the style before it, so they stay then.
    const std::size_t keep =
        codeAt(std::string_view(part.text), 0).kind == CodeKind::Colour ? codesBefore(utf8, from) : from;
    std::string out(utf8.substr(0, keep));
    const std::size_t start = codePoints(out);
    out += part.text;
    const std::size_t end = codePoints(out);
    std::string after = restoreAfter(utf8, to, out, role);
    // A literal "&" last, which a hidden character used to keep from what follows: the codes
    // in force come between, or the two would make a code.
    if (after.empty() && out.back() == '&' && lineEnd(utf8, to) != to) after = codesInForce(utf8, to, role);
    out += after;
    out += utf8.substr(to);
    return {{std::move(out), start, end}, {}};
}

}  // namespace text
