// The element definition of the "元素" page: one YAML block for the plugin's element
// file, and the resistance lines that go under its closing "Resistance:" key.
#pragma once

#include <string>
#include <string_view>

namespace builders::socket {

// One potion effect of an element: the combo box index (kPotions, -1 for no selection)
// and the three values under the potion's key, as typed.
struct PotionFields {
    int potion = -1;
    std::string chance = {};    // Scale_Chance
    std::string duration = {};  // Scale_Duration
    std::string grade = {};     // Grade
};

struct ElementFields {
    std::string id = {};                // 编辑框83 元素识别名, the block's key
    std::string keylore = {};           // 编辑框82 (lore)显示名
    std::string additionalDamage = {};  // 编辑框72 基础增值
    std::string percentDamage = {};     // 编辑框73 %-基础增值
    PotionFields toAttacker = {};       // 组合框7, 编辑框74, 编辑框75, 编辑框76
    PotionFields toVictims = {};        // 组合框8, 编辑框77, 编辑框79, 编辑框80
};

// The 15-line block, ending with "  Resistance:" and CR LF. Keylore is escaped with
// yaml::escaped; every other value goes in as typed. A potion index outside kPotions
// (the blank 22nd item included) leaves its key line empty.
std::string elementBlock(const ElementFields& element);

// "    <element>: <value>" and CR LF: one entry under the block's "Resistance:" key.
std::string resistanceLine(std::string_view element, std::string_view value);

}  // namespace builders::socket
