#include "yaml/document.h"

#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>

#include "yaml/parser.h"
#include "yaml/resolve.h"
#include "yaml/unicode.h"

namespace yaml {

namespace {

using detail::EventId;
using detail::Failure;

constexpr int kNestingDepthLimit = 50;  // SnakeYAML's LoaderOptions default, kept by Bukkit

const char* nodeIdName(NodeKind kind) {
    switch (kind) {
    case NodeKind::Scalar: return "scalar";
    case NodeKind::Sequence: return "sequence";
    case NodeKind::Mapping: return "mapping";
    }
    return "";
}

[[noreturn]] void constructorError(std::string context, const Mark& contextMark, std::string message, const Mark& mark,
                                   Problem problem) {
    detail::fail(ErrorKind::Constructor, problem, std::move(context), contextMark, std::move(message), mark);
}

// An error SnakeYAML reports without a position; `near` is where it arose.
[[noreturn]] void unmarkedError(ErrorKind kind, Problem problem, std::string message, const Mark& near) {
    ReadError error;
    error.kind = kind;
    error.problem = problem;
    error.message = std::move(message);
    error.mark = near;
    error.hasMark = false;
    throw Failure{std::move(error)};
}

// SnakeYAML's Tag(String): rejects outer blanks, then percent-encodes all but URI-safe
// characters, so "!a?" is named "!a%3F" in messages.
std::string tagValue(const std::string& tag, const Mark& near) {
    const auto outer = [](unsigned char c) { return c <= ' '; };
    if (tag.empty() || outer(tag.front()) || outer(tag.back())) {
        unmarkedError(ErrorKind::Java, Problem::UnknownTag, "IllegalArgumentException", near);
    }
    static constexpr std::string_view kSafe = "-_.!~*'()@:$&,;=[]/";
    std::string out;
    for (unsigned char c : tag) {
        const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (alnum || kSafe.find(static_cast<char>(c)) != std::string_view::npos) {
            out += static_cast<char>(c);
        } else {
            static constexpr char kHex[] = "0123456789ABCDEF";
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

// Composes events into nodes as SnakeYAML's Composer does: an alias is the node it names,
// an anchor may be redefined, and a node reached again through an alias while it is still
// being composed is marked for two-step construction.
class Composer {
public:
    Composer(std::string_view text, Document& doc) : parser_(text), doc_(doc) {
        // Editor panels hold about one node per 18 bytes; growing costs more than this.
        const std::size_t estimate = text.size() / 16 + 16;
        doc_.nodes.reserve(estimate);
        doc_.values.reserve(text.size());
        doc_.links.reserve(estimate);
        twoSteps.reserve(estimate);
        ancestor_.reserve(estimate);
    }

    void singleDocument() {
        parser_.get();  // stream start
        if (!parser_.check(EventId::StreamEnd)) {
            parser_.get();  // document start
            doc_.root = compose(std::nullopt);
            parser_.get();  // document end
            anchors_.clear();
        }
        if (!parser_.check(EventId::StreamEnd)) {
            const detail::Event event = parser_.get();
            std::optional<Mark> first;
            if (doc_.root) first = doc_.nodes[*doc_.root].start;
            detail::fail(ErrorKind::Composer, Problem::SecondDocument, "expected a single document in the stream",
                         first, "but found another document", event.start);
        }
    }

    std::vector<char> twoSteps;

private:
    std::size_t add(const Node& node) {
        doc_.nodes.push_back(node);
        if (!doc_.root) doc_.root = 0;  // the first node composed is the document's
        twoSteps.push_back(0);
        ancestor_.push_back(0);
        return doc_.nodes.size() - 1;
    }

    std::size_t compose(std::optional<std::size_t> parent) {
        if (parent) ancestor_[*parent] = 1;
        std::size_t result;
        if (parser_.check(EventId::Alias)) {
            const detail::Event event = parser_.get();
            const auto found = anchors_.find(event.value);
            if (found == anchors_.end()) {
                detail::fail(ErrorKind::Composer, Problem::UndefinedAlias, "", std::nullopt,
                             "found undefined alias " + event.value, event.start);
            }
            result = found->second;
            doc_.aliases.push_back({static_cast<std::uint32_t>(result), event.start, event.end});
            if (ancestor_[result]) {
                ancestor_[result] = 0;
                twoSteps[result] = 1;
            }
        } else {
            const std::optional<std::string> anchor = parser_.peek().anchor;
            if (depth_ > kNestingDepthLimit) {
                unmarkedError(ErrorKind::Yaml, Problem::NestingTooDeep,
                              "Nesting Depth exceeded max " + std::to_string(kNestingDepthLimit), parser_.peek().start);
            }
            ++depth_;
            if (parser_.check(EventId::Scalar)) {
                result = composeScalar(anchor);
            } else if (parser_.check(EventId::SequenceStart)) {
                result = composeCollection(anchor, NodeKind::Sequence);
            } else {
                result = composeCollection(anchor, NodeKind::Mapping);
            }
            --depth_;
        }
        if (parent) ancestor_[*parent] = 0;
        return result;
    }

    // An anchor names the node from here on; the document lists where it stands.
    void named(const std::string& anchor, std::size_t index, const detail::Event& event) {
        anchors_[anchor] = index;
        doc_.anchors.push_back({static_cast<std::uint32_t>(index), anchor, event.anchorStart, event.anchorEnd});
    }

    std::size_t composeScalar(const std::optional<std::string>& anchor) {
        detail::Event event = parser_.get();
        Node node;
        node.kind = NodeKind::Scalar;
        std::string other;
        if (!event.tag || *event.tag == "!") {
            node.tag = event.implicit ? resolvePlain(event.value) : Tag::Str;
        } else {
            other = tagValue(*event.tag, event.start);
            node.tag = tagFromName(other);
        }
        node.style = event.style;
        node.valueOffset = static_cast<std::uint32_t>(doc_.values.size());
        node.valueSize = static_cast<std::uint32_t>(event.value.size());
        doc_.values += event.value;
        node.start = event.start;
        node.end = event.end;
        const std::size_t index = add(node);
        if (!other.empty() && doc_.nodes[index].tag == Tag::Other) doc_.otherTags.emplace_back(index, std::move(other));
        if (anchor) named(*anchor, index, event);
        return index;
    }

    std::size_t composeCollection(const std::optional<std::string>& anchor, NodeKind kind) {
        const detail::Event event = parser_.get();
        Node node;
        node.kind = kind;
        std::string other;
        if (!event.tag || *event.tag == "!") {
            node.tag = kind == NodeKind::Sequence ? Tag::Seq : Tag::Map;
        } else {
            other = tagValue(*event.tag, event.start);
            node.tag = tagFromName(other);
        }
        node.flow = event.flow;
        node.start = event.start;
        node.end = event.end;
        const std::size_t index = add(node);
        if (!other.empty() && doc_.nodes[index].tag == Tag::Other) doc_.otherTags.emplace_back(index, std::move(other));
        if (anchor) named(*anchor, index, event);
        // Children gather on a shared stack and move to the document's links when the
        // collection ends, or when reading stops inside it, so that the partial tree stays.
        const std::size_t base = pending_.size();
        const auto flush = [&] {
            Node& done = doc_.nodes[index];
            done.childOffset = static_cast<std::uint32_t>(doc_.links.size());
            done.childCount = static_cast<std::uint32_t>(pending_.size() - base);
            doc_.links.insert(doc_.links.end(), pending_.begin() + static_cast<std::ptrdiff_t>(base), pending_.end());
            pending_.resize(base);
        };
        try {
            const EventId end = kind == NodeKind::Sequence ? EventId::SequenceEnd : EventId::MappingEnd;
            while (!parser_.check(end)) {
                if (kind == NodeKind::Sequence) {
                    pending_.push_back(static_cast<std::uint32_t>(compose(index)));
                } else {
                    // The key joins at once, so that a partial tree keeps it.
                    pending_.push_back(static_cast<std::uint32_t>(compose(index)));
                    pending_.push_back(static_cast<std::uint32_t>(compose(index)));
                }
            }
            doc_.nodes[index].end = parser_.get().end;
        } catch (...) {
            flush();
            throw;
        }
        flush();
        return index;
    }

    detail::Parser parser_;
    Document& doc_;
    std::map<std::string, std::size_t> anchors_;
    std::vector<char> ancestor_;
    std::vector<std::uint32_t> pending_;
    int depth_ = 0;
};

// Java's Character.digit(c, radix) for the radixes ints are written in.
int javaDigit(char32_t c, int radix) {
    int value = unicode::javaDigit(c);
    if (value < 0) {
        if (c >= 'a' && c <= 'z')
            value = static_cast<int>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'Z')
            value = static_cast<int>(c - 'A' + 10);
        else if (c >= 0xFF21 && c <= 0xFF3A)
            value = static_cast<int>(c - 0xFF21 + 10);
        else if (c >= 0xFF41 && c <= 0xFF5A)
            value = static_cast<int>(c - 0xFF41 + 10);
    }
    return value >= 0 && value < radix ? value : -1;
}

// Whether new BigInteger(text, radix) accepts the text: one optional sign, then digits.
bool javaBigInteger(const std::u32string& text, int radix) {
    std::size_t at = 0;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) at = 1;
    if (at == text.size()) return false;
    for (; at < text.size(); ++at)
        if (javaDigit(text[at], radix) < 0) return false;
    return true;
}

// 128-bit arithmetic for checking 64-bit limits without overflow (a GCC and clang extension).
__extension__ using Wide = unsigned __int128;

// Long.parseLong: a sign, digits, and the value within 64 bits.
bool javaLong(const std::u32string& text) {
    if (!javaBigInteger(text, 10)) return false;
    const bool negative = text[0] == '-';
    std::size_t at = (text[0] == '-' || text[0] == '+') ? 1 : 0;
    Wide value = 0;
    for (; at < text.size(); ++at) {
        value = value * 10 + static_cast<unsigned>(javaDigit(text[at], 10));
        if (value > (static_cast<Wide>(1) << 64)) return false;
    }
    const Wide limit = (static_cast<Wide>(1) << 63) - (negative ? 0 : 1);
    return value <= limit;
}

std::u32string withoutUnderscores(std::string_view value) {
    std::u32string out;
    for (char32_t c : unicode::decode(value))
        if (c != '_') out.push_back(c);
    return out;
}

std::vector<std::u32string> javaSplitColon(const std::u32string& text) {
    std::vector<std::u32string> parts(1);
    for (char32_t c : text) {
        if (c == ':')
            parts.emplace_back();
        else
            parts.back().push_back(c);
    }
    while (parts.size() > 1 && parts.back().empty()) parts.pop_back();  // String.split drops them
    if (parts.size() == 1 && parts[0].empty() && !text.empty()) parts.clear();
    return parts;
}

// ConstructYamlInt: the failures it can have, as exceptions outside SnakeYAML's own.
bool intConstructs(const Node& node, std::string_view text, const char** exception) {
    std::u32string value = withoutUnderscores(text);
    if (value.empty()) {
        constructorError("while constructing an int", node.start, "found empty value", node.start,
                         Problem::BadValueForTag);
    }
    bool negative = false;
    if (value[0] == '-') {
        negative = true;
        value.erase(0, 1);
    } else if (value[0] == '+') {
        value.erase(0, 1);
    }
    *exception = "NumberFormatException";
    const auto starts = [&](const char* prefix) {
        for (std::size_t i = 0; prefix[i]; ++i)
            if (i >= value.size() || value[i] != static_cast<char32_t>(prefix[i])) return false;
        return true;
    };
    int radix = 10;
    if (value == U"0") return true;
    if (starts("0b")) {
        value.erase(0, 2);
        radix = 2;
    } else if (starts("0x")) {
        value.erase(0, 2);
        radix = 16;
    } else if (starts("0")) {
        value.erase(0, 1);
        radix = 8;
    } else if (value.find(':') != std::u32string::npos) {
        for (const std::u32string& part : javaSplitColon(value))
            if (!javaLong(part)) return false;
        return true;
    }
    if (negative) value.insert(value.begin(), '-');
    return javaBigInteger(value, radix);
}

// Java's Double.valueOf / parseDouble grammar.
bool javaDouble(std::u32string s) {
    while (!s.empty() && s.back() <= ' ') s.pop_back();
    std::size_t at = 0;
    while (at < s.size() && s[at] <= ' ') ++at;
    s.erase(0, at);
    at = 0;
    if (at < s.size() && (s[at] == '-' || s[at] == '+')) ++at;
    const std::u32string rest = s.substr(at);
    if (rest == U"NaN" || rest == U"Infinity") return true;
    const auto isDec = [](char32_t c) { return c >= '0' && c <= '9'; };
    const auto isHex = [&](char32_t c) { return isDec(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); };
    std::size_t i = 0;
    const auto count = [&](auto pred) {
        std::size_t n = 0;
        while (i < rest.size() && pred(rest[i])) ++i, ++n;
        return n;
    };
    const auto suffixThenEnd = [&] {
        if (i < rest.size() && (rest[i] == 'f' || rest[i] == 'F' || rest[i] == 'd' || rest[i] == 'D')) ++i;
        return i == rest.size();
    };
    if (rest.size() > 1 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
        i = 2;
        std::size_t digits = count(isHex);
        if (i < rest.size() && rest[i] == '.') {
            ++i;
            digits += count(isHex);
        }
        if (digits == 0 || i >= rest.size() || (rest[i] != 'p' && rest[i] != 'P')) return false;
        ++i;
        if (i < rest.size() && (rest[i] == '-' || rest[i] == '+')) ++i;
        if (count(isDec) == 0) return false;
        return suffixThenEnd();
    }
    std::size_t digits = count(isDec);
    if (i < rest.size() && rest[i] == '.') {
        ++i;
        digits += count(isDec);
    }
    if (digits == 0) return false;
    if (i < rest.size() && (rest[i] == 'e' || rest[i] == 'E')) {
        ++i;
        if (i < rest.size() && (rest[i] == '-' || rest[i] == '+')) ++i;
        if (count(isDec) == 0) return false;
    }
    return suffixThenEnd();
}

bool floatConstructs(const Node& node, std::string_view text) {
    std::u32string value = withoutUnderscores(text);
    if (value.empty()) {
        constructorError("while constructing a float", node.start, "found empty value", node.start,
                         Problem::BadValueForTag);
    }
    if (value[0] == '-' || value[0] == '+') value.erase(0, 1);
    std::u32string lower;
    for (char32_t c : value) lower.push_back(c >= 'A' && c <= 'Z' ? c + 32 : c);
    if (lower == U".inf" || lower == U".nan") return true;
    if (value.find(':') != std::u32string::npos) {
        for (const std::u32string& part : javaSplitColon(value))
            if (!javaDouble(part)) return false;
        return true;
    }
    return javaDouble(value);
}

// ConstructYamlTimestamp's two patterns.
bool timestampConstructs(std::string_view value) {
    // ([0-9]{4})-([0-9][0-9]?)-([0-9][0-9]?) optionally followed by a time, which the
    // implicit pattern's second form covers but with a looser time zone.
    std::size_t i = 0;
    const auto digit = [&](std::size_t at) { return at < value.size() && value[at] >= '0' && value[at] <= '9'; };
    const auto oneOrTwo = [&] {
        if (!digit(i)) return false;
        i += digit(i + 1) ? 2 : 1;
        return true;
    };
    const auto exactly = [&](std::size_t n) {
        for (std::size_t k = 0; k < n; ++k)
            if (!digit(i + k)) return false;
        i += n;
        return true;
    };
    const auto take = [&](char c) {
        if (i < value.size() && value[i] == c) {
            ++i;
            return true;
        }
        return false;
    };
    if (!exactly(4) || !take('-') || !oneOrTwo() || !take('-') || !oneOrTwo()) return false;
    if (i == value.size()) return true;
    if (take('T') || take('t')) {
    } else {
        std::size_t blanks = 0;
        while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) ++i, ++blanks;
        if (blanks == 0) return false;
    }
    if (!oneOrTwo() || !take(':') || !exactly(2) || !take(':') || !exactly(2)) return false;
    if (take('.'))
        while (digit(i)) ++i;
    if (i == value.size()) return true;
    while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) ++i;
    if (take('Z')) return i == value.size();
    if (!take('-') && !take('+')) return false;
    if (!oneOrTwo()) return false;
    if (take(':')) {
        if (digit(i)) {
            if (!exactly(2)) return false;
        }
    }
    return i == value.size();
}

// Base64Coder.decode after removing Java's \s characters.
bool binaryConstructs(std::string_view value) {
    std::string s;
    for (char c : value)
        if (c != ' ' && c != '\t' && c != '\n' && c != 0x0B && c != '\f' && c != '\r') s += c;
    if (s.size() % 4 != 0) return false;
    std::size_t length = s.size();
    while (length > 0 && s[length - 1] == '=') --length;
    const auto alphabet = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
    };
    for (std::size_t i = 0; i < length; ++i)
        if (!alphabet(s[i])) return false;
    return length % 4 != 1;  // the missing second character of a group reads as '='
}

