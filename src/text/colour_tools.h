// The colour tools of the name and lore fields: gradients, hex colours in either form,
// removing codes, and the codes the tool's buttons insert at the cursor. Every tool and the
// automation interface go through these functions, so they all write the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "text/format.h"

namespace text {

// What a tool made, or why it made nothing.
struct ToolResult {
    std::string text;     // UTF-8; empty when refused
    std::string refusal;  // empty when the tool ran, else one English sentence for the automation reply

    bool ok() const { return refusal.empty(); }
    bool operator==(const ToolResult&) const = default;
};

// The two ways of writing a hex colour: "&x&r&r&g&g&b&b", which Bukkit translates on every
// server since 1.16, and "&#rrggbb", which only some plugins read.
enum class HexForm { X, Hash };

// The code of a hex colour in the form, hex digits in lower case: 0xFF5555 gives
// "&x&f&f&5&5&5&5" or "&#ff5555".
std::string hexCode(std::uint32_t rgb, HexForm form);

// The colour of each of n code points along the stops (at least two). Code point i takes
// the stops' colour at s = i * (k - 1) / (n - 1) (s = 0 when n = 1): with j the whole part
// of s (at most k - 2) and u = s - j, each channel is a + (b - a) * u, a from stop j and
// b from stop j + 1, worked out exactly and rounded half up (toward the larger number).
std::vector<std::uint32_t> gradientColours(std::span<const std::uint32_t> stops, std::size_t n);

// The text in a gradient.
//   - colours: "#rrggbb" (hex digits in either case), at least two.
//   - formats: letters among l o n m k (either case, any order, repeats allowed), written
//     after every colour code in the order l, o, n, m, k, because a colour code switches
//     every format off.
//   - form: "x" (also when empty) or "hash".
// The codes already in the text are dropped (so are characters that "§" hides) and the
// gradient runs over the code points left, n of them, blanks and line breaks counted.
// Before a code point that is not a blank or a line break comes its colour's code and the
// formats, unless its colour is the one last written; blanks (text::isBlank) are written
// as they are, without a code, as are line breaks, after which the next colour is always
// written because the game starts every line afresh. A character that would make a code
// with a literal "&" just before it ("&" then "c") also gets its code written, so the "&"
// stays text. Bytes that are not well-formed UTF-8 pass through, one code point each.
// Refused: fewer than two colours, a colour not "#" and six hex digits, a letter that is
// no format, a form other than "x" or "hash".
ToolResult gradient(std::string_view utf8, std::span<const std::string> colours, std::string_view formats,
                    std::string_view form = "x");

// Every whole hex colour code of the other form written in the form to ("x" or "hash"),
// hex digits in lower case: "&#FF0000红" to "x" gives "&x&f&f&0&0&0&0红", and
// "&x&f&f&0&0&0&0红" (also with "§" markers) to "hash" gives "&#ff0000红". Codes of the
// target form, the sixteen colours, formats, "&x" without six digits and all other text
// stay as they are. Refused: a form other than "x" or "hash".
ToolResult convertHex(std::string_view utf8, std::string_view to);

// The text without its colour and format codes, in either prefix ("&" or "§"): the sixteen
// colours, the formats, the reset, "&x&R&R&G&G&B&B" and "§x§R..." (also "&x" without its
// six digits, which shows nothing), "&#RRGGBB", and "§" with the character it hides. An
// "&" that starts no code stays, and so do line breaks: "&c&l红&r色" gives "红色". Nothing
// the game reads as a code is left: where taking a code out brings an "&" to a character
// that makes a code with it, that code goes too ("&&cc" and "&§ac" give ""), as often as it
// happens, in one pass over the text. A code never reaches over a line break.
std::string stripCodes(std::string_view utf8);

// A button of the tool's colour row: one of the game's sixteen colours.
struct ColourButton {
    std::string_view code;  // "&c"
    std::uint32_t rgb;      // 0xFF5555
    std::string_view name;  // the game's name, "red"
    std::string_view zh;    // the game's zh_CN name, "红色"
};

// The sixteen colours in code order (0-9, then a-f).
std::span<const ColourButton> colourButtons();

// A button of the tool's format row.
struct FormatButton {
    std::string_view code;  // "&l"
    std::string_view zh;    // "粗体"
};

// 粗体 &l, 斜体 &o, 下划线 &n, 删除线 &m, 随机字符 &k, then 重置 &r.
std::span<const FormatButton> formatButtons();

// A field's text with its cursor or selection. Positions count code points (a byte that is
// not well-formed UTF-8 counts as one); on the Qt side a QString position counts UTF-16
// units, so a character outside the BMP (an emoji) is one here and two there.
struct Edit {
    std::string text;  // UTF-8
    std::size_t selectionStart = 0;
    std::size_t selectionEnd = 0;  // equal to selectionStart for a cursor

    bool operator==(const Edit&) const = default;
};

// The code written at the cursor, or in front of the selected text. Start and end may come
// in either order and are held to the text's length. A cursor inside a code moves after it,
// and a selection that starts or ends inside one takes the whole code, so no code is cut in
// two. Afterwards a cursor stands after the code, and a selection still holds the same text,
// moved along by the code. After a selection the codes in force at its end are written again,
// so that the text after it is drawn, in the role's style, as before.
Edit insertCode(std::string_view utf8, std::size_t selectionStart, std::size_t selectionEnd, std::string_view code,
                Role role = Role::Message);

// What a tool made of a field's text and selection, or why it made nothing.
struct EditResult {
    Edit edit;
    std::string refusal;  // empty when the tool ran

    bool ok() const { return refusal.empty(); }
    bool operator==(const EditResult&) const = default;
};

// The selected text in a gradient (gradient's rules), the whole text when nothing is
// selected. The selection is first widened over any code it starts or ends inside. The codes
// right in front of it, which its first colour would make dead, go with it; after it come the
// codes in force at its end, so the text after it is drawn as before. The result is selected
// (a cursor at the end of the text for the whole text). Refused as gradient refuses.
EditResult gradientEdit(std::string_view utf8, std::size_t selectionStart, std::size_t selectionEnd,
                        std::span<const std::string> colours, std::string_view formats, std::string_view form,
                        Role role);

}  // namespace text
