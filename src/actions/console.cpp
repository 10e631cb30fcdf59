#include "actions/console.h"

#include <algorithm>

namespace actions {
namespace {

// A command that changes the item in the hand of the player who types it.
struct HandCommand {
    std::string_view words;  // as the console reads them, lower case
    std::string_view does;   // what it does to that item
};

// A command the console can run when it names the player.
struct PlayerCommand {
    std::string_view words;
    std::size_t values;      // how many values follow when the player is named
    std::string_view usage;  // the values, as the page's labels name them
};

// clang-format off
constexpr HandCommand kHand[] = {
    // words                   what it does to the item in hand
    {"att",                    "加属性"},
    {"setname",                "改名称"},
    {"setlore",                "改一行 lore"},
    {"insertlore",             "插入一行 lore"},
    {"addlore",                "加一行 lore"},
    {"removelore",             "删除一行 lore"},
    {"clearlore",              "删除全部 lore"},
    {"addenchant",             "加附魔"},
    {"remenchant",             "移除附魔"},
    {"clearenchant",           "删除全部附魔"},
    {"addflag",                "加 flag"},
    {"removeflag",             "移除 flag"},
    {"clearflag",              "删除全部 flag"},
    {"unbreakable",            "设为无法破坏"},
    {"socket add",             "加插槽"},
    {"attribute element",      "加元素"},
    {"quorvel save",           "把它保存为模板"},
    {"quorvel detail",         "显示它的详细信息"},
    {"quorvel amount",         "设置堆叠数量"},
    {"quorvel data",           "设置子 ID"},
    {"quorvel material",       "设置种类"},
    {"quorvel repair",         "修复 lore 耐久"},
};

constexpr PlayerCommand kForPlayer[] = {
    // words                   values  usage
    {"socket load gems",       3,      "<宝石识别名> <数量> <玩家名>"},
    {"socket load rod remove", 2,      "<玩家名> <数量>"},
    {"socket load rod unlock", 2,      "<玩家名> <数量>"},
};
// clang-format on

bool blank(char c) { return c == ' ' || c == '\t'; }

// The words of a console line, lower case (commands take their words in any case); the first
// without a "plugin:" prefix, which names the same command.
std::vector<std::string> wordsOf(std::string_view line) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < line.size()) {
        if (blank(line[at])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < line.size() && !blank(line[end])) ++end;
        std::string word(line.substr(at, end - at));
        std::transform(word.begin(), word.end(), word.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
        words.push_back(std::move(word));
        at = end;
    }
    if (!words.empty()) {
        const std::size_t colon = words.front().find(':');
        if (colon != std::string::npos) words.front().erase(0, colon + 1);
    }
    return words;
}

// How many values follow the command words, when the line starts with them.
bool startsWith(const std::vector<std::string>& line, std::string_view command, std::size_t* values) {
    std::size_t i = 0;
    while (!command.empty()) {
        const std::size_t space = command.find(' ');
        const std::string_view word = command.substr(0, space);
        if (i >= line.size() || line[i] != word) return false;
        ++i;
        command = space == std::string_view::npos ? std::string_view() : command.substr(space + 1);
    }
    *values = line.size() - i;
    return true;
}

}  // namespace

std::string consoleForm(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    while (!line.empty() && blank(line.front())) line.remove_prefix(1);
    if (line.starts_with('/')) line.remove_prefix(1);
    return std::string(line);
}

std::string whyNotFromConsole(std::string_view line) {
    const std::string form = consoleForm(line);
    const std::vector<std::string> words = wordsOf(form);
    if (words.empty() || words.front().empty()) return "这一行没有指令";
    std::size_t values = 0;
    for (const HandCommand& command : kHand) {
        if (!startsWith(words, command.words, &values)) continue;
        std::string why = "/";
        why += command.words;
        why += " 作用于输入它的玩家手中的物品（";
        why += command.does;
        why += "），控制台没有手持物品：请在游戏的聊天框中输入";
        return why;
    }
    for (const PlayerCommand& command : kForPlayer) {
        if (!startsWith(words, command.words, &values) || values >= command.values) continue;
        std::string why = "从控制台发送时 /";
        why += command.words;
        why += " 要写明玩家名：";
        why += command.usage;
        return why;
    }
    return {};
}

std::size_t panelLineEnd(std::string_view text, std::size_t at) {
    if (at >= text.size()) return 0;
    if (text[at] == '\n') return 1;
    if (text[at] == '\r') return at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1;
    const std::string_view rest = text.substr(at);
    // U+2029, U+FDD0 and U+FDD1 in UTF-8.
    for (const std::string_view end :
         {std::string_view("\xE2\x80\xA9"), std::string_view("\xEF\xB7\x90"), std::string_view("\xEF\xB7\x91")})
        if (rest.starts_with(end)) return end.size();
    return 0;
}

bool isOneLine(std::string_view text) {
    for (std::size_t at = 0; at < text.size(); ++at)
        if (panelLineEnd(text, at) > 0) return false;
    return true;
}

std::vector<PanelLine> nonEmptyLines(std::string_view text) {
    std::vector<PanelLine> lines;
    int number = 0;
    std::size_t start = 0;
    const auto take = [&](std::size_t end) {
        ++number;
        const std::string_view line = text.substr(start, end - start);
        if (!std::all_of(line.begin(), line.end(), blank)) lines.push_back({number, line});
    };
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = panelLineEnd(text, at);
        if (end == 0) {
            ++at;
            continue;
        }
        take(at);
        at += end;
        start = at;
    }
    if (start < text.size()) take(text.size());
    return lines;
}

}  // namespace actions
