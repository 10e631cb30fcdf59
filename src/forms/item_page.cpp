// The "物品自定义界面" page of the main window: the item designer. One item is designed in
// one place (name, lore, six enchantment rows, the six item flags, unbreakable, replace, save
// name), shown beside the fields as the game's tooltip, and "生成指令" writes the whole command
// sequence. Templates and the command reader sit in the row at the top.
#include "forms/windows.h"

namespace forms {
namespace {

// The enchantments the six rows offer, "锋利 DAMAGE_ALL": the row writes the name part.
std::vector<std::string_view> enchantments() {
    return {
        "保护 PROTECTION_ENVIRONMENTAL",
        "火焰保护 PROTECTION_FIRE",
        "摔落保护 PROTECTION_FALL",
        "爆炸保护 PROTECTION_EXPLOSIONS",
        "弹射物保护 PROTECTION_PROJECTILE",
        "水下呼吸 OXYGEN",
        "水下速掘 WATER_WORKER",
        "荆棘 THORNS",
        "深海探索者 DEPTH_STRIDER",
        "冰霜行者 FROST_WALKER",
        "绑定诅咒 BINDING_CURSE",
        "经验修补 MENDING",
        "消失诅咒 VANISHING_CURSE",
        "海之眷顾 LUCK",
        "饵钓 LURE",
        "锋利 DAMAGE_ALL",
        "亡灵杀手 DAMAGE_UNDEAD",
        "节肢杀手 DAMAGE_ARTHROPODS",
        "击退 KNOCKBACK",
        "火焰附加 FIRE_ASPECT",
        "抢夺 LOOT_BONUS_MOBS",
        "横扫之刃 SWEEPING_EDGE",
        "效率 DIG_SPEED",
        "精准采集 SILK_TOUCH",
        "耐久 DURABILITY",
        "时运 LOOT_BONUS_BLOCKS",
        "力量 ARROW_DAMAGE",
        "冲击 ARROW_KNOCKBACK",
        "火矢 ARROW_FIRE",
        "无限 ARROW_INFINITE",
    };
}

}  // namespace

std::vector<Unit> itemPageUnits() {
    // clang-format off
    return {
        {.name = "标签139",  .kind = Kind::Label,    .rect = {  8,  40,  32, 24}, .caption = "模板"},
        {.name = "组合框15", .kind = Kind::ComboBox, .rect = { 40,  40, 168, 24}, .editable = true},
        {.name = "按钮72",   .kind = Kind::Button,   .rect = {212,  40,  64, 24}, .caption = "保存模板",   .click = Click::PageTool},
        {.name = "按钮73",   .kind = Kind::Button,   .rect = {280,  40,  64, 24}, .caption = "删除模板",   .click = Click::PageTool},
        {.name = "按钮74",   .kind = Kind::Button,   .rect = {360,  40,  88, 24}, .caption = "从指令读取", .click = Click::PageTool},
        {.name = "标签140",  .kind = Kind::Label,    .rect = { 40,  66, 472, 16}, .colour = kGrey},  // what the template and reader buttons did
        {.name = "标签141",  .kind = Kind::Label,    .rect = {  8,  86,  40, 24}, .caption = "名称"},
        {.name = "编辑框99", .kind = Kind::EditBox,  .rect = { 48,  86, 272, 24}},
        {.name = "标签142",  .kind = Kind::Label,    .rect = {  8, 116,  40, 24}, .caption = "Lore"},
        {.name = "编辑框100", .kind = Kind::EditBox, .rect = { 48, 116, 272, 84}, .multiline = true, .vscroll = true},
        {.name = "标签143",  .kind = Kind::Label,    .rect = { 48, 202, 272, 30}, .colour = 0x0000B0},  // the lore-line warning
        {.name = "分组框18", .kind = Kind::GroupBox, .rect = {  8, 234, 312, 178}, .caption = "附魔"},
        {.name = "标签144",  .kind = Kind::Label,    .rect = { 56,  16, 184, 18}, .caption = "附魔（可选可输入）", .parent = "分组框18"},
        {.name = "标签145",  .kind = Kind::Label,    .rect = {248,  16,  56, 18}, .caption = "等级",               .parent = "分组框18"},
        {.name = "标签146",  .kind = Kind::Label,    .rect = {  8,  36, 44, 22}, .caption = "附魔1", .parent = "分组框18"},
        {.name = "组合框9",  .kind = Kind::ComboBox, .rect = { 56,  36, 184, 22}, .items = enchantments(), .parent = "分组框18", .editable = true},
        {.name = "编辑框101", .kind = Kind::EditBox,  .rect = {248,  36, 56, 22}, .parent = "分组框18"},
        {.name = "标签147",  .kind = Kind::Label,    .rect = {  8,  59, 44, 22}, .caption = "附魔2", .parent = "分组框18"},
        {.name = "组合框10",  .kind = Kind::ComboBox, .rect = { 56,  59, 184, 22}, .items = enchantments(), .parent = "分组框18", .editable = true},
        {.name = "编辑框102", .kind = Kind::EditBox,  .rect = {248,  59, 56, 22}, .parent = "分组框18"},
        {.name = "标签148",  .kind = Kind::Label,    .rect = {  8,  82, 44, 22}, .caption = "附魔3", .parent = "分组框18"},
        {.name = "组合框11",  .kind = Kind::ComboBox, .rect = { 56,  82, 184, 22}, .items = enchantments(), .parent = "分组框18", .editable = true},
        {.name = "编辑框103", .kind = Kind::EditBox,  .rect = {248,  82, 56, 22}, .parent = "分组框18"},
        {.name = "标签149",  .kind = Kind::Label,    .rect = {  8, 105, 44, 22}, .caption = "附魔4", .parent = "分组框18"},
        {.name = "组合框12",  .kind = Kind::ComboBox, .rect = { 56, 105, 184, 22}, .items = enchantments(), .parent = "分组框18", .editable = true},
        {.name = "编辑框104", .kind = Kind::EditBox,  .rect = {248, 105, 56, 22}, .parent = "分组框18"},
        {.name = "标签150",  .kind = Kind::Label,    .rect = {  8, 128, 44, 22}, .caption = "附魔5", .parent = "分组框18"},
        {.name = "组合框13",  .kind = Kind::ComboBox, .rect = { 56, 128, 184, 22}, .items = enchantments(), .parent = "分组框18", .editable = true},
        {.name = "编辑框105", .kind = Kind::EditBox,  .rect = {248, 128, 56, 22}, .parent = "分组框18"},
        {.name = "标签151",  .kind = Kind::Label,    .rect = {  8, 151, 44, 22}, .caption = "附魔6", .parent = "分组框18"},
        {.name = "组合框14",  .kind = Kind::ComboBox, .rect = { 56, 151, 184, 22}, .items = enchantments(), .parent = "分组框18", .editable = true},
        {.name = "编辑框106", .kind = Kind::EditBox,  .rect = {248, 151, 56, 22}, .parent = "分组框18"},
        {.name = "标签152",  .kind = Kind::Label,    .rect = {328,  86, 184, 18}, .caption = "预览（游戏中的样子）"},
        {.name = "图片框3",  .kind = Kind::PicBox,   .rect = {328, 106, 184, 306}, .picture = Picture::ItemTooltip},
        {.name = "分组框19", .kind = Kind::GroupBox, .rect = {  8, 416, 504, 88}, .caption = "隐藏信息（物品 Flag）"},
        {.name = "选择框1",  .kind = Kind::CheckBox, .rect = {  8,  20, 244, 20}, .caption = "隐藏附魔 HIDE_ENCHANTS", .parent = "分组框19"},
        {.name = "选择框2",  .kind = Kind::CheckBox, .rect = {256,  20, 244, 20}, .caption = "隐藏属性 HIDE_ATTRIBUTES", .parent = "分组框19"},
        {.name = "选择框3",  .kind = Kind::CheckBox, .rect = {  8,  42, 244, 20}, .caption = "隐藏无法破坏 HIDE_UNBREAKABLE", .parent = "分组框19"},
        {.name = "选择框4",  .kind = Kind::CheckBox, .rect = {256,  42, 244, 20}, .caption = "隐藏可破坏 HIDE_DESTROYS", .parent = "分组框19"},
        {.name = "选择框5",  .kind = Kind::CheckBox, .rect = {  8,  64, 244, 20}, .caption = "隐藏可放置 HIDE_PLACED_ON", .parent = "分组框19"},
        {.name = "选择框6",  .kind = Kind::CheckBox, .rect = {256,  64, 244, 20}, .caption = "隐藏药水效果 HIDE_POTION_EFFECTS", .parent = "分组框19"},
        {.name = "选择框7",  .kind = Kind::CheckBox, .rect = {  8, 510,  96, 22}, .caption = "无法破坏"},
        {.name = "选择框8",  .kind = Kind::CheckBox, .rect = {112, 510,  88, 22}, .caption = "替换原有", .checked = true},
        {.name = "标签153",  .kind = Kind::Label,    .rect = {200, 510, 312, 22}, .caption = "先清空物品原有的 Lore、附魔和 Flag", .colour = kGrey},
        {.name = "标签154",  .kind = Kind::Label,    .rect = {  8, 538,  48, 24}, .caption = "保存名"},
        {.name = "编辑框107", .kind = Kind::EditBox, .rect = { 56, 538, 160, 24}},
        {.name = "标签155",  .kind = Kind::Label,    .rect = {224, 538, 288, 24}, .caption = "可选：最后加上 /quorvel save <保存名>", .colour = kGrey},
        {.name = "按钮71",   .kind = Kind::Button,   .rect = {  8, 570, 160, 40}, .caption = "生成指令", .font = {-16}, .click = Click::Build},
        {.name = "标签156",  .kind = Kind::Label,    .rect = {176, 570, 336, 40}, .caption = "把整套指令一次追加到指令输出框", .colour = kGrey},
    };
    // clang-format on
}

}  // namespace forms
