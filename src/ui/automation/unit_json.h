// The description of windows and units as JSON: what `dump` reports, and the names the other
// requests use for kinds.
#pragma once

#include <QJsonObject>
#include <QString>
#include <cstdint>

#include "forms/form.h"
#include "ui/loader/live_window.h"

class QWidget;

namespace ui {

class GemPreview;
class LiveWindow;

QString kindName(forms::Kind kind);

// The caption of a unit, read from its widget: text, caption or title.
QString captionOf(const forms::Unit& unit, QWidget* widget);

// One window with every unit, the window's own unit first, and the gem page's preview when
// it belongs to this window.
QJsonObject windowJson(LiveWindow& live, GemPreview* gemPreview);

}  // namespace ui
