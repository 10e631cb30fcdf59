// Makes the live widget of one form unit: the Qt widget that stands for its kind, with its
// caption, list items, colours, font, geometry and flags as the form row gives them.
#pragma once

#include <QWidget>

#include "forms/form.h"

namespace ui {

// The widget of a unit inside parent, or nullptr for the unit that stands for the window.
// Button clicks are not connected here; the window does that.
QWidget* makeWidget(const forms::Unit& unit, QWidget* parent);

// 0xBBGGRR, as the forms write colours, to a QColor.
QColor colourFromBgr(std::uint32_t bgr);

}  // namespace ui
