// What each button of the editor does, as data: the window it sits in, the fields it reads,
// the panel it writes to and the pure function that turns the values into text. ui/ runs
// every action the same way: read the named fields of the action's window, build, append.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace actions {

// The three output panels. Command and Config live in the main window; Ability is the
// passive-skill window's own panel.
enum class Panel { Command, Config, Ability };

// Values read at click time, in the order the action lists its fields. texts are UTF-8 (an
// editable combo box gives the text it shows); a selection is the combo box's current index,
// -1 when nothing is selected; checks are the states of check boxes.
struct Inputs {
    std::vector<std::string> texts;
    std::vector<int> selections;
    std::vector<bool> checks = {};
};

struct Action {
    std::uint32_t window = 0;  // the window of the button, its fields and its panel
    std::string_view button;   // the button's name in that window
    Panel panel = Panel::Command;
    std::vector<std::string_view> texts;       // EditBoxes (and editable ComboBoxes) read, in order
    std::vector<std::string_view> selections;  // ComboBoxes read, in order
    std::function<std::string(const Inputs&)> build;
    std::vector<std::string_view> checks = {};  // CheckBoxes read, in order
};

// The text read at position i, or the empty text when fewer were read: an absent text
// counts as empty.
inline std::string_view textAt(const Inputs& in, std::size_t i) {
    return i < in.texts.size() ? std::string_view(in.texts[i]) : std::string_view();
}

// The selection read at position i, or -1 (nothing selected) when fewer were read.
inline int selectionAt(const Inputs& in, std::size_t i) { return i < in.selections.size() ? in.selections[i] : -1; }

// The check box state read at position i, or unchecked when fewer were read.
inline bool checkedAt(const Inputs& in, std::size_t i) { return i < in.checks.size() && in.checks[i]; }

// "/att", "/setname" and "/addlore" buttons.
std::span<const Action> attributeActions();
// "/socket", "/attribute element", gem, element and key-lore buttons.
std::span<const Action> socketActions();
// The item designer's "生成指令".
std::span<const Action> itemActions();
// Every builder button of the editor.
std::span<const Action* const> all();

// The action of a button, or nullptr when the button builds nothing.
const Action* find(std::uint32_t window, std::string_view button);

// The action that reads a field (an EditBox, ComboBox or CheckBox) of a window, or nullptr.
const Action* readerOf(std::uint32_t window, std::string_view field);

}  // namespace actions
