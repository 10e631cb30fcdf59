// The panel tokenizers: one pass over a UTF-16 line, spans appended in order.
#include "text/highlight.h"

#include "text/codes.h"

namespace text {

namespace {

using View = std::u16string_view;

bool blank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r'; }

std::size_t skipBlanks(View s, std::size_t i) {
    while (i < s.size() && blank(s[i])) ++i;
    return i;
}

void add(std::vector<Span>& out, std::size_t start, std::size_t end, Token token, std::uint32_t rgb = 0) {
    if (end > start) out.push_back(Span{start, end - start, token, rgb});
}

// Spans for s[begin, end) as the given token, with a span of its own for each code and
// placeholder in it. YAML escapes need no care here: none of them is written with '&',
// '§' or '{'.
void addWithCodes(std::vector<Span>& out, View s, std::size_t begin, std::size_t end, Token token) {
    const View inner = s.substr(0, end);
    std::size_t piece = begin;
    std::size_t i = begin;
    while (i < end) {
        const char16_t c = s[i];
        if (c == u'{') {
            const std::size_t length = placeholderAt(inner, i);
            if (length > 0) {
                add(out, piece, i, token);
                add(out, i, i + length, Token::Placeholder);
                i = piece = i + length;
                continue;
            }
        } else if (c == u'&' || c == u'\u00A7') {
            const Code code = codeAt(inner, i);
            if (code.kind == CodeKind::Hidden) {
                i += code.length;
                continue;
            }
            if (code.kind != CodeKind::None) {
                add(out, piece, i, token);
                if (code.kind == CodeKind::Colour)
                    add(out, i, i + code.length, Token::ColourCode, code.rgb);
                else
                    add(out, i, i + code.length, Token::FormatCode);
                i = piece = i + code.length;
                continue;
            }
        }
        ++i;
    }
    add(out, piece, end, token);
}

// The end (one past the closing quote, or the line's end) of the quoted scalar whose
// opening quote is at s[at].
std::size_t quotedEnd(View s, std::size_t at) {
    const char16_t quote = s[at];
    std::size_t i = at + 1;
    while (i < s.size()) {
        if (quote == u'"') {
            if (s[i] == u'\\') {
                i += 2;
                continue;
            }
            if (s[i] == u'"') return i + 1;
        } else if (s[i] == u'\'') {
            if (i + 1 < s.size() && s[i + 1] == u'\'') {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return s.size();
}

// Whether a key's ':' is at s[i]: a colon followed by a blank or the line's end.
bool keyColonAt(View s, std::size_t i) { return s[i] == u':' && (i + 1 == s.size() || blank(s[i + 1])); }

// The rest of a line from a value's start: quoted scalars where a scalar may start, and a
// comment after a blank.
void scanValue(std::vector<Span>& out, View s, std::size_t i, bool scalarMayStart) {
    while (i < s.size()) {
        const char16_t c = s[i];
        if ((c == u'"' || c == u'\'') && scalarMayStart) {
            const std::size_t end = quotedEnd(s, i);
            addWithCodes(out, s, i, end, Token::String);
            i = end;
            scalarMayStart = false;
            continue;
        }
        if (c == u'#' && (i == 0 || blank(s[i - 1]))) {
            add(out, i, s.size(), Token::Comment);
            return;
        }
        if (c == u'[' || c == u'{' || c == u',')
            scalarMayStart = true;
        else if (!blank(c))
            scalarMayStart = false;
        ++i;
    }
}

bool isAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

char16_t lower(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c; }

// The fixed words of the editor's commands that are not written in capitals.
constexpr std::string_view kCommandWords[] = {
    "stats", "buff",  "debuff", "requirement", "ability", "power", "level",  "permission", "bound",   "unbound",
    "add",   "empty", "locked", "load",        "gems",    "rod",   "remove", "unlock",     "element",
};

bool isCommandWord(View word) {
    bool letter = false;
    bool lowerCase = false;
    bool underscore = false;
    for (char16_t c : word) {
        if (isAsciiLetter(c)) {
            letter = true;
            lowerCase = lowerCase || (c >= u'a' && c <= u'z');
        } else if (c == u'_') {
            underscore = true;
        } else if (c < u'0' || c > u'9') {
            return false;
        }
    }
    if (!letter) return false;
    if (!lowerCase || underscore) return true;
    for (std::string_view known : kCommandWords) {
        if (known.size() != word.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < word.size() && same; ++i) same = lower(word[i]) == static_cast<char16_t>(known[i]);
        if (same) return true;
    }
    return false;
}

std::size_t wordEnd(View s, std::size_t i) {
    while (i < s.size() && !blank(s[i])) ++i;
    return i;
}

}  // namespace

void highlightYaml(View s, std::vector<Span>& out) {
    out.clear();
    std::size_t i = skipBlanks(s, 0);
    // List dashes, possibly several ("- - a").
    while (i < s.size() && s[i] == u'-' && (i + 1 == s.size() || blank(s[i + 1]))) {
        add(out, i, i + 1, Token::Dash);
        i = skipBlanks(s, i + 1);
    }
    if (i == s.size()) return;
    const char16_t first = s[i];
    if (first == u'#') {
        add(out, i, s.size(), Token::Comment);
        return;
    }
    if (first == u'"' || first == u'\'') {
        const std::size_t end = quotedEnd(s, i);
        const std::size_t after = skipBlanks(s, end);
        if (after < s.size() && keyColonAt(s, after)) {
            add(out, i, end, Token::Key);
            scanValue(out, s, after + 1, true);
        } else {
            addWithCodes(out, s, i, end, Token::String);
            scanValue(out, s, end, false);
        }
        return;
    }
    if (first != u'[' && first != u'{') {
        for (std::size_t j = i; j < s.size(); ++j) {
            if (s[j] == u'#' && blank(s[j - 1])) break;  // j > i here: s[i] is no '#'
            if (keyColonAt(s, j)) {
                std::size_t keyEnd = j;
                while (keyEnd > i && blank(s[keyEnd - 1])) --keyEnd;
                add(out, i, keyEnd, Token::Key);
                scanValue(out, s, j + 1, true);
                return;
            }
        }
    }
    scanValue(out, s, i, true);
}

std::vector<Span> highlightYaml(View line) {
    std::vector<Span> out;
    highlightYaml(line, out);
    return out;
}

void highlightCommand(View s, std::vector<Span>& out) {
    out.clear();
    std::size_t i = skipBlanks(s, 0);
    if (i < s.size() && s[i] == u'/') {
        const std::size_t start = i;
        std::size_t end = wordEnd(s, i);
        for (std::size_t next = skipBlanks(s, end); next < s.size(); next = skipBlanks(s, end)) {
            const std::size_t nextEnd = wordEnd(s, next);
            if (!isCommandWord(s.substr(next, nextEnd - next))) break;
            end = nextEnd;
        }
        add(out, start, end, Token::Command);
        i = skipBlanks(s, end);
    }
    while (i < s.size()) {
        const std::size_t end = wordEnd(s, i);
        addWithCodes(out, s, i, end, Token::Value);
        i = skipBlanks(s, end);
    }
}

std::vector<Span> highlightCommand(View line) {
    std::vector<Span> out;
    highlightCommand(line, out);
    return out;
}

}  // namespace text
