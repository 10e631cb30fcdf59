// The automation ops of the colour tools: the rules on a text given in the request
// (gradient, convert, strip), the tool on a name or lore field (colour), and placing a
// field's selection (set-selection). They answer at once.
#pragma once

#include <span>

#include "ui/automation/automation_ops.h"

namespace ui {

std::span<const Op> colourOps();

}  // namespace ui
