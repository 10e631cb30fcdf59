#include "yaml/key_name.h"

#include <cstdint>
#include <vector>

#include "yaml/resolve.h"

namespace yaml {

namespace {

// A number as decimal digits in groups of nine, least significant first.
class Decimal {
public:
    void multiplyAdd(unsigned factor, unsigned add) {
        std::uint64_t carry = add;
        for (std::uint32_t& limb : limbs_) {
            const std::uint64_t v = static_cast<std::uint64_t>(limb) * factor + carry;
            limb = static_cast<std::uint32_t>(v % kBase);
            carry = v / kBase;
        }
        while (carry != 0) {
            limbs_.push_back(static_cast<std::uint32_t>(carry % kBase));
            carry /= kBase;
        }
    }

    std::string text() const {
        std::size_t top = limbs_.size();
        while (top > 0 && limbs_[top - 1] == 0) --top;
        if (top == 0) return "0";
        std::string out = std::to_string(limbs_[top - 1]);
        for (std::size_t i = top - 1; i-- > 0;) {
            const std::string group = std::to_string(limbs_[i]);
            out += std::string(9 - group.size(), '0') + group;
        }
        return out;
    }

private:
    static constexpr std::uint64_t kBase = 1'000'000'000;
    std::vector<std::uint32_t> limbs_;
};

int digitOf(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return -1;
}

// Java's Long.parseLong: a sign, then decimal digits, within a long.
std::optional<std::int64_t> parseLong(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    const std::uint64_t limit = negative ? 9'223'372'036'854'775'808ULL : 9'223'372'036'854'775'807ULL;
    std::uint64_t value = 0;
    for (const char c : text) {
        const int d = c >= '0' && c <= '9' ? c - '0' : -1;
        if (d < 0 || value > (limit - static_cast<std::uint64_t>(d)) / 10) return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(d);
    }
    return static_cast<std::int64_t>(negative ? ~value + 1 : value);
}

// Java's String.split(":"): trailing empty parts are dropped.
std::vector<std::string_view> splitColons(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t from = 0;
    while (true) {
        const std::size_t colon = text.find(':', from);
        parts.push_back(text.substr(from, colon == std::string_view::npos ? colon : colon - from));
        if (colon == std::string_view::npos) break;
        from = colon + 1;
    }
    while (parts.size() > 1 && parts.back().empty()) parts.pop_back();
    return parts;
}

// ConstructYamlInt's base 60: each part a long, the sum kept in an int and the place value in
// an int, both wrapping as Java's arithmetic does; then the sum's text with the sign before it.
std::optional<std::string> sexagesimal(std::string_view value, bool negative) {
    const std::vector<std::string_view> parts = splitColons(value);
    std::uint32_t sum = 0;    // a Java int, as its bits
    std::uint32_t place = 1;  // likewise
    for (std::size_t i = parts.size(); i-- > 0;) {
        const std::optional<std::int64_t> part = parseLong(parts[i]);
        if (!part) return std::nullopt;
        const auto wide = static_cast<std::uint64_t>(static_cast<std::int64_t>(static_cast<std::int32_t>(place)));
        const std::uint64_t added =
            static_cast<std::uint64_t>(static_cast<std::int64_t>(static_cast<std::int32_t>(sum))) +
            static_cast<std::uint64_t>(*part) * wide;
        sum = static_cast<std::uint32_t>(added);
        place *= 60;
    }
    const auto total = static_cast<std::int32_t>(sum);
    if (negative && total < 0) return std::nullopt;  // "--5" is no number
    std::string out = negative && total > 0 ? "-" : "";
    out += std::to_string(total);
    return out;
}

std::string scalarName(Tag tag, std::string_view value) {
    switch (tag) {
    case Tag::Null: return "null";
    case Tag::Bool: {
        std::string lower;
        for (const char c : value) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        return lower == "yes" || lower == "true" || lower == "on" ? "true" : "false";
    }
    case Tag::Int: return javaIntegerText(value).value_or(std::string(value));
    case Tag::Float: return javaDoubleText(value).value_or(std::string(value));
    default: return std::string(value);
    }
}

// Java's AbstractCollection and AbstractMap toString, as far as a depth that no key reaches.
std::string nodeName(const Document& doc, std::size_t index, int depth) {
    const Node& node = doc.nodes[index];
    if (node.kind == NodeKind::Scalar) return scalarName(node.tag, doc.value(node));
    if (depth > 50) return "...";
    std::string out;
    if (node.kind == NodeKind::Sequence || node.tag == Tag::Set) {
        const bool set = node.kind == NodeKind::Mapping;
        const auto children = doc.children(node);
        out = "[";
        for (std::size_t i = 0; i < children.size(); i += set ? 2 : 1) {
            if (i > 0) out += ", ";
            out += children[i] == index ? "(this Collection)" : nodeName(doc, children[i], depth + 1);
        }
        return out + "]";
    }
    out = "{";
    bool first = true;
    for (const auto& [key, value] : entries(doc, index)) {
        if (!first) out += ", ";
        first = false;
        out += key == index ? "(this Map)" : nodeName(doc, key, depth + 1);
        out += "=";
        out += value == index ? "(this Map)" : nodeName(doc, value, depth + 1);
    }
    return out + "}";
}

}  // namespace

std::optional<std::string> javaIntegerText(std::string_view text) {
    std::string value;
    for (const char c : text)
        if (c != '_') value += c;
    if (value.empty()) return std::nullopt;
    bool negative = false;
    if (value[0] == '-' || value[0] == '+') {
        negative = value[0] == '-';
        value.erase(0, 1);
    }
    if (value == "0") return "0";
    unsigned radix = 10;
    if (value.starts_with("0b")) {
        radix = 2;
        value.erase(0, 2);
    } else if (value.starts_with("0x")) {
        radix = 16;
        value.erase(0, 2);
    } else if (value.starts_with("0")) {
        radix = 8;
        value.erase(0, 1);
    } else if (value.find(':') != std::string::npos) {
        return sexagesimal(value, negative);
    }
    if (value.empty()) return std::nullopt;
    Decimal number;
    for (const char c : value) {
        const int d = digitOf(c);
        if (d < 0 || static_cast<unsigned>(d) >= radix) return std::nullopt;
        number.multiplyAdd(radix, static_cast<unsigned>(d));
    }
    const std::string digits = number.text();
    std::string out = negative && digits != "0" ? "-" : "";
    out += digits;
    return out;
}

std::string keyName(const Document& doc, const Node& key) {
    if (key.kind == NodeKind::Scalar) return scalarName(key.tag, doc.value(key));
    return nodeName(doc, static_cast<std::size_t>(&key - doc.nodes.data()), 0);
}

std::optional<std::string> keyName(std::string_view written) {
    if (written.empty() || written.find_first_of("\r\n") != std::string_view::npos) return std::nullopt;
    std::string text(written);
    text += ": 0\n";
    const Document doc = read(text);
    if (doc.error || !doc.root) return std::nullopt;
    const Node& root = doc.node(*doc.root);
    if (root.kind != NodeKind::Mapping || root.childCount != 2) return std::nullopt;
    const auto children = doc.children(root);
    const Node& value = doc.node(children[1]);
    if (value.kind != NodeKind::Scalar || value.tag != Tag::Int || doc.value(value) != "0") return std::nullopt;
    return keyName(doc, doc.node(children[0]));
}

}  // namespace yaml
