// The block buttons (gem, element, key-lore and list lines) as data: which control fills
// which member of the builder's named struct of values, and the builder that turns the
// struct into text. The builders themselves know no control names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "actions/action.h"

namespace actions {

template <typename Member>
struct MemberTraits;
template <typename Class, typename Type>
struct MemberTraits<Type Class::*> {
    using Owner = Class;
    using Value = Type;
};

// The place of a value in a struct of fields: at<&GemFields::id>, or one level down,
// at<&ElementFields::toAttacker, &PotionFields::chance>.
template <auto Member>
typename MemberTraits<decltype(Member)>::Value& at(typename MemberTraits<decltype(Member)>::Owner& fields) {
    return fields.*Member;
}
template <auto Outer, auto Inner>
typename MemberTraits<decltype(Inner)>::Value& at(typename MemberTraits<decltype(Outer)>::Owner& fields) {
    return (fields.*Outer).*Inner;
}

// An EditBox and the text member it fills.
template <typename Fields>
struct TextField {
    std::string_view control;
    std::string& (*place)(Fields&);
};

// A ComboBox and the selection member it fills.
template <typename Fields>
struct Selection {
    std::string_view control;
    int& (*place)(Fields&);
};

// A CheckBox and the flag member it fills.
template <typename Fields>
struct Check {
    std::string_view control;
    bool& (*place)(Fields&);
};

template <typename Fields>
struct BlockRow {
    std::string_view button;
    std::vector<TextField<Fields>> texts;
    std::vector<Selection<Fields>> selections;
    std::string (*build)(const Fields&);
    std::vector<Check<Fields>> checks;
};

// A table of block buttons names its window and its panel once, at its head.
template <typename Fields>
struct BlockTable {
    std::uint32_t window;
    Panel panel;
    std::vector<BlockRow<Fields>> rows;
};

// The values read for a row as its Fields. A value the runtime did not read leaves its member
// at the struct's default (empty, -1, or the flag's default).
template <typename Fields>
Fields fieldsOf(const BlockRow<Fields>& row, const Inputs& in) {
    Fields fields{};
    for (std::size_t i = 0; i < row.texts.size() && i < in.texts.size(); ++i) row.texts[i].place(fields) = in.texts[i];
    for (std::size_t i = 0; i < row.selections.size() && i < in.selections.size(); ++i)
        row.selections[i].place(fields) = in.selections[i];
    for (std::size_t i = 0; i < row.checks.size() && i < in.checks.size(); ++i)
        row.checks[i].place(fields) = in.checks[i];
    return fields;
}

// The other way: the values each named control would hold to show fields, in the row's order.
template <typename Fields>
Inputs inputsOf(const BlockRow<Fields>& row, Fields fields) {
    Inputs in;
    for (const TextField<Fields>& field : row.texts) in.texts.push_back(field.place(fields));
    for (const Selection<Fields>& field : row.selections) in.selections.push_back(field.place(fields));
    for (const Check<Fields>& field : row.checks) in.checks.push_back(field.place(fields));
    return in;
}

// The action of one block row: read the named controls into a Fields value, build.
template <typename Fields>
Action blockAction(std::uint32_t window, Panel panel, const BlockRow<Fields>& row) {
    Action action{.window = window, .button = row.button, .panel = panel, .texts = {}, .selections = {}, .build = {}};
    for (const TextField<Fields>& field : row.texts) action.texts.push_back(field.control);
    for (const Selection<Fields>& field : row.selections) action.selections.push_back(field.control);
    for (const Check<Fields>& field : row.checks) action.checks.push_back(field.control);
    action.build = [row](const Inputs& in) { return row.build(fieldsOf(row, in)); };
    return action;
}

template <typename Fields>
void addBlockActions(std::vector<Action>& actions, const BlockTable<Fields>& table) {
    for (const BlockRow<Fields>& row : table.rows) actions.push_back(blockAction(table.window, table.panel, row));
}

}  // namespace actions
