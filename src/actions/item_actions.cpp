// The item designer's button: every control of the design beside the member it fills; and
// its command reader's sorting of the lines the design does not take.
#include "actions/item_actions.h"

#include <utility>

#include "actions/block_action.h"
#include "actions/known_commands.h"
#include "forms/windows.h"

namespace actions {
namespace {

using builders::item::ItemDesign;

template <std::size_t Row>
std::string& enchantmentName(ItemDesign& design) {
    return design.enchantments[Row].name;
}
template <std::size_t Row>
std::string& enchantmentLevel(ItemDesign& design) {
    return design.enchantments[Row].level;
}
template <std::size_t Flag>
bool& flag(ItemDesign& design) {
    return design.flags[Flag];
}

// clang-format off
const BlockTable<ItemDesign> kItem{forms::kMainWindowId, Panel::Command, {{
    .button = "按钮71",
    .texts = {
        {"编辑框99",  at<&ItemDesign::name>},
        {"编辑框100", at<&ItemDesign::lore>},
        {"组合框9",   enchantmentName<0>}, {"编辑框101", enchantmentLevel<0>},
        {"组合框10",  enchantmentName<1>}, {"编辑框102", enchantmentLevel<1>},
        {"组合框11",  enchantmentName<2>}, {"编辑框103", enchantmentLevel<2>},
        {"组合框12",  enchantmentName<3>}, {"编辑框104", enchantmentLevel<3>},
        {"组合框13",  enchantmentName<4>}, {"编辑框105", enchantmentLevel<4>},
        {"组合框14",  enchantmentName<5>}, {"编辑框106", enchantmentLevel<5>},
        {"编辑框107", at<&ItemDesign::saveName>},
    },
    .selections = {},
    .build = builders::item::commands,
    .checks = {
        {"选择框1", flag<0>},  // HIDE_ENCHANTS
        {"选择框2", flag<1>},  // HIDE_ATTRIBUTES
        {"选择框3", flag<2>},  // HIDE_UNBREAKABLE
        {"选择框4", flag<3>},  // HIDE_DESTROYS
        {"选择框5", flag<4>},  // HIDE_PLACED_ON
        {"选择框6", flag<5>},  // HIDE_POTION_EFFECTS
        {"选择框7", at<&ItemDesign::unbreakable>},
        {"选择框8", at<&ItemDesign::replace>},
    },
}}};
// clang-format on

}  // namespace

std::span<const Action> itemActions() {
    static const std::vector<Action> actions = [] {
        std::vector<Action> list;
        addBlockActions(list, kItem);
        return list;
    }();
    return actions;
}

const DesignerControls& designerControls() {
    // clang-format off
    static constexpr DesignerControls kControls{
        .preview = "图片框3",  .warning = "标签143",        .status = "标签140",       .templates = "组合框15",
        .saveTemplate = "按钮72", .deleteTemplate = "按钮73", .readCommands = "按钮74", .generate = "按钮71",
    };
    // clang-format on
    return kControls;
}

const DesignerTextFields& designerTextFields() {
    static const DesignerTextFields kFields = [] {
        using Place = std::string& (*)(ItemDesign&);
        const auto controlOf = [](Place place) {
            for (const TextField<ItemDesign>& field : kItem.rows.front().texts)
                if (field.place == place) return field.control;
            return std::string_view();
        };
        return DesignerTextFields{.name = controlOf(at<&ItemDesign::name>), .lore = controlOf(at<&ItemDesign::lore>)};
    }();
    return kFields;
}

ItemDesign itemDesignOf(const Inputs& inputs) { return fieldsOf(kItem.rows.front(), inputs); }

Inputs inputsOfItemDesign(const ItemDesign& design) { return inputsOf(kItem.rows.front(), design); }

ItemReading readItemCommands(std::string_view commands) {
    builders::item::ReadResult read = builders::item::read(commands);
    ItemReading reading{std::move(read.design), {}, {}};
    for (std::string& line : read.unknown) {
        const KnownCommand* command = knownCommandOf(line);
        (command != nullptr && command->fromButton ? reading.otherCommands : reading.unknown)
            .push_back(std::move(line));
    }
    return reading;
}

}  // namespace actions