// A mapping's key and value pairs as written.
std::vector<std::pair<std::size_t, std::size_t>> rawPairs(const Document& doc, std::size_t mapping) {
    std::vector<std::pair<std::size_t, std::size_t>> out;
    const Node& node = doc.nodes[mapping];
    const auto children = doc.children(node);
    for (std::size_t i = 0; i + 1 < children.size(); i += 2) out.emplace_back(children[i], children[i + 1]);
    return out;
}

std::string keyIdentity(const Document& doc, std::size_t index, int depth = 0);

// What SnakeYAML's safe constructor would do with the composed tree, reduced to whether it
// fails and where: the same order (a mapping's keys before its values, merges in between)
// and the same checks.
class Constructor {
public:
    Constructor(const Document& doc, const std::vector<char>& twoSteps)
        : doc_(doc), twoSteps_(twoSteps), done_(doc.nodes.size(), 0) {}

    void construct(std::size_t index) {
        if (done_[index]) return;
        done_[index] = 1;
        const Node& node = doc_.nodes[index];
        switch (node.tag) {
        case Tag::Str:
        case Tag::Int:
        case Tag::Float:
        case Tag::Bool:
        case Tag::Null:
        case Tag::Timestamp:
        case Tag::Binary:
            if (node.kind != NodeKind::Scalar)
                unmarkedError(ErrorKind::Java, Problem::BadValueForTag, "ClassCastException", node.start);
            scalar(node);
            return;
        case Tag::Seq:
            if (node.kind != NodeKind::Sequence)
                unmarkedError(ErrorKind::Java, Problem::BadValueForTag, "ClassCastException", node.start);
            for (std::size_t child : doc_.children(node)) construct(child);
            return;
        case Tag::Omap:
        case Tag::Pairs: {
            const char* context =
                node.tag == Tag::Omap ? "while constructing an ordered map" : "while constructing pairs";
            if (node.kind != NodeKind::Sequence) {
                constructorError(context, node.start,
                                 std::string("expected a sequence, but found ") + nodeIdName(node.kind), node.start,
                                 Problem::BadValueForTag);
            }
            for (std::size_t child : doc_.children(node)) {
                const Node& item = doc_.nodes[child];
                if (item.kind != NodeKind::Mapping) {
                    constructorError(context, node.start,
                                     std::string("expected a mapping of length 1, but found ") + nodeIdName(item.kind),
                                     item.start, Problem::BadValueForTag);
                }
                const auto pair = doc_.children(item);
                if (pair.size() != 2) {
                    constructorError(
                        context, node.start,
                        "expected a single mapping item, but found " + std::to_string(pair.size() / 2) + " items",
                        item.start, Problem::BadValueForTag);
                }
                construct(pair[0]);
                construct(pair[1]);
            }
            return;
        }
        case Tag::Map:
        case Tag::Set:
            if (node.kind != NodeKind::Mapping)
                unmarkedError(ErrorKind::Java, Problem::BadValueForTag, "ClassCastException", node.start);
            mapping(index);
            return;
        case Tag::Merge:
        case Tag::Value:
        case Tag::Yaml:
        case Tag::Other:
            constructorError("", node.start, "could not determine a constructor for the tag " + doc_.tagName(node),
                             node.start, Problem::UnknownTag);
        }
    }

private:
    void scalar(const Node& node) {
        const std::string_view value = doc_.value(node);
        const char* exception = "NumberFormatException";
        bool ok = true;
        switch (node.tag) {
        case Tag::Int: ok = intConstructs(node, value, &exception); break;
        case Tag::Float: ok = floatConstructs(node, value); break;
        case Tag::Timestamp:
            if (!timestampConstructs(value)) {
                unmarkedError(ErrorKind::Yaml, Problem::BadValueForTag, "Unexpected timestamp: " + std::string(value),
                              node.start);
            }
            break;
        case Tag::Binary:
            exception = "IllegalArgumentException";
            ok = binaryConstructs(value);
            break;
        default: break;
        }
        if (!ok) unmarkedError(ErrorKind::Java, Problem::BadValueForTag, exception, node.start);
    }

