// The "介绍" page of the main window: banner, plugin introduction and notes on the editor.
#include "forms/windows.h"

namespace forms {

std::vector<Unit> introPageUnits() {
    // clang-format off
    return {
        {.name = "图片框2",  .kind = Kind::PicBox,   .rect = {104,  80, 304,  80},                                               .picture = Picture::Banner},
        {.name = "编辑框21", .kind = Kind::EditBox,  .rect = { 80, 184, 368, 296},
         .caption = "Quorvel插件介绍：\r\n"
                    "※类型：RPG\r\n"
                    "☆可以轻松的编辑物品：名称+lore+附魔+无限耐久（无法破坏）\r\n"
                    "  以及插件自带多属性：伤害值+防御值+血量+PVP伤害+PVE伤害\r\n"
                    "                      +暴击几率+暴击加成+AOE范围和几率（\r\n"
                    "                      弓射出去后所造成伤害的范围）+格挡\r\n"
                    "                      几率（有几率格挡所有非技能/BUFF造成\r\n"
                    "                      伤害）+格挡伤害+耐久+命中率（可以有\r\n"
                    "                      效增强武器攻击）+闪避几率（和格挡几\r\n"
                    "                      率一样）\r\n"
                    "☆很多BUFF和DEBUFF\r\n"
                    "☆以及攻击敌人时触发技能，使用物品执行指令或召唤特殊技能\r\n"
                    "  插件自带5种史诗级的技能（闪现、火破、冰刺、黑焰、慢光）\r\n"
                    "  自由选择触发方式（左键、右键、shift+左键、shift+右键）\r\n"
                    "\r\n"
                    "☆同时玩家还可以自定义技能，将所要触发的指令写在技能配置\r\n"
                    "  文件内，然后再绑定到武器装备上\r\n"
                    "\r\n"
                    "☆插件还宝石镶刻功能，宝石可以自定义\r\n"
                    "\r\n"
                    "☆可以将物品绑定为某个玩家的\r\n"
                    "☆可以限制武器需要某权限|等级来使用",
         .multiline = true, .vscroll = true, .disabled = true},
        {.name = "分组框12", .kind = Kind::GroupBox, .rect = { 32, 496, 448, 152}, .caption = "编辑器介绍", .font = {-14, true}},
        {.name = "标签88",   .kind = Kind::Label,    .rect = { 16,  24, 416, 112},
         .caption = "本编辑器由Tarnwick 编辑器小组制作\r\n"
                    "编辑器仅供学习Quorvel插件使用\r\n"
                    "在此版本之前已发布过测试版和简易版\r\n"
                    "本版本在其基础上整理完善而成\r\n"
                    "生成的指令和配置请在使用前自行核对\r\n"
                    "如果发现BUG或有改进建议\r\n"
                    "欢迎加群反馈或在贴内留言\r\n"
                    "QQ群：暂未开放\r\n"
                    "感谢大家的支持！",
         .parent = "分组框12"},
    };
    // clang-format on
}

}  // namespace forms
