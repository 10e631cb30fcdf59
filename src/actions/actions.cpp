// Every builder button of the editor, and the lookup of a button's action.
#include <algorithm>
#include <map>
#include <utility>

#include "actions/action.h"

namespace actions {

std::span<const Action* const> all() {
    static const std::vector<const Action*> everything = [] {
        std::vector<const Action*> list;
        for (std::span<const Action> family : {attributeActions(), socketActions(), itemActions()})
            for (const Action& action : family) list.push_back(&action);
        return list;
    }();
    return everything;
}

const Action* find(std::uint32_t window, std::string_view button) {
    static const std::map<std::pair<std::uint32_t, std::string_view>, const Action*> byButton = [] {
        std::map<std::pair<std::uint32_t, std::string_view>, const Action*> map;
        for (const Action* action : all()) map.emplace(std::pair(action->window, action->button), action);
        return map;
    }();
    const auto it = byButton.find({window, button});
    return it == byButton.end() ? nullptr : it->second;
}

const Action* readerOf(std::uint32_t window, std::string_view field) {
    for (const Action* action : all()) {
        if (action->window != window) continue;
        const auto reads = [field](const std::vector<std::string_view>& names) {
            return std::find(names.begin(), names.end(), field) != names.end();
        };
        if (reads(action->texts) || reads(action->selections) || reads(action->checks)) return action;
    }
    return nullptr;
}

}  // namespace actions
