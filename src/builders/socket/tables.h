// The fixed texts of the gem and element blocks: what each combo box item inserts, by
// selection index, and the lore lines every gem block carries. These are the plugin's own
// words; one wrong blank breaks the plugin's reading of the file. Look an index up with
// builders::pick, which gives the empty text for any index outside a table.
#pragma once

#include <string_view>

namespace builders::socket {

// 组合框3 "附魔特效": the text written right after "Shiny:".
inline constexpr std::string_view kShiny[] = {
    " true",   // 有附魔特效
    " false",  // 无附魔特效
};

// 组合框4 "宝石种类": the text written between the quotes of Type_Item.
inline constexpr std::string_view kTypeItem[] = {
    "Weapon",  // 物品和武器
    "Armor",   // 防具
};

// 组合框5 "属性": the key of the first Effect line, value follows.
inline constexpr std::string_view kBonusBase[] = {
    "    Bonus_Base_Additional_Damage: ",   // 物理攻击
    "    Bonus_Base_Percent_Damage: ",      // 百分比伤害
    "    Bonus_Base_Penetration: ",         // 护甲穿透
    "    Bonus_Base_PvP_Damage: ",          // PVP伤害
    "    Bonus_Base_PvE_Damage: ",          // PVE伤害
    "    Bonus_Base_Additional_Defense: ",  // 物理防御
    "    Bonus_Base_Percent_Defense: ",     // 百分比防御
    "    Bonus_Base_Max_Health: ",          // 最大生命值
    "    Bonus_Base_PvP_Defense: ",         // PVP防御
    "    Bonus_Base_PvE_Defense: ",         // PVE防御
    "    Bonus_Base_Critical_Chance: ",     // 暴击几率
    "    Bonus_Base_Critical_Damage: ",     // 暴击伤害
    "    Bonus_Base_Block_Amount: ",        // 格挡伤害
    "    Bonus_Base_Block_Rate: ",          // 格挡几率
    "    Bonus_Base_Hit_Rate: ",            // 命中率
    "    Bonus_Base_Dodge_Rate: ",          // 闪避几率
};

// 组合框6 "附件属性": the key of the second Effect line; row i names the attribute of
// kBonusBase row i.
inline constexpr std::string_view kBonusScale[] = {
    "    Bonus_Scale_Additional_Damage: ",   // 附加-物理攻击
    "    Bonus_Scale_Percent_Damage: ",      // 附加-百分百伤害
    "    Bonus_Scale_Penetration: ",         // 附加-护甲穿透
    "    Bonus_Scale_PvP_Damage: ",          // 附加-PVP伤害
    "    Bonus_Scale_PvE_Damage: ",          // 附加-PVE伤害
    "    Bonus_Scale_Additional_Defense: ",  // 附加-物理防御
    "    Bonus_Scale_Percent_Defense: ",     // 附加-百分百防御
    "    Bonus_Scale_Max_Health: ",          // 附加-最大生命值
    "    Bonus_Scale_PvP_Defense: ",         // 附加-PVP防御
    "    Bonus_Scale_PvE_Defense: ",         // 附加-PVE防御
    "    Bonus_Scale_Critical_Chance: ",     // 附加-暴击几率
    "    Bonus_Scale_Critical_Damage: ",     // 附加-暴击伤害
    "    Bonus_Scale_Block_Amount: ",        // 附加-格挡伤害
    "    Bonus_Scale_Block_Rate: ",          // 附加-格挡几率
    "    Bonus_Scale_Hit_Rate: ",            // 附加-命中率
    "    Bonus_Scale_Dodge_Rate: ",          // 附加-闪避几率
};

// 组合框7 and 组合框8 "BUFF名称": the potion key line under Potion_To_Attacker or
// Potion_To_Victims. The combo boxes carry a 22nd, blank item; index 21 lies outside
// the table and so writes nothing.
inline constexpr std::string_view kPotions[] = {
    "    STRENGTH:",         // 力量
    "    VISION:",           // 夜视
    "    FIRE_RESISTANCE:",  // 防火
    "    INVISIBILITY:",     // 隐身
    "    SATURATION:",       // 饱和
    "    SPEED:",            // 速度
    "    HASTE:",            // 急迫
    "    WEAK:",             // 虚弱
    "    SLOW:",             // 缓慢
    "    BLIND:",            // 失明
    "    CONFUSE:",          // 反胃
    "    STARVE:",           // 饥饿
    "    TOXIC:",            // 中毒
    "    WITHER:",           // 凋零
    "    PROTECTION:",       // 抗性提升
    "    JUMP:",             // 跳跃提升
    "    ABSORB:",           // 伤害吸收
    "    HEALTH_BOOST:",     // 生命提升
    "    REGENERATION:",     // 生命恢复
    "    WATER_BREATHING:",  // 水下呼吸
    "    FATIGUE:",          // 挖掘疲劳
};

// The gem block's Lores list up to the kind text the user types ("种类"): the value of
// 编辑框68 follows, then kLoreTail. Each rule line holds 21 hyphens.
inline constexpr std::string_view kLoreHead =
    "\r\n"
    "  Lores:\r\n"
    "  - \"&8&l&m---------------------\"\r\n"
    "  - \"&e※ &7种类: ";

// The start of the 种类 lore line, as the gem shows it: the text of 编辑框68 follows.
inline constexpr std::string_view kKindLine = "&e※ &7种类: ";
static_assert(kLoreHead.ends_with(kKindLine), "the 种类 line starts the way the block writes it");

// Closes the 种类 line and adds the rest of the lore. The {...} placeholders are the
// plugin's, written literally. "!" in the 效果 line is ASCII, "！" in the last is full-width.
inline constexpr std::string_view kLoreTail =
    "\"\r\n"
    "  - \"&e※ &7等级: &f{grade}\"\r\n"
    "  - \"&e※ &7适合物品: &f{type_item}\"\r\n"
    "  - \"&e※ &7成功几率: &a{success_rate}% &8&l| &7失败几率: &c{failure_rate}%\"\r\n"
    "  - \"&8&l&m---------------------\"\r\n"
    "  - \"&8&l[&4&l!&8&l] &7效果:\"\r\n"
    "  - \"&9&l>> &b增加最大血量 {max_health}\"\r\n"
    "  - \"\"\r\n"
    "  - \"&2提示: &a将它放到物品上来镶嵌！\"\r\n";

}  // namespace builders::socket
