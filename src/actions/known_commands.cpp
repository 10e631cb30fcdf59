#include "actions/known_commands.h"

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

#include "actions/action.h"
#include "forms/windows.h"

namespace actions {
namespace {

// Values whose hint on the page says an empty field means the last lore line ("默认最后一行").
constexpr std::string_view kLastOptional[] = {"/socket add empty", "/socket add locked", "/attribute element"};

// clang-format off
// The values the plugin surely reads as numbers, by the words a command starts with: one
// letter per value, '#' a number, '.' any other text. Amounts, levels, chances, lore line
// numbers; the page's own hints say so where it is not plain ("所需等级只填数字", "几率格子内
// 不需加%"). Not here: names, permissions, lore text, and Power SHOOT, whose cooldown may
// follow "ARROW" without a blank ("ARROW5").
constexpr struct {
    std::string_view words;
    std::string_view kinds;
} kValueKinds[] = {
    {"/att Stats ",              "#"},    // amount, percentage, multiplier or level
    {"/att Buff ",               "#"},    // 等级
    {"/att Debuff ",             "#"},    // 等级
    {"/att NBT ",                "#"},    // amount
    {"/att Ability ",            "##"},   // 等级, 几率
    {"/att Requirement Level ",  "#"},    // 所需等级
    {"/att Requirement Bound ",  ".#"},   // 玩家名, 行数
    {"/socket add empty ",       "#"},    // 行数
    {"/socket add locked ",      "#"},    // 行数
    {"/socket load gems ",       ".#."},  // 宝石识别名, 数量, 玩家名
    {"/socket load rod remove ", ".#"},   // 玩家名, 数量
    {"/socket load rod unlock ", ".#"},   // 玩家名, 数量
    {"/attribute element ",      ".##"},  // 元素识别名, 元素值, 行数
    {"/addenchant ",             ".#"},   // 附魔, 等级
};
// clang-format on

std::string trimmedEnd(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n')) text.pop_back();
    return text;
}

std::string_view kindsOf(const std::string& command) {
    const std::string withBlank = command + " ";
    for (const auto& row : kValueKinds)
        if (withBlank.starts_with(row.words)) return row.kinds;
    return {};
}

bool listed(const std::vector<KnownCommand>& known, std::string_view command) {
    return std::any_of(known.begin(), known.end(), [&](const KnownCommand& k) { return k.command == command; });
}

std::vector<KnownCommand> makeKnownCommands() {
    std::vector<KnownCommand> known;
    // The lines the editor's buttons build, found from what each builds for empty fields.
    // The item designer's button builds a sequence of commands: they are listed below.
    for (const Action* action : all()) {
        if (action->panel == Panel::Config) continue;
        KnownCommand k;
        k.command = trimmedEnd(action->build({}));
        if (k.command.empty() || k.command.find('\n') != std::string::npos) continue;
        // A line built from list choices (Power SHOOT) has no fixed number of words: only an
        // empty rest is missing a value.
        k.values = action->selections.empty() ? static_cast<int>(action->texts.size()) : 1;
        k.lastOptional =
            std::find(std::begin(kLastOptional), std::end(kLastOptional), k.command) != std::end(kLastOptional);
        // /addlore's text may be empty ("可留空") and may hold blanks, so its words cannot be counted.
        if (k.command == "/addlore") k.values = -1;
        k.fromButton = true;
        known.push_back(std::move(k));
    }
    // The item designer's sequence.
    for (const auto& [command, values] : {std::pair{"/setname", 1},
                                          {"/addlore", -1},
                                          {"/clearlore", 0},
                                          {"/addenchant", 2},
                                          {"/clearenchant", 0},
                                          {"/addflag", 1},
                                          {"/clearflag", 0},
                                          {"/unbreakable", 0},
                                          {"/quorvel save", 1}})
        if (!listed(known, command)) known.push_back({.command = command, .values = values});
    // The commands the help window lists: "/quorvel detail - ...", "/setlore <行数> <内容> - ...".
    const forms::Window* help = forms::findWindow(forms::kMoreCommandsWindowId);
    if (help != nullptr && !help->units.empty()) {
        std::string_view text = help->units.front().caption;
        while (!text.empty()) {
            const std::size_t end = text.find("\r\n");
            const std::string_view line = text.substr(0, end);
            text = end == std::string_view::npos ? std::string_view() : text.substr(end + 2);
            if (!line.starts_with('/')) continue;
            const std::size_t stop = std::min({line.find(" -"), line.find(" <"), line.find(" [")});
            std::string command = trimmedEnd(std::string(line.substr(0, stop)));
            if (!listed(known, command)) known.push_back({.command = std::move(command)});
        }
    }
    for (KnownCommand& k : known) k.kinds = kindsOf(k.command);
    std::stable_sort(known.begin(), known.end(),
                     [](const KnownCommand& a, const KnownCommand& b) { return a.command.size() > b.command.size(); });
    return known;
}

}  // namespace

std::span<const KnownCommand> knownCommands() {
    static const std::vector<KnownCommand> commands = makeKnownCommands();
    return commands;
}

const KnownCommand* knownCommandOf(std::string_view line) {
    for (const KnownCommand& k : knownCommands()) {
        if (line == k.command ||
            (line.starts_with(k.command) && line.size() > k.command.size() && line[k.command.size()] == ' '))
            return &k;
    }
    return nullptr;
}

}  // namespace actions
