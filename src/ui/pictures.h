// The program's own pictures: the picture boxes' drawings and the window icon.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

#include "forms/form.h"

namespace ui {

// Draws one of the program's pictures at the given size.
QPixmap drawPicture(forms::Picture picture, QSize size);

// The editor's icon: a gem on a dark tile, the same drawing as the installed icon.
QIcon editorIcon();

}  // namespace ui
