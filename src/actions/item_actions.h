// The item designer's "生成指令" (按钮71) as a block row: which control holds which part of
// the design. The page's preview, templates and command reader use the same row to read the
// design from the controls and to put one back into them.
#pragma once

#include "actions/action.h"
#include "builders/item/design.h"

namespace actions {

// The design the controls hold, from the values read for the action of 按钮71.
builders::item::ItemDesign itemDesignOf(const Inputs& inputs);

// The values the controls of 按钮71's action hold to show the design, in the action's order.
Inputs inputsOfItemDesign(const builders::item::ItemDesign& design);

}  // namespace actions
