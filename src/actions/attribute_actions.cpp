// The "/att", "/setname" and "/addlore" buttons as rows. Every row except Power SHOOT and
// Unbound is one button, the edit fields it reads (in order) and the command prefix; the
// line is built by the shared command rule: prefix, the values joined by one blank, CR LF.
#include <string>
#include <string_view>
#include <vector>

#include "actions/action.h"
#include "actions/command_row.h"
#include "builders/attribute/power_shoot.h"
#include "forms/windows.h"

namespace actions {
namespace {

// clang-format off
// Attribute page.
const CommandTable kStats{forms::kMainWindowId, Panel::Command, {
    {"按钮1",  {"编辑框2"},  "/att Stats DAMAGE "},
    {"按钮3",  {"编辑框3"},  "/att Stats DEFENSE "},
    {"按钮7",  {"编辑框7"},  "/att Stats HEALTH "},
    {"按钮5",  {"编辑框5"},  "/att Stats PVP_DAMAGE "},
    {"按钮6",  {"编辑框6"},  "/att Stats PVE_DAMAGE "},
    {"按钮12", {"编辑框13"}, "/att Stats CRITICAL_CHANCE "},
    {"按钮13", {"编辑框14"}, "/att Stats CRITICAL_DAMAGE "},
    {"按钮9",  {"编辑框10"}, "/att Stats ATTACK_AOE_RADIUS "},
    {"按钮11", {"编辑框12"}, "/att Stats ATTACK_AOE_DAMAGE "},  // label "AOE几率（%）"
    {"按钮14", {"编辑框15"}, "/att Stats BLOCK_RATE "},
    {"按钮15", {"编辑框16"}, "/att Stats BLOCK_AMOUNT "},
    {"按钮8",  {"编辑框9"},  "/att Stats DURABILITY "},
    {"按钮10", {"编辑框11"}, "/att Stats HIT_RATE "},
    {"按钮16", {"编辑框17"}, "/att Stats LEVEL "},
    {"按钮17", {"编辑框18"}, "/att Stats DODGE_RATE "},
}};

// BUFF page, group "有利BUFF".
const CommandTable kBuffs{forms::kMainWindowId, Panel::Command, {
    {"按钮24", {"编辑框29"}, "/att Buff STRENGTH "},
    {"按钮25", {"编辑框30"}, "/att Buff VISION "},
    {"按钮26", {"编辑框31"}, "/att Buff FIRE_RESISTANCE "},
    {"按钮27", {"编辑框32"}, "/att Buff INVISIBILITY "},
    {"按钮28", {"编辑框33"}, "/att Buff SATURATION "},
    {"按钮29", {"编辑框34"}, "/att Buff SPEED "},
    {"按钮30", {"编辑框35"}, "/att Buff HASTE "},
    {"按钮31", {"编辑框36"}, "/att Buff HEALTH_BOOST "},
    {"按钮32", {"编辑框37"}, "/att Buff REGENERATION "},
    {"按钮33", {"编辑框39"}, "/att Buff JUMP "},
    {"按钮34", {"编辑框40"}, "/att Buff ABSORB "},
    {"按钮35", {"编辑框41"}, "/att Buff PROTECTION "},
    {"按钮36", {"编辑框42"}, "/att Buff WATER_BREATHING "},
}};

// BUFF page, group "无利BUFF".
const CommandTable kDebuffs{forms::kMainWindowId, Panel::Command, {
    {"按钮37", {"编辑框43"}, "/att Debuff WEAK "},
    {"按钮38", {"编辑框44"}, "/att Debuff SLOW "},
    {"按钮39", {"编辑框45"}, "/att Debuff BLIND "},
    {"按钮40", {"编辑框46"}, "/att Debuff CONFUSE "},
    {"按钮41", {"编辑框47"}, "/att Debuff STARVE "},
    {"按钮42", {"编辑框48"}, "/att Debuff TOXIC "},
    {"按钮43", {"编辑框49"}, "/att Debuff WITHER "},
    {"按钮44", {"编辑框50"}, "/att Debuff FATIGUE "},
}};

// Other commands page, group "NBT".
const CommandTable kNbt{forms::kMainWindowId, Panel::Command, {
    {"按钮62", {"编辑框90"}, "/att NBT HEALTH "},
    {"按钮61", {"编辑框89"}, "/att NBT ZOMBIE_REINFORCEMENT "},
    {"按钮64", {"编辑框92"}, "/att NBT SPEED "},
    {"按钮63", {"编辑框91"}, "/att NBT KNOCKBACK_RESISTANCE "},
    {"按钮65", {"编辑框93"}, "/att NBT ATTACK_DAMAGE "},
    {"按钮66", {"编辑框94"}, "/att NBT HORSE_JUMP "},
    {"按钮67", {"编辑框95"}, "/att NBT FOLLOW_RANGE "},
}};

// Other commands page, groups "使用限制" and "灵魂绑定". "解绑" (按钮57) is below: it reads
// no field.
const CommandTable kRequirements{forms::kMainWindowId, Panel::Command, {
    {"按钮59", {"编辑框87"},             "/att Requirement Level "},
    {"按钮60", {"编辑框88"},             "/att Requirement Permission "},
    {"按钮56", {"编辑框85", "编辑框86"}, "/att Requirement Bound "},  // player, lore line
}};

// Other commands page, rows "更改物品名字:" and "添加Lore:".
const CommandTable kNameAndLore{forms::kMainWindowId, Panel::Command, {
    {"按钮69", {"编辑框98"},             "/setname "},
    {"按钮68", {"编辑框96", "编辑框97"}, "/addlore "},  // content, lore line
}};

// Passive-skill window: level field, then chance field.
const CommandTable kAbilities{forms::kPassiveSkillWindowId, Panel::Ability, {
    {"按钮3",  {"编辑框2",  "编辑框3"},  "/att Ability AIR_SHOCK "},
    {"按钮4",  {"编辑框4",  "编辑框5"},  "/att Ability BADLUCK "},
    {"按钮5",  {"编辑框6",  "编辑框7"},  "/att Ability BLIND "},
    {"按钮6",  {"编辑框8",  "编辑框9"},  "/att Ability BUBBLE_DEFLECTOR "},
    {"按钮7",  {"编辑框10", "编辑框11"}, "/att Ability CANNIBALISM "},
    {"按钮8",  {"编辑框12", "编辑框13"}, "/att Ability Confuse "},
    {"按钮9",  {"编辑框14", "编辑框15"}, "/att Ability Curse "},
    {"按钮10", {"编辑框16", "编辑框17"}, "/att Ability Dark_Flame "},
    {"按钮11", {"编辑框18", "编辑框19"}, "/att Ability Dark_IMPACT "},
    {"按钮12", {"编辑框20", "编辑框21"}, "/att Ability Flame "},
    {"按钮13", {"编辑框22", "编辑框23"}, "/att Ability Flame_wheel "},
    {"按钮14", {"编辑框24", "编辑框25"}, "/att Ability Freeze "},
    {"按钮15", {"编辑框26", "编辑框27"}, "/att Ability harm "},
    {"按钮16", {"编辑框28", "编辑框29"}, "/att Ability hungry "},
    {"按钮17", {"编辑框30", "编辑框31"}, "/att Ability levitation "},
    {"按钮18", {"编辑框32", "编辑框33"}, "/att Ability lightning "},
    {"按钮19", {"编辑框34", "编辑框35"}, "/att Ability poison "},
    {"按钮20", {"编辑框36", "编辑框37"}, "/att Ability roots "},
    {"按钮21", {"编辑框38", "编辑框39"}, "/att Ability slow "},
    {"按钮22", {"编辑框40", "编辑框41"}, "/att Ability tired "},
    {"按钮23", {"编辑框42", "编辑框43"}, "/att Ability vampirism "},
    {"按钮24", {"编辑框44", "编辑框45"}, "/att Ability Venom_Blast "},
    {"按钮25", {"编辑框46", "编辑框47"}, "/att Ability weak "},
    {"按钮26", {"编辑框48", "编辑框49"}, "/att Ability wither "},
    {"按钮27", {"编辑框50", "编辑框51"}, "/att Ability Venom_Spread "},
}};

// clang-format on

// "解绑" reads nothing and always writes the same line.
constexpr std::string_view kUnboundLine = "/att Requirement Unbound\r\n";

std::vector<Action> makeAttributeActions() {
    std::vector<Action> actions;
    for (const CommandTable* table : {&kStats, &kBuffs, &kDebuffs, &kNbt, &kRequirements})
        addCommandActions(actions, *table);
    actions.push_back(Action{
        .window = forms::kMainWindowId,
        .button = "按钮57",
        .panel = Panel::Command,
        .texts = {},
        .selections = {},
        .build = [](const Inputs&) { return std::string(kUnboundLine); },
    });
    // Power SHOOT on the skill page: trigger and projectile combo boxes, cooldown field.
    actions.push_back(Action{
        .window = forms::kMainWindowId,
        .button = "按钮18",
        .panel = Panel::Command,
        .texts = {"编辑框24"},                 // cooldown
        .selections = {"组合框1", "组合框2"},  // trigger, projectile
        .build =
            [](const Inputs& in) {
                return builders::power_shoot::line(selectionAt(in, 0), selectionAt(in, 1), textAt(in, 0));
            },
    });
    addCommandActions(actions, kNameAndLore);
    addCommandActions(actions, kAbilities);
    return actions;
}

}  // namespace

std::span<const Action> attributeActions() {
    static const std::vector<Action> actions = makeAttributeActions();
    return actions;
}

}  // namespace actions
