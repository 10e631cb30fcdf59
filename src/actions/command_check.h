// The command panel's own check: every line starts with a command the editor knows (the
// lines its buttons build, and the commands of its help window), and a line whose value is
// missing is a warning ("/att Stats DAMAGE 缺少数值"). Pure; the UI runs it like the YAML check.
#pragma once

#include <string_view>

#include "yaml/check.h"

namespace actions {

// valid is always true (a command panel has no syntax to break); entries counts the
// command lines; warnings carry the line, column 0 and the message without the position.
yaml::CheckResult checkCommands(std::string_view utf8);

}  // namespace actions
