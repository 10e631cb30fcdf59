// The socket gem definition: one YAML block for the plugin's socket file, built from the
// "宝石制作" group of the "宝石" page.
#pragma once

#include <string>
#include <string_view>

namespace builders::socket {

// What the user filled in, as typed. The four selections are combo box indices, -1 for
// no selection; each maps through its table in tables.h.
struct GemFields {
    std::string id = {};                // 编辑框59 宝石识别名, the block's key
    std::string keylore = {};           // 编辑框60 在菜单的预览lore
    std::string displayName = {};       // 编辑框61 展示名
    std::string material = {};          // 编辑框62 物品ID
    int shiny = -1;                     // 组合框3 附魔特效, kShiny
    std::string maxGrade = {};          // 编辑框63 宝石等级
    int typeItem = -1;                  // 组合框4 宝石种类, kTypeItem
    std::string baseSuccessRate = {};   // 编辑框64 镶嵌成功率
    std::string scaleSuccessRate = {};  // 编辑框65 附加成功率
    int bonusBase = -1;                 // 组合框5 属性, kBonusBase
    std::string bonusBaseValue = {};    // 编辑框66 its 数值
    int bonusScale = -1;                // 组合框6 附件属性, kBonusScale
    std::string bonusScaleValue = {};   // 编辑框67 its 数值
    std::string kind = {};              // 编辑框68 the lore line 种类
};

// The whole block, every line ending in CR LF. Values between double quotes (Keylore,
// Display_Name, Material, 种类) are escaped with yaml::escaped; the key, grade, rates and
// effect values go in as typed. A selection outside its table writes nothing.
std::string gemBlock(const GemFields& gem);

}  // namespace builders::socket
