// The automation ops of the plugin's folder: open and read it again (folder), find entries in it
// (find), check it (folder-check), and open a file of it with an entry loaded (open-entry).
#pragma once

#include <span>

#include "ui/automation/automation_ops.h"

namespace ui {

std::span<const Op> folderOps();

}  // namespace ui
