// What a builder button does, as data: the fields it reads, the panel it writes to and
// the pure function that turns the values into text. ui/ runs every action the same way:
// read the named fields of the button's window, call build, append the result.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace builders {

// The three output panels. Command and Config live in the main window; Ability is the
// passive-skill window's own panel. An action reads the fields of its panel's window.
enum class Panel { Command, Config, Ability };

// Values read at click time, in the order the action lists its fields. texts are UTF-8;
// a selection is the combo box's current index, -1 when nothing is selected.
struct Inputs {
    std::vector<std::string> texts;
    std::vector<int> selections;
};

struct Action {
    std::string_view button;                   // the button's name in its window
    Panel panel = Panel::Command;
    std::vector<std::string_view> texts;       // EditBoxes read, in order
    std::vector<std::string_view> selections;  // ComboBoxes read, in order
    std::function<std::string(const Inputs&)> build;
};

// The text read at position i, or the empty text when fewer were read: an absent text
// counts as empty.
inline std::string_view textAt(const Inputs& in, std::size_t i) {
    return i < in.texts.size() ? std::string_view(in.texts[i]) : std::string_view();
}

// The selection read at position i, or -1 (nothing selected) when fewer were read.
inline int selectionAt(const Inputs& in, std::size_t i) {
    return i < in.selections.size() ? in.selections[i] : -1;
}

// The text of a fixed table at a selection index; any index outside the table,
// -1 included, gives the empty text.
template <typename T, std::size_t N>
constexpr std::string_view pick(const T (&table)[N], int index) {
    return index >= 0 && static_cast<std::size_t>(index) < N ? std::string_view(table[index])
                                                             : std::string_view();
}

}  // namespace builders
