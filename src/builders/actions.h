// Every builder button of the editor, gathered from the two builder families.
#pragma once

#include <span>

#include "builders/action.h"

namespace builders {

// "/att", "/setname" and "/addlore" buttons (builders/attribute/).
std::span<const Action> attributeActions();
// "/socket", "/attribute element", gem, element and key-lore buttons (builders/socket/).
std::span<const Action> socketActions();

}  // namespace builders
