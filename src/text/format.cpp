// The formatter: reads codes line by line into maximal runs, plus the obfuscation stand-ins.
#include "text/format.h"

#include <iterator>

#include "text/blanks.h"
#include "text/codes.h"
#include "text/utf8.h"

namespace text {

namespace {

// Adds text in a style to the line, joining it to the last run when the style is the same.
void emit(Line& line, const Style& style, std::string_view bytes) {
    if (bytes.empty()) return;
    if (!line.empty() && line.back().style == style)
        line.back().text += bytes;
    else
        line.push_back(Run{std::string(bytes), style});
}

}  // namespace

void applyCode(const Code& code, Style& style) {
    switch (code.kind) {
    case CodeKind::Colour:
        style = Style{};
        style.rgb = code.rgb;
        break;
    case CodeKind::Reset: style = Style{}; break;
    case CodeKind::Format:
        switch (code.format) {
        case 'k': style.obfuscated = true; break;
        case 'l': style.bold = true; break;
        case 'm': style.strikethrough = true; break;
        case 'n': style.underlined = true; break;
        case 'o': style.italic = true; break;
        default: break;
        }
        break;
    case CodeKind::None:
    case CodeKind::Inert:
    case CodeKind::Hidden: break;
    }
}

namespace {

// One line (no CR or LF in it) as runs.
Line formatLine(std::string_view line, Role role, Markers markers) {
    Line runs;
    Style style = defaultStyle(role);
    // Where a code may start: "&" only with typed markers; "§" is never ASCII.
    const auto startsNoCode = [markers](unsigned char b) { return b < 0x80 && (b != '&' || markers == Markers::Game); };
    std::size_t i = 0;
    while (i < line.size()) {
        if (startsNoCode(static_cast<unsigned char>(line[i]))) {
            // A stretch of ASCII text: no code can start inside it.
            std::size_t end = i + 1;
            while (end < line.size() && startsNoCode(static_cast<unsigned char>(line[end]))) ++end;
            emit(runs, style, line.substr(i, end - i));
            i = end;
            continue;
        }
        const Code code = codeAt(line, i, markers);
        if (code.kind != CodeKind::None) {
            applyCode(code, style);
            i += code.length;
            continue;
        }
        char32_t cp = 0;
        const std::size_t length = utf8::decode(line, i, &cp);
        if (length == 0) {
            emit(runs, style, utf8::kReplacement);
            ++i;
        } else {
            emit(runs, style, line.substr(i, length));
            i += length;
        }
    }
    return runs;
}

// The replacement for original among the size characters from first on, other than
// original itself when it is one of them.
char32_t pickFrom(char32_t first, char32_t size, char32_t original, std::uint32_t random) {
    if (original >= first && original < first + size) {
        char32_t k = random % (size - 1);
        if (k >= original - first) ++k;
        return first + k;
    }
    return first + random % size;
}

struct Range {
    char32_t first;
    char32_t last;
};

bool within(const Range* begin, const Range* end, char32_t c) {
    for (const Range* r = begin; r != end; ++r)
        if (c >= r->first && c <= r->last) return true;
    return false;
}

// clang-format off
// Characters the game draws two cells wide: CJK, kana, Hangul, Yi, full-width forms and
// the emoji blocks.
constexpr Range kWide[] = {
    {0x1100, 0x115F},   {0x2E80, 0x303E},   {0x3041, 0x33FF},   {0x3400, 0x4DBF},
    {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},   {0xA960, 0xA97F},   {0xAC00, 0xD7A3},
    {0xF900, 0xFAFF},   {0xFE10, 0xFE19},   {0xFE30, 0xFE6F},   {0xFF01, 0xFF60},
    {0xFFE0, 0xFFE6},   {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF}, {0x20000, 0x2FFFD},
    {0x30000, 0x3FFFD},
};

// Runs of letters whose glyphs are alike in width, each replaced within itself.
constexpr Range kLetters[] = {
    {0x00C0, 0x00D6}, {0x00D8, 0x00F6}, {0x00F8, 0x00FF},  // Latin-1 letters
    {0x0100, 0x017F},                                      // Latin Extended-A
    {0x0391, 0x03A1}, {0x03A3, 0x03A9}, {0x03B1, 0x03C9},  // Greek letters
    {0x0400, 0x045F},                                      // Cyrillic letters
};
// clang-format on

constexpr std::string_view kAlphanumerics = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

}  // namespace

Style defaultStyle(Role role) {
    Style style;
    switch (role) {
    case Role::Lore:
        style.rgb = kColours[5];
        style.italic = true;
        break;
    case Role::Name: style.italic = true; break;
    case Role::Message: break;
    }
    return style;
}

std::vector<Line> format(std::string_view utf8, Role role, Markers markers) {
    std::vector<Line> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] != '\n' && utf8[i] != '\r') continue;
        lines.push_back(formatLine(utf8.substr(start, i - start), role, markers));
        if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
        start = i + 1;
    }
    lines.push_back(formatLine(utf8.substr(start), role, markers));
    return lines;
}

std::string hexColour(std::uint32_t rgb) {
    constexpr char kDigits[] = "0123456789abcdef";
    std::string out = "#";
    for (int shift = 20; shift >= 0; shift -= 4) out += kDigits[(rgb >> shift) & 0xF];
    return out;
}

bool usesHashHex(std::string_view utf8) {
    for (std::size_t i = utf8.find("&#"); i != std::string_view::npos; i = utf8.find("&#", i + 1)) {
        const Code code = codeAt(utf8, i);
        if (code.kind == CodeKind::Colour) return true;
    }
    return false;
}

std::vector<std::pair<std::size_t, std::size_t>> placeholderSpans(std::string_view utf8) {
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    for (std::size_t i = utf8.find('{'); i != std::string_view::npos; i = utf8.find('{', i)) {
        const std::size_t length = placeholderAt(utf8, i);
        if (length > 0) {
            spans.emplace_back(i, i + length);
            i += length;
        } else {
            ++i;
        }
    }
    return spans;
}

char32_t obfuscatedGlyph(char32_t original, std::uint32_t random) {
    if (original < 0x20 || (original >= 0x7F && original <= 0x9F)) return original;
    if (isBlank(original)) return original;  // blanks keep their place in obfuscated text
    if (original < 0x7F) {
        const std::size_t at = kAlphanumerics.find(static_cast<char>(original));
        std::size_t k = random % (kAlphanumerics.size() - (at == std::string_view::npos ? 0 : 1));
        if (at != std::string_view::npos && k >= at) ++k;
        return static_cast<char32_t>(kAlphanumerics[k]);
    }
    if (within(std::begin(kWide), std::end(kWide), original))
        return pickFrom(0x4E00, 0x9FA5 - 0x4E00 + 1, original, random);
    for (const Range& r : kLetters)
        if (original >= r.first && original <= r.last) return pickFrom(r.first, r.last - r.first + 1, original, random);
    return original;
}

}  // namespace text
