// The automation interface's description of windows and units, as JSON: what `dump` reports
// and the names the other requests use for ids and kinds.
#pragma once

#include <QJsonObject>
#include <QString>
#include <cstdint>

#include "forms/form.h"

class QWidget;

namespace ui {

class LiveWindow;

// "0x52010001": upper-case hex digits after a lower-case 0x.
QString hexId(std::uint32_t id);
QString kindName(forms::Kind kind);

// The caption of a unit, read from its widget: text, caption or title.
QString captionOf(const forms::Unit& unit, QWidget* widget);

// One window with every unit, the window's own unit first.
QJsonObject windowJson(LiveWindow& live);

}  // namespace ui
