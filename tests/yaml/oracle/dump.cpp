#include "dump.h"

#include <cstdio>
#include <vector>

#include "yaml/unicode.h"

namespace yaml::testing {

namespace {

std::string tag(const Document& doc, const Node& node) {
    constexpr std::string_view kPrefix = "tag:yaml.org,2002:";
    const std::string name = doc.tagName(node);
    if (name.compare(0, kPrefix.size(), kPrefix) == 0) return "!!" + name.substr(kPrefix.size());
    return "!<" + name + ">";
}

char style(ScalarStyle s) {
    switch (s) {
    case ScalarStyle::Plain: return 'p';
    case ScalarStyle::SingleQuoted: return 's';
    case ScalarStyle::DoubleQuoted: return 'd';
    case ScalarStyle::Literal: return 'l';
    case ScalarStyle::Folded: return 'f';
    }
    return '?';
}

std::string quote(std::string_view value) {
    std::string out = "\"";
    // Surrogates kept in three-byte form decode as replacement characters here; walk the
    // bytes instead so that they print as Java prints them.
    for (std::size_t i = 0; i < value.size();) {
        const auto lead = static_cast<unsigned char>(value[i]);
        std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        if (i + length > value.size()) length = value.size() - i;
        char32_t cp = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) cp = (cp << 6) | (value[i + k] & 0x3F);
        const std::string raw(value.substr(i, length));
        i += length;
        char buffer[16];
        if (cp == '\\')
            out += "\\\\";
        else if (cp == '"')
            out += "\\\"";
        else if (cp == '\n')
            out += "\\n";
        else if (cp == '\r')
            out += "\\r";
        else if (cp == '\t')
            out += "\\t";
        else if (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp == 0x2028 || cp == 0x2029 || cp == 0xFEFF ||
                 (cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE || cp == 0xFFFF) {
            std::snprintf(buffer, sizeof buffer, "\\u{%04X}", static_cast<unsigned>(cp));
            out += buffer;
        } else {
            out += raw;
        }
    }
    return out + "\"";
}

std::string node(const Document& doc, std::size_t index, std::vector<char>& path) {
    if (path[index]) return "<recursive>";
    path[index] = 1;
    const Node& n = doc.nodes[index];
    std::string out;
    const auto children = doc.children(n);
    if (n.kind == NodeKind::Scalar) {
        out = tag(doc, n) + " " + style(n.style) + quote(doc.value(n));
    } else if (n.kind == NodeKind::Sequence) {
        if (tag(doc, n) != "!!seq") out = tag(doc, n) + " ";
        out += "[";
        for (std::size_t i = 0; i < children.size(); ++i) {
            if (i) out += ", ";
            out += node(doc, children[i], path);
        }
        out += "]";
    } else {
        if (tag(doc, n) != "!!map") out = tag(doc, n) + " ";
        out += "{";
        for (std::size_t i = 0; i + 1 < children.size(); i += 2) {
            if (i) out += ", ";
            out += node(doc, children[i], path) + ": " + node(doc, children[i + 1], path);
        }
        out += "}";
    }
    path[index] = 0;
    return out;
}

const char* kindName(ErrorKind kind) {
    switch (kind) {
    case ErrorKind::Scanner: return "scanner";
    case ErrorKind::Parser: return "parser";
    case ErrorKind::Composer: return "composer";
    case ErrorKind::Constructor: return "constructor";
    default: return "";
    }
}

}  // namespace

std::string dumpNode(const Document& doc, std::size_t index) {
    std::vector<char> path(doc.nodes.size(), 0);
    return node(doc, index, path);
}

namespace {

// Messages may quote a tab or a line break; keep each result on one line.
std::string oneLine(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

std::string describe(const Document& doc);

}  // namespace

std::string dump(const Document& doc) { return oneLine(describe(doc)); }

namespace {

std::string describe(const Document& doc) {
    const std::string tree = doc.root ? dumpNode(doc, *doc.root) : "-";
    if (!doc.error) return "ok " + tree;
    const ReadError& e = doc.error.value();
    char buffer[16];
    switch (e.kind) {
    case ErrorKind::NotMap: return "notmap " + tree;
    case ErrorKind::Reader:
        std::snprintf(buffer, sizeof buffer, "%04X", static_cast<unsigned>(e.character));
        return std::string("error reader ") + buffer;
    case ErrorKind::Yaml: return "error yaml: " + e.message;
    case ErrorKind::Java: return "error java: " + e.message;
    default: break;
    }
    const std::string where = std::to_string(e.mark.line - 1) + ":" + std::to_string(e.mark.column - 1);
    return "error " + where + " " + kindName(e.kind) + ": " + e.message;
}

}  // namespace

}  // namespace yaml::testing
