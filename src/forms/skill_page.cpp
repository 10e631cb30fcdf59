// The "技能" page of the main window: built-in skills and the custom skill maker.
#include "forms/windows.h"

namespace forms {

std::vector<Unit> skillPageUnits() {
    // clang-format off
    return {
        {.name = "组合框2",  .kind = Kind::ComboBox, .rect = { 32, 128, 120,  20},
         .items = {"弓箭", "雪球", "鸡蛋", "火焰箭", "火焰雪球", "火焰鸡蛋", "小火球", "大火球",
                   "凋零头", "闪现", "火破", "冰刺", "黑焰", "慢光"}},
        {.name = "组合框1",  .kind = Kind::ComboBox, .rect = {168, 128, 120,  20},
         .items = {"左键触发", "右键触发", "蹲下+左键", "蹲下+右键"}},
        {.name = "编辑框24", .kind = Kind::EditBox,  .rect = {304, 128,  96,  20}},
        {.name = "按钮18",   .kind = Kind::Button,   .rect = {408, 128,  64,  24}, .caption = "添加",                                                       .click = Click::Build},
        {.name = "图片框1",  .kind = Kind::PicBox,   .rect = {104, 416, 400, 224},                                                                          .picture = Picture::SkillGuide},
        {.name = "标签23",   .kind = Kind::Label,    .rect = { 16, 424,  80,  88}, .caption = "注意：指令的添加无需输入“/”，以免出现问题",                      .font = {-12}},
        {.name = "分组框6",  .kind = Kind::GroupBox, .rect = { 16,  64, 472, 112}, .caption = "插件自带技能",                          .font = {-14, true}},
        {.name = "按钮23",   .kind = Kind::Button,   .rect = {392,  16,  64,  32}, .caption = "被动技能",         .parent = "分组框6", .font = {-12, true}, .click = Click::OpenWindow, .opens = kPassiveSkillWindowId},
        {.name = "标签16",   .kind = Kind::Label,    .rect = { 16,  40,  80,  16}, .caption = "技能类型：",       .parent = "分组框6"},
        {.name = "标签17",   .kind = Kind::Label,    .rect = {152,  40,  80,  16}, .caption = "触发方式：",       .parent = "分组框6"},
        {.name = "标签18",   .kind = Kind::Label,    .rect = {288,  40,  80,  16}, .caption = "冷却时间：",       .parent = "分组框6"},
        {.name = "分组框7",  .kind = Kind::GroupBox, .rect = { 16, 184, 472, 224},
         .caption = "技能制作（将代码保存到command目录下方可生效）",
         .font = {-14, true}},
        {.name = "编辑框25", .kind = Kind::EditBox,  .rect = {104,  24, 344,  32},                                .parent = "分组框7"},
        {.name = "标签21",   .kind = Kind::Label,    .rect = { 40,  32,  80,  16}, .caption = "识别名称：",       .parent = "分组框7"},
        {.name = "编辑框26", .kind = Kind::EditBox,  .rect = {104,  64, 344,  32},                                .parent = "分组框7"},
        {.name = "标签20",   .kind = Kind::Label,    .rect = {  8,  72,  88,  16}, .caption = "(Lore)提示信息：", .parent = "分组框7"},
        {.name = "编辑框27", .kind = Kind::EditBox,  .rect = {104, 104, 344,  32},                                .parent = "分组框7"},
        {.name = "标签19",   .kind = Kind::Label,    .rect = { 40, 112,  80,  16}, .caption = "触发指令：",       .parent = "分组框7"},
        {.name = "按钮21",   .kind = Kind::Button,   .rect = { 48, 136,  32,  24}, .caption = "添加",             .parent = "分组框7",                      .click = Click::Build},
        {.name = "编辑框28", .kind = Kind::EditBox,  .rect = {104, 168, 344,  32},                                .parent = "分组框7"},
        {.name = "标签22",   .kind = Kind::Label,    .rect = { 40, 176,  80,  16}, .caption = "指令增添：",       .parent = "分组框7"},
        {.name = "按钮22",   .kind = Kind::Button,   .rect = { 48, 192,  32,  24}, .caption = "增添",             .parent = "分组框7",                      .click = Click::Build},
    };
    // clang-format on
}

}  // namespace forms
