// The program's own pictures: the picture boxes' drawings and the window icon.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

#include "forms/form.h"

namespace ui {

// Draws one of the program's pictures at the given size.
// Draws the picture in size (device-independent pixels) at the given device pixel ratio, so
// it is as sharp as the text beside it on a high-DPI screen.
QPixmap drawPicture(forms::Picture picture, QSize size, qreal pixelRatio = 1.0);

// The editor's icon: a gem on a dark tile, the same drawing as the installed icon.
QIcon editorIcon();

}  // namespace ui
