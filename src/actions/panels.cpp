#include "actions/panels.h"

#include <algorithm>

#include "forms/windows.h"

namespace actions {
namespace {

// clang-format off
constexpr PanelRow kPanels[] = {
    // panel          window                        panel       copy      clear     group       checked as                 file                     console
    {Panel::Command, forms::kMainWindowId,         "编辑框1",  "按钮2",  "按钮4",  "分组框4", CheckRules::Commands,      FileRole::Commands,      true },
    {Panel::Config,  forms::kMainWindowId,         "编辑框20", "按钮19", "按钮20", "分组框5", CheckRules::Configuration, FileRole::Configuration, false},
    {Panel::Ability, forms::kPassiveSkillWindowId, "编辑框1",  "按钮1",  "按钮2",  "",        CheckRules::None,          FileRole::None,          true },
};
// clang-format on

template <typename Match>
const PanelRow* findPanel(Match match) {
    const auto* it = std::find_if(std::begin(kPanels), std::end(kPanels), match);
    return it == std::end(kPanels) ? nullptr : it;
}

}  // namespace

std::span<const PanelRow> panels() { return kPanels; }

const PanelRow& panelRow(Panel panel) {
    return *findPanel([panel](const PanelRow& row) { return row.panel == panel; });
}

const PanelRow* panelOfButton(std::uint32_t window, std::string_view button) {
    return findPanel(
        [&](const PanelRow& row) { return row.window == window && (row.copy == button || row.clear == button); });
}

const PanelRow* panelWithRole(FileRole role) {
    return findPanel([role](const PanelRow& row) { return row.file == role; });
}

const PanelRow* panelNamed(std::uint32_t window, std::string_view name) {
    return findPanel([&](const PanelRow& row) { return row.window == window && row.name == name; });
}

}  // namespace actions