    void mapping(std::size_t index) {
        const Node& node = doc_.nodes[index];
        // processDuplicateKeys constructs every key that is not a merge key, in order.
        const auto children = doc_.children(node);
        for (std::size_t i = 0; i + 1 < children.size(); i += 2) {
            const std::size_t key = children[i];
            if (doc_.nodes[key].tag == Tag::Merge) continue;
            construct(key);
            if (twoSteps_[key]) {
                unmarkedError(ErrorKind::Yaml, Problem::BadValueForTag,
                              "Recursive key for mapping is detected but it is not configured to be allowed.",
                              doc_.nodes[key].start);
            }
        }
        // A set keeps only its keys; a map constructs each value after the merge.
        const auto pairs = entries(doc_, index, [&](std::size_t k) { construct(k); });
        if (node.tag == Tag::Set) return;
        for (const auto& [key, value] : pairs) construct(value);
    }

public:
    template <class OnKey>
    static std::vector<std::pair<std::size_t, std::size_t>> entries(const Document& doc, std::size_t index,
                                                                    OnKey onKey);

private:
    const Document& doc_;
    const std::vector<char>& twoSteps_;
    std::vector<char> done_;
};

// A key as Java compares map keys: by type and value.
std::string keyIdentity(const Document& doc, std::size_t index, int depth) {
    const Node& node = doc.nodes[index];
    if (depth > 60) return "#" + std::to_string(index);
    if (node.kind != NodeKind::Scalar) {
        std::string out = node.kind == NodeKind::Sequence ? "[" : "{";
        for (std::size_t child : doc.children(node)) out += keyIdentity(doc, child, depth + 1) + ",";
        return out + (node.kind == NodeKind::Sequence ? "]" : "}");
    }
    const std::string_view text = doc.value(node);
    switch (node.tag) {
    case Tag::Null: return "n";
    case Tag::Bool: {
        std::string lower;
        for (char c : text) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        const bool yes = lower == "yes" || lower == "true" || lower == "on";
        const bool no = lower == "no" || lower == "false" || lower == "off";
        return yes ? "b1" : no ? "b0" : "n";
    }
    case Tag::Int: {
        std::u32string v = withoutUnderscores(text);
        bool negative = false;
        if (!v.empty() && (v[0] == '-' || v[0] == '+')) {
            negative = v[0] == '-';
            v.erase(0, 1);
        }
        int radix = 10;
        if (v.size() > 1 && v[0] == '0' && v[1] == 'b')
            radix = 2, v.erase(0, 2);
        else if (v.size() > 1 && v[0] == '0' && v[1] == 'x')
            radix = 16, v.erase(0, 2);
        else if (v.size() > 1 && v[0] == '0')
            radix = 8, v.erase(0, 1);
        if (v.find(':') != std::u32string::npos) return "i:" + std::string(text);
        Wide value = 0;
        for (char32_t c : v) {
            const int d = javaDigit(c, radix);
            if (d < 0 || value > (static_cast<Wide>(1) << 100)) return "i:" + std::string(text);
            value = value * static_cast<unsigned>(radix) + static_cast<unsigned>(d);
        }
        std::string digits;
        do {
            digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(value % 10)));
            value /= 10;
        } while (value != 0);
        return std::string("i") + (negative && digits != "0" ? "-" : "") + digits;
    }
    case Tag::Float: {
        // Double.equals: equal when Java prints them alike ("1.0" and "1.00").
        if (std::optional<std::string> value = javaDoubleText(text)) return "f" + *value;
        std::string v;
        for (char c : text)
            if (c != '_') v += c;
        return "f" + v;
    }
    case Tag::Binary: return "#" + std::to_string(index);  // byte arrays compare by identity
    default: return "s" + std::to_string(static_cast<int>(node.tag)) + ":" + std::string(text);
    }
}

