// A YAML document read the way a Bukkit server reads a plugin's file: SnakeYAML 1.33's
// scanner, parser, composer and safe constructor rules, YAML 1.1 throughout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace yaml {

// A position in the text. Lines and columns count from 1; columns count code points.
struct Mark {
    std::uint32_t index = 0;  // code points from the start of the text
    int line = 1;             // YAML line: LF, CR, CR LF, U+0085, U+2028 and U+2029 each end one
    int column = 1;           // on the YAML line; a byte order mark takes no column
    int textLine = 1;         // line of the editor's text panel: only LF ends one
    int textColumn = 1;       // on the text line
};

// The resolved tag of a node.
enum class Tag {
    Str,
    Int,
    Float,
    Bool,
    Null,
    Timestamp,
    Binary,
    Merge,
    Value,
    Yaml,  // scalars
    Seq,
    Omap,
    Pairs,  // sequences
    Map,
    Set,    // mappings
    Other,  // any other tag
};

enum class NodeKind { Scalar, Sequence, Mapping };
enum class ScalarStyle { Plain, SingleQuoted, DoubleQuoted, Literal, Folded };

// A node of the tree. Its text and children live in the Document, which keeps them in
// two shared arrays: a panel of 10,000 gem blocks has some 400,000 nodes.
struct Node {
    NodeKind kind = NodeKind::Scalar;
    Tag tag = Tag::Str;
    ScalarStyle style = ScalarStyle::Plain;
    bool flow = false;              // a collection written with [ ] or { }
    std::uint32_t valueOffset = 0;  // a scalar's text: Document::value()
    std::uint32_t valueSize = 0;
    std::uint32_t childOffset = 0;  // Document::children(): sequence items; a mapping's
    std::uint32_t childCount = 0;   // key, value, key, value...
    Mark start;
    Mark end;
};

// Where reading stopped and why. The problem texts are SnakeYAML's own words.
enum class ErrorKind {
    Reader,  // a character YAML does not allow
    Scanner,
    Parser,
    Composer,
    Constructor,  // SnakeYAML's marked constructor errors (unknown tag, bad merge)
    Yaml,         // SnakeYAML errors without a position (nesting depth, timestamp)
    Java,         // an exception outside SnakeYAML's own, e.g. NumberFormatException
    NotMap,       // Bukkit: "Top level is not a Map."
};

enum class Problem {
    SpecialCharacter,
    CannotStartToken,  // with `character`; a tab is the usual case
    SimpleKeyWithoutColon,
    SequenceEntryNotAllowed,
    MappingKeyNotAllowed,
    MappingValueNotAllowed,  // ": " inside a plain value
    Directive,
    Anchor,  // a bad character in an anchor or alias name
    Tag,
    BlockScalarHeader,
    UnknownEscape,
    EscapeDigits,
    UnclosedQuote,  // end of text inside a quoted scalar
    DocumentMarkerInQuote,
    ExpectedBlockEnd,  // the usual result of bad indentation
    ExpectedFlowSequenceEnd,
    ExpectedFlowMappingEnd,
    ExpectedNodeContent,
    ExpectedDocumentStart,
    UndefinedTagHandle,
    DuplicateDirective,
    UndefinedAlias,
    SecondDocument,
    NestingTooDeep,
    UnknownTag,
    BadMerge,
    BadValueForTag,  // e.g. "!!int abc", or a float such as "._" with no digit
    TopLevelNotMap,
};

struct ReadError {
    ErrorKind kind = ErrorKind::Scanner;
    Problem problem = Problem::CannotStartToken;
    std::string message;  // SnakeYAML's problem text (the Java class name for Java)
    std::string context;  // e.g. "while scanning a simple key", may be empty
    Mark mark;            // where the problem is
    bool hasMark = true;  // false where SnakeYAML gives none; `mark` is then a best guess
    std::optional<Mark> contextMark;
    char32_t character = 0;  // the character concerned, when there is one
};

// An anchor ("&name") as written: the node it names and where it stands, "&" to the name's end.
struct Anchor {
    std::uint32_t node = 0;
    std::string name;
    Mark start;
    Mark end;
};

// An alias ("*name") as written: the node it stands for (written elsewhere) and where it stands.
struct Alias {
    std::uint32_t node = 0;
    Mark start;
    Mark end;
};

struct Document {
    std::vector<Node> nodes;          // an alias is the node it names, so nodes may be shared
    std::optional<std::size_t> root;  // none for an empty document
    std::optional<ReadError> error;   // none when the server reads the text

    bool loads() const { return !error.has_value(); }
    const Node& node(std::size_t i) const { return nodes[i]; }
    std::string_view value(const Node& node) const {
        return std::string_view(values).substr(node.valueOffset, node.valueSize);
    }
    std::span<const std::uint32_t> children(const Node& node) const {
        return std::span<const std::uint32_t>(links).subspan(node.childOffset, node.childCount);
    }
    // The full tag, e.g. "tag:yaml.org,2002:str" or "!gem".
    std::string tagName(const Node& node) const;

    std::string values;                // the text of every scalar, one after another
    std::vector<std::uint32_t> links;  // the children of every collection, one after another
    std::vector<std::pair<std::uint32_t, std::string>> otherTags;  // names of Tag::Other nodes
    std::vector<Anchor> anchors;                                   // every anchor, in text order
    std::vector<Alias> aliases;                                    // every alias, in text order
};

// Reads UTF-8 text as Bukkit's YamlConfiguration.loadFromString does. Whatever the
// bytes, this returns: malformed UTF-8 reads as U+FFFD, as Java decodes it. On an error
// the nodes composed before it stay in the document, so findings before the error can
// still be reported.
Document read(std::string_view utf8);

// A mapping's entries after SnakeYAML's merge ("<<") and duplicate-key rules: for each
// key the last entry wins, explicit keys win over merged ones. Pairs of node indices.
std::vector<std::pair<std::size_t, std::size_t>> entries(const Document& doc, std::size_t mapping);

// Whether two nodes read as the same value: the same kind, tag and text, the same items, the
// same entries after the merge and duplicate-key rules.
bool sameValue(const Document& a, std::size_t x, const Document& b, std::size_t y);

}  // namespace yaml
