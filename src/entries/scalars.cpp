#include "entries/scalars.h"

#include "yaml/document.h"
#include "yaml/unicode.h"

namespace entries {

namespace {

// Whether a plain scalar may start at `at`: not a blank, and not a character that gives the
// start of a value a meaning of its own in YAML ("-", "?" and ":" only before a blank).
bool startsPlain(std::string_view line, std::size_t at) {
    static constexpr std::string_view kIndicators = ",[]{}#&*!|>'\"%@`";
    const char c = line[at];
    if (c == ' ' || c == '\t' || kIndicators.find(c) != std::string_view::npos) return false;
    if (c == '-' || c == '?' || c == ':') return at + 1 < line.size() && line[at + 1] != ' ' && line[at + 1] != '\t';
    return true;
}

// Bytes that are not well-formed UTF-8: the reader sees U+FFFD in their place.
bool isMalformed(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        if (static_cast<unsigned char>(text[at]) < 0x80) {
            ++at;
            continue;
        }
        char32_t cp = 0;
        const std::size_t length = yaml::unicode::decodeOne(text, at, &cp);
        if (cp == 0xFFFD && text.substr(at, length) != "\xEF\xBF\xBD") return true;
        at += length;
    }
    return false;
}

// Characters that end a line for YAML but not for the panel (CR, NEL, LINE and PARAGRAPH
// SEPARATOR): a scalar holding one folds, which only the reader gets right; and bytes the
// reader replaces.
bool needsReader(std::string_view text) {
    return text.find('\r') != std::string_view::npos || text.find("\xC2\x85") != std::string_view::npos ||
           text.find("\xE2\x80\xA8") != std::string_view::npos || text.find("\xE2\x80\xA9") != std::string_view::npos ||
           isMalformed(text);
}

// Just after the closing quote of the quoted scalar that starts at `from`; npos when it does not
// close on this line.
std::size_t closingQuote(std::string_view line, std::size_t from) {
    const char quote = line[from];
    for (std::size_t i = from + 1; i < line.size(); ++i) {
        if (quote == '"' && line[i] == '\\') {
            ++i;
        } else if (line[i] == quote) {
            if (quote == '\'' && i + 1 < line.size() && line[i + 1] == '\'') {
                ++i;
            } else {
                return i + 1;
            }
        }
    }
    return std::string_view::npos;
}

// Only blanks, perhaps followed by a comment, from `from` to the end of the line.
bool restIsEmpty(std::string_view line, std::size_t from) {
    while (from < line.size() && line[from] == ' ') ++from;
    return from == line.size() || line[from] == '#';
}

// The plain scalar from `from`, up to a comment or the line's end, trailing blanks dropped;
// not simple if a ": " inside would make it something else.
Scalar plainAt(std::string_view line, std::size_t from, bool decode) {
    Scalar out;
    std::size_t end = from;
    for (std::size_t i = from; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\t') return out;
        if (c == '#' && i > from && line[i - 1] == ' ') break;
        if (c == ':' && (i + 1 == line.size() || line[i + 1] == ' ')) return out;
        if (c != ' ') end = i + 1;
    }
    const std::string_view text = line.substr(from, end - from);
    if (needsReader(text)) return out;
    out.simple = true;
    out.begin = from;
    out.end = end;
    if (decode && text != "~" && text != "null" && text != "Null" && text != "NULL") out.value = text;
    return out;
}

}  // namespace

Scalar quotedValue(std::string_view quoted) {
    Scalar out;
    if (quoted.size() < 2 || quoted.front() != quoted.back() || (quoted.front() != '"' && quoted.front() != '\''))
        return out;
    const std::string_view inner = quoted.substr(1, quoted.size() - 2);
    if (!needsReader(inner)) {
        if (quoted.front() == '"' && inner.find('\\') == std::string_view::npos) {
            out.simple = true;
            out.value = inner;
        } else if (quoted.front() == '\'') {
            out.simple = true;
            for (std::size_t i = 0; i < inner.size(); ++i) {
                out.value += inner[i];
                if (inner[i] == '\'') ++i;  // '' stands for one quote
            }
        }
        if (out.simple) return out;
    }
    // Escapes and folded breaks: the reader's own rules, on the scalar alone.
    std::string document = "k: ";
    document += quoted;
    const yaml::Document doc = yaml::read(document);
    if (!doc.loads() || !doc.root) return out;
    const yaml::Node& root = doc.node(*doc.root);
    if (root.kind != yaml::NodeKind::Mapping || root.childCount != 2) return out;
    const yaml::Node& value = doc.node(doc.children(root)[1]);
    if (value.kind != yaml::NodeKind::Scalar) return out;
    out.simple = true;
    out.value = doc.value(value);
    return out;
}

Scalar keyAt(std::string_view line, std::size_t from) {
    Scalar out;
    if (from >= line.size()) return out;
    const char first = line[from];
    std::size_t after = 0;  // where the colon is looked for
    if (first == '"' || first == '\'') {
        const std::size_t close = closingQuote(line, from);
        if (close == std::string_view::npos) return out;
        out = quotedValue(line.substr(from, close - from));
        if (!out.simple) return out;
        out.begin = from;
        out.end = close;
        after = close;
        while (after < line.size() && line[after] == ' ') ++after;
    } else {
        if (!startsPlain(line, from)) return out;
        std::size_t colon = from;
        while (colon < line.size()) {
            const char c = line[colon];
            if (c == '\t' || (c == '#' && colon > from && line[colon - 1] == ' ')) return out;
            if (c == ':' && (colon + 1 == line.size() || line[colon + 1] == ' ')) break;
            ++colon;
        }
        if (colon == line.size()) return out;
        std::size_t end = colon;
        while (end > from && line[end - 1] == ' ') --end;
        const std::string_view key = line.substr(from, end - from);
        if (needsReader(key)) return out;
        out.simple = true;
        out.value = key;
        out.begin = from;
        out.end = end;
        after = colon;
    }
    if (after >= line.size() || line[after] != ':' || (after + 1 < line.size() && line[after + 1] != ' ')) {
        out.simple = false;
    }
    return out;
}

Scalar valueAt(std::string_view line, std::size_t from, bool decode) {
    Scalar out;
    std::size_t at = from;
    while (at < line.size() && line[at] == ' ') ++at;
    if (at == line.size() || line[at] == '#') {
        out.simple = true;
        out.begin = out.end = at;
        return out;
    }
    const char first = line[at];
    if (first == '"' || first == '\'') {
        const std::size_t close = closingQuote(line, at);
        if (close == std::string_view::npos || !restIsEmpty(line, close)) return out;
        if (decode) {
            out = quotedValue(line.substr(at, close - at));
        } else {
            out.simple = !needsReader(line.substr(at, close - at));
        }
        out.begin = at;
        out.end = close;
        return out;
    }
    if (!startsPlain(line, at)) return out;
    return plainAt(line, at, decode);
}

}  // namespace entries
