#include "yaml/scanner.h"

#include <algorithm>
#include <cstdint>

#include "yaml/unicode.h"

namespace yaml::detail {

namespace {

bool isLinebr(char32_t c) { return c == '\n' || c == 0x85 || c == 0x2028 || c == 0x2029; }
bool isNullOrLinebr(char32_t c) { return c == 0 || c == '\r' || isLinebr(c); }
bool isNullBlLinebr(char32_t c) { return c == ' ' || isNullOrLinebr(c); }
bool isNullBlTLinebr(char32_t c) { return c == '\t' || isNullBlLinebr(c); }
bool isBlankOrTab(char32_t c) { return c == ' ' || c == '\t'; }

bool isAlpha(char32_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

bool isUriChar(char32_t c) {
    static constexpr std::string_view kExtra = "-_;/?:@&=+$,.!~*'()[]%";
    return isAlpha(c) || (c < 0x80 && kExtra.find(static_cast<char>(c)) != std::string_view::npos);
}

bool isOneOf(char32_t c, std::string_view set) {
    return c != 0 && c < 0x80 && set.find(static_cast<char>(c)) != std::string_view::npos;
}

std::string text(char32_t c) {
    std::string out;
    unicode::append(out, c);
    return out;
}

// "X(88)", the way SnakeYAML names a character in its messages.
std::string named(char32_t c) { return text(c) + "(" + std::to_string(static_cast<std::uint32_t>(c)) + ")"; }

// SnakeYAML's escapeChar: the escape that writes a character, for the characters that
// have one.
std::string escapeChar(char32_t c) {
    // clang-format off
    switch (c) {
        case 0x00: return "\\0";   case 0x07: return "\\a";   case 0x08: return "\\b";
        case 0x09: return "\\t";   case 0x0A: return "\\n";   case 0x0B: return "\\v";
        case 0x0C: return "\\f";   case 0x0D: return "\\r";   case 0x1B: return "\\e";
        case ' ':  return "\\ ";   case '"':  return "\\\"";  case '\\': return "\\\\";
        case 0x85: return "\\N";   case 0xA0: return "\\_";   case 0x2028: return "\\L";
        case 0x2029: return "\\P";
        default: return text(c);
    }
    // clang-format on
}

// The replacement of a one-character escape in a double-quoted scalar; 0 when there is
// none. SnakeYAML 1.33 knows no "\/" and no escaped tab.
bool escapeReplacement(char32_t c, char32_t* out) {
    // clang-format off
    switch (c) {
        case '0': *out = 0x00; return true;   case 'a': *out = 0x07; return true;
        case 'b': *out = 0x08; return true;   case 't': *out = 0x09; return true;
        case 'n': *out = 0x0A; return true;   case 'v': *out = 0x0B; return true;
        case 'f': *out = 0x0C; return true;   case 'r': *out = 0x0D; return true;
        case 'e': *out = 0x1B; return true;   case ' ': *out = ' ';  return true;
        case '"': *out = '"';  return true;   case '\\': *out = '\\'; return true;
        case 'N': *out = 0x85; return true;   case '_': *out = 0xA0; return true;
        case 'L': *out = 0x2028; return true; case 'P': *out = 0x2029; return true;
        default: return false;
    }
    // clang-format on
}

// Java's Character.digit(c, 16).
int javaHexDigit(char32_t c) {
    if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
    if (c >= 0xFF21 && c <= 0xFF26) return static_cast<int>(c - 0xFF21 + 10);  // fullwidth A-F
    if (c >= 0xFF41 && c <= 0xFF46) return static_cast<int>(c - 0xFF41 + 10);
    return unicode::javaDigit(c);
}

ReadError makeError(ErrorKind kind, Problem problem, std::string context, std::optional<Mark> contextMark,
                    std::string message, const Mark& mark, char32_t character) {
    ReadError error;
    error.kind = kind;
    error.problem = problem;
    error.context = std::move(context);
    error.contextMark = contextMark;
    error.message = std::move(message);
    error.mark = mark;
    error.character = character;
    return error;
}

void scanError(Problem problem, std::string context, const Mark& contextMark, std::string message, const Mark& mark,
               char32_t character = 0) {
    fail(ErrorKind::Scanner, problem, std::move(context), contextMark, std::move(message), mark, character);
}

[[noreturn]] void javaError(const char* exception, const Mark& mark) {
    ReadError error;
    error.kind = ErrorKind::Java;
    error.problem = Problem::EscapeDigits;
    error.message = exception;
    error.mark = mark;
    error.hasMark = false;
    throw Failure{std::move(error)};
}

}  // namespace

void fail(ErrorKind kind, Problem problem, std::string context, std::optional<Mark> contextMark, std::string message,
          const Mark& mark, char32_t character) {
    throw Failure{makeError(kind, problem, std::move(context), contextMark, std::move(message), mark, character)};
}

std::string_view tokenName(TokenId id) {
    switch (id) {
    case TokenId::Alias: return "<alias>";
    case TokenId::Anchor: return "<anchor>";
    case TokenId::BlockEnd: return "<block end>";
    case TokenId::BlockEntry: return "-";
    case TokenId::BlockMappingStart: return "<block mapping start>";
    case TokenId::BlockSequenceStart: return "<block sequence start>";
    case TokenId::Directive: return "<directive>";
    case TokenId::DocumentEnd: return "<document end>";
    case TokenId::DocumentStart: return "<document start>";
    case TokenId::FlowEntry: return ",";
    case TokenId::FlowMappingEnd: return "}";
    case TokenId::FlowMappingStart: return "{";
    case TokenId::FlowSequenceEnd: return "]";
    case TokenId::FlowSequenceStart: return "[";
    case TokenId::Key: return "?";
    case TokenId::Scalar: return "<scalar>";
    case TokenId::StreamEnd: return "<stream end>";
    case TokenId::StreamStart: return "<stream start>";
    case TokenId::Tag: return "<tag>";
    case TokenId::Value: return ":";
    }
    return "";
}

Scanner::Scanner(std::string_view utf8) : reader_(utf8) {
    Token start;
    start.id = TokenId::StreamStart;
    start.start = start.end = reader_.mark();
    addToken(std::move(start));
}

bool Scanner::check(TokenId id) { return check({id}); }

bool Scanner::check(std::initializer_list<TokenId> ids) {
    while (needMoreTokens()) fetchMoreTokens();
    if (tokens_.empty()) return false;
    return std::find(ids.begin(), ids.end(), tokens_.front().id) != ids.end();
}

const Token& Scanner::peek() {
    while (needMoreTokens()) fetchMoreTokens();
    return tokens_.front();
}

Token Scanner::get() {
    ++tokensTaken_;
    Token token = std::move(tokens_.front());
    tokens_.pop_front();
    return token;
}

void Scanner::insertToken(std::size_t at, Token token) {
    tokens_.insert(tokens_.begin() + static_cast<std::ptrdiff_t>(at), std::move(token));
}

bool Scanner::needMoreTokens() {
    if (done_) return false;
    if (tokens_.empty()) return true;
    stalePossibleSimpleKeys();
    return nextPossibleSimpleKey() == static_cast<long>(tokensTaken_);
}

void Scanner::fetchMoreTokens() {
    scanToNextToken();
    stalePossibleSimpleKeys();
    unwindIndent(reader_.column());
    const char32_t c = reader_.peek();
    switch (c) {
    case 0: fetchStreamEnd(); return;
    case '%':
        if (reader_.column() == 0) {
            fetchDirective();
            return;
        }
        break;
    case '-':
        if (checkDocumentIndicator("---")) {
            fetchDocumentIndicator(true);
            return;
        }
        if (checkBlockEntry()) {
            fetchBlockEntry();
            return;
        }
        break;
    case '.':
        if (checkDocumentIndicator("...")) {
            fetchDocumentIndicator(false);
            return;
        }
        break;
    case '[': fetchFlowCollectionStart(false); return;
    case '{': fetchFlowCollectionStart(true); return;
    case ']': fetchFlowCollectionEnd(false); return;
    case '}': fetchFlowCollectionEnd(true); return;
    case ',': fetchFlowEntry(); return;
    case '?':
        if (checkKeyOrValue()) {
            fetchKey();
            return;
        }
        break;
    case ':':
        if (checkKeyOrValue()) {
            fetchValue();
            return;
        }
        break;
    case '*': fetchAlias(false); return;
    case '&': fetchAlias(true); return;
    case '!': fetchTag(); return;
    case '|':
        if (flowLevel_ == 0) {
            fetchBlockScalar('|');
            return;
        }
        break;
    case '>':
        if (flowLevel_ == 0) {
            fetchBlockScalar('>');
            return;
        }
        break;
    case '\'': fetchFlowScalar('\''); return;
    case '"': fetchFlowScalar('"'); return;
    default: break;
    }
    if (checkPlain()) {
        fetchPlain();
        return;
    }
    std::string shown = escapeChar(c);
    if (c == '\t') shown += "(TAB)";
    scanError(Problem::CannotStartToken, "while scanning for the next token", reader_.mark(),
              "found character '" + shown + "' that cannot start any token. (Do not use " + shown + " for indentation)",
              reader_.mark(), c);
}

long Scanner::nextPossibleSimpleKey() const {
    return possibleSimpleKeys_.empty() ? -1 : static_cast<long>(possibleSimpleKeys_.front().tokenNumber);
}

void Scanner::stalePossibleSimpleKeys() {
    for (auto it = possibleSimpleKeys_.begin(); it != possibleSimpleKeys_.end();) {
        if (it->line != reader_.line() || reader_.index() - it->index > 1024) {
            if (it->required) {
                fail(ErrorKind::Scanner, Problem::SimpleKeyWithoutColon, "while scanning a simple key", it->mark,
                     "could not find expected ':'", reader_.mark());
            }
            it = possibleSimpleKeys_.erase(it);
        } else {
            ++it;
        }
    }
}

void Scanner::savePossibleSimpleKey() {
    const bool required = flowLevel_ == 0 && indent_ == reader_.column();
    if (!allowSimpleKey_) {
        if (required) {
            fail(ErrorKind::Yaml, Problem::SimpleKeyWithoutColon, "", std::nullopt,
                 "A simple key is required only if it is the first token in the current line", reader_.mark());
        }
        return;
    }
    removePossibleSimpleKey();
    possibleSimpleKeys_.push_back(SimpleKey{flowLevel_, tokensTaken_ + tokens_.size(), required, reader_.index(),
                                            reader_.line(), reader_.column(), reader_.mark()});
}

void Scanner::removePossibleSimpleKey() {
    for (auto it = possibleSimpleKeys_.begin(); it != possibleSimpleKeys_.end(); ++it) {
        if (it->flowLevel != flowLevel_) continue;
        if (it->required) {
            fail(ErrorKind::Scanner, Problem::SimpleKeyWithoutColon, "while scanning a simple key", it->mark,
                 "could not find expected ':'", reader_.mark());
        }
        possibleSimpleKeys_.erase(it);
        return;
    }
}

void Scanner::unwindIndent(int column) {
    if (flowLevel_ != 0) return;
    while (indent_ > column) {
        const Mark mark = reader_.mark();
        indent_ = indents_.back();
        indents_.pop_back();
        Token token;
        token.id = TokenId::BlockEnd;
        token.start = token.end = mark;
        addToken(std::move(token));
    }
}

bool Scanner::addIndent(int column) {
    if (indent_ < column) {
        indents_.push_back(indent_);
        indent_ = column;
        return true;
    }
    return false;
}

// A token made of the next `length` characters.
Token Scanner::simple(TokenId id, std::size_t length) {
    Token token;
    token.id = id;
    token.start = reader_.mark();
    reader_.forward(length);
    token.end = reader_.mark();
    return token;
}

void Scanner::fetchStreamEnd() {
    unwindIndent(-1);
    removePossibleSimpleKey();
    allowSimpleKey_ = false;
    possibleSimpleKeys_.clear();
    Token token;
    token.id = TokenId::StreamEnd;
    token.start = token.end = reader_.mark();
    addToken(std::move(token));
    done_ = true;
}

void Scanner::fetchDirective() {
    unwindIndent(-1);
    removePossibleSimpleKey();
    allowSimpleKey_ = false;
    addToken(scanDirective());
}

void Scanner::fetchDocumentIndicator(bool start) {
    unwindIndent(-1);
    removePossibleSimpleKey();
    allowSimpleKey_ = false;
    addToken(simple(start ? TokenId::DocumentStart : TokenId::DocumentEnd, 3));
}

void Scanner::fetchFlowCollectionStart(bool mapping) {
    savePossibleSimpleKey();
    ++flowLevel_;
    allowSimpleKey_ = true;
    addToken(simple(mapping ? TokenId::FlowMappingStart : TokenId::FlowSequenceStart, 1));
}

void Scanner::fetchFlowCollectionEnd(bool mapping) {
    removePossibleSimpleKey();
    --flowLevel_;  // may go below zero on a stray bracket, as in SnakeYAML
    allowSimpleKey_ = false;
    addToken(simple(mapping ? TokenId::FlowMappingEnd : TokenId::FlowSequenceEnd, 1));
}

void Scanner::fetchFlowEntry() {
    allowSimpleKey_ = true;
    removePossibleSimpleKey();
    addToken(simple(TokenId::FlowEntry, 1));
}

void Scanner::fetchBlockEntry() {
    if (flowLevel_ == 0) {
        if (!allowSimpleKey_) {
            fail(ErrorKind::Scanner, Problem::SequenceEntryNotAllowed, "", std::nullopt,
                 "sequence entries are not allowed here", reader_.mark());
        }
        if (addIndent(reader_.column())) {
            Token token;
            token.id = TokenId::BlockSequenceStart;
            token.start = token.end = reader_.mark();
            addToken(std::move(token));
        }
    }
    allowSimpleKey_ = true;
    removePossibleSimpleKey();
    addToken(simple(TokenId::BlockEntry, 1));
}

void Scanner::fetchKey() {
    if (flowLevel_ == 0) {
        if (!allowSimpleKey_) {
            fail(ErrorKind::Scanner, Problem::MappingKeyNotAllowed, "", std::nullopt,
                 "mapping keys are not allowed here", reader_.mark());
        }
        if (addIndent(reader_.column())) {
            Token token;
            token.id = TokenId::BlockMappingStart;
            token.start = token.end = reader_.mark();
            addToken(std::move(token));
        }
    }
    allowSimpleKey_ = flowLevel_ == 0;
    removePossibleSimpleKey();
    addToken(simple(TokenId::Key, 1));
}

void Scanner::fetchValue() {
    auto key = std::find_if(possibleSimpleKeys_.begin(), possibleSimpleKeys_.end(),
                            [&](const SimpleKey& k) { return k.flowLevel == flowLevel_; });
    if (key != possibleSimpleKeys_.end()) {
        const SimpleKey found = *key;
        possibleSimpleKeys_.erase(key);
        Token keyToken;
        keyToken.id = TokenId::Key;
        keyToken.start = keyToken.end = found.mark;
        insertToken(found.tokenNumber - tokensTaken_, std::move(keyToken));
        if (flowLevel_ == 0 && addIndent(found.column)) {
            Token start;
            start.id = TokenId::BlockMappingStart;
            start.start = start.end = found.mark;
            insertToken(found.tokenNumber - tokensTaken_, std::move(start));
        }
        allowSimpleKey_ = false;
    } else {
        if (flowLevel_ == 0 && !allowSimpleKey_) {
            fail(ErrorKind::Scanner, Problem::MappingValueNotAllowed, "", std::nullopt,
                 "mapping values are not allowed here", reader_.mark());
        }
        if (flowLevel_ == 0 && addIndent(reader_.column())) {
            Token start;
            start.id = TokenId::BlockMappingStart;
            start.start = start.end = reader_.mark();
            addToken(std::move(start));
        }
        allowSimpleKey_ = flowLevel_ == 0;
        removePossibleSimpleKey();
    }
    addToken(simple(TokenId::Value, 1));
}

void Scanner::fetchAlias(bool anchor) {
    savePossibleSimpleKey();
    allowSimpleKey_ = false;
    addToken(scanAnchor(anchor));
}

void Scanner::fetchTag() {
    savePossibleSimpleKey();
    allowSimpleKey_ = false;
    addToken(scanTag());
}

void Scanner::fetchBlockScalar(char32_t style) {
    allowSimpleKey_ = true;
    removePossibleSimpleKey();
    addToken(scanBlockScalar(style));
}

void Scanner::fetchFlowScalar(char32_t style) {
    savePossibleSimpleKey();
    allowSimpleKey_ = false;
    addToken(scanFlowScalar(style));
}

void Scanner::fetchPlain() {
    savePossibleSimpleKey();
    allowSimpleKey_ = false;
    addToken(scanPlain());
}

bool Scanner::checkDocumentIndicator(const char* marker) {
    if (reader_.column() != 0) return false;
    const std::u32string_view head = reader_.prefixView(3);
    if (head.size() != 3 || head[0] != static_cast<char32_t>(marker[0]) ||
        head[1] != static_cast<char32_t>(marker[1]) || head[2] != static_cast<char32_t>(marker[2])) {
        return false;
    }
    return isNullBlTLinebr(reader_.peek(3));
}

bool Scanner::checkBlockEntry() { return isNullBlTLinebr(reader_.peek(1)); }

bool Scanner::checkKeyOrValue() { return flowLevel_ != 0 || isNullBlTLinebr(reader_.peek(1)); }

bool Scanner::checkPlain() {
    const char32_t c = reader_.peek();
    if (!isNullBlTLinebr(c) && !isOneOf(c, "-?:,[]{}#&*!|>'\"%@`")) return true;
    return !isNullBlTLinebr(reader_.peek(1)) && (c == '-' || (flowLevel_ == 0 && isOneOf(c, "?:")));
}

void Scanner::scanToNextToken() {
    if (reader_.index() == 0 && reader_.peek() == 0xFEFF) reader_.forward();
    for (;;) {
        std::size_t spaces = 0;
        while (reader_.peek(spaces) == ' ') ++spaces;
        if (spaces > 0) reader_.forward(spaces);
        if (reader_.peek() == '#') scanComment();
        if (scanLineBreak().empty()) return;
        if (flowLevel_ == 0) allowSimpleKey_ = true;
    }
}

void Scanner::scanComment() {
    reader_.forward();
    std::size_t length = 0;
    while (!isNullOrLinebr(reader_.peek(length))) ++length;
    reader_.prefixForward(length);
}

Token Scanner::scanDirective() {
    const Mark start = reader_.mark();
    reader_.forward();
    Token token;
    token.id = TokenId::Directive;
    token.start = start;
    token.value = scanDirectiveName(start);
    if (token.value == "YAML") {
        while (reader_.peek() == ' ') reader_.forward();
        token.major = scanYamlDirectiveNumber(start);
        if (reader_.peek() != '.') {
            scanError(Problem::Directive, "while scanning a directive", start,
                      "expected a digit or '.', but found " + named(reader_.peek()), reader_.mark(), reader_.peek());
        }
        reader_.forward();
        token.minor = scanYamlDirectiveNumber(start);
        if (!isNullBlLinebr(reader_.peek())) {
            scanError(Problem::Directive, "while scanning a directive", start,
                      "expected a digit or ' ', but found " + named(reader_.peek()), reader_.mark(), reader_.peek());
        }
        token.end = reader_.mark();
    } else if (token.value == "TAG") {
        while (reader_.peek() == ' ') reader_.forward();
        std::string handle = scanTagHandle("directive", start);
        if (reader_.peek() != ' ') {
            scanError(Problem::Directive, "while scanning a directive", start,
                      "expected ' ', but found " + named(reader_.peek()), reader_.mark(), reader_.peek());
        }
        while (reader_.peek() == ' ') reader_.forward();
        std::string prefix = scanTagUri("directive", start);
        if (!isNullBlLinebr(reader_.peek())) {
            scanError(Problem::Directive, "while scanning a directive", start,
                      "expected ' ', but found " + named(reader_.peek()), reader_.mark(), reader_.peek());
        }
        token.directive = {std::move(handle), std::move(prefix)};
        token.end = reader_.mark();
    } else {
        token.end = reader_.mark();
        std::size_t length = 0;
        while (!isNullOrLinebr(reader_.peek(length))) ++length;
        if (length > 0) reader_.forward(length);
    }
    scanDirectiveIgnoredLine(start);
    return token;
}

std::string Scanner::scanDirectiveName(const Mark& start) {
    std::size_t length = 0;
    char32_t c = reader_.peek(length);
    while (isAlpha(c)) c = reader_.peek(++length);
    if (length == 0) {
        scanError(Problem::Directive, "while scanning a directive", start,
                  "expected alphabetic or numeric character, but found " + named(c), reader_.mark(), c);
    }
    std::string name = reader_.prefixForward(length);
    c = reader_.peek();
    if (!isNullBlLinebr(c)) {
        scanError(Problem::Directive, "while scanning a directive", start,
                  "expected alphabetic or numeric character, but found " + named(c), reader_.mark(), c);
    }
    return name;
}

int Scanner::scanYamlDirectiveNumber(const Mark& start) {
    const char32_t c = reader_.peek();
    if (unicode::javaDigit(c) < 0) {
        scanError(Problem::Directive, "while scanning a directive", start, "expected a digit, but found " + named(c),
                  reader_.mark(), c);
    }
    std::size_t length = 0;
    long long value = 0;
    bool overflow = false;
    while (unicode::javaDigit(reader_.peek(length)) >= 0) {
        // Past Integer.MAX_VALUE the number is refused; stop adding digits there, so a long
        // run of digits cannot overflow the sum.
        if (!overflow) {
            value = value * 10 + unicode::javaDigit(reader_.peek(length));
            if (value > 2147483647LL) overflow = true;
        }
        ++length;
    }
    const Mark at = reader_.mark();
    reader_.prefixForward(length);
    if (overflow) javaError("NumberFormatException", at);  // Integer.parseInt
    return static_cast<int>(value);
}

void Scanner::scanDirectiveIgnoredLine(const Mark& start) {
    while (reader_.peek() == ' ') reader_.forward();
    if (reader_.peek() == '#') scanComment();
    const char32_t c = reader_.peek();
    if (scanLineBreak().empty() && c != 0) {
        scanError(Problem::Directive, "while scanning a directive", start,
                  "expected a comment or a line break, but found " + named(c), reader_.mark(), c);
    }
}

Token Scanner::scanAnchor(bool anchor) {
    const Mark start = reader_.mark();
    const std::string name = anchor ? "anchor" : "alias";
    reader_.forward();
    std::size_t length = 0;
    char32_t c = reader_.peek(length);
    // SnakeYAML 1.33 takes any character but these as part of the name.
    while (!isNullBlTLinebr(c) && !isOneOf(c, ":,[]{}/.*&")) c = reader_.peek(++length);
    if (length == 0) {
        scanError(Problem::Anchor, "while scanning an " + name, start, "unexpected character found " + named(c),
                  reader_.mark(), c);
    }
    Token token;
    token.id = anchor ? TokenId::Anchor : TokenId::Alias;
    token.start = start;
    token.value = reader_.prefixForward(length);
    c = reader_.peek();
    if (!isNullBlTLinebr(c) && !isOneOf(c, "?:,]}%@`")) {
        scanError(Problem::Anchor, "while scanning an " + name, start, "unexpected character found " + named(c),
                  reader_.mark(), c);
    }
    token.end = reader_.mark();
    return token;
}

Token Scanner::scanTag() {
    const Mark start = reader_.mark();
    char32_t c = reader_.peek(1);
    Token token;
    token.id = TokenId::Tag;
    token.start = start;
    if (c == '<') {
        reader_.forward(2);
        token.value = scanTagUri("tag", start);
        c = reader_.peek();
        if (c != '>') {
            scanError(Problem::Tag, "while scanning a tag", start,
                      "expected '>', but found '" + text(c) + "' (" + std::to_string(static_cast<unsigned>(c)) + ")",
                      reader_.mark(), c);
        }
        reader_.forward();
    } else if (isNullBlTLinebr(c)) {
        token.value = "!";
        reader_.forward();
    } else {
        std::size_t length = 1;
        bool useHandle = false;
        while (!isNullBlLinebr(c)) {
            if (c == '!') {
                useHandle = true;
                break;
            }
            c = reader_.peek(++length);
        }
        if (useHandle) {
            token.handle = scanTagHandle("tag", start);
        } else {
            token.handle = "!";
            reader_.forward();
        }
        token.hasHandle = true;
        token.value = scanTagUri("tag", start);
    }
    c = reader_.peek();
    if (!isNullBlLinebr(c)) {
        scanError(Problem::Tag, "while scanning a tag", start,
                  "expected ' ', but found '" + text(c) + "' (" + std::to_string(static_cast<unsigned>(c)) + ")",
                  reader_.mark(), c);
    }
    token.end = reader_.mark();
    return token;
}

Token Scanner::scanBlockScalar(char32_t style) {
    const bool folded = style == '>';
    std::string chunks;
    const Mark start = reader_.mark();
    reader_.forward();

    // Indicators: chomping ('+' keep, '-' strip) and indentation, in either order.
    int chomping = 0;  // -1 strip, 0 clip, +1 keep
    int increment = -1;
    char32_t c = reader_.peek();
    const auto readIncrement = [&] {
        increment = unicode::javaDigit(reader_.peek());
        if (increment == 0) {
            scanError(Problem::BlockScalarHeader, "while scanning a block scalar", start,
                      "expected indentation indicator in the range 1-9, but found 0", reader_.mark(), '0');
        }
        reader_.forward();
    };
    if (c == '-' || c == '+') {
        chomping = c == '+' ? 1 : -1;
        reader_.forward();
        if (unicode::javaDigit(reader_.peek()) >= 0) readIncrement();
    } else if (unicode::javaDigit(c) >= 0) {
        readIncrement();
        c = reader_.peek();
        if (c == '-' || c == '+') {
            chomping = c == '+' ? 1 : -1;
            reader_.forward();
        }
    }
    c = reader_.peek();
    if (!isNullBlLinebr(c)) {
        scanError(Problem::BlockScalarHeader, "while scanning a block scalar", start,
                  "expected chomping or indentation indicators, but found " + named(c), reader_.mark(), c);
    }
    scanBlockScalarIgnoredLine(start);

    int minIndent = indent_ + 1;
    if (minIndent < 1) minIndent = 1;
    std::string breaks;
    Mark end;
    int indent;
    if (increment == -1) {
        // Find the indentation from the first non-empty line.
        int maxIndent = 0;
        end = reader_.mark();
        for (c = reader_.peek(); isLinebr(c) || c == ' ' || c == '\r'; c = reader_.peek()) {
            if (c != ' ') {
                breaks += scanLineBreak();
                end = reader_.mark();
            } else {
                reader_.forward();
                if (reader_.column() > maxIndent) maxIndent = reader_.column();
            }
        }
        indent = std::max(minIndent, maxIndent);
    } else {
        indent = minIndent + increment - 1;
        breaks = scanBlockScalarBreaks(indent, end);
    }

    std::string lineBreak;
    while (reader_.column() == indent && reader_.peek() != 0) {
        chunks += breaks;
        const bool leadingNonSpace = !isBlankOrTab(reader_.peek());
        std::size_t length = 0;
        while (!isNullOrLinebr(reader_.peek(length))) ++length;
        chunks += reader_.prefixForward(length);
        lineBreak = scanLineBreak();
        breaks = scanBlockScalarBreaks(indent, end);
        if (reader_.column() == indent && reader_.peek() != 0) {
            if (folded && lineBreak == "\n" && leadingNonSpace && !isBlankOrTab(reader_.peek())) {
                if (breaks.empty()) chunks += ' ';
            } else {
                chunks += lineBreak;
            }
        } else {
            break;
        }
    }
    if (chomping >= 0) chunks += lineBreak;
    if (chomping > 0) chunks += breaks;

    Token token;
    token.id = TokenId::Scalar;
    token.value = std::move(chunks);
    token.start = start;
    token.end = end;
    token.style = folded ? ScalarStyle::Folded : ScalarStyle::Literal;
    return token;
}

void Scanner::scanBlockScalarIgnoredLine(const Mark& start) {
    while (reader_.peek() == ' ') reader_.forward();
    if (reader_.peek() == '#') scanComment();
    const char32_t c = reader_.peek();
    if (scanLineBreak().empty() && c != 0) {
        scanError(Problem::BlockScalarHeader, "while scanning a block scalar", start,
                  "expected a comment or a line break, but found " + named(c), reader_.mark(), c);
    }
}

std::string Scanner::scanBlockScalarBreaks(int indent, Mark& end) {
    std::string chunks;
    end = reader_.mark();
    int column = reader_.column();
    while (column < indent && reader_.peek() == ' ') {
        reader_.forward();
        ++column;
    }
    for (std::string lineBreak = scanLineBreak(); !lineBreak.empty(); lineBreak = scanLineBreak()) {
        chunks += lineBreak;
        end = reader_.mark();
        column = reader_.column();
        while (column < indent && reader_.peek() == ' ') {
            reader_.forward();
            ++column;
        }
    }
    return chunks;
}

Token Scanner::scanFlowScalar(char32_t style) {
    const bool doubleQuoted = style == '"';
    std::string chunks;
    const Mark start = reader_.mark();
    const char32_t quote = reader_.peek();
    reader_.forward();
    scanFlowScalarNonSpaces(doubleQuoted, start, chunks);
    while (reader_.peek() != quote) {
        scanFlowScalarSpaces(start, chunks);
        scanFlowScalarNonSpaces(doubleQuoted, start, chunks);
    }
    reader_.forward();
    Token token;
    token.id = TokenId::Scalar;
    token.value = std::move(chunks);
    token.start = start;
    token.end = reader_.mark();
    token.style = doubleQuoted ? ScalarStyle::DoubleQuoted : ScalarStyle::SingleQuoted;
    return token;
}

void Scanner::scanFlowScalarNonSpaces(bool doubleQuoted, const Mark& start, std::string& out) {
    for (;;) {
        std::size_t length = 0;
        for (char32_t c = reader_.peek(length); !isNullBlTLinebr(c) && !isOneOf(c, "'\"\\"); c = reader_.peek(length)) {
            ++length;
        }
        if (length != 0) out += reader_.prefixForward(length);
        char32_t c = reader_.peek();
        if (!doubleQuoted && c == '\'' && reader_.peek(1) == '\'') {
            out += '\'';
            reader_.forward(2);
        } else if ((doubleQuoted && c == '\'') || (!doubleQuoted && (c == '"' || c == '\\'))) {
            unicode::append(out, c);
            reader_.forward();
        } else if (doubleQuoted && c == '\\') {
            reader_.forward();
            c = reader_.peek();
            char32_t replacement = 0;
            if (escapeReplacement(c, &replacement)) {
                unicode::append(out, replacement);
                reader_.forward();
            } else if (c == 'x' || c == 'u' || c == 'U') {
                const std::size_t digits = c == 'x' ? 2 : c == 'u' ? 4 : 8;
                reader_.forward();
                const std::u32string_view hex = reader_.prefixView(digits);
                std::uint64_t value = 0;
                std::string shown;
                bool allHex = true;
                for (char32_t h : hex) {
                    unicode::append(shown, h);
                    const bool ascii = (h >= '0' && h <= '9') || (h >= 'a' && h <= 'f') || (h >= 'A' && h <= 'F');
                    if (!ascii) allHex = false;
                    value = value * 16 + (ascii ? static_cast<unsigned>(javaHexDigit(h)) : 0);
                }
                if (!allHex) {
                    scanError(Problem::EscapeDigits, "while scanning a double-quoted scalar", start,
                              "expected escape sequence of " + std::to_string(digits) +
                                  " hexadecimal numbers, but found: " + shown,
                              reader_.mark());
                }
                // Integer.parseInt and Character.toChars reject what they cannot hold.
                if (hex.empty() || value > 0x7FFFFFFF) javaError("NumberFormatException", reader_.mark());
                if (value > 0x10FFFF) javaError("IllegalArgumentException", reader_.mark());
                unicode::append(out, static_cast<char32_t>(value));
                reader_.forward(digits);
            } else if (!scanLineBreak().empty()) {
                out += scanFlowScalarBreaks(start);
            } else {
                scanError(Problem::UnknownEscape, "while scanning a double-quoted scalar", start,
                          "found unknown escape character " + named(c), reader_.mark(), c);
            }
        } else {
            return;
        }
    }
}

void Scanner::scanFlowScalarSpaces(const Mark& start, std::string& out) {
    std::size_t length = 0;
    while (isBlankOrTab(reader_.peek(length))) ++length;
    std::string whitespaces = reader_.prefixForward(length);
    if (reader_.peek() == 0) {
        scanError(Problem::UnclosedQuote, "while scanning a quoted scalar", start, "found unexpected end of stream",
                  reader_.mark());
    }
    const std::string lineBreak = scanLineBreak();
    if (!lineBreak.empty()) {
        const std::string breaks = scanFlowScalarBreaks(start);
        if (lineBreak != "\n") {
            out += lineBreak;
        } else if (breaks.empty()) {
            out += ' ';
        }
        out += breaks;
    } else {
        out += whitespaces;
    }
}

std::string Scanner::scanFlowScalarBreaks(const Mark& start) {
    std::string chunks;
    for (;;) {
        const std::u32string_view head = reader_.prefixView(3);
        if ((head == U"---" || head == U"...") && isNullBlTLinebr(reader_.peek(3))) {
            scanError(Problem::DocumentMarkerInQuote, "while scanning a quoted scalar", start,
                      "found unexpected document separator", reader_.mark());
        }
        while (isBlankOrTab(reader_.peek())) reader_.forward();
        const std::string lineBreak = scanLineBreak();
        if (lineBreak.empty()) return chunks;
        chunks += lineBreak;
    }
}

Token Scanner::scanPlain() {
    std::string chunks;
    const Mark start = reader_.mark();
    Mark end = start;
    const int indent = indent_ + 1;
    std::string spaces;
    for (;;) {
        if (reader_.peek() == '#') break;
        std::size_t length = 0;
        for (;;) {
            const char32_t c = reader_.peek(length);
            if (isNullBlTLinebr(c)) break;
            if (c == ':') {
                const char32_t next = reader_.peek(length + 1);
                if (isNullBlTLinebr(next) || (flowLevel_ != 0 && isOneOf(next, ",[]{}"))) break;
            }
            if (flowLevel_ != 0 && isOneOf(c, ",?[]{}")) break;
            ++length;
        }
        if (length == 0) break;
        allowSimpleKey_ = false;
        chunks += spaces;
        chunks += reader_.prefixForward(length);
        end = reader_.mark();
        spaces = scanPlainSpaces();
        if (spaces.empty() || reader_.peek() == '#' || (flowLevel_ == 0 && reader_.column() < indent)) break;
    }
    Token token;
    token.id = TokenId::Scalar;
    token.value = std::move(chunks);
    token.start = start;
    token.end = end;
    token.plain = true;
    token.style = ScalarStyle::Plain;
    return token;
}

std::string Scanner::scanPlainSpaces() {
    // Unlike PyYAML, SnakeYAML takes tabs between the words of a plain scalar, and stops
    // at "---" even when it is not followed by a blank.
    std::size_t length = 0;
    while (isBlankOrTab(reader_.peek(length))) ++length;
    std::string whitespaces = reader_.prefixForward(length);
    const std::string lineBreak = scanLineBreak();
    if (lineBreak.empty()) return whitespaces;
    allowSimpleKey_ = true;
    const auto atSeparator = [&] {
        const std::u32string_view head = reader_.prefixView(3);
        return head == U"---" || (head == U"..." && isNullBlTLinebr(reader_.peek(3)));
    };
    if (atSeparator()) return {};
    std::string breaks;
    for (;;) {
        if (reader_.peek() == ' ') {
            reader_.forward();
            continue;
        }
        const std::string more = scanLineBreak();
        if (more.empty()) break;
        breaks += more;
        if (atSeparator()) return {};
    }
    if (lineBreak != "\n") return lineBreak + breaks;
    if (breaks.empty()) return " ";
    return breaks;
}

std::string Scanner::scanTagHandle(const char* name, const Mark& start) {
    char32_t c = reader_.peek();
    if (c != '!') {
        scanError(Problem::Tag, std::string("while scanning a ") + name, start, "expected '!', but found " + named(c),
                  reader_.mark(), c);
    }
    std::size_t length = 1;
    c = reader_.peek(length);
    if (c != ' ') {
        while (isAlpha(c)) c = reader_.peek(++length);
        if (c != '!') {
            reader_.forward(length);
            scanError(Problem::Tag, std::string("while scanning a ") + name, start,
                      "expected '!', but found " + named(c), reader_.mark(), c);
        }
        ++length;
    }
    return reader_.prefixForward(length);
}

std::string Scanner::scanTagUri(const char* name, const Mark& start) {
    std::string chunks;
    std::size_t length = 0;
    char32_t c = reader_.peek(length);
    while (isUriChar(c)) {
        if (c == '%') {
            chunks += reader_.prefixForward(length);
            length = 0;
            chunks += scanUriEscapes(name, start);
        } else {
            ++length;
        }
        c = reader_.peek(length);
    }
    if (length != 0) chunks += reader_.prefixForward(length);
    if (chunks.empty()) {
        scanError(Problem::Tag, std::string("while scanning a ") + name, start, "expected URI, but found " + named(c),
                  reader_.mark(), c);
    }
    return chunks;
}

std::string Scanner::scanUriEscapes(const char* name, const Mark& start) {
    const Mark beginning = reader_.mark();
    std::string bytes;
    while (reader_.peek() == '%') {
        reader_.forward();
        // Integer.parseInt(prefix(2), 16): an optional sign, then Java hex digits.
        const std::u32string_view hex = reader_.prefixView(2);
        int value = -1;
        if (!hex.empty()) {
            const bool negative = hex[0] == '-';
            const bool sign = negative || hex[0] == '+';
            int parsed = 0;
            bool ok = hex.size() > (sign ? 1u : 0u);
            for (std::size_t i = sign ? 1 : 0; ok && i < hex.size(); ++i) {
                const int digit = javaHexDigit(hex[i]);
                if (digit < 0) ok = false;
                parsed = parsed * 16 + digit;
            }
            if (ok) value = (negative ? -parsed : parsed) & 0xFF;
        }
        if (value < 0) {
            const char32_t c1 = reader_.peek();
            const char32_t c2 = reader_.peek(1);
            scanError(
                Problem::Tag, std::string("while scanning a ") + name, start,
                "expected URI escape sequence of 2 hexadecimal numbers, but found " + named(c1) + " and " + named(c2),
                reader_.mark(), c1);
        }
        bytes += static_cast<char>(value);
        reader_.forward(2);
    }
    // The bytes must be well-formed UTF-8.
    const std::vector<char32_t> decoded = unicode::decode(bytes);
    std::string check;
    for (char32_t cp : decoded) unicode::append(check, cp);
    if (check != bytes) {
        scanError(Problem::Tag, std::string("while scanning a ") + name, start,
                  "expected URI in UTF-8: Input length = 1", beginning);
    }
    return bytes;
}

std::string Scanner::scanLineBreak() {
    const char32_t c = reader_.peek();
    if (c == '\r' || c == '\n' || c == 0x85) {
        if (c == '\r' && reader_.peek(1) == '\n') {
            reader_.forward(2);
        } else {
            reader_.forward();
        }
        return "\n";
    }
    if (c == 0x2028 || c == 0x2029) {
        reader_.forward();
        return text(c);
    }
    return {};
}

}  // namespace yaml::detail
