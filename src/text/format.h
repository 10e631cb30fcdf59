// Turns an item name, lore line or message full of colour codes ("&c红宝石 I") into lines of
// styled runs, the way the game draws them, for the editor's previews.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/codes.h"

namespace text {

struct Style {
    std::uint32_t rgb = 0xFFFFFF;  // 0xRRGGBB
    bool bold = false;
    bool italic = false;
    bool underlined = false;
    bool strikethrough = false;
    bool obfuscated = false;

    bool operator==(const Style&) const = default;
};

// A stretch of text in one style. Obfuscated runs keep their real text: the painter swaps
// glyphs with obfuscatedGlyph each frame.
struct Run {
    std::string text;  // UTF-8, never empty
    Style style;

    bool operator==(const Run&) const = default;
};

using Line = std::vector<Run>;

// Where the text is shown, which decides the style each line starts in:
//   Lore     dark purple (#aa00aa) italic, as the game puts "§5§o" before each lore line;
//   Name     white italic, as the game shows a custom item name ("§o" before it);
//   Message  white, no formats (chat, titles, anything else).
enum class Role { Lore, Name, Message };

// The style a line of the given role starts in.
Style defaultStyle(Role role);

// The lines of styled runs the game shows for the text.
//   - Lines end at LF, CR LF or a lone CR; n line ends give n + 1 lines, and each line
//     starts again in its role's default style. An empty line has no runs.
//   - Codes ("&" or "§" before 0-9 a-f k l m n o r x, either case; "&x&R&R&G&G&B&B";
//     "&#RRGGBB") change the style and show nothing. A colour switches every format off,
//     "r" gives white without formats in every role. "&x" not followed by six digit pairs
//     changes nothing and what follows it is read normally. "§" before any other character
//     hides that character. Any other "&", and a "§" that ends its line, is text.
//   - Runs are maximal: neighbouring runs always differ in style.
//   - Text passes through byte for byte; bytes that are not well-formed UTF-8 become
//     U+FFFD, one per byte, so the runs are always valid UTF-8.
//   - With the game's markers (what the server's console or chat sends back), only "§"
//     starts a code and every "&" is text.
std::vector<Line> format(std::string_view utf8, Role role, Markers markers = Markers::Typed);

// The style after a code: a colour switches every format off, the reset gives white without
// formats, a format switches itself on; the other kinds change nothing.
void applyCode(const Code& code, Style& style);

// "#rrggbb" in lower case for 0xRRGGBB.
std::string hexColour(std::uint32_t rgb);

// Whether the text uses the "&#RRGGBB" colour form, which only some servers read (others
// show it as typed); the preview shows it as a colour and the UI says so in a tooltip.
bool usesHashHex(std::string_view utf8);

// Byte offsets [begin, end) of the plugin's placeholders ({grade}, {type_item},
// {success_rate}, {failure_rate}, {max_health}) in the text, in order. format keeps them
// in the run text as they stand; the preview marks these stretches.
std::vector<std::pair<std::size_t, std::size_t>> placeholderSpans(std::string_view utf8);

// A stand-in for a character of obfuscated text ("&k"), chosen by random, that keeps the
// character's width class as the game does: blanks and controls stay; printable ASCII
// becomes an ASCII letter or digit other than itself; wide (CJK, Hangul, full-width, wide
// emoji) characters become a common CJK ideograph (U+4E00..U+9FA5) other than itself;
// letters of Latin-1, Latin Extended-A, Greek and Cyrillic become another letter of
// their block; anything else stays as it is.
char32_t obfuscatedGlyph(char32_t original, std::uint32_t random);

}  // namespace text
