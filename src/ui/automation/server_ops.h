// The automation ops of the server link: connect, send (a command, or a panel's lines),
// disconnect, and the last answer as the game draws it. Every op that waits for the network
// answers through its reply; a password given to connect never appears in any reply.
#pragma once

#include <span>

#include "ui/automation/automation_ops.h"

namespace ui {

std::span<const Op> serverOps();

}  // namespace ui
