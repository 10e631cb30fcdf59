#include "yaml/extent.h"

#include <algorithm>
#include <optional>

#include "yaml/unicode.h"

namespace yaml {

namespace {

std::string_view lineAt(std::span<const std::string_view> lines, int line) {
    if (line < 1 || static_cast<std::size_t>(line) > lines.size()) return {};
    return lines[static_cast<std::size_t>(line) - 1];
}

// Bytes into the line before the code point at a mark's text column.
std::size_t byteAt(std::span<const std::string_view> lines, int line, int column) {
    const std::string_view text = lineAt(lines, line);
    std::size_t at = 0;
    for (int c = 1; c < column && at < text.size(); ++c) {
        char32_t cp = 0;
        at += unicode::decodeOne(text, at, &cp);
    }
    return at;
}

std::size_t spacesAt(std::string_view text) {
    std::size_t n = 0;
    while (n < text.size() && text[n] == ' ') ++n;
    return n;
}

struct Header {
    int line = 0;
    bool keep = false;  // "+": the empty lines after the content are the value's
};

// The block scalar's "|" or ">": after the node's anchor and tag, which may stand on lines of
// their own before it.
std::optional<Header> headerOf(std::span<const std::string_view> lines, const Node& node) {
    int line = node.start.textLine;
    std::size_t at = byteAt(lines, line, node.start.textColumn);
    while (static_cast<std::size_t>(line) <= lines.size()) {
        const std::string_view text = lineAt(lines, line);
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
        if (at >= text.size() || text[at] == '#') {
            ++line;
            at = 0;
            continue;
        }
        if (text[at] == '&' || text[at] == '!') {
            while (at < text.size() && text[at] != ' ' && text[at] != '\t') ++at;
            continue;
        }
        if (text[at] != '|' && text[at] != '>') return std::nullopt;
        Header header;
        header.line = line;
        for (std::size_t i = at + 1; i < text.size() && i <= at + 2; ++i)
            if (text[i] == '+') header.keep = true;
        return header;
    }
    return std::nullopt;
}

// A block scalar: the scanner's end is the start of the line after the last line break it
// took, empty lines included; its content lines are those longer than its indentation.
int blockScalarLastLine(const Document& doc, const Node& node, std::span<const std::string_view> lines) {
    int last = node.end.textLine;
    if (node.end.textColumn == 1 && last > node.start.textLine) --last;
    const std::optional<Header> header = headerOf(lines, node);
    if (!header || last <= header->line) return std::max(last, node.start.textLine);
    if (header->keep) return last;
    // The indentation, from the first line with more than blanks on it: as many of its leading
    // spaces as the value does not have on the line it gives.
    int first = header->line + 1;
    while (first <= last && lineAt(lines, first).find_first_not_of(' ') == std::string_view::npos) ++first;
    if (first > last) return doc.value(node).find_first_not_of('\n') == std::string_view::npos ? header->line : last;
    std::string_view value = doc.value(node);
    for (int skip = first - header->line - 1; skip > 0; --skip) {
        const std::size_t lineBreak = value.find('\n');
        if (lineBreak == std::string_view::npos) return last;
        value.remove_prefix(lineBreak + 1);
    }
    const std::size_t own = spacesAt(lineAt(lines, first));
    const std::size_t kept = spacesAt(value);
    if (kept > own) return last;
    const std::size_t indent = own - kept;
    while (last > first && lineAt(lines, last).size() <= indent) --last;
    return last;
}

}  // namespace

int ownLastLine(const Document& doc, const Node& node, std::span<const std::string_view> lines) {
    if (node.kind == NodeKind::Scalar) {
        if (node.style == ScalarStyle::Literal || node.style == ScalarStyle::Folded)
            return blockScalarLastLine(doc, node, lines);
        return std::max(node.start.textLine, node.end.textLine);
    }
    if (node.flow) return std::max(node.start.textLine, node.end.textLine);
    return node.start.textLine;
}

}  // namespace yaml