template <class OnKey>
std::vector<std::pair<std::size_t, std::size_t>> Constructor::entries(const Document& doc, std::size_t index,
                                                                      OnKey onKey) {
    // processDuplicateKeys: among non-merge keys, only the last of equal keys stays.
    const Node& node = doc.nodes[index];
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    std::map<std::string, std::size_t> seen;
    const auto children = doc.children(node);
    for (std::size_t i = 0; i + 1 < children.size(); i += 2) {
        const std::size_t key = children[i];
        if (doc.nodes[key].tag != Tag::Merge) {
            const std::string identity = keyIdentity(doc, key);
            const auto found = seen.find(identity);
            if (found != seen.end()) pairs[found->second].first = SIZE_MAX;
            seen[identity] = pairs.size();
        }
        pairs.emplace_back(key, children[i + 1]);
    }
    std::erase_if(pairs, [](const auto& p) { return p.first == SIZE_MAX; });
    bool merged = false;
    for (const auto& p : pairs)
        if (doc.nodes[p.first].tag == Tag::Merge) merged = true;
    if (!merged) return pairs;

    // mergeNode: explicit keys win; among merged mappings the first one to give a key wins.
    std::vector<std::pair<std::size_t, std::size_t>> values;
    std::map<std::string, std::size_t> positions;
    const std::function<void(const std::vector<std::pair<std::size_t, std::size_t>>&, std::size_t, bool)> merge =
        [&](const std::vector<std::pair<std::size_t, std::size_t>>& tuples, std::size_t owner, bool preferred) {
            for (const auto& [key, value] : tuples) {
                if (doc.nodes[key].tag == Tag::Merge) {
                    const Node& source = doc.nodes[value];
                    if (source.kind == NodeKind::Mapping) {
                        merge(rawPairs(doc, value), value, false);
                    } else if (source.kind == NodeKind::Sequence) {
                        for (std::size_t sub : doc.children(source)) {
                            if (doc.nodes[sub].kind != NodeKind::Mapping) {
                                constructorError("while constructing a mapping", doc.nodes[owner].start,
                                                 std::string("expected a mapping for merging, but found ") +
                                                     nodeIdName(doc.nodes[sub].kind),
                                                 doc.nodes[sub].start, Problem::BadMerge);
                            }
                            merge(rawPairs(doc, sub), sub, false);
                        }
                    } else {
                        constructorError("while constructing a mapping", doc.nodes[owner].start,
                                         std::string("expected a mapping or list of mappings for merging, but found ") +
                                             nodeIdName(source.kind),
                                         source.start, Problem::BadMerge);
                    }
                    continue;
                }
                onKey(key);
                const std::string identity = keyIdentity(doc, key);
                const auto found = positions.find(identity);
                if (found == positions.end()) {
                    values.emplace_back(key, value);
                    positions[identity] = values.size() - 1;
                } else if (preferred) {
                    values[found->second] = {key, value};
                }
            }
        };
    merge(pairs, index, true);
    return values;
}

}  // namespace

