// What a window does with the room it gets beyond its form's size: the output panels take
// it, and the controls below and beside them move along. One row per control that changes;
// each share is the part of the extra width (x, width) or height (y, height) that the control
// moves by or grows by. Every other control keeps its place and size.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "forms/form.h"

namespace forms {

struct Stretch {
    std::uint32_t window;
    std::string_view unit;
    double moveX;
    double moveY;
    double growWidth;
    double growHeight;
};

std::span<const Stretch> stretches();

// The rectangle of the unit (its form rectangle) with the window extra pixels wider and
// higher than its form; the form rectangle itself when the unit has no row.
Rect stretched(std::uint32_t window, const Unit& unit, int extraWidth, int extraHeight);

}  // namespace forms
