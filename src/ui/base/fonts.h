// Fonts are shared: one QFont per (pixel size, bold) pair, all in one CJK family.
#pragma once

#include <QFont>
#include <QString>

#include "forms/form.h"

namespace ui {

inline constexpr int kDefaultPixelSize = 12;

// SimSun where present, otherwise the first installed CJK family the editor knows.
const QString& cjkFamily();

// The font of a unit: form height -14 is a 14-pixel font, 0 the default size.
const QFont& unitFont(forms::Font font);

// The same font drawn narrower: stretch 100 is the font as it is, 90 is 90% as wide.
const QFont& unitFont(forms::Font font, int stretch);

}  // namespace ui
