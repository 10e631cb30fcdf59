// The automation ops of the main window's layout: a docked panel shown or hidden, and where
// the window, its frame and each of its parts are on the screen.
#pragma once

#include <span>

#include "ui/automation/automation_ops.h"

namespace ui {

std::span<const Op> layoutOps();

}  // namespace ui
