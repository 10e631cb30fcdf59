// Makes the live widget of one form unit: the Qt widget that stands for its kind, with its
// caption, list items, colours, font, geometry and flags as the form row gives them.
#pragma once

#include <QWidget>

#include "forms/form.h"

namespace ui {

// The widget of a unit inside parent, or nullptr for the unit that stands for the window.
// Button clicks are not connected here; the window does that.
QWidget* makeWidget(const forms::Unit& unit, QWidget* parent);

// A picture drawn live by a room above the loader (the item designer's tooltip): the widget
// that the factory makes for a PicBox showing it, instead of a still picture.
using PictureMaker = QWidget* (*)(QWidget* parent);
void setPictureMaker(forms::Picture picture, PictureMaker maker);

// 0xBBGGRR, as the forms write colours, to a QColor.
QColor colourFromBgr(std::uint32_t bgr);

}  // namespace ui
