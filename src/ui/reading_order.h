// How a window reads: the order Tab moves through its controls, and the name a screen reader
// gives each field, both worked out from where the form puts the controls.
#pragma once

#include <QWidget>
#include <vector>

#include "forms/form.h"

namespace ui {

class PageControl;

// The live units of a window: widgets[i] is the widget of form.units[i], or nullptr while
// it is not built (a page not shown yet).
struct BuiltUnits {
    const forms::Window& form;
    const std::vector<QWidget*>& widgets;
    PageControl* pages;
    QWidget* root;
};

// Tab moves through a window in reading order: top to bottom, then left to right within a
// row. The page control's tabs come where the control starts, followed by its pages.
void setReadingTabOrder(const BuiltUnits& units);

// Names the fields of one page (-1: the window's own controls) after their labels.
void nameFieldsByTheirLabels(const BuiltUnits& units, int page);

}  // namespace ui
