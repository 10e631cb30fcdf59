// The output panels: multi-line EditBoxes that collect builder output for the user to copy.
#pragma once

#include <QPlainTextEdit>
#include <QString>

namespace ui {

// Sets up a multi-line EditBox: wrapped at its width, no length limit, editable.
void makeMultiLine(QPlainTextEdit* edit, bool verticalScrollBar);

// Appends at the very end, whatever the user selected; the caret ends after the new text,
// which is scrolled into view. The append cannot be undone.
void appendToPanel(QPlainTextEdit* panel, const QString& text);

// The panel's whole text with CR LF line ends, exactly as the builders wrote them.
QString panelText(const QPlainTextEdit* panel);

// Puts the whole text on the clipboard as plain text; an empty panel gives an empty text.
void copyPanel(const QPlainTextEdit* panel);

void clearPanel(QPlainTextEdit* panel);

}  // namespace ui
