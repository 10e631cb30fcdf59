#include "yaml/resolve.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>

#include <utility>

#include "yaml/unicode.h"

namespace yaml {

namespace {

// A tiny cursor for the hand-written forms of SnakeYAML's regular expressions.
struct Cursor {
    std::string_view s;
    std::size_t at = 0;

    bool end() const { return at == s.size(); }
    char peek(std::size_t k = 0) const { return at + k < s.size() ? s[at + k] : '\0'; }
    bool take(char c) {
        if (peek() != c) return false;
        ++at;
        return true;
    }
    template <class Pred>
    std::size_t takeWhile(Pred pred) {
        const std::size_t from = at;
        while (!end() && pred(s[at])) ++at;
        return at - from;
    }
    void sign() {
        if (peek() == '-' || peek() == '+') ++at;
    }
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isDigitOrUnderscore(char c) { return isDigit(c) || c == '_'; }

// (?::[0-5]?[0-9])+ up to the end or a '.'.
bool sexagesimalGroups(Cursor& c) {
    std::size_t groups = 0;
    while (c.peek() == ':') {
        ++c.at;
        if (c.peek() >= '0' && c.peek() <= '5' && isDigit(c.peek(1))) {
            c.at += 2;
        } else if (isDigit(c.peek())) {
            ++c.at;
        } else {
            return false;
        }
        ++groups;
    }
    return groups > 0;
}

bool isBool(std::string_view s) {
    static constexpr std::string_view kWords[] = {"yes",   "Yes",   "YES",   "no", "No", "NO", "true", "True", "TRUE",
                                                  "false", "False", "FALSE", "on", "On", "ON", "off",  "Off",  "OFF"};
    for (std::string_view word : kWords)
        if (s == word) return true;
    return false;
}

bool isInt(std::string_view s) {
    // [-+]?0b_*[0-1][0-1_]*
    {
        Cursor c{s};
        c.sign();
        if (c.take('0') && c.take('b')) {
            c.takeWhile([](char ch) { return ch == '_'; });
            if ((c.peek() == '0' || c.peek() == '1') &&
                (c.takeWhile([](char ch) { return ch == '0' || ch == '1' || ch == '_'; }), c.end()))
                return true;
        }
    }
    // [-+]?0_*[0-7][0-7_]*
    {
        Cursor c{s};
        c.sign();
        if (c.take('0')) {
            c.takeWhile([](char ch) { return ch == '_'; });
            if (c.peek() >= '0' && c.peek() <= '7' &&
                (c.takeWhile([](char ch) { return (ch >= '0' && ch <= '7') || ch == '_'; }), c.end()))
                return true;
        }
    }
    // [-+]?(?:0|[1-9][0-9_]*)
    {
        Cursor c{s};
        c.sign();
        if (c.peek() == '0' && c.at + 1 == s.size()) return true;
        if (c.peek() >= '1' && c.peek() <= '9') {
            c.takeWhile(isDigitOrUnderscore);
            if (c.end()) return true;
        }
    }
    // [-+]?0x_*[0-9a-fA-F][0-9a-fA-F_]*
    {
        Cursor c{s};
        c.sign();
        const auto hex = [](char ch) { return isDigit(ch) || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F'); };
        if (c.take('0') && c.take('x')) {
            c.takeWhile([](char ch) { return ch == '_'; });
            if (hex(c.peek()) && (c.takeWhile([&](char ch) { return hex(ch) || ch == '_'; }), c.end())) return true;
        }
    }
    // [-+]?[1-9][0-9_]*(?::[0-5]?[0-9])+
    {
        Cursor c{s};
        c.sign();
        if (c.peek() >= '1' && c.peek() <= '9') {
            c.takeWhile(isDigitOrUnderscore);
            if (sexagesimalGroups(c) && c.end()) return true;
        }
    }
    return false;
}

// (?:[eE][-+]?[0-9]+)? then the end.
bool optionalExponentThenEnd(Cursor& c) {
    if (c.peek() == 'e' || c.peek() == 'E') {
        ++c.at;
        c.sign();
        if (c.takeWhile(isDigit) == 0) return false;
    }
    return c.end();
}

bool isFloat(std::string_view s) {
    // [-+]?(?:[0-9][0-9_]*)\.[0-9_]*(?:[eE][-+]?[0-9]+)?
    {
        Cursor c{s};
        c.sign();
        if (isDigit(c.peek())) {
            c.takeWhile(isDigitOrUnderscore);
            if (c.take('.')) {
                c.takeWhile(isDigitOrUnderscore);
                if (optionalExponentThenEnd(c)) return true;
            }
        }
    }
    // [-+]?(?:[0-9][0-9_]*)(?:[eE][-+]?[0-9]+)
    {
        Cursor c{s};
        c.sign();
        if (isDigit(c.peek())) {
            c.takeWhile(isDigitOrUnderscore);
            if ((c.peek() == 'e' || c.peek() == 'E') && optionalExponentThenEnd(c)) return true;
        }
    }
    // [-+]?\.[0-9_]+(?:[eE][-+]?[0-9]+)?
    {
        Cursor c{s};
        c.sign();
        if (c.take('.') && c.takeWhile(isDigitOrUnderscore) > 0 && optionalExponentThenEnd(c)) return true;
    }
    // [-+]?[0-9][0-9_]*(?::[0-5]?[0-9])+\.[0-9_]*
    {
        Cursor c{s};
        c.sign();
        if (isDigit(c.peek())) {
            c.takeWhile(isDigitOrUnderscore);
            if (sexagesimalGroups(c) && c.take('.')) {
                c.takeWhile(isDigitOrUnderscore);
                if (c.end()) return true;
            }
        }
    }
    // [-+]?\.(?:inf|Inf|INF) and \.(?:nan|NaN|NAN)
    {
        Cursor c{s};
        c.sign();
        const std::string_view rest = s.substr(c.at);
        if (rest == ".inf" || rest == ".Inf" || rest == ".INF") return true;
    }
    return s == ".nan" || s == ".NaN" || s == ".NAN";
}

bool isTimestamp(std::string_view s) {
    Cursor c{s};
    const auto digits = [&](std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            if (!isDigit(c.peek(i))) return false;
        c.at += n;
        return true;
    };
    const auto oneOrTwo = [&] {
        if (!isDigit(c.peek())) return false;
        c.at += isDigit(c.peek(1)) ? 2 : 1;
        return true;
    };
    if (!digits(4) || !c.take('-')) return false;
    const std::size_t afterYear = c.at;
    // [0-9]{4}-[0-9]{2}-[0-9]{2}
    if (digits(2) && c.take('-') && digits(2) && c.end()) return true;
    c.at = afterYear;
    // ...-[0-9][0-9]?-[0-9][0-9]?(?:[Tt]|[ \t]+)[0-9][0-9]?:[0-9]{2}:[0-9]{2}(?:\.[0-9]*)?
    //    (?:[ \t]*(?:Z|[-+][0-9][0-9]?(?::[0-9]{2})?))?
    if (!oneOrTwo() || !c.take('-') || !oneOrTwo()) return false;
    if (c.peek() == 'T' || c.peek() == 't') {
        ++c.at;
    } else if (c.takeWhile([](char ch) { return ch == ' ' || ch == '\t'; }) == 0) {
        return false;
    }
    if (!oneOrTwo() || !c.take(':') || !digits(2) || !c.take(':') || !digits(2)) return false;
    if (c.take('.')) c.takeWhile(isDigit);
    if (c.end()) return true;
    c.takeWhile([](char ch) { return ch == ' ' || ch == '\t'; });
    if (c.take('Z')) return c.end();
    if (c.peek() != '-' && c.peek() != '+') return false;
    ++c.at;
    if (!oneOrTwo()) return false;
    if (c.take(':') && !digits(2)) return false;
    return c.end();
}

bool isNullWord(std::string_view s) { return s == "~" || s == "null" || s == "Null" || s == "NULL" || s == " "; }

}  // namespace

Tag resolvePlain(std::string_view value) {
    // Each resolver applies only to values starting with one of its characters, and only
    // up to its length limit in UTF-16 units; then the resolvers for any first character.
    const std::size_t length = unicode::utf16Length(value);
    const char first = value.empty() ? '\0' : value[0];
    switch (first) {
    case '-':
    case '+':
    case '0':
    case '1':
    case '2':
    case '3':
    case '4':
    case '5':
    case '6':
    case '7':
    case '8':
    case '9':
        if (length <= 1024 && isInt(value)) return Tag::Int;
        if (length <= 1024 && isFloat(value)) return Tag::Float;
        if (first != '-' && first != '+' && length <= 50 && isTimestamp(value)) return Tag::Timestamp;
        break;
    case '.':
        if (length <= 1024 && isFloat(value)) return Tag::Float;
        break;
    case 'y':
    case 'Y':
    case 't':
    case 'T':
    case 'f':
    case 'F':
    case 'o':
    case 'O':
        if (length <= 10 && isBool(value)) return Tag::Bool;
        break;
    case 'n':
    case 'N':
        if (length <= 10 && isBool(value)) return Tag::Bool;
        if (length <= 10 && isNullWord(value)) return Tag::Null;
        break;
    case '~':
        if (length <= 10 && isNullWord(value)) return Tag::Null;
        break;
    case '<':
        if (length <= 10 && value == "<<") return Tag::Merge;
        break;
    case '!':
    case '&':
    case '*':
        if (length <= 10 && (value == "!" || value == "&" || value == "*")) return Tag::Yaml;
        break;
    default: break;
    }
    if (length <= 10 && (isNullWord(value) || value.empty())) return Tag::Null;
    return Tag::Str;
}

Tag tagFromName(std::string_view name) {
    constexpr std::string_view kPrefix = "tag:yaml.org,2002:";
    if (name.substr(0, kPrefix.size()) != kPrefix) return Tag::Other;
    const std::string_view rest = name.substr(kPrefix.size());
    // clang-format off
    static constexpr std::pair<std::string_view, Tag> kTags[] = {
        {"str", Tag::Str},     {"int", Tag::Int},             {"float", Tag::Float},
        {"bool", Tag::Bool},   {"null", Tag::Null},           {"timestamp", Tag::Timestamp},
        {"binary", Tag::Binary}, {"merge", Tag::Merge},       {"value", Tag::Value},
        {"yaml", Tag::Yaml},   {"seq", Tag::Seq},             {"omap", Tag::Omap},
        {"pairs", Tag::Pairs}, {"map", Tag::Map},             {"set", Tag::Set},
    };
    // clang-format on
    for (const auto& [suffix, tag] : kTags)
        if (rest == suffix) return tag;
    return Tag::Other;
}

std::string tagName(Tag tag) {
    switch (tag) {
    case Tag::Str: return "tag:yaml.org,2002:str";
    case Tag::Int: return "tag:yaml.org,2002:int";
    case Tag::Float: return "tag:yaml.org,2002:float";
    case Tag::Bool: return "tag:yaml.org,2002:bool";
    case Tag::Null: return "tag:yaml.org,2002:null";
    case Tag::Timestamp: return "tag:yaml.org,2002:timestamp";
    case Tag::Binary: return "tag:yaml.org,2002:binary";
    case Tag::Merge: return "tag:yaml.org,2002:merge";
    case Tag::Value: return "tag:yaml.org,2002:value";
    case Tag::Yaml: return "tag:yaml.org,2002:yaml";
    case Tag::Seq: return "tag:yaml.org,2002:seq";
    case Tag::Omap: return "tag:yaml.org,2002:omap";
    case Tag::Pairs: return "tag:yaml.org,2002:pairs";
    case Tag::Map: return "tag:yaml.org,2002:map";
    case Tag::Set: return "tag:yaml.org,2002:set";
    case Tag::Other: break;
    }
    return {};
}

// The text Java's Double.toString gives a float key as SnakeYAML constructs it ("1.00" and
// "1.0" are both "1.0"; "1e3" is "1000.0"), or nullopt for a form not handled here.
std::optional<std::string> javaDoubleText(std::string_view text) {
    std::string plain;
    for (const char c : text)
        if (c != '_') plain += c;
    double sign = 1;
    std::string_view v = plain;
    if (!v.empty() && (v[0] == '-' || v[0] == '+')) {
        sign = v[0] == '-' ? -1 : 1;
        v.remove_prefix(1);
    }
    double value = 0;
    if (v == ".inf" || v == ".Inf" || v == ".INF") return sign > 0 ? "Infinity" : "-Infinity";
    if (v == ".nan" || v == ".NaN" || v == ".NAN") return "NaN";
    if (v.find(':') != std::string_view::npos) {  // sexagesimal: 1:30.5
        double part = 0;
        std::size_t start = 0;
        while (true) {
            const std::size_t colon = v.find(':', start);
            const std::string piece(v.substr(start, colon == std::string_view::npos ? colon : colon - start));
            char* end = nullptr;
            part = std::strtod(piece.c_str(), &end);
            if (piece.empty() || end != piece.c_str() + piece.size()) return std::nullopt;
            value = value * 60 + part;
            if (colon == std::string_view::npos) break;
            start = colon + 1;
        }
    } else {
        const std::string number(v);
        char* end = nullptr;
        value = std::strtod(number.c_str(), &end);
        if (number.empty() || end != number.c_str() + number.size()) return std::nullopt;
    }
    value *= sign;
    if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
    if (value == 0) return std::signbit(value) ? "-0.0" : "0.0";
    // The shortest digits that read back as the same double, as Java (since 19) chooses them.
    char buffer[64];
    const auto [last, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    if (error != std::errc()) return std::nullopt;
    const std::string_view scientific(buffer, static_cast<std::size_t>(last - buffer));
    const std::size_t e = scientific.find('e');
    std::string digits;
    for (const char c : scientific.substr(0, e))
        if (c >= '0' && c <= '9') digits += c;
    const int exponent = std::stoi(std::string(scientific.substr(e + 1)));
    std::string out = value < 0 ? "-" : "";
    const double magnitude = std::abs(value);
    if (magnitude >= 1e-3 && magnitude < 1e7) {
        if (exponent >= 0) {
            const auto whole = static_cast<std::size_t>(exponent) + 1;
            while (digits.size() < whole) digits += '0';
            out += digits.substr(0, whole) + "." + (digits.size() > whole ? digits.substr(whole) : "0");
        } else {
            out += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
        }
    } else {
        out +=
            digits.substr(0, 1) + "." + (digits.size() > 1 ? digits.substr(1) : "0") + "E" + std::to_string(exponent);
    }
    return out;
}

}  // namespace yaml
