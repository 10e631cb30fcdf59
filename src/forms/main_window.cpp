// The main window: notice line, page control and the two output panels with their buttons.
#include "forms/windows.h"

namespace forms {

std::vector<Unit> mainWindowUnits() {
    // clang-format off
    return {
        {.name = "编辑框19",    .kind = Kind::EditBox,     .rect = { 16,   8,  48,  24}, .caption = "公告：",                              .colour = 0x0000ff, .thinFrame = true, .readOnly = true},
        {.name = "编辑框22",    .kind = Kind::EditBox,     .rect = { 56,   8, 832,  24}, .caption = "如果有BUG，请加群反馈或贴内留言",                      .colour = 0x008000, .thinFrame = true, .readOnly = true},
        {.name = "编辑框23",    .kind = Kind::EditBox,     .rect = {880,   8,  96,  24}, .caption = "QQ群：暂未开放",                      .colour = 0x008000, .thinFrame = true, .readOnly = true},
        {.name = "高级选择夹1", .kind = Kind::PageControl, .rect = { 16,  32, 520, 656},
         .items = {"介绍", "属性", "技能", "BUFF", "宝石", "元素", "物品自定义界面", "其他"},
         .font = {-12}},
        {.name = "分组框4",     .kind = Kind::GroupBox,    .rect = {544,  48, 440, 312}, .caption = "指令输出框",     .font = {-14, true}},
        {.name = "编辑框1",     .kind = Kind::EditBox,     .rect = {560,  96, 304, 240},                              .font = {-12},       .multiline = true, .vscroll = true, .number = 0x0C},
        {.name = "按钮2",       .kind = Kind::Button,      .rect = {880,  96,  56,  32}, .caption = "一键复制",                            .click = Click::CopyPanel},
        {.name = "按钮4",       .kind = Kind::Button,      .rect = {880, 304,  56,  32}, .caption = "清空",                                .click = Click::ClearPanel},
        {.name = "分组框5",     .kind = Kind::GroupBox,    .rect = {544, 384, 440, 256}, .caption = "配置文件输出框", .font = {-14, true}},
        {.name = "编辑框20",    .kind = Kind::EditBox,     .rect = {552, 400, 424, 232},                                                   .multiline = true, .vscroll = true, .number = 0x8D},
        {.name = "按钮19",      .kind = Kind::Button,      .rect = {568, 648,  56,  32}, .caption = "一键复制",                            .click = Click::CopyPanel},
        {.name = "按钮20",      .kind = Kind::Button,      .rect = {888, 648,  56,  32}, .caption = "清空",                                .click = Click::ClearPanel},
        {.name = "标签87",      .kind = Kind::Label,       .rect = {648, 648, 224,  40},
         .caption = "颜色字符和变量字符等字符请自行在编辑框/配置文件中添加",
         .colour = kGrey},
    };
    // clang-format on
}

}  // namespace forms
