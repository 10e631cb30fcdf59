// What the window system itself says of a top-level window, where Qt's own view can be wrong:
// the title the window manager shows (Qt shows the program's name for a window whose title is
// empty, and the form's untitled window must stay untitled), and where the window's content and
// frame really are (some window managers report the frame's place as the content's).
#pragma once

#include <QMargins>
#include <QRect>
#include <optional>

class QWidget;

namespace ui {

// Writes the widget's window title, as it stands, to the native window's WM_NAME and
// _NET_WM_NAME. Does nothing off X11 or before the native window exists.
void setNativeTitle(QWidget* window);

// Where the window's content is on the screen and how wide the window manager's frame is
// around it, as the X server has them, in Qt's logical pixels; nothing off X11, before the window exists, or while
// the window manager has not framed it yet.
struct NativePlace {
    QRect client;
    QMargins frame;
};
std::optional<NativePlace> nativePlace(const QWidget* window);
// Whether nativePlace can answer at all: the program runs on X11.
bool hasNativePlaces();

}  // namespace ui
