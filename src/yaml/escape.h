// Text for the inside of a YAML double-quoted scalar. The gem, element and key-lore
// blocks put user text between double quotes; a quote or backslash typed into such a
// field would otherwise end the scalar early or start an escape, and the plugin would
// reject the whole file. The escaped text parses back to exactly what was typed.
#pragma once

#include <string>
#include <string_view>

namespace yaml {

// The inner text of a double-quoted scalar (without the quotes) for a UTF-8 value:
//   - "\" becomes "\\" and '"' becomes "\"";
//   - line breaks, which a parser would fold, are escaped: LF "\n", CR "\r", NEL "\x85",
//     LINE SEPARATOR "\L", PARAGRAPH SEPARATOR "\P" (YAML 1.1 readers break lines at the
//     last three). NEL is written "\x85" rather than "\N": some readers turn "\N" into
//     the single byte 0x85 instead of its UTF-8 form;
//   - characters outside YAML's printable set are escaped: NUL "\0", BEL "\a", BS "\b",
//     VT "\v", FF "\f", ESC "\e", the other C0 controls, DEL and the C1 controls as
//     "\xNN"; U+FEFF (byte order mark), U+FFFE and U+FFFF as "\uNNNN";
//   - everything else is copied unchanged: TAB (allowed raw inside double quotes),
//     ASCII, Chinese and every other printable character, as UTF-8 bytes.
// Text that needs none of this comes back byte for byte.
//
// The editor only passes valid UTF-8 (its fields convert from Unicode). Bytes that do
// not form a well-formed UTF-8 sequence are still given a parseable result: each such
// byte becomes U+FFFD REPLACEMENT CHARACTER.
std::string escaped(std::string_view text);

}  // namespace yaml
