// The "元素" page of the main window: the element command and the element maker.
#include "forms/windows.h"

namespace forms {

std::vector<Unit> elementPageUnits() {
    // clang-format off
    return {
        {.name = "分组框13", .kind = Kind::GroupBox, .rect = {8, 56, 504, 88},    .caption = "常用指令",                                          .font = {-14, true}},
        {.name = "标签104",  .kind = Kind::Label,    .rect = {16, 32, 48, 16},    .caption = "添加元素",                    .parent = "分组框13"},
        {.name = "标签102",  .kind = Kind::Label,    .rect = {88, 32, 80, 16},    .caption = "<元素识别名>：",              .parent = "分组框13"},
        {.name = "编辑框78", .kind = Kind::EditBox,  .rect = {168, 32, 64, 16},                                             .parent = "分组框13"},
        {.name = "标签89",   .kind = Kind::Label,    .rect = {232, 32, 56, 16},   .caption = "<元素值>：",                  .parent = "分组框13"},
        {.name = "编辑框70", .kind = Kind::EditBox,  .rect = {288, 32, 64, 16},                                             .parent = "分组框13"},
        {.name = "标签90",   .kind = Kind::Label,    .rect = {352, 32, 56, 16},   .caption = "<行数>：",                    .parent = "分组框13"},
        {.name = "编辑框71", .kind = Kind::EditBox,  .rect = {400, 32, 64, 16},                                             .parent = "分组框13"},
        {.name = "按钮58",   .kind = Kind::Button,   .rect = {280, 56, 72, 24},   .caption = "添加",                        .parent = "分组框13", .click = Click::Build},
        {.name = "标签98",   .kind = Kind::Label,    .rect = {376, 56, 96, 24},   .caption = "默认最后一行",                .parent = "分组框13"},
        {.name = "分组框14", .kind = Kind::GroupBox, .rect = {8, 160, 504, 494},  .caption = "元素制作",                                          .font = {-14, true}},
        {.name = "标签119",  .kind = Kind::Label,    .rect = {320, 16, 168, 16},  .caption = "请将代码保存在element文件内", .parent = "分组框14"},
        {.name = "标签112",  .kind = Kind::Label,    .rect = {8, 32, 104, 16},    .caption = "[英文]元素识别名：",          .parent = "分组框14"},
        {.name = "编辑框83", .kind = Kind::EditBox,  .rect = {120, 32, 184, 16},                                            .parent = "分组框14"},
        {.name = "标签111",  .kind = Kind::Label,    .rect = {32, 56, 80, 16},    .caption = "(lore)显示名：",              .parent = "分组框14"},
        {.name = "编辑框82", .kind = Kind::EditBox,  .rect = {120, 56, 184, 16},                                            .parent = "分组框14"},
        {.name = "标签91",   .kind = Kind::Label,    .rect = {56, 80, 56, 16},    .caption = "基础增值：",                  .parent = "分组框14"},
        {.name = "编辑框72", .kind = Kind::EditBox,  .rect = {120, 80, 184, 16},                                            .parent = "分组框14"},
        {.name = "标签92",   .kind = Kind::Label,    .rect = {80, 104, 272, 16},  .caption = "上面，这个值乘以“元素值”即为基础攻击的加成", .parent = "分组框14"},
        {.name = "标签93",   .kind = Kind::Label,    .rect = {48, 128, 64, 16},   .caption = "%-基础增值：",                .parent = "分组框14"},
        {.name = "编辑框73", .kind = Kind::EditBox,  .rect = {120, 128, 184, 16},                                           .parent = "分组框14"},
        {.name = "标签95",   .kind = Kind::Label,    .rect = {328, 128, 56, 16},  .caption = "无需 % 号",                   .parent = "分组框14"},
        {.name = "标签94",   .kind = Kind::Label,    .rect = {80, 152, 304, 16},  .caption = "上面，这个值乘以“元素值”即为基础攻击的百分比加成", .parent = "分组框14"},
        {.name = "标签96",   .kind = Kind::Label,    .rect = {56, 184, 336, 48},  .caption = "最后攻击解释：\r\n  \r\n最后的攻击值 = 武器基础攻击力 × （%-基础增值 × 元素值）+（基础增值 × 元素值）", .parent = "分组框14"},
        {.name = "标签97",   .kind = Kind::Label,    .rect = {8, 256, 104, 16},   .caption = "（对己）BUFF名称：",          .parent = "分组框14"},
        {.name = "组合框7",  .kind = Kind::ComboBox, .rect = {120, 256, 192, 20}, .items = {"力量", "夜视", "防火", "隐身", "饱和", "速度", "急迫", "虚弱", "缓慢", "失明", "反胃", "饥饿", "中毒", "凋零", "抗性提升", "跳跃提升", "伤害吸收", "生命提升", "生命恢复", "水下呼吸", "挖掘疲劳", ""}, .parent = "分组框14"},
        {.name = "标签105",  .kind = Kind::Label,    .rect = {336, 256, 104, 24}, .caption = "对自己使用的BUFF",            .parent = "分组框14"},
        {.name = "标签99",   .kind = Kind::Label,    .rect = {8, 280, 112, 16},   .caption = "获取此BUFF的几率：",          .parent = "分组框14"},
        {.name = "编辑框74", .kind = Kind::EditBox,  .rect = {120, 280, 96, 16},                                            .parent = "分组框14"},
        {.name = "标签101",  .kind = Kind::Label,    .rect = {224, 280, 112, 32}, .caption = "这两个值 × 元素值",           .parent = "分组框14"},
        {.name = "标签100",  .kind = Kind::Label,    .rect = {8, 296, 112, 16},   .caption = "获取此BUFF的时长：",          .parent = "分组框14"},
        {.name = "编辑框75", .kind = Kind::EditBox,  .rect = {120, 296, 96, 16},                                            .parent = "分组框14"},
        {.name = "标签103",  .kind = Kind::Label,    .rect = {32, 320, 88, 16},   .caption = "此BUFF的等级：",              .parent = "分组框14"},
        {.name = "编辑框76", .kind = Kind::EditBox,  .rect = {120, 320, 96, 16},                                            .parent = "分组框14"},
        {.name = "标签106",  .kind = Kind::Label,    .rect = {8, 344, 104, 16},   .caption = "（对敌）BUFF名称：",          .parent = "分组框14"},
        {.name = "组合框8",  .kind = Kind::ComboBox, .rect = {120, 344, 192, 20}, .items = {"力量", "夜视", "防火", "隐身", "饱和", "速度", "急迫", "虚弱", "缓慢", "失明", "反胃", "饥饿", "中毒", "凋零", "抗性提升", "跳跃提升", "伤害吸收", "生命提升", "生命恢复", "水下呼吸", "挖掘疲劳", ""}, .parent = "分组框14"},
        {.name = "标签107",  .kind = Kind::Label,    .rect = {336, 344, 104, 24}, .caption = "对敌人使用的BUFF",            .parent = "分组框14"},
        {.name = "标签108",  .kind = Kind::Label,    .rect = {8, 368, 112, 16},   .caption = "获取此BUFF的几率：",          .parent = "分组框14"},
        {.name = "编辑框77", .kind = Kind::EditBox,  .rect = {120, 368, 96, 16},                                            .parent = "分组框14"},
        {.name = "标签110",  .kind = Kind::Label,    .rect = {224, 368, 112, 32}, .caption = "这两个值 × 元素值",           .parent = "分组框14"},
        {.name = "标签109",  .kind = Kind::Label,    .rect = {8, 384, 112, 16},   .caption = "获取此BUFF的时长：",          .parent = "分组框14"},
        {.name = "编辑框79", .kind = Kind::EditBox,  .rect = {120, 384, 96, 16},                                            .parent = "分组框14"},
        {.name = "标签113",  .kind = Kind::Label,    .rect = {32, 408, 88, 16},   .caption = "此BUFF的等级：",              .parent = "分组框14"},
        {.name = "编辑框80", .kind = Kind::EditBox,  .rect = {120, 408, 96, 16},                                            .parent = "分组框14"},
        {.name = "按钮54",   .kind = Kind::Button,   .rect = {296, 416, 64, 24},  .caption = "完成",                        .parent = "分组框14", .click = Click::Build},
        {.name = "标签114",  .kind = Kind::Label,    .rect = {16, 448, 152, 16},  .caption = "此BUFF对其他BUFF的抵抗值：",  .parent = "分组框14"},
        {.name = "标签115",  .kind = Kind::Label,    .rect = {176, 448, 72, 16},  .caption = "元素识别名：",                .parent = "分组框14"},
        {.name = "编辑框81", .kind = Kind::EditBox,  .rect = {248, 448, 72, 16},                                            .parent = "分组框14"},
        {.name = "标签116",  .kind = Kind::Label,    .rect = {328, 448, 120, 16}, .caption = "(可以正负数)抵抗值：",        .parent = "分组框14"},
        {.name = "编辑框84", .kind = Kind::EditBox,  .rect = {448, 448, 48, 16},                                            .parent = "分组框14"},
        {.name = "按钮55",   .kind = Kind::Button,   .rect = {328, 464, 64, 24},  .caption = "添加",                        .parent = "分组框14", .click = Click::Build},
    };
    // clang-format on
}

}  // namespace forms
