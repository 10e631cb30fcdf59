// The short word after 一键复制: "已复制 12 行" beside the button for a few seconds, or, for an
// empty panel, that there was nothing to copy (the clipboard keeps what it had).
#pragma once

#include <QString>

class QWidget;

namespace ui {

// The notice's text for what was copied.
QString copyNoticeText(const QString& copied);

// Shows the notice beside the button (inside its window), replacing one still shown, and
// hides it after a few seconds. Screen readers hear it as an alert.
void showCopyNotice(QWidget* button, const QString& copied);

// The notice of the button's window, or nullptr before the first copy.
QWidget* copyNoticeOf(QWidget* window);

inline constexpr int kCopyNoticeMilliseconds = 3000;

}  // namespace ui
