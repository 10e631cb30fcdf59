// The YAML parser: tokens to events, ported from SnakeYAML 1.33's ParserImpl (a port of
// PyYAML's parser; see scanner.h for the credits), with SnakeYAML's own departures.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "yaml/scanner.h"

namespace yaml::detail {

enum class EventId {
    Alias,
    DocumentEnd,
    DocumentStart,
    MappingEnd,
    MappingStart,
    Scalar,
    SequenceEnd,
    SequenceStart,
    StreamEnd,
    StreamStart,
};

struct Event {
    EventId id = EventId::StreamStart;
    Mark start;
    Mark end;
    std::optional<std::string> anchor;
    Mark anchorStart;  // where the anchor ("&name") stands, when there is one
    Mark anchorEnd;
    std::optional<std::string> tag;
    bool implicit = false;  // collections: no tag or "!"; scalars: may resolve as plain
    std::string value;      // scalar text, alias name
    ScalarStyle style = ScalarStyle::Plain;
    bool flow = false;
};

class Parser {
public:
    explicit Parser(std::string_view utf8) : scanner_(utf8) {}

    bool check(EventId id);
    const Event& peek();
    Event get();

private:
    enum class State {
        StreamStart,
        ImplicitDocumentStart,
        DocumentStart,
        DocumentEnd,
        DocumentContent,
        BlockNode,
        BlockSequenceFirstEntry,
        BlockSequenceEntryKey,
        IndentlessSequenceEntryKey,
        BlockMappingFirstKey,
        BlockMappingKey,
        BlockMappingValue,
        FlowSequenceFirstEntry,
        FlowSequenceEntry,
        FlowSequenceEntryNext,
        FlowSequenceEntryMappingKey,
        FlowSequenceEntryMappingValue,
        FlowSequenceEntryMappingEnd,
        FlowMappingFirstKey,
        FlowMappingKey,
        FlowMappingKeyNext,
        FlowMappingValue,
        FlowMappingEmptyValue,
        None,
    };

    Event produce();
    Event parseStreamStart();
    Event parseImplicitDocumentStart();
    Event parseDocumentStart();
    Event parseDocumentEnd();
    Event parseDocumentContent();
    Event parseNode(bool block, bool indentlessSequence);
    Event parseBlockSequenceEntryKey();
    Event parseBlockSequenceEntryValue(const Token& entry);
    Event parseIndentlessSequenceEntryKey();
    Event parseIndentlessSequenceEntryValue(const Token& entry);
    Event parseBlockMappingKey();
    Event parseBlockMappingValue();
    Event parseFlowSequenceEntry(bool first);
    Event parseFlowSequenceEntryMappingKey();
    Event parseFlowSequenceEntryMappingValue();
    Event parseFlowSequenceEntryMappingEnd();
    Event parseFlowMappingKey(bool first);
    Event parseFlowMappingValue();
    Event parseFlowMappingEmptyValue();
    void processDirectives();
    Event emptyScalar(const Mark& mark);
    Mark popMark();

    Scanner scanner_;
    State state_ = State::StreamStart;
    std::vector<State> states_;
    std::vector<Mark> marks_;
    std::optional<Event> current_;
    std::map<std::string, std::string> tagHandles_ = {{"!", "!"}, {"!!", "tag:yaml.org,2002:"}};
    bool hasVersion_ = false;
};

}  // namespace yaml::detail
