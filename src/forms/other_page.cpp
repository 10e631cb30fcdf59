// The "其他" page of the main window: soul binding, use limits, NBT, lore and name commands.
#include "forms/windows.h"

namespace forms {

std::vector<Unit> otherPageUnits() {
    // clang-format off
    return {
        {.name = "标签124",  .kind = Kind::Label,    .rect = {312, 184, 64, 32},  .caption = "所需等级只填数字"},
        {.name = "标签133",  .kind = Kind::Label,    .rect = {32, 480, 72, 24},   .caption = "添加Lore:",                              .font = {-14}},
        {.name = "标签134",  .kind = Kind::Label,    .rect = {120, 480, 32, 24},  .caption = "内容",                                   .font = {-14}},
        {.name = "编辑框96", .kind = Kind::EditBox,  .rect = {168, 480, 72, 24}},
        {.name = "标签135",  .kind = Kind::Label,    .rect = {248, 480, 32, 24},  .caption = "行数",                                   .font = {-14}},
        {.name = "编辑框97", .kind = Kind::EditBox,  .rect = {296, 480, 72, 24}},
        {.name = "按钮68",   .kind = Kind::Button,   .rect = {376, 480, 32, 24},  .caption = "添加",                                   .click = Click::Build},
        {.name = "标签136",  .kind = Kind::Label,    .rect = {424, 480, 88, 24},  .caption = "默认最后一行",                           .font = {-14}},
        {.name = "标签138",  .kind = Kind::Label,    .rect = {8, 520, 96, 24},    .caption = "更改物品名字:",                          .font = {-14}},
        {.name = "标签137",  .kind = Kind::Label,    .rect = {120, 520, 32, 24},  .caption = "名字",                                   .font = {-14}},
        {.name = "编辑框98", .kind = Kind::EditBox,  .rect = {168, 520, 72, 24}},
        {.name = "按钮69",   .kind = Kind::Button,   .rect = {248, 520, 32, 24},  .caption = "添加",                                   .click = Click::Build},
        {.name = "按钮70",   .kind = Kind::Button,   .rect = {120, 560, 264, 80}, .caption = "更多指令",                               .font = {-29}, .click = Click::OpenWindow, .opens = kMoreCommandsWindowId},
        {.name = "分组框15", .kind = Kind::GroupBox, .rect = {24, 56, 192, 168},  .caption = "灵魂绑定"},
        {.name = "标签120",  .kind = Kind::Label,    .rect = {16, 24, 48, 24},    .caption = "玩家名：",         .parent = "分组框15", .font = {-14}},
        {.name = "编辑框85", .kind = Kind::EditBox,  .rect = {72, 24, 96, 24},                                   .parent = "分组框15"},
        {.name = "标签121",  .kind = Kind::Label,    .rect = {24, 56, 40, 24},    .caption = " 行数：",          .parent = "分组框15", .font = {-14}},
        {.name = "编辑框86", .kind = Kind::EditBox,  .rect = {72, 56, 96, 24},                                   .parent = "分组框15"},
        {.name = "按钮56",   .kind = Kind::Button,   .rect = {16, 112, 64, 32},   .caption = "绑定",             .parent = "分组框15", .click = Click::Build},
        {.name = "按钮57",   .kind = Kind::Button,   .rect = {104, 112, 64, 32},  .caption = "解绑",             .parent = "分组框15", .click = Click::Build},
        {.name = "分组框16", .kind = Kind::GroupBox, .rect = {304, 56, 192, 168}, .caption = "使用限制"},
        {.name = "标签123",  .kind = Kind::Label,    .rect = {8, 24, 56, 24},     .caption = "所需权限：",       .parent = "分组框16", .font = {-12}},
        {.name = "编辑框88", .kind = Kind::EditBox,  .rect = {72, 24, 96, 24},                                   .parent = "分组框16"},
        {.name = "按钮60",   .kind = Kind::Button,   .rect = {96, 56, 64, 24},    .caption = "添加",             .parent = "分组框16", .click = Click::Build},
        {.name = "标签122",  .kind = Kind::Label,    .rect = {8, 96, 56, 24},     .caption = "所需等级：",       .parent = "分组框16", .font = {-12}},
        {.name = "编辑框87", .kind = Kind::EditBox,  .rect = {72, 96, 96, 24},                                   .parent = "分组框16"},
        {.name = "按钮59",   .kind = Kind::Button,   .rect = {96, 128, 64, 24},   .caption = "添加",             .parent = "分组框16", .click = Click::Build},
        {.name = "分组框17", .kind = Kind::GroupBox, .rect = {24, 248, 472, 208}, .caption = "NBT"},
        {.name = "标签126",  .kind = Kind::Label,    .rect = {16, 24, 48, 24},    .caption = "生命值：",         .parent = "分组框17", .font = {-14}},
        {.name = "编辑框90", .kind = Kind::EditBox,  .rect = {72, 24, 64, 24},                                   .parent = "分组框17"},
        {.name = "按钮62",   .kind = Kind::Button,   .rect = {160, 24, 56, 24},   .caption = "添加",             .parent = "分组框17", .click = Click::Build},
        {.name = "标签125",  .kind = Kind::Label,    .rect = {232, 24, 64, 24},   .caption = "僵尸增援：",       .parent = "分组框17", .font = {-14}},
        {.name = "编辑框89", .kind = Kind::EditBox,  .rect = {304, 24, 64, 24},                                  .parent = "分组框17"},
        {.name = "按钮61",   .kind = Kind::Button,   .rect = {392, 24, 64, 24},   .caption = "添加",             .parent = "分组框17", .click = Click::Build},
        {.name = "标签128",  .kind = Kind::Label,    .rect = {24, 56, 40, 24},    .caption = "速度：",           .parent = "分组框17", .font = {-14}},
        {.name = "编辑框92", .kind = Kind::EditBox,  .rect = {72, 56, 64, 24},                                   .parent = "分组框17"},
        {.name = "按钮64",   .kind = Kind::Button,   .rect = {160, 56, 56, 24},   .caption = "添加",             .parent = "分组框17", .click = Click::Build},
        {.name = "标签127",  .kind = Kind::Label,    .rect = {232, 56, 64, 24},   .caption = "抗性提升：",       .parent = "分组框17", .font = {-14}},
        {.name = "编辑框91", .kind = Kind::EditBox,  .rect = {304, 56, 64, 24},                                  .parent = "分组框17"},
        {.name = "按钮63",   .kind = Kind::Button,   .rect = {392, 56, 64, 24},   .caption = "添加",             .parent = "分组框17", .click = Click::Build},
        {.name = "标签129",  .kind = Kind::Label,    .rect = {24, 88, 40, 24},    .caption = "伤害：",           .parent = "分组框17", .font = {-14}},
        {.name = "编辑框93", .kind = Kind::EditBox,  .rect = {72, 88, 64, 24},                                   .parent = "分组框17"},
        {.name = "按钮65",   .kind = Kind::Button,   .rect = {160, 88, 56, 24},   .caption = "添加",             .parent = "分组框17", .click = Click::Build},
        {.name = "标签130",  .kind = Kind::Label,    .rect = {224, 88, 80, 24},   .caption = "马匹跳跃力：",     .parent = "分组框17", .font = {-14}},
        {.name = "编辑框94", .kind = Kind::EditBox,  .rect = {304, 88, 64, 24},                                  .parent = "分组框17"},
        {.name = "按钮66",   .kind = Kind::Button,   .rect = {392, 88, 64, 24},   .caption = "添加",             .parent = "分组框17", .click = Click::Build},
        {.name = "标签131",  .kind = Kind::Label,    .rect = {16, 120, 96, 24},   .caption = "生物跟随距离：",   .parent = "分组框17", .font = {-14}},
        {.name = "编辑框95", .kind = Kind::EditBox,  .rect = {112, 120, 64, 24},                                 .parent = "分组框17"},
        {.name = "按钮67",   .kind = Kind::Button,   .rect = {184, 120, 56, 24},  .caption = "添加",             .parent = "分组框17", .click = Click::Build},
        {.name = "标签132",  .kind = Kind::Label,    .rect = {24, 152, 424, 48},  .caption = "注意！\r\n生命值最大：+100  僵尸增援最大：+1  速度最大： +5\r\n抗性提升最大：+1  伤害最大： +100  马匹跳跃力最大： +2\r\n生物跟随距离：+2048", .parent = "分组框17", .font = {-12}},
    };
    // clang-format on
}

}  // namespace forms
