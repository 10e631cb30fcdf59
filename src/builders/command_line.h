// The command rule shared by every command button: prefix, the values joined by one
// blank each (written also around empty values), then CR LF. Values go in as typed.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace builders {

inline constexpr std::string_view kLineEnd = "\r\n";

std::string commandLine(std::string_view prefix, std::span<const std::string> values);

}  // namespace builders
