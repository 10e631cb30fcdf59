// Which characters show as empty space and which end a line, so the formatter, the colour
// tools and the item designer's lore lines agree on them.
#pragma once

namespace text {

// A character the game draws as empty space inside a line: tab, space, no-break space and
// the other Unicode space separators (ogham, en to hair space, narrow no-break, medium
// mathematical and ideographic space).
constexpr bool isBlank(char32_t c) {
    return c == 0x09 || c == 0x20 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

// A character the text widgets take as the end of a line, and so the item designer as the
// end of a lore line: LF, VT, FF, CR, FS, GS, RS, NEL, LS, PS and the frame marks U+FDD0
// and U+FDD1. (CR LF is one break; callers that split lines see to that.)
constexpr bool isLineBreak(char32_t c) {
    return (c >= 0x0A && c <= 0x0D) || (c >= 0x1C && c <= 0x1E) || c == 0x85 || c == 0x2028 || c == 0x2029 ||
           c == 0xFDD0 || c == 0xFDD1;
}

}  // namespace text
