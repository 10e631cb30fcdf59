// The description of windows and units as JSON: what `dump` reports, the names the other
// requests use for kinds, and styled text as the previews answer it.
#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <cstdint>
#include <vector>

#include "forms/form.h"
#include "text/format.h"
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

// Lines of styled runs as the previews answer them: one array of runs per line, each run
// {"text","color","bold","italic","underlined","strikethrough","obfuscated"}.
QJsonArray linesJson(const std::vector<text::Line>& lines);

}  // namespace ui
