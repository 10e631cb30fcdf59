#include "actions/command_check.h"

#include <string>
#include <vector>

#include "actions/known_commands.h"
#include "yaml/check.h"
#include "yaml/unicode.h"

namespace actions {
namespace {

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

// The longest line the game's chat box takes: 256 Java chars, that is UTF-16 code units
// (an emoji outside the BMP counts two), the leading "/" included. A longer command cannot
// be typed in game; the console has no such limit, but most of these act on the item in
// hand and so are typed in chat.
constexpr std::size_t kChatLimit = 256;

// Whether the values after the command leave out one that is needed.
bool missesAValue(const KnownCommand& command, std::string_view rest) {
    if (command.values <= 0) return false;
    const std::vector<std::string_view> parts = splitBlanks(rest);
    if (command.values == 1) return parts.front().empty() && !command.lastOptional;
    if (parts.front().empty()) return true;
    if (static_cast<int>(parts.size()) < command.values) return true;
    for (int i = 1; i + 1 < command.values; ++i)
        if (parts[static_cast<std::size_t>(i)].empty()) return true;
    return parts.back().empty() && !command.lastOptional;
}

// The values meant for numbers that the plugin cannot read as one. A command of one value
// has it in its first word; one of several is looked at only when its words are exactly
// as many as its values, since a value with a blank in it would shift the rest. Empty
// values are missesAValue's.
std::vector<std::string_view> notNumbers(const KnownCommand& command, std::string_view rest) {
    std::vector<std::string_view> found;
    if (command.kinds.empty()) return found;
    std::vector<std::string_view> parts = splitBlanks(rest);
    if (command.kinds.size() == 1)
        parts.resize(1);
    else if (parts.size() != command.kinds.size())
        return found;
    for (std::size_t i = 0; i < parts.size(); ++i)
        if (command.kinds[i] == '#' && !parts[i].empty() && !yaml::readsAsNumber(parts[i])) found.push_back(parts[i]);
    return found;
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
        const std::size_t first = line.find_first_not_of(' ');
        if (first == std::string_view::npos) continue;
        ++result.entries;
        const std::size_t length = yaml::unicode::utf16Length(line);
        if (length > kChatLimit) {
            result.warnings.push_back({number, 0,
                                       "这一行有 " + std::to_string(length) + " 个字符，超过游戏聊天框的 " +
                                           std::to_string(kChatLimit) + " 个字符上限，无法在游戏里输入"});
        }
        const KnownCommand* match = knownCommandOf(line);
        if (match == nullptr) {
            const std::string_view word = line.substr(first, line.find(' ', first) - first);
            result.warnings.push_back({number, 0, "“" + std::string(word) + "”不是编辑器认识的指令"});
            continue;
        }
        const std::string_view rest =
            line.size() > match->command.size() ? line.substr(match->command.size() + 1) : std::string_view();
        if (missesAValue(*match, rest)) result.warnings.push_back({number, 0, match->command + " 缺少数值"});
        for (const std::string_view value : notNumbers(*match, rest))
            result.warnings.push_back({number, 0, match->command + " 的数值“" + std::string(value) + "”不是数字"});
    }
    return result;
}

}  // namespace actions
