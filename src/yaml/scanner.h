// The YAML scanner: text to tokens, ported from SnakeYAML 1.33's ScannerImpl, itself a
// port of PyYAML's scanner (SnakeYAML (c) Andrey Somov and others, Apache License 2.0, as
// Debian's copyright file for libyaml-snake-java says; PyYAML (c) Kirill Simonov, MIT
// licence); the project is under the Apache License 2.0 too (LICENSE). Structure, order of
// checks and error positions follow SnakeYAML's, including where it differs from PyYAML.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "yaml/document.h"
#include "yaml/stream.h"

namespace yaml::detail {

enum class TokenId {
    Alias,
    Anchor,
    BlockEnd,
    BlockEntry,
    BlockMappingStart,
    BlockSequenceStart,
    Directive,
    DocumentEnd,
    DocumentStart,
    FlowEntry,
    FlowMappingEnd,
    FlowMappingStart,
    FlowSequenceEnd,
    FlowSequenceStart,
    Key,
    Scalar,
    StreamEnd,
    StreamStart,
    Tag,
    Value,
};

// SnakeYAML's name for a token in messages, e.g. "<block end>".
std::string_view tokenName(TokenId id);

struct Token {
    TokenId id = TokenId::StreamStart;
    Mark start;
    Mark end;
    std::string value;   // scalar text, anchor or alias name, tag suffix, directive name
    std::string handle;  // tag handle
    bool hasHandle = false;
    bool plain = false;
    ScalarStyle style = ScalarStyle::Plain;
    std::vector<std::string> directive;  // TAG: handle and prefix
    int major = 0;                       // YAML: version
    int minor = 0;
};

[[noreturn]] void fail(ErrorKind kind, Problem problem, std::string context, std::optional<Mark> contextMark,
                       std::string message, const Mark& mark, char32_t character = 0);

class Scanner {
public:
    explicit Scanner(std::string_view utf8);

    bool check(TokenId id);
    bool check(std::initializer_list<TokenId> ids);
    const Token& peek();
    Token get();

private:
    struct SimpleKey {
        int flowLevel;
        std::size_t tokenNumber;
        bool required;
        std::size_t index;
        int line;
        int column;
        Mark mark;
    };

    bool needMoreTokens();
    void fetchMoreTokens();
    void addToken(Token token) { tokens_.push_back(std::move(token)); }
    void insertToken(std::size_t at, Token token);
    long nextPossibleSimpleKey() const;
    void stalePossibleSimpleKeys();
    void savePossibleSimpleKey();
    void removePossibleSimpleKey();
    void unwindIndent(int column);
    bool addIndent(int column);
    Token simple(TokenId id, std::size_t length);

    void fetchStreamEnd();
    void fetchDirective();
    void fetchDocumentIndicator(bool start);
    void fetchFlowCollectionStart(bool mapping);
    void fetchFlowCollectionEnd(bool mapping);
    void fetchFlowEntry();
    void fetchBlockEntry();
    void fetchKey();
    void fetchValue();
    void fetchAlias(bool anchor);
    void fetchTag();
    void fetchBlockScalar(char32_t style);
    void fetchFlowScalar(char32_t style);
    void fetchPlain();

    bool checkDocumentIndicator(const char* marker);
    bool checkBlockEntry();
    bool checkKeyOrValue();
    bool checkPlain();

    void scanToNextToken();
    void scanComment();
    Token scanDirective();
    std::string scanDirectiveName(const Mark& start);
    int scanYamlDirectiveNumber(const Mark& start);
    void scanDirectiveIgnoredLine(const Mark& start);
    Token scanAnchor(bool anchor);
    Token scanTag();
    Token scanBlockScalar(char32_t style);
    void scanBlockScalarIgnoredLine(const Mark& start);
    std::string scanBlockScalarBreaks(int indent, Mark& end);
    Token scanFlowScalar(char32_t style);
    void scanFlowScalarNonSpaces(bool doubleQuoted, const Mark& start, std::string& out);
    void scanFlowScalarSpaces(const Mark& start, std::string& out);
    std::string scanFlowScalarBreaks(const Mark& start);
    Token scanPlain();
    std::string scanPlainSpaces();
    std::string scanTagHandle(const char* name, const Mark& start);
    std::string scanTagUri(const char* name, const Mark& start);
    std::string scanUriEscapes(const char* name, const Mark& start);
    std::string scanLineBreak();

    Stream reader_;
    bool done_ = false;
    int flowLevel_ = 0;
    std::deque<Token> tokens_;
    std::size_t tokensTaken_ = 0;
    int indent_ = -1;
    std::vector<int> indents_;
    bool allowSimpleKey_ = true;
    std::vector<SimpleKey> possibleSimpleKeys_;  // in insertion order, one per flow level
};

}  // namespace yaml::detail
