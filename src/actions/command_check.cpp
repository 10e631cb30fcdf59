#include "actions/command_check.h"

#include <algorithm>
#include <string>
#include <vector>

#include "actions/action.h"
#include "forms/windows.h"

namespace actions {
namespace {

// A command the editor knows: its words up to the values, how many values it takes (-1:
// not known, nothing is checked), and whether the last value may be left out.
struct Known {
    std::string command;
    int values = -1;
    bool lastOptional = false;
};

// Values whose hint on the page says an empty field means the last lore line ("默认最后一行"),
// and /addlore, whose text may be empty too ("可留空").
constexpr std::string_view kLastOptional[] = {"/socket add empty", "/socket add locked", "/attribute element"};

std::string trimmedEnd(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n')) text.pop_back();
    return text;
}

std::vector<Known> knownCommands() {
    std::vector<Known> known;
    // The lines the editor's buttons build, found from what each builds for empty fields.
    for (const Action* action : all()) {
        if (action->panel == Panel::Config) continue;
        Known k;
        k.command = trimmedEnd(action->build({}));
        // A line built from list choices (Power SHOOT) has no fixed number of words: only an
        // empty rest is missing a value.
        k.values = action->selections.empty() ? static_cast<int>(action->texts.size()) : 1;
        k.lastOptional =
            std::find(std::begin(kLastOptional), std::end(kLastOptional), k.command) != std::end(kLastOptional);
        if (k.command == "/addlore") k.values = -1;
        known.push_back(std::move(k));
    }
    // The item page's sequence.
    for (const Known& k :
         {Known{"/setname", 1, false}, Known{"/addlore", -1, false}, Known{"/clearlore", 0, false},
          Known{"/addenchant", 2, false}, Known{"/clearenchant", 0, false}, Known{"/addflag", 1, false},
          Known{"/clearflag", 0, false}, Known{"/unbreakable", 0, false}, Known{"/quorvel save", 1, false}})
        known.push_back(k);
    // The commands the help window lists: "/quorvel detail - ...", "/setlore <行数> <内容> - ...".
    const forms::Window* help = forms::findWindow(forms::kMoreCommandsWindowId);
    if (help != nullptr && !help->units.empty()) {
        std::string_view text = help->units.front().caption;
        while (!text.empty()) {
            const std::size_t end = text.find("\r\n");
            std::string_view line = text.substr(0, end);
            text = end == std::string_view::npos ? std::string_view() : text.substr(end + 2);
            if (!line.starts_with('/')) continue;
            const std::size_t stop = std::min({line.find(" -"), line.find(" <"), line.find(" [")});
            std::string command = trimmedEnd(std::string(line.substr(0, stop)));
            const bool listed =
                std::any_of(known.begin(), known.end(), [&](const Known& k) { return k.command == command; });
            if (!listed) known.push_back({std::move(command), -1, false});
        }
    }
    // Longest first, so "/att Requirement Unbound" wins over a shorter match.
    std::sort(known.begin(), known.end(),
              [](const Known& a, const Known& b) { return a.command.size() > b.command.size(); });
    return known;
}

const std::vector<Known>& known() {
    static const std::vector<Known> commands = knownCommands();
    return commands;
}

std::vector<std::string_view> splitBlanks(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t blank = text.find(' ', start);
        parts.push_back(text.substr(start, blank - start));
        if (blank == std::string_view::npos) return parts;
        start = blank + 1;
    }
}

// Whether the values after the command leave out one that is needed.
bool missesAValue(const Known& command, std::string_view rest) {
    if (command.values <= 0) return false;
    const std::vector<std::string_view> parts = splitBlanks(rest);
    if (command.values == 1) return parts.front().empty() && !command.lastOptional;
    if (parts.front().empty()) return true;
    if (static_cast<int>(parts.size()) < command.values) return true;
    for (int i = 1; i + 1 < command.values; ++i)
        if (parts[static_cast<std::size_t>(i)].empty()) return true;
    return parts.back().empty() && !command.lastOptional;
}

}  // namespace

yaml::CheckResult checkCommands(std::string_view text) {
    yaml::CheckResult result;
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++number;
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (line.find_first_not_of(' ') == std::string_view::npos) continue;
        ++result.entries;
        const Known* match = nullptr;
        for (const Known& k : known()) {
            if (line == k.command ||
                (line.starts_with(k.command) && line.size() > k.command.size() && line[k.command.size()] == ' ')) {
                match = &k;
                break;
            }
        }
        if (match == nullptr) {
            const std::string_view word = line.substr(0, line.find(' '));
            result.warnings.push_back({number, 0, "“" + std::string(word) + "”不是编辑器认识的指令"});
            continue;
        }
        const std::string_view rest =
            line.size() > match->command.size() ? line.substr(match->command.size() + 1) : std::string_view();
        if (missesAValue(*match, rest)) result.warnings.push_back({number, 0, match->command + " 缺少数值"});
    }
    return result;
}

}  // namespace actions
