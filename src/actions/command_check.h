// The command panel's own check: every line starts with a command the editor knows (the
// lines its buttons build, and the commands of its help window); a missing value ("/att
// Stats DAMAGE 缺少数值"), a value the plugin reads as a number that is none ("/att Stats
// LEVEL 10%") and a line longer than the game's chat box takes are warnings. Pure; the UI
// runs it like the YAML check.
#pragma once

#include <string_view>

#include "yaml/check.h"

namespace actions {

// valid is always true (a command panel has no syntax to break); entries counts the
// command lines; warnings carry the line, column 0 and the message without the position,
// in line order (on one line: its length, then the command, then its values).
yaml::CheckResult checkCommands(std::string_view utf8);

}  // namespace actions
