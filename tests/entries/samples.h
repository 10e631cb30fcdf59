// Entries written by hand, as administrators write them: other indentation, single quotes, plain
// values, comments at the end of a line and between keys, keys left out, CR LF.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "support.h"

namespace entries::testing {

inline std::string joined(std::initializer_list<std::string_view> lines) {
    std::string out;
    for (const std::string_view line : lines) {
        out += line;
        out += '\n';
    }
    return out;
}

// A gem indented by four: single quotes, plain values, comments at line ends and between keys,
// Base_Success_Rate and Scale_Success_Rate left out, lines the page does not own.
inline const std::string kGem = joined({
    "# 宝石",
    "ruby:    # 红宝石",
    "    Keylore: '&7镶嵌'   # 菜单",
    "    Display_Name: '&c红宝石'",
    "    # 材料",
    "    Material: REDSTONE",
    "    Shiny: yes",
    "    Max_Grade: 5   # 最高",
    "    Type_Item: Weapon",
    "    Effect:",
    "        Bonus_Base_Additional_Damage: 10",
    "        Bonus_Scale_Additional_Damage: 2",
    "        Bonus_Base_Max_Health: 4",
    "    Lores:",
    "        - '&7一行'",
    "        - \"&e※ &7种类: 镶嵌\"",
    "    Custom: x",
    "opal:",
    "  Keylore: \"o\"",
    "  Display_Name: \"o\"",
});

// An element in CR LF with a second potion under Potion_To_Victims and a resistance.
inline const std::string kElement = crlf(joined({
    "fire:",
    "  Keylore: \"&c火\"",
    "  # 攻击者",
    "  Potion_To_Attacker:",
    "    STRENGTH:   # 力量",
    "      Scale_Chance: 10",
    "      Scale_Duration: 40",
    "      Grade: 1",
    "  Potion_To_Victims:",
    "    WITHER:",
    "      Grade: 2",
    "    SLOW:",
    "      Grade: 1",
    "  Resistance:",
    "    water: -20",
}));

// A key-lore entry indented by four with three commands, quoted three ways.
inline const std::string kKeyLore = joined({
    "heal:",
    "    keylore: '&a治疗'",
    "    command:",
    "        - 'heal %player%'   # 第一条",
    "        - \"say 已治疗\"",
    "        - tell %player% ok",
});

// A gem with neither Effect nor Lores.
inline const std::string kJade = joined({"jade:", "  Keylore: \"j\"", "  Display_Name: \"&a翡翠\"", "  Max_Grade: 3"});

}  // namespace entries::testing