std::string Document::tagName(const Node& node) const {
    if (node.tag != Tag::Other) return yaml::tagName(node.tag);
    const auto index = static_cast<std::uint32_t>(&node - nodes.data());
    for (const auto& [at, name] : otherTags)
        if (at == index) return name;
    return {};
}

std::vector<std::pair<std::size_t, std::size_t>> entries(const Document& doc, std::size_t mapping) {
    try {
        return Constructor::entries(doc, mapping, [](std::size_t) {});
    } catch (const Failure&) {
        return rawPairs(doc, mapping);
    }
}

Document read(std::string_view utf8) {
    Document doc;
    std::vector<char> twoSteps;
    try {
        Composer composer(utf8, doc);
        composer.singleDocument();
        twoSteps = composer.twoSteps;
    } catch (const Failure& failure) {
        doc.error = failure.error;
        return doc;
    }
    if (!doc.root) return doc;
    const Node& root = doc.nodes[*doc.root];
    try {
        if (root.tag == Tag::Null) {
            // Bukkit reads a null document as no entries; ConstructYamlNull casts to scalar.
            if (root.kind != NodeKind::Scalar)
                unmarkedError(ErrorKind::Java, Problem::BadValueForTag, "ClassCastException", root.start);
            return doc;
        }
        Constructor(doc, twoSteps).construct(*doc.root);
    } catch (const Failure& failure) {
        doc.error = failure.error;
        return doc;
    }
    // An ordered map constructs to a LinkedHashMap, which Bukkit takes as a map too.
    if (!(root.kind == NodeKind::Mapping && root.tag == Tag::Map) &&
        !(root.kind == NodeKind::Sequence && root.tag == Tag::Omap)) {
        ReadError error;
        error.kind = ErrorKind::NotMap;
        error.problem = Problem::TopLevelNotMap;
        error.message = "Top level is not a Map.";
        error.mark = root.start;
        error.hasMark = false;
        doc.error = std::move(error);
    }
    return doc;
}

