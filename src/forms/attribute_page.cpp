// The "属性" page of the main window: the Stats value fields and their add buttons.
#include "forms/windows.h"

namespace forms {

std::vector<Unit> attributePageUnits() {
    // clang-format off
    return {
        {.name = "编辑框4",  .kind = Kind::EditBox,  .rect = {288,  64, 128,  80},
         .caption = "注意！\r\n"
                    "Quorvel的基本\r\n"
                    "伤害值和防御值等……\r\n"
                    "非真实伤害，会根据武器的属性\r\n"
                    "来变化",
         .colour = 0x0000ff, .multiline = true, .vscroll = true, .readOnly = true},
        {.name = "标签1",    .kind = Kind::Label,    .rect = { 56,  96,  56,  32}, .caption = "基本伤害"},
        {.name = "按钮1",    .kind = Kind::Button,   .rect = {200,  96,  40,  24}, .caption = "添加",                          .click = Click::Build},
        {.name = "编辑框2",  .kind = Kind::EditBox,  .rect = {120, 104,  72,  16}},
        {.name = "标签2",    .kind = Kind::Label,    .rect = { 56, 128,  56,  32}, .caption = "基本防御"},
        {.name = "按钮3",    .kind = Kind::Button,   .rect = {200, 128,  40,  24}, .caption = "添加",                          .click = Click::Build},
        {.name = "编辑框3",  .kind = Kind::EditBox,  .rect = {120, 136,  72,  16}},
        {.name = "编辑框8",  .kind = Kind::EditBox,  .rect = {304, 160, 120,  64},
         .caption = "注意！\r\n"
                    "Quorvel插件\r\n"
                    "和sx等其他有关血量控制\r\n"
                    "的插件不兼容，会影响血量\r\n"
                    "掉频",
         .colour = 0xc080ff, .multiline = true, .vscroll = true, .readOnly = true},
        {.name = "标签5",    .kind = Kind::Label,    .rect = { 64, 192,  40,  40}, .caption = "生命",           .font = {-16}},
        {.name = "按钮7",    .kind = Kind::Button,   .rect = {192, 200,  40,  24}, .caption = "添加",                          .click = Click::Build},
        {.name = "编辑框7",  .kind = Kind::EditBox,  .rect = {112, 208,  72,  16}},
        {.name = "标签3",    .kind = Kind::Label,    .rect = { 56, 264,  72,  32}, .caption = "PVP伤害（%）"},
        {.name = "按钮5",    .kind = Kind::Button,   .rect = {208, 264,  40,  24}, .caption = "添加",                          .click = Click::Build},
        {.name = "标签7",    .kind = Kind::Label,    .rect = {264, 264,  72,  24}, .caption = "AOE范围（%）"},
        {.name = "按钮9",    .kind = Kind::Button,   .rect = {408, 264,  40,  24}, .caption = "添加",           .font = {-12}, .click = Click::Build},
        {.name = "编辑框5",  .kind = Kind::EditBox,  .rect = {136, 272,  72,  16}},
        {.name = "编辑框10", .kind = Kind::EditBox,  .rect = {344, 272,  64,  16}},
        {.name = "标签4",    .kind = Kind::Label,    .rect = { 56, 296,  72,  32}, .caption = "PVE伤害（%）"},
        {.name = "按钮6",    .kind = Kind::Button,   .rect = {208, 296,  40,  24}, .caption = "添加",                          .click = Click::Build},
        {.name = "标签9",    .kind = Kind::Label,    .rect = {264, 296,  72,  24}, .caption = "AOE几率（%）"},
        {.name = "按钮11",   .kind = Kind::Button,   .rect = {408, 296,  40,  24}, .caption = "添加",           .font = {-12}, .click = Click::Build},
        {.name = "编辑框6",  .kind = Kind::EditBox,  .rect = {136, 304,  72,  16}},
        {.name = "编辑框12", .kind = Kind::EditBox,  .rect = {344, 304,  64,  16}},
        {.name = "标签10",   .kind = Kind::Label,    .rect = { 56, 328,  80,  32}, .caption = "暴击几率（%）"},
        {.name = "按钮12",   .kind = Kind::Button,   .rect = {208, 328,  40,  24}, .caption = "添加",                          .click = Click::Build},
        {.name = "标签12",   .kind = Kind::Label,    .rect = {264, 328,  72,  24}, .caption = "格挡几率（%）"},
        {.name = "按钮14",   .kind = Kind::Button,   .rect = {408, 328,  40,  24}, .caption = "添加",           .font = {-12}, .click = Click::Build},
        {.name = "编辑框13", .kind = Kind::EditBox,  .rect = {136, 336,  72,  16}},
        {.name = "编辑框15", .kind = Kind::EditBox,  .rect = {344, 336,  64,  16}},
        {.name = "标签11",   .kind = Kind::Label,    .rect = { 48, 360,  80,  32}, .caption = "暴击加成（倍）"},
        {.name = "按钮13",   .kind = Kind::Button,   .rect = {208, 360,  40,  24}, .caption = "添加",                          .click = Click::Build},
        {.name = "标签13",   .kind = Kind::Label,    .rect = {264, 360,  72,  24}, .caption = "格挡伤害（%）"},
        {.name = "按钮15",   .kind = Kind::Button,   .rect = {408, 360,  40,  24}, .caption = "添加",           .font = {-12}, .click = Click::Build},
        {.name = "编辑框14", .kind = Kind::EditBox,  .rect = {136, 368,  72,  16}},
        {.name = "编辑框16", .kind = Kind::EditBox,  .rect = {344, 368,  64,  16}},
        {.name = "按钮8",    .kind = Kind::Button,   .rect = {192, 424,  32,  24}, .caption = "添加",           .font = {-12}, .click = Click::Build},
        {.name = "按钮16",   .kind = Kind::Button,   .rect = {392, 424,  32,  24}, .caption = "添加",           .font = {-12}, .click = Click::Build},
        {.name = "标签6",    .kind = Kind::Label,    .rect = { 64, 432,  24,  16}, .caption = "耐久"},
        {.name = "编辑框9",  .kind = Kind::EditBox,  .rect = {112, 432,  64,  16}},
        {.name = "标签14",   .kind = Kind::Label,    .rect = {248, 432,  48,  16}, .caption = "装备等级"},
        {.name = "编辑框17", .kind = Kind::EditBox,  .rect = {312, 432,  64,  16}},
        {.name = "按钮10",   .kind = Kind::Button,   .rect = {192, 456,  32,  24}, .caption = "添加",           .font = {-12}, .click = Click::Build},
        {.name = "按钮17",   .kind = Kind::Button,   .rect = {392, 456,  32,  24}, .caption = "添加",           .font = {-12}, .click = Click::Build},
        {.name = "标签8",    .kind = Kind::Label,    .rect = { 56, 464,  40,  16}, .caption = "命中率"},
        {.name = "编辑框11", .kind = Kind::EditBox,  .rect = {112, 464,  64,  16}},
        {.name = "标签15",   .kind = Kind::Label,    .rect = {248, 464,  40,  16}, .caption = "闪避率"},
        {.name = "编辑框18", .kind = Kind::EditBox,  .rect = {312, 464,  64,  16}},
        {.name = "分组框3",  .kind = Kind::GroupBox, .rect = { 40,  64, 416, 176}, .caption = "外置类"},
        {.name = "分组框2",  .kind = Kind::GroupBox, .rect = { 40, 248, 416, 152}, .caption = "常用类"},
        {.name = "分组框1",  .kind = Kind::GroupBox, .rect = { 40, 400, 416, 112}, .caption = "外置类"},
    };
    // clang-format on
}

}  // namespace forms
