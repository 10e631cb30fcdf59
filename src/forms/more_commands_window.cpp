// The "更多指令帮助" window: a help text listing further plugin commands.
#include "forms/windows.h"

namespace forms {

std::vector<Unit> moreCommandsWindowUnits() {
    // clang-format off
    return {
        {.name = "标签1", .kind = Kind::Label, .rect = {24, 8, 408, 408}, .caption = "/quorvel - 插件帮助\r\n"
                                                                                     "/quorvel detail - 显示手持物品详细信息\r\n"
                                                                                     "/quorvel amount - 设置手持物品堆叠数量\r\n"
                                                                                     "/quorvel data - 设置手持物品子ID\r\n"
                                                                                     "/quorvel material - 设置手持物品种类\r\n"
                                                                                     "/setname <名称> - 设置物品名称\r\n"
                                                                                     "/setlore <行数> <内容> - 设置lore\r\n"
                                                                                     "/insertlore <行数> <内容> - 插入一行lore\r\n"
                                                                                     "/addlore [内容] - 添加一行lore，可留空\r\n"
                                                                                     "/removelore <行数> - 删除一行lore\r\n"
                                                                                     "/clearlore - 删除全部lore\r\n"
                                                                                     "/addflag <flag> - 添加flag\r\n"
                                                                                     "/removeflag <flag> - 移除flag\r\n"
                                                                                     "/clearflag - 删除全部flag\r\n"
                                                                                     "/addenchant <附魔> <等级> - 添加附魔\r\n"
                                                                                     "/remenchant <附魔> - 移除附魔\r\n"
                                                                                     "/clearenchant - 删除全部附魔\r\n"
                                                                                     "/unbreakable - 设置物品无法破坏状态\r\n"
                                                                                     "/quorvel repair - 修复物品lore耐久\r\n"
                                                                                     "/quorvel reload - 重载插件\r\n"
                                                                                     "\r\n"
                                                                                     "/quorvel save <保存名>\r\n"
                                                                                     "即可保存该物品，使用指令\r\n"
                                                                                     "/quorvel load custom <保存名>\r\n"
                                                                                     "即可取回物品\r\n"
                                                                                     "\r\n"
                                                                                     "随机系列物品\r\n"
                                                                                     "/quorvel load generator <系列名>\r\n"
                                                                                     "各种“系列”可以在插件文件夹/Item_Generator中配置，请参考配置文件\r\n"
                                                                                     "\r\n"
                                                                                     "套装\r\n"
                                                                                     "/quorvel load set <套装名>\r\n"
                                                                                     "各种“套装”可以在插件文件夹/Item_Set中配置，请参考配置文件",
         .selectable = true},
    };
    // clang-format on
}

}  // namespace forms
