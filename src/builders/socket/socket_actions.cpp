// The builder buttons of the "宝石", "元素" and "技能" pages, all in the main window.
#include <string>
#include <vector>

#include "builders/actions.h"
#include "builders/command_line.h"
#include "builders/socket/element_block.h"
#include "builders/socket/gem_block.h"
#include "builders/socket/key_lore.h"

namespace builders {

namespace {

using socket::ElementFields;
using socket::GemFields;

std::string text(const Inputs& in, std::size_t i) { return std::string(textAt(in, i)); }

std::string buildGem(const Inputs& in) {
    return socket::gemBlock(GemFields{
        .id = text(in, 0),
        .keylore = text(in, 1),
        .displayName = text(in, 2),
        .material = text(in, 3),
        .shiny = selectionAt(in, 0),
        .maxGrade = text(in, 4),
        .typeItem = selectionAt(in, 1),
        .baseSuccessRate = text(in, 5),
        .scaleSuccessRate = text(in, 6),
        .bonusBase = selectionAt(in, 2),
        .bonusBaseValue = text(in, 7),
        .bonusScale = selectionAt(in, 3),
        .bonusScaleValue = text(in, 8),
        .kind = text(in, 9),
    });
}

std::string buildElement(const Inputs& in) {
    return socket::elementBlock(ElementFields{
        .id = text(in, 0),
        .keylore = text(in, 1),
        .additionalDamage = text(in, 2),
        .percentDamage = text(in, 3),
        .toAttacker = {.potion = selectionAt(in, 0),
                       .chance = text(in, 4),
                       .duration = text(in, 5),
                       .grade = text(in, 6)},
        .toVictims = {.potion = selectionAt(in, 1),
                      .chance = text(in, 7),
                      .duration = text(in, 8),
                      .grade = text(in, 9)},
    });
}

std::vector<Action> makeActions() {
    // clang-format off
    // The "/socket" rows of the "宝石" page and the "/attribute element " row of the "元素" page.
    const CommandRow commands[] = {
        // button    fields read, in order                       prefix
        {"按钮45", {"编辑框38"},                             "/socket add empty "},
        {"按钮46", {"编辑框51", "编辑框52", "编辑框53"},     "/socket load gems "},
        {"按钮47", {"编辑框54", "编辑框55"},                 "/socket load rod remove "},
        {"按钮48", {"编辑框56"},                             "/socket add locked "},
        {"按钮49", {"编辑框57", "编辑框58"},                 "/socket load rod unlock "},
        {"按钮58", {"编辑框78", "编辑框70", "编辑框71"},     "/attribute element "},
    };
    // clang-format on
    std::vector<Action> actions;
    for (const CommandRow& row : commands) actions.push_back(commandAction(row, Panel::Command));

    // "宝石" page, "完成": the socket gem block.
    actions.push_back({
        .button = "按钮50",
        .panel = Panel::Config,
        .texts = {"编辑框59", "编辑框60", "编辑框61", "编辑框62", "编辑框63",
                  "编辑框64", "编辑框65", "编辑框66", "编辑框67", "编辑框68"},
        .selections = {"组合框3", "组合框4", "组合框5", "组合框6"},
        .build = buildGem,
    });
    // "元素" page, "完成": the element block, ending at its "Resistance:" key.
    actions.push_back({
        .button = "按钮54",
        .panel = Panel::Config,
        .texts = {"编辑框83", "编辑框82", "编辑框72", "编辑框73", "编辑框74",
                  "编辑框75", "编辑框76", "编辑框77", "编辑框79", "编辑框80"},
        .selections = {"组合框7", "组合框8"},
        .build = buildElement,
    });
    // "元素" page: one resistance entry under that key.
    actions.push_back({
        .button = "按钮55",
        .panel = Panel::Config,
        .texts = {"编辑框81", "编辑框84"},
        .selections = {},
        .build = [](const Inputs& in) { return socket::resistanceLine(text(in, 0), text(in, 1)); },
    });
    // "技能" page: a key-lore entry with its first command.
    actions.push_back({
        .button = "按钮21",
        .panel = Panel::Config,
        .texts = {"编辑框25", "编辑框26", "编辑框27"},
        .selections = {},
        .build = [](const Inputs& in) { return socket::keyLoreEntry(text(in, 0), text(in, 1), text(in, 2)); },
    });
    // "技能" page, "增添": one more command of that entry.
    actions.push_back({
        .button = "按钮22",
        .panel = Panel::Config,
        .texts = {"编辑框28"},
        .selections = {},
        .build = [](const Inputs& in) { return socket::keyLoreCommand(text(in, 0)); },
    });
    // "宝石" page: one more lore line of the gem block.
    actions.push_back({
        .button = "按钮51",
        .panel = Panel::Config,
        .texts = {"编辑框69"},
        .selections = {},
        .build = [](const Inputs& in) { return socket::gemLoreLine(text(in, 0)); },
    });
    return actions;
}

}  // namespace

std::span<const Action> socketActions() {
    static const std::vector<Action> actions = makeActions();
    return actions;
}

}  // namespace builders
