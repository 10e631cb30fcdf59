// The item designer's "生成指令" (按钮71) as a block row: which control holds which part of
// the design. The page's preview, templates and command reader use the same row to read the
// design from the controls and to put one back into them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "actions/action.h"
#include "builders/item/design.h"

namespace actions {

// The designer page's own controls beside 按钮71's fields.
struct DesignerControls {
    std::string_view preview;         // the tooltip the design makes
    std::string_view warning;         // the lore warning under it
    std::string_view status;          // the page's status line
    std::string_view templates;       // the template list (an editable drop-down)
    std::string_view saveTemplate;    // "保存模板"
    std::string_view deleteTemplate;  // "删除模板"
    std::string_view readCommands;    // "从指令读取"
    std::string_view generate;        // "生成指令", whose action reads the design
};
const DesignerControls& designerControls();

// The controls of 按钮71's action whose text lands on the item as its name and its lore,
// found in the action's row by the member each fills.
struct DesignerTextFields {
    std::string_view name;  // a single-line field
    std::string_view lore;  // a multi-line box, one lore line per line
};
const DesignerTextFields& designerTextFields();

// The design the controls hold, from the values read for the action of 按钮71.
builders::item::ItemDesign itemDesignOf(const Inputs& inputs);

// The values the controls of 按钮71's action hold to show the design, in the action's order.
Inputs inputsOfItemDesign(const builders::item::ItemDesign& design);

// What the page's command reader ("从指令读取") makes of a command sequence.
struct ItemReading {
    builders::item::ItemDesign design;  // as builders::item::read reads it
    // Lines the design does not take whose command another button of the editor writes
    // ("/att Stats DAMAGE 10", "/socket add empty 1", "/setname " from an empty 名字 field):
    // the editor's own, and no part of an item design. Recognised and set aside, as they stand.
    std::vector<std::string> otherCommands;
    // Every other line the design does not take: no button writes it ("/removelore 1"), or
    // it is an item command the page cannot show ("/addflag HIDE_DYE", a seventh enchantment).
    std::vector<std::string> unknown;
};

// Reads a command sequence as builders::item::read does, and sorts the lines it leaves into
// the editor's own and the unknown, each in the order of the text.
ItemReading readItemCommands(std::string_view commands);

}  // namespace actions
