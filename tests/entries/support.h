// What the entries tests share: the three block buttons' actions, their builders by inputs, and
// texts with LF or CR LF line ends.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "actions/action.h"
#include "entries/entries.h"
#include "forms/windows.h"

namespace entries::testing {

inline const actions::Action& action(std::string_view button) {
    const actions::Action* found = actions::find(forms::kMainWindowId, button);
    if (found == nullptr) throw std::runtime_error("no action for " + std::string(button));
    return *found;
}

inline const actions::Action& gemAction() { return action("按钮50"); }
inline const actions::Action& elementAction() { return action("按钮54"); }
inline const actions::Action& keyLoreAction() { return action("按钮21"); }

// The builder's CR LF text with LF line ends, as the panel holds it.
inline std::string lf(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    return out;
}

// LF line ends made CR LF.
inline std::string crlf(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// The entry of that identifier in the listing, or a failure.
inline const Entry& entryNamed(const Listing& listing, std::string_view id) {
    for (const Entry& entry : listing.entries)
        if (entry.id == id) return entry;
    throw std::runtime_error("no entry " + std::string(id));
}

// A readable description of an edit's outcome for failure messages.
inline std::string outcome(const EditResult& result) {
    return result.ok() ? "ok" : std::string(code(result.refusal)) + ": " + result.message;
}

}  // namespace entries::testing
