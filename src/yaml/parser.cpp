#include "yaml/parser.h"

namespace yaml::detail {

namespace {

const std::map<std::string, std::string> kDefaultTags = {{"!", "!"}, {"!!", "tag:yaml.org,2002:"}};

[[noreturn]] void parseError(Problem problem, std::string context, std::optional<Mark> contextMark, std::string message,
                             const Mark& mark) {
    fail(ErrorKind::Parser, problem, std::move(context), contextMark, std::move(message), mark);
}

std::string found(TokenId id) { return std::string(tokenName(id)); }

}  // namespace

bool Parser::check(EventId id) { return peek().id == id; }

const Event& Parser::peek() {
    if (!current_ && state_ != State::None) current_ = produce();
    return *current_;
}

Event Parser::get() {
    peek();
    Event event = std::move(*current_);
    current_.reset();
    return event;
}

Mark Parser::popMark() {
    const Mark mark = marks_.back();
    marks_.pop_back();
    return mark;
}

Event Parser::produce() {
    switch (state_) {
    case State::StreamStart: return parseStreamStart();
    case State::ImplicitDocumentStart: return parseImplicitDocumentStart();
    case State::DocumentStart: return parseDocumentStart();
    case State::DocumentEnd: return parseDocumentEnd();
    case State::DocumentContent: return parseDocumentContent();
    case State::BlockNode: return parseNode(true, false);
    case State::BlockSequenceFirstEntry: marks_.push_back(scanner_.get().start); return parseBlockSequenceEntryKey();
    case State::BlockSequenceEntryKey: return parseBlockSequenceEntryKey();
    case State::IndentlessSequenceEntryKey: return parseIndentlessSequenceEntryKey();
    case State::BlockMappingFirstKey: marks_.push_back(scanner_.get().start); return parseBlockMappingKey();
    case State::BlockMappingKey: return parseBlockMappingKey();
    case State::BlockMappingValue: return parseBlockMappingValue();
    case State::FlowSequenceFirstEntry: marks_.push_back(scanner_.get().start); return parseFlowSequenceEntry(true);
    case State::FlowSequenceEntry: return parseFlowSequenceEntry(true);
    case State::FlowSequenceEntryNext: return parseFlowSequenceEntry(false);
    case State::FlowSequenceEntryMappingKey: return parseFlowSequenceEntryMappingKey();
    case State::FlowSequenceEntryMappingValue: return parseFlowSequenceEntryMappingValue();
    case State::FlowSequenceEntryMappingEnd: return parseFlowSequenceEntryMappingEnd();
    case State::FlowMappingFirstKey: marks_.push_back(scanner_.get().start); return parseFlowMappingKey(true);
    case State::FlowMappingKey: return parseFlowMappingKey(true);
    case State::FlowMappingKeyNext: return parseFlowMappingKey(false);
    case State::FlowMappingValue: return parseFlowMappingValue();
    case State::FlowMappingEmptyValue: return parseFlowMappingEmptyValue();
    case State::None: break;
    }
    return {};
}

Event Parser::parseStreamStart() {
    const Token token = scanner_.get();
    Event event;
    event.id = EventId::StreamStart;
    event.start = token.start;
    event.end = token.end;
    state_ = State::ImplicitDocumentStart;
    return event;
}

Event Parser::parseImplicitDocumentStart() {
    if (!scanner_.check({TokenId::Directive, TokenId::DocumentStart, TokenId::StreamEnd})) {
        Event event;
        event.id = EventId::DocumentStart;
        event.start = event.end = scanner_.peek().start;
        states_.push_back(State::DocumentEnd);
        state_ = State::BlockNode;
        return event;
    }
    return parseDocumentStart();
}

Event Parser::parseDocumentStart() {
    while (scanner_.check(TokenId::DocumentEnd)) scanner_.get();
    if (!scanner_.check(TokenId::StreamEnd)) {
        const Mark start = scanner_.peek().start;
        processDirectives();
        // SnakeYAML ends the stream quietly after directives with nothing following.
        if (!scanner_.check(TokenId::StreamEnd)) {
            if (!scanner_.check(TokenId::DocumentStart)) {
                const Token& token = scanner_.peek();
                parseError(Problem::ExpectedDocumentStart, "", std::nullopt,
                           "expected '<document start>', but found '" + found(token.id) + "'", token.start);
            }
            const Token token = scanner_.get();
            Event event;
            event.id = EventId::DocumentStart;
            event.start = start;
            event.end = token.end;
            states_.push_back(State::DocumentEnd);
            state_ = State::DocumentContent;
            return event;
        }
    }
    const Token token = scanner_.get();
    Event event;
    event.id = EventId::StreamEnd;
    event.start = token.start;
    event.end = token.end;
    state_ = State::None;
    return event;
}

Event Parser::parseDocumentEnd() {
    const Mark start = scanner_.peek().start;
    Event event;
    event.id = EventId::DocumentEnd;
    event.start = event.end = start;
    if (scanner_.check(TokenId::DocumentEnd)) event.end = scanner_.get().end;
    state_ = State::DocumentStart;
    return event;
}

Event Parser::parseDocumentContent() {
    if (scanner_.check({TokenId::Directive, TokenId::DocumentStart, TokenId::DocumentEnd, TokenId::StreamEnd})) {
        Event event = emptyScalar(scanner_.peek().start);
        state_ = states_.back();
        states_.pop_back();
        return event;
    }
    return parseNode(true, false);
}

void Parser::processDirectives() {
    // Handles from an earlier document's %TAG lines stay, as in SnakeYAML.
    std::map<std::string, std::string> handles = tagHandles_;
    for (const auto& [handle, prefix] : kDefaultTags) handles.erase(handle);
    hasVersion_ = false;
    while (scanner_.check(TokenId::Directive)) {
        const Token token = scanner_.get();
        if (token.value == "YAML") {
            if (hasVersion_) {
                parseError(Problem::DuplicateDirective, "", std::nullopt, "found duplicate YAML directive",
                           token.start);
            }
            if (token.major != 1) {
                parseError(Problem::DuplicateDirective, "", std::nullopt,
                           "found incompatible YAML document (version 1.* is required)", token.start);
            }
            hasVersion_ = true;
        } else if (token.value == "TAG") {
            const std::string& handle = token.directive[0];
            if (handles.count(handle) != 0) {
                parseError(Problem::DuplicateDirective, "", std::nullopt, "duplicate tag handle " + handle,
                           token.start);
            }
            handles[handle] = token.directive[1];
        }
    }
    for (const auto& [handle, prefix] : kDefaultTags) handles.emplace(handle, prefix);
    tagHandles_ = std::move(handles);
}

Event Parser::emptyScalar(const Mark& mark) {
    Event event;
    event.id = EventId::Scalar;
    event.implicit = true;
    event.start = event.end = mark;
    return event;
}

Event Parser::parseNode(bool block, bool indentlessSequence) {
    Event event;
    if (scanner_.check(TokenId::Alias)) {
        const Token token = scanner_.get();
        event.id = EventId::Alias;
        event.value = token.value;
        event.start = token.start;
        event.end = token.end;
        state_ = states_.back();
        states_.pop_back();
        return event;
    }
    std::optional<Mark> start;
    Mark end;
    std::optional<Mark> tagMark;
    std::optional<Token> tagToken;
    if (scanner_.check(TokenId::Anchor)) {
        const Token token = scanner_.get();
        start = token.start;
        end = token.end;
        event.anchor = token.value;
        event.anchorStart = token.start;
        event.anchorEnd = token.end;
        if (scanner_.check(TokenId::Tag)) {
            tagToken = scanner_.get();
            tagMark = tagToken->start;
            end = tagToken->end;
        }
    } else if (scanner_.check(TokenId::Tag)) {
        tagToken = scanner_.get();
        start = tagMark = tagToken->start;
        end = tagToken->end;
        if (scanner_.check(TokenId::Anchor)) {
            const Token token = scanner_.get();
            end = token.end;
            event.anchor = token.value;
            event.anchorStart = token.start;
            event.anchorEnd = token.end;
        }
    }
    if (tagToken) {
        if (tagToken->hasHandle) {
            const auto prefix = tagHandles_.find(tagToken->handle);
            if (prefix == tagHandles_.end()) {
                parseError(Problem::UndefinedTagHandle, "while parsing a node", start,
                           "found undefined tag handle " + tagToken->handle, *tagMark);
            }
            event.tag = prefix->second + tagToken->value;
        } else {
            event.tag = tagToken->value;
        }
    }
    if (!start) {
        start = scanner_.peek().start;
        end = *start;
    }
    event.start = *start;
    const bool implicit = !event.tag || *event.tag == "!";
    event.implicit = implicit;
    if (indentlessSequence && scanner_.check(TokenId::BlockEntry)) {
        event.id = EventId::SequenceStart;
        event.end = scanner_.peek().end;
        state_ = State::IndentlessSequenceEntryKey;
        return event;
    }
    if (scanner_.check(TokenId::Scalar)) {
        const Token token = scanner_.get();
        event.id = EventId::Scalar;
        event.end = token.end;
        // SnakeYAML resolves a scalar tagged "!" like a plain one, quoted or not.
        event.implicit = (token.plain && !event.tag) || (event.tag && *event.tag == "!");
        event.value = token.value;
        event.style = token.style;
        state_ = states_.back();
        states_.pop_back();
        return event;
    }
    if (scanner_.check(TokenId::FlowSequenceStart)) {
        event.id = EventId::SequenceStart;
        event.end = scanner_.peek().end;
        event.flow = true;
        state_ = State::FlowSequenceFirstEntry;
        return event;
    }
    if (scanner_.check(TokenId::FlowMappingStart)) {
        event.id = EventId::MappingStart;
        event.end = scanner_.peek().end;
        event.flow = true;
        state_ = State::FlowMappingFirstKey;
        return event;
    }
    if (block && scanner_.check(TokenId::BlockSequenceStart)) {
        event.id = EventId::SequenceStart;
        event.end = scanner_.peek().start;
        state_ = State::BlockSequenceFirstEntry;
        return event;
    }
    if (block && scanner_.check(TokenId::BlockMappingStart)) {
        event.id = EventId::MappingStart;
        event.end = scanner_.peek().start;
        state_ = State::BlockMappingFirstKey;
        return event;
    }
    if (event.anchor || event.tag) {
        event.id = EventId::Scalar;
        event.end = end;
        event.implicit = implicit;
        state_ = states_.back();
        states_.pop_back();
        return event;
    }
    const Token& token = scanner_.peek();
    parseError(Problem::ExpectedNodeContent, std::string("while parsing a ") + (block ? "block" : "flow") + " node",
               start, "expected the node content, but found '" + found(token.id) + "'", token.start);
}

Event Parser::parseBlockSequenceEntryKey() {
    if (scanner_.check(TokenId::BlockEntry)) {
        const Token entry = scanner_.get();
        return parseBlockSequenceEntryValue(entry);
    }
    if (!scanner_.check(TokenId::BlockEnd)) {
        const Token& token = scanner_.peek();
        parseError(Problem::ExpectedBlockEnd, "while parsing a block collection", popMark(),
                   "expected <block end>, but found '" + found(token.id) + "'", token.start);
    }
    const Token token = scanner_.get();
    Event event;
    event.id = EventId::SequenceEnd;
    event.start = token.start;
    event.end = token.end;
    state_ = states_.back();
    states_.pop_back();
    marks_.pop_back();
    return event;
}

Event Parser::parseBlockSequenceEntryValue(const Token& entry) {
    if (!scanner_.check({TokenId::BlockEntry, TokenId::BlockEnd})) {
        states_.push_back(State::BlockSequenceEntryKey);
        return parseNode(true, false);
    }
    state_ = State::BlockSequenceEntryKey;
    return emptyScalar(entry.end);
}

Event Parser::parseIndentlessSequenceEntryKey() {
    if (scanner_.check(TokenId::BlockEntry)) {
        const Token entry = scanner_.get();
        return parseIndentlessSequenceEntryValue(entry);
    }
    const Token& token = scanner_.peek();
    Event event;
    event.id = EventId::SequenceEnd;
    event.start = token.start;
    event.end = token.end;
    state_ = states_.back();
    states_.pop_back();
    return event;
}

Event Parser::parseIndentlessSequenceEntryValue(const Token& entry) {
    if (!scanner_.check({TokenId::BlockEntry, TokenId::Key, TokenId::Value, TokenId::BlockEnd})) {
        states_.push_back(State::IndentlessSequenceEntryKey);
        return parseNode(true, false);
    }
    state_ = State::IndentlessSequenceEntryKey;
    return emptyScalar(entry.end);
}

Event Parser::parseBlockMappingKey() {
    if (scanner_.check(TokenId::Key)) {
        const Token token = scanner_.get();
        if (!scanner_.check({TokenId::Key, TokenId::Value, TokenId::BlockEnd})) {
            states_.push_back(State::BlockMappingValue);
            return parseNode(true, true);
        }
        state_ = State::BlockMappingValue;
        return emptyScalar(token.end);
    }
    if (!scanner_.check(TokenId::BlockEnd)) {
        const Token& token = scanner_.peek();
        parseError(Problem::ExpectedBlockEnd, "while parsing a block mapping", popMark(),
                   "expected <block end>, but found '" + found(token.id) + "'", token.start);
    }
    const Token token = scanner_.get();
    Event event;
    event.id = EventId::MappingEnd;
    event.start = token.start;
    event.end = token.end;
    state_ = states_.back();
    states_.pop_back();
    marks_.pop_back();
    return event;
}

Event Parser::parseBlockMappingValue() {
    if (scanner_.check(TokenId::Value)) {
        const Token token = scanner_.get();
        if (!scanner_.check({TokenId::Key, TokenId::Value, TokenId::BlockEnd})) {
            states_.push_back(State::BlockMappingKey);
            return parseNode(true, true);
        }
        state_ = State::BlockMappingKey;
        return emptyScalar(token.end);
    }
    // SnakeYAML (not PyYAML) takes a scalar right after a key without ':' as its value.
    if (scanner_.check(TokenId::Scalar)) {
        states_.push_back(State::BlockMappingKey);
        return parseNode(true, true);
    }
    state_ = State::BlockMappingKey;
    return emptyScalar(scanner_.peek().start);
}

Event Parser::parseFlowSequenceEntry(bool first) {
    if (!scanner_.check(TokenId::FlowSequenceEnd)) {
        if (!first) {
            if (scanner_.check(TokenId::FlowEntry)) {
                scanner_.get();
            } else {
                const Token& token = scanner_.peek();
                parseError(Problem::ExpectedFlowSequenceEnd, "while parsing a flow sequence", popMark(),
                           "expected ',' or ']', but got " + found(token.id), token.start);
            }
        }
        if (scanner_.check(TokenId::Key)) {
            const Token& token = scanner_.peek();
            Event event;
            event.id = EventId::MappingStart;
            event.implicit = true;
            event.flow = true;
            event.start = token.start;
            event.end = token.end;
            state_ = State::FlowSequenceEntryMappingKey;
            return event;
        }
        if (!scanner_.check(TokenId::FlowSequenceEnd)) {
            states_.push_back(State::FlowSequenceEntryNext);
            return parseNode(false, false);
        }
    }
    const Token token = scanner_.get();
    Event event;
    event.id = EventId::SequenceEnd;
    event.start = token.start;
    event.end = token.end;
    state_ = states_.back();
    states_.pop_back();
    marks_.pop_back();
    return event;
}

Event Parser::parseFlowSequenceEntryMappingKey() {
    const Token token = scanner_.get();
    if (!scanner_.check({TokenId::Value, TokenId::FlowEntry, TokenId::FlowSequenceEnd})) {
        states_.push_back(State::FlowSequenceEntryMappingValue);
        return parseNode(false, false);
    }
    state_ = State::FlowSequenceEntryMappingValue;
    return emptyScalar(token.end);
}

Event Parser::parseFlowSequenceEntryMappingValue() {
    if (scanner_.check(TokenId::Value)) {
        const Token token = scanner_.get();
        if (!scanner_.check({TokenId::FlowEntry, TokenId::FlowSequenceEnd})) {
            states_.push_back(State::FlowSequenceEntryMappingEnd);
            return parseNode(false, false);
        }
        state_ = State::FlowSequenceEntryMappingEnd;
        return emptyScalar(token.end);
    }
    state_ = State::FlowSequenceEntryMappingEnd;
    return emptyScalar(scanner_.peek().start);
}

Event Parser::parseFlowSequenceEntryMappingEnd() {
    state_ = State::FlowSequenceEntryNext;
    Event event;
    event.id = EventId::MappingEnd;
    event.start = event.end = scanner_.peek().start;
    return event;
}

Event Parser::parseFlowMappingKey(bool first) {
    if (!scanner_.check(TokenId::FlowMappingEnd)) {
        if (!first) {
            if (scanner_.check(TokenId::FlowEntry)) {
                scanner_.get();
            } else {
                const Token& token = scanner_.peek();
                parseError(Problem::ExpectedFlowMappingEnd, "while parsing a flow mapping", popMark(),
                           "expected ',' or '}', but got " + found(token.id), token.start);
            }
        }
        if (scanner_.check(TokenId::Key)) {
            const Token token = scanner_.get();
            if (!scanner_.check({TokenId::Value, TokenId::FlowEntry, TokenId::FlowMappingEnd})) {
                states_.push_back(State::FlowMappingValue);
                return parseNode(false, false);
            }
            state_ = State::FlowMappingValue;
            return emptyScalar(token.end);
        }
        if (!scanner_.check(TokenId::FlowMappingEnd)) {
            states_.push_back(State::FlowMappingEmptyValue);
            return parseNode(false, false);
        }
    }
    const Token token = scanner_.get();
    Event event;
    event.id = EventId::MappingEnd;
    event.start = token.start;
    event.end = token.end;
    state_ = states_.back();
    states_.pop_back();
    marks_.pop_back();
    return event;
}

Event Parser::parseFlowMappingValue() {
    if (scanner_.check(TokenId::Value)) {
        const Token token = scanner_.get();
        if (!scanner_.check({TokenId::FlowEntry, TokenId::FlowMappingEnd})) {
            states_.push_back(State::FlowMappingKeyNext);
            return parseNode(false, false);
        }
        state_ = State::FlowMappingKeyNext;
        return emptyScalar(token.end);
    }
    state_ = State::FlowMappingKeyNext;
    return emptyScalar(scanner_.peek().start);
}

Event Parser::parseFlowMappingEmptyValue() {
    state_ = State::FlowMappingKeyNext;
    return emptyScalar(scanner_.peek().start);
}

}  // namespace yaml::detail