namespace {

// Nodes being compared are taken as equal when met again, so that recursive aliases end.
bool sameValue(const Document& a, std::size_t x, const Document& b, std::size_t y,
               std::set<std::pair<std::size_t, std::size_t>>& open) {
    const Node& left = a.nodes[x];
    const Node& right = b.nodes[y];
    if (left.kind != right.kind || left.tag != right.tag) return false;
    if (left.kind == NodeKind::Scalar) return a.value(left) == b.value(right);
    if (!open.emplace(x, y).second) return true;
    if (left.kind == NodeKind::Sequence) {
        const auto items = a.children(left);
        const auto others = b.children(right);
        if (items.size() != others.size()) return false;
        for (std::size_t i = 0; i < items.size(); ++i)
            if (!sameValue(a, items[i], b, others[i], open)) return false;
        return true;
    }
    const auto mine = entries(a, x);
    const auto theirs = entries(b, y);
    if (mine.size() != theirs.size()) return false;
    for (std::size_t i = 0; i < mine.size(); ++i) {
        if (!sameValue(a, mine[i].first, b, theirs[i].first, open)) return false;
        if (!sameValue(a, mine[i].second, b, theirs[i].second, open)) return false;
    }
    return true;
}

}  // namespace

bool sameValue(const Document& a, std::size_t x, const Document& b, std::size_t y) {
    std::set<std::pair<std::size_t, std::size_t>> open;
    return sameValue(a, x, b, y, open);
}

}  // namespace yaml
