// The title the window manager shows, set on the X window itself: Qt shows the program's name
// for a window whose title is empty, and the form's untitled window must stay untitled.
#pragma once

class QWidget;

namespace ui {

// Writes the widget's window title, as it stands, to the native window's WM_NAME and
// _NET_WM_NAME. Does nothing off X11 or before the native window exists.
void setNativeTitle(QWidget* window);

}  // namespace ui
