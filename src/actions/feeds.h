// What a field feeds, for its tooltip: the line of its button's text that the field's value
// lands on (the whole command line of a command button, "Max_Grade: 5" of a gem block), built
// from the button's action with the values the fields hold now, and the hint the page shows
// beside the field ("默认最后一行", "无需 % 号", "可以为负数例.-8").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "actions/action.h"

namespace actions {

// The line (without its line end and indentation) that the field's value lands on in what the
// action builds from inputs; empty when the field is not one the action reads.
std::string lineFedBy(const Action& action, const Inputs& inputs, std::string_view field);

// The hints the page shows beside a field, in page order.
std::vector<std::string> hintsFor(std::uint32_t window, std::string_view field);

}  // namespace actions
