// Applies how a window reads (actions/reading.h) to its live widgets: the Tab order, and the
// names and descriptions a screen reader gives them.
#pragma once

#include <QWidget>
#include <vector>

#include "actions/reading.h"
#include "forms/form.h"

namespace ui {

class PageControl;

// The live units of a window: widgets[i] is the widget of form.units[i], or nullptr while
// it is not built (a page not shown yet).
struct BuiltUnits {
    const forms::Window& form;
    const actions::Reading& reading;
    const std::vector<QWidget*>& widgets;
    PageControl* pages;
    QWidget* root;
};

// Tab moves through a window in reading order; the page control's tabs come where the
// control starts, followed by the controls of its pages that are built.
void setReadingTabOrder(const BuiltUnits& units);

// The first control of a page in reading order (-1: the window's own), or nullptr.
QWidget* firstInReadingOrder(const BuiltUnits& units, int page);

// Names and describes the built units of one page (-1: the window's own controls).
void nameUnits(const BuiltUnits& units, int page);

}  // namespace ui
