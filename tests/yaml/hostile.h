// Values that break a YAML file or change meaning when written without quotes, and the
// documents in which the block writer puts each of them, for the writer's tests.
#pragma once

#include <string>
#include <vector>

#include "yaml/scalar.h"

namespace yaml::testing {

// Every YAML indicator at the start, ": " and " #" inside, outer blanks, tabs, YAML 1.1
// words in three cases, numbers in other notations, dates, line breaks, control
// characters, a byte order mark, the empty string, and ordinary values that stay plain.
inline const std::vector<std::string>& hostileValues() {
    static const std::vector<std::string> values = [] {
        std::vector<std::string> v = {
            "",
            "fire",
            "10",
            "-8",
            "1.5",
            "1e3",
            "+5",
            "0",
            "07",
            "abc",
            "红宝石",
            "R&D",
            "a:b",
            "50%",
            "C:\\x",
            "a: b",
            "a:",
            "&7Rank #1",
            "Rank #1",
            "x #",
            "#3",
            "a# b",
            " 5",
            "5 ",
            "  a  ",
            "\ta",
            "a\t",
            "a\tb",
            "012",
            "0x1F",
            "0b101",
            "1:20",
            "1_000",
            "._",
            ".5",
            "5.",
            ".nan",
            ".inf",
            "-.INF",
            "2024-01-01",
            "2001-12-14 21:59:43",
            "<<",
            "=",
            "~",
            "---",
            "...",
            "--- x",
            "- a",
            "-",
            "? a",
            "?",
            ": a",
            ":",
            "a\nb",
            "a\r\nb",
            "a\rb",
            "a\u0085b",
            "a\u2028b",
            "a\u2029b",
            "\u2028",
            "a\x01b",
            "\x7f",
            "a\u0080b",
            "\uFEFFa",
            "a\uFEFF",
            "\u00A0a",
            "'q'",
            "\"q\"",
            "it's",
            "say \"hi\"",
            "\\",
            "\\n",
            "%x",
            "@x",
            "`x`",
            "!x",
            "!!str",
            "&a",
            "*a",
            "|",
            ">",
            "|x",
            ">-",
            "{a}",
            "[a]",
            "a,b",
            "a]",
            "a}",
            "{",
            "[",
            "]",
            "}",
            ",",
            "x\x1b[0m",
            "\U0001F48E",
        };
        for (const char* word : {"yes", "no", "on", "off", "true", "false", "null", "y", "n"}) {
            std::string lower = word;
            std::string title = lower;
            std::string upper = lower;
            title[0] = static_cast<char>(title[0] - 32);
            for (char& c : upper) c = static_cast<char>(c - 32);
            v.insert(v.end(), {lower, title, upper});
        }
        for (const char* indicator :
             {"&", "*", "%", "@", "{", "[", "-", "?", ":", ",", "#", "!", "|", ">", "'", "\"", "`"})
            v.push_back(std::string(indicator) + "x");
        return v;
    }();
    return values;
}

// The places the writer puts a value unquoted.
enum class Place { TopLevelKey, ResistanceKey, TextValue, NumberValue };

inline const char* placeName(Place place) {
    switch (place) {
    case Place::TopLevelKey: return "TopLevelKey";
    case Place::ResistanceKey: return "ResistanceKey";
    case Place::TextValue: return "TextValue";
    case Place::NumberValue: return "NumberValue";
    }
    return "";
}

// What the writer writes for a value in a place.
inline std::string written(const std::string& value, Place place) {
    switch (place) {
    case Place::TopLevelKey: return plainOrQuotedKey(value, KeyPlace::TopLevel);
    case Place::ResistanceKey: return plainOrQuotedKey(value, KeyPlace::Nested);
    case Place::TextValue: return plainOrQuotedValue(value, ScalarKind::Text);
    case Place::NumberValue: return plainOrQuotedValue(value, ScalarKind::Number);
    }
    return {};
}

// A document as the editor writes one, with the written value in its place and other
// entries around it.
inline std::string blockWith(const std::string& text, Place place) {
    switch (place) {
    case Place::TopLevelKey: return text + ":\r\n  Keylore: \"K\"\r\n  Max_Grade: 5\r\nnext:\r\n  Keylore: \"N\"\r\n";
    case Place::ResistanceKey:
        return "e:\r\n  Keylore: \"E\"\r\n  Resistance:\r\n    water: -20\r\n    " + text + ": 35\r\n    fire: 1\r\n";
    case Place::TextValue:
    case Place::NumberValue:
        return "g:\r\n  Keylore: \"K\"\r\n  Max_Grade: " + text + "\r\n  Type_Item: \"Weapon\"\r\n";
    }
    return {};
}

}  // namespace yaml::testing
