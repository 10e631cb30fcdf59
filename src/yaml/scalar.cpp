#include "yaml/scalar.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "yaml/document.h"
#include "yaml/escape.h"

namespace yaml {

namespace {

std::string quoted(std::string_view text) {
    std::string out(1, '"');
    out += escaped(text);
    out += '"';
    return out;
}

// Characters that end a line for YAML 1.1 (CR, LF, NEL, LS, PS) or that it does not
// allow at all: a value holding one can never stand plain on its line.
bool hasBreakOrControl(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 && c != '\t') || c == 0x7F) return true;
        if (c == 0xC2 && i + 1 < text.size()) {
            const auto next = static_cast<unsigned char>(text[i + 1]);
            if (next >= 0x80 && next <= 0x9F && next != 0x85) return true;  // C1 controls
            if (next == 0x85) return true;                                  // NEL
        }
        if (c == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80 &&
            (static_cast<unsigned char>(text[i + 2]) == 0xA8 || static_cast<unsigned char>(text[i + 2]) == 0xA9)) {
            return true;
        }
    }
    return false;
}

using Pairs = std::vector<std::pair<std::size_t, std::size_t>>;

Pairs pairsOf(const Document& doc, std::size_t mapping) {
    Pairs out;
    const Node& node = doc.nodes[mapping];
    if (node.kind != NodeKind::Mapping) return out;
    const auto children = doc.children(node);
    for (std::size_t i = 0; i + 1 < children.size(); i += 2) out.emplace_back(children[i], children[i + 1]);
    return out;
}

bool isPlainString(const Document& doc, std::size_t index, std::string_view text) {
    const Node& node = doc.nodes[index];
    return node.kind == NodeKind::Scalar && node.tag == Tag::Str && node.style == ScalarStyle::Plain &&
           doc.value(node) == text;
}

bool isScalar(const Document& doc, std::size_t index, Tag tag, std::string_view value) {
    const Node& node = doc.nodes[index];
    return node.kind == NodeKind::Scalar && node.tag == tag && doc.value(node) == value;
}

// The written scalar at `index` reads back as the typed value.
bool readsBack(const Document& doc, std::size_t index, std::string_view typed, ScalarKind kind) {
    if (isPlainString(doc, index, typed)) return true;
    if (kind != ScalarKind::Number || !isDecimalNumber(typed)) return false;
    const Node& node = doc.nodes[index];
    if (node.kind != NodeKind::Scalar || doc.value(node) != typed) return false;
    if (node.tag == Tag::Float) {
        const std::string text(typed);
        return std::isfinite(std::strtod(text.c_str(), nullptr));
    }
    if (node.tag == Tag::Int) {
        // Read as octal when it starts with 0: equal to the decimal only for one digit.
        std::string_view digits = typed;
        if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) digits.remove_prefix(1);
        if (digits.size() > 1 && digits[0] == '0') {
            digits.remove_prefix(1);
            while (!digits.empty() && digits[0] == '0') digits.remove_prefix(1);
            return digits.size() <= 1;
        }
        return true;
    }
    return false;
}

// The document reads, its top level is the expected keys, and `check` accepts the rest.
template <class Check>
bool topLevel(const std::string& text, std::size_t count, Check check) {
    const Document doc = read(text);
    if (doc.error || !doc.root) return false;
    const Pairs top = pairsOf(doc, *doc.root);
    return top.size() == count && check(doc, top);
}

bool keyStandsPlain(std::string_view key, KeyPlace place) {
    const std::string k(key);
    if (place == KeyPlace::TopLevel) {
        // As the first block of a panel and between two others.
        const auto block = [&](const Document& doc, std::size_t keyNode, std::size_t valueNode) {
            if (!isPlainString(doc, keyNode, key)) return false;
            const Pairs inner = pairsOf(doc, valueNode);
            return inner.size() == 1 && isScalar(doc, inner[0].first, Tag::Str, "Keylore") &&
                   isScalar(doc, inner[0].second, Tag::Str, "K");
        };
        const auto other = [](const Document& doc, std::size_t keyNode, std::size_t valueNode, const char* name) {
            const Pairs inner = pairsOf(doc, valueNode);
            return isScalar(doc, keyNode, Tag::Str, name) && inner.size() == 1 &&
                   isScalar(doc, inner[0].second, Tag::Int, "1");
        };
        const bool first =
            topLevel(k + ":\r\n  Keylore: K\r\nz:\r\n  n: 1\r\n", 2, [&](const Document& doc, const Pairs& top) {
                return block(doc, top[0].first, top[0].second) && other(doc, top[1].first, top[1].second, "z");
            });
        return first && topLevel("a:\r\n  n: 1\r\n" + k + ":\r\n  Keylore: K\r\nz:\r\n  n: 1\r\n", 3,
                                 [&](const Document& doc, const Pairs& top) {
                                     return other(doc, top[0].first, top[0].second, "a") &&
                                            block(doc, top[1].first, top[1].second) &&
                                            other(doc, top[2].first, top[2].second, "z");
                                 });
    }
    return topLevel("e:\r\n  Resistance:\r\n    a: 0\r\n    " + k + ": 1\r\n    z: 2\r\n", 1,
                    [&](const Document& doc, const Pairs& top) {
                        const Pairs element = pairsOf(doc, top[0].second);
                        if (element.size() != 1 || !isScalar(doc, element[0].first, Tag::Str, "Resistance"))
                            return false;
                        const Pairs r = pairsOf(doc, element[0].second);
                        return r.size() == 3 && isScalar(doc, r[0].first, Tag::Str, "a") &&
                               isScalar(doc, r[0].second, Tag::Int, "0") && isPlainString(doc, r[1].first, key) &&
                               isScalar(doc, r[1].second, Tag::Int, "1") && isScalar(doc, r[2].first, Tag::Str, "z") &&
                               isScalar(doc, r[2].second, Tag::Int, "2");
                    });
}

bool valueStandsPlain(std::string_view value, ScalarKind kind) {
    return topLevel(
        "e:\r\n  a: 0\r\n  k: " + std::string(value) + "\r\n  z: 2\r\n", 1, [&](const Document& doc, const Pairs& top) {
            const Pairs inner = pairsOf(doc, top[0].second);
            return isScalar(doc, top[0].first, Tag::Str, "e") && inner.size() == 3 &&
                   isScalar(doc, inner[0].first, Tag::Str, "a") && isScalar(doc, inner[0].second, Tag::Int, "0") &&
                   isScalar(doc, inner[1].first, Tag::Str, "k") && readsBack(doc, inner[1].second, value, kind) &&
                   isScalar(doc, inner[2].first, Tag::Str, "z") && isScalar(doc, inner[2].second, Tag::Int, "2");
        });
}

}  // namespace

bool isDecimalNumber(std::string_view text) {
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t from = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        return i - from;
    };
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    std::size_t count = digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        count += digits();
    }
    if (count == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
        if (digits() == 0) return false;
    }
    return i == text.size();
}

std::string plainOrQuotedKey(std::string_view key, KeyPlace place) {
    if (key.empty()) return {};
    if (!hasBreakOrControl(key) && keyStandsPlain(key, place)) return std::string(key);
    return quoted(key);
}

std::string plainOrQuotedValue(std::string_view value, ScalarKind kind) {
    if (value.empty()) return {};
    if (!hasBreakOrControl(value) && valueStandsPlain(value, kind)) return std::string(value);
    return quoted(value);
}

}  // namespace yaml
