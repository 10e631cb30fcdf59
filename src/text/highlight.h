// Splits one line of an output panel (the YAML configuration panel or the command panel)
// into highlighted spans. Lines come as UTF-16, the form of the panel's QString; offsets
// and lengths are in UTF-16 units and a span never splits a surrogate pair.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace text {

enum class Token : std::uint8_t {
    Key,          // YAML: a mapping key, up to (not including) its ':'
    Dash,         // YAML: the '-' of a list item
    String,       // YAML: a quoted scalar, quotes included, outside its codes and placeholders
    Comment,      // YAML: '#' to the end of the line
    Command,      // command: "/word" and the sub-command words after it
    Value,        // command: a word after the command words, outside its codes and placeholders
    ColourCode,   // a colour code ("&c", "§4", "&x&1&2&3&4&5&6", "&#123456"); rgb is its colour
    FormatCode,   // a format code ("&l", "§o", "&r", or "&x" with no colour after it)
    Placeholder,  // {grade}, {type_item}, {success_rate}, {failure_rate}, {max_health}
};

struct Span {
    std::size_t start = 0;   // UTF-16 units from the line's start
    std::size_t length = 0;  // UTF-16 units
    Token token = Token::String;
    std::uint32_t rgb = 0;  // 0xRRGGBB for ColourCode, 0 otherwise

    bool operator==(const Span&) const = default;
};

// The spans of a line of the configuration panel, in order and never overlapping; text
// between them (blanks, ':' after a key, plain values) has no span.
//   - Comment: '#' at the start of the line or after a blank, outside quotes.
//   - Dash: '-' followed by a blank or the line's end, before the item's content.
//   - Key: a plain or quoted key followed by ':' and a blank or the line's end.
//   - String: a scalar in double quotes ('\' escapes the next character) or single quotes
//     ('' is a quote), starting where a value starts (also after '[', '{' or ','). A quote
//     not closed on the line runs to its end. Inside, each code and placeholder has a span
//     of its own and the String spans cover the rest.
// out is cleared first; reusing it across lines saves allocations.
void highlightYaml(std::u16string_view line, std::vector<Span>& out);
std::vector<Span> highlightYaml(std::u16string_view line);

// The spans of a line of the command panel, in order and never overlapping.
//   - Command: one span from the leading '/' over the first word and every word after it
//     that is a sub-command word: a word of letters, digits and '_' that is written in
//     capitals ("DAMAGE", "NBT") or has an underscore in it ("Dark_Flame"), or one of the
//     fixed words of the editor's commands, in any case (Stats, Buff, Debuff, Requirement,
//     Ability, Power, Level, Permission, Bound, Unbound, add, empty, locked, load, gems,
//     rod, remove, unlock, element). The first other word ends the command.
//   - Value: each blank-separated word after the command (every word, when the line does
//     not start with '/'); codes and placeholders in it have spans of their own.
// So "/att Stats DAMAGE 125" is the command "/att Stats DAMAGE" and the value "125";
// a lower-case ability name ("/att Ability harm 3 25") reads as a value.
void highlightCommand(std::u16string_view line, std::vector<Span>& out);
std::vector<Span> highlightCommand(std::u16string_view line);

}  // namespace text
