#include "actions/feeds.h"

#include <algorithm>

#include "forms/windows.h"

namespace actions {
namespace {

// A value that every writer copies unchanged, plain or between quotes.
constexpr std::string_view kMarker = "QuorvelFieldMarker";

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

std::string unindented(const std::string& line) {
    const std::size_t first = line.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : line.substr(first);
}

// Fields and the labels beside them that give a hint, by window.
struct Hint {
    std::uint32_t window;
    std::string_view field;
    std::string_view label;
};

// clang-format off
constexpr Hint kHints[] = {
    {forms::kMainWindowId, "编辑框38", "标签58"},   // 加空插槽: 默认最后一行
    {forms::kMainWindowId, "编辑框56", "标签65"},   // 解锁插槽: 默认最后一行
    {forms::kMainWindowId, "编辑框71", "标签98"},   // 添加元素 <行数>: 默认最后一行
    {forms::kMainWindowId, "编辑框97", "标签136"},  // 添加Lore 行数: 默认最后一行
    {forms::kMainWindowId, "编辑框64", "标签86"},   // 镶嵌成功率: 几率全无需 % 号
    {forms::kMainWindowId, "编辑框65", "标签86"},   // 附加成功率: 几率全无需 % 号
    {forms::kMainWindowId, "编辑框65", "标签77"},   // 附加成功率: 可以为负数例.-8
    {forms::kMainWindowId, "编辑框66", "标签85"},   // 属性和附加属性需要对应
    {forms::kMainWindowId, "编辑框67", "标签85"},
    {forms::kMainWindowId, "编辑框73", "标签95"},   // %-基础增值: 无需 % 号
    {forms::kMainWindowId, "编辑框74", "标签101"},  // 这两个值 × 元素值
    {forms::kMainWindowId, "编辑框75", "标签101"},
    {forms::kMainWindowId, "编辑框77", "标签110"},
    {forms::kMainWindowId, "编辑框79", "标签110"},
    {forms::kMainWindowId, "编辑框87", "标签124"},  // 所需等级只填数字
};
// clang-format on

std::string captionOf(std::uint32_t window, std::string_view name) {
    const forms::Window* form = forms::findWindow(window);
    const int index = form != nullptr ? forms::findUnit(*form, name) : -1;
    if (index < 0) return {};
    std::string text(form->units[static_cast<std::size_t>(index)].caption);
    std::replace(text.begin(), text.end(), '\r', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

}  // namespace

std::string lineFedBy(const Action& action, const Inputs& inputs, std::string_view field) {
    const auto text = std::find(action.texts.begin(), action.texts.end(), field);
    const auto choice = std::find(action.selections.begin(), action.selections.end(), field);
    const auto check = std::find(action.checks.begin(), action.checks.end(), field);
    Inputs marked = inputs;
    marked.texts.resize(action.texts.size());
    marked.selections.resize(action.selections.size(), -1);
    marked.checks.resize(action.checks.size(), false);
    const std::vector<std::string> real = linesOf(action.build(marked));
    std::vector<std::string> probe;
    if (text != action.texts.end()) {
        marked.texts[static_cast<std::size_t>(text - action.texts.begin())] = std::string(kMarker);
        probe = linesOf(action.build(marked));
        for (std::size_t i = 0; i < probe.size(); ++i) {
            const std::size_t at = probe[i].find(kMarker);
            if (at == std::string::npos) continue;
            // A line that is left out while the field is empty ("/setname " of the item
            // designer) is named by what comes before the value.
            const std::string before = probe[i].substr(0, at);
            if (i < real.size() && real[i].starts_with(before)) return unindented(real[i]);
            return unindented(before);
        }
    } else if (check != action.checks.end()) {
        // A check box feeds the line that is there only while it is checked.
        const auto index = static_cast<std::size_t>(check - action.checks.begin());
        Inputs on = marked;
        Inputs off = marked;
        on.checks[index] = true;
        off.checks[index] = false;
        const std::vector<std::string> without = linesOf(action.build(off));
        for (const std::string& line : linesOf(action.build(on)))
            if (std::find(without.begin(), without.end(), line) == without.end()) return unindented(line);
    } else if (choice != action.selections.end()) {
        // A list feeds the line that changes when nothing is chosen in it.
        const auto index = static_cast<std::size_t>(choice - action.selections.begin());
        for (const int other : {-1, 0}) {
            if (marked.selections[index] == other) continue;
            Inputs changed = marked;
            changed.selections[index] = other;
            probe = linesOf(action.build(changed));
            for (std::size_t i = 0; i < probe.size() && i < real.size(); ++i)
                if (probe[i] != real[i]) return unindented(real[i]);
        }
    }
    return {};
}

std::vector<std::string> hintsFor(std::uint32_t window, std::string_view field) {
    std::vector<std::string> hints;
    for (const Hint& hint : kHints)
        if (hint.window == window && hint.field == field) hints.push_back(captionOf(window, hint.label));
    // Every chance field of the passive-skill window: the second field of each row.
    if (window == forms::kPassiveSkillWindowId) {
        const Action* action = readerOf(window, field);
        if (action != nullptr && action->texts.size() == 2 && action->texts[1] == field)
            hints.push_back(captionOf(window, "标签4"));
    }
    return hints;
}

}  // namespace actions
