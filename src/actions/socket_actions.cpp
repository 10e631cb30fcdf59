// The builder buttons of the "宝石", "元素" and "技能" pages, all in the main window: the
// "/socket" and "/attribute element " command rows, and the YAML blocks and list lines,
// each control named beside the member of the builder's values it fills.
#include <string>
#include <vector>

#include "actions/action.h"
#include "actions/block_action.h"
#include "actions/command_row.h"
#include "builders/socket/element_block.h"
#include "builders/socket/gem_block.h"
#include "builders/socket/key_lore.h"
#include "forms/windows.h"

namespace actions {
namespace {

using builders::socket::ElementFields;
using builders::socket::GemFields;
using builders::socket::PotionFields;

// The values of the smaller YAML buttons, as the builders take them.
struct KeyLoreValues {
    std::string id;       // 识别名称
    std::string lore;     // (Lore)提示信息
    std::string command;  // 触发指令
};
struct ResistanceValues {
    std::string element;  // 元素识别名
    std::string value;    // 抵抗值
};
struct LineValue {
    std::string text;
};

// clang-format off
// The "/socket" rows of the "宝石" page and the "/attribute element " row of the "元素" page.
const CommandTable kCommands{forms::kMainWindowId, Panel::Command, {
    // button    fields read, in order                       prefix
    {"按钮45", {"编辑框38"},                             "/socket add empty "},
    {"按钮46", {"编辑框51", "编辑框52", "编辑框53"},     "/socket load gems "},
    {"按钮47", {"编辑框54", "编辑框55"},                 "/socket load rod remove "},
    {"按钮48", {"编辑框56"},                             "/socket add locked "},
    {"按钮49", {"编辑框57", "编辑框58"},                 "/socket load rod unlock "},
    {"按钮58", {"编辑框78", "编辑框70", "编辑框71"},     "/attribute element "},
}};

// "宝石" page, "完成": the socket gem block.
const BlockTable<GemFields> kGem{forms::kMainWindowId, Panel::Config, {{
    .button = "按钮50",
    .texts = {
        {"编辑框59", at<&GemFields::id>},
        {"编辑框60", at<&GemFields::keylore>},
        {"编辑框61", at<&GemFields::displayName>},
        {"编辑框62", at<&GemFields::material>},
        {"编辑框63", at<&GemFields::maxGrade>},
        {"编辑框64", at<&GemFields::baseSuccessRate>},
        {"编辑框65", at<&GemFields::scaleSuccessRate>},
        {"编辑框66", at<&GemFields::bonusBaseValue>},
        {"编辑框67", at<&GemFields::bonusScaleValue>},
        {"编辑框68", at<&GemFields::kind>},
    },
    .selections = {
        {"组合框3", at<&GemFields::shiny>},
        {"组合框4", at<&GemFields::typeItem>},
        {"组合框5", at<&GemFields::bonusBase>},
        {"组合框6", at<&GemFields::bonusScale>},
    },
    .build = builders::socket::gemBlock,
    .checks = {},
}}};

// "元素" page, "完成": the element block, ending at its "Resistance:" key.
const BlockTable<ElementFields> kElement{forms::kMainWindowId, Panel::Config, {{
    .button = "按钮54",
    .texts = {
        {"编辑框83", at<&ElementFields::id>},
        {"编辑框82", at<&ElementFields::keylore>},
        {"编辑框72", at<&ElementFields::additionalDamage>},
        {"编辑框73", at<&ElementFields::percentDamage>},
        {"编辑框74", at<&ElementFields::toAttacker, &PotionFields::chance>},
        {"编辑框75", at<&ElementFields::toAttacker, &PotionFields::duration>},
        {"编辑框76", at<&ElementFields::toAttacker, &PotionFields::grade>},
        {"编辑框77", at<&ElementFields::toVictims, &PotionFields::chance>},
        {"编辑框79", at<&ElementFields::toVictims, &PotionFields::duration>},
        {"编辑框80", at<&ElementFields::toVictims, &PotionFields::grade>},
    },
    .selections = {
        {"组合框7", at<&ElementFields::toAttacker, &PotionFields::potion>},
        {"组合框8", at<&ElementFields::toVictims, &PotionFields::potion>},
    },
    .build = builders::socket::elementBlock,
    .checks = {},
}}};

// "元素" page: one resistance entry under that block's "Resistance:" key.
const BlockTable<ResistanceValues> kResistance{forms::kMainWindowId, Panel::Config, {{
    .button = "按钮55",
    .texts = {
        {"编辑框81", at<&ResistanceValues::element>},
        {"编辑框84", at<&ResistanceValues::value>},
    },
    .selections = {},
    .build = [](const ResistanceValues& v) { return builders::socket::resistanceLine(v.element, v.value); },
    .checks = {},
}}};

// "技能" page: a key-lore entry with its first command.
const BlockTable<KeyLoreValues> kKeyLore{forms::kMainWindowId, Panel::Config, {{
    .button = "按钮21",
    .texts = {
        {"编辑框25", at<&KeyLoreValues::id>},
        {"编辑框26", at<&KeyLoreValues::lore>},
        {"编辑框27", at<&KeyLoreValues::command>},
    },
    .selections = {},
    .build = [](const KeyLoreValues& v) { return builders::socket::keyLoreEntry(v.id, v.lore, v.command); },
    .checks = {},
}}};

// One more line under the last entry or block: "增添" on the "技能" page adds a command of
// the key-lore entry, "添加" on the "宝石" page a lore line of the gem block.
const BlockTable<LineValue> kListLines{forms::kMainWindowId, Panel::Config, {
    {
        .button = "按钮22",
        .texts = {{"编辑框28", at<&LineValue::text>}},
        .selections = {},
        .build = [](const LineValue& v) { return builders::socket::keyLoreCommand(v.text); },
        .checks = {},
    },
    {
        .button = "按钮51",
        .texts = {{"编辑框69", at<&LineValue::text>}},
        .selections = {},
        .build = [](const LineValue& v) { return builders::socket::gemLoreLine(v.text); },
        .checks = {},
    },
}};
// clang-format on

std::vector<Action> makeSocketActions() {
    std::vector<Action> actions;
    addCommandActions(actions, kCommands);
    addBlockActions(actions, kGem);
    addBlockActions(actions, kElement);
    addBlockActions(actions, kResistance);
    addBlockActions(actions, kKeyLore);
    addBlockActions(actions, kListLines);
    return actions;
}

}  // namespace

std::span<const Action> socketActions() {
    static const std::vector<Action> actions = makeSocketActions();
    return actions;
}

}  // namespace actions
