// The output panels: multi-line EditBoxes that collect builder output for the user to copy.
#pragma once

#include <QPlainTextEdit>
#include <QString>

namespace ui {

// A multi-line EditBox: wrapped at its width, no length limit, editable. Lines wrap at word
// boundaries; while the text holds a word far wider than the box (a pasted NBT or base64
// string), it wraps anywhere instead, because Qt's layout of one long unbreakable word takes
// time that grows with the square of its length.
class MultiLineEdit : public QPlainTextEdit {
public:
    MultiLineEdit(QWidget* parent, bool verticalScrollBar);

protected:
    void insertFromMimeData(const QMimeData* source) override;
};

// Before text goes into a multi-line box by code: picks the wrapping that keeps its layout
// linear, so the switch happens before Qt lays the long word out.
void prepareForText(QPlainTextEdit* edit, QStringView text);

// True when the text holds a run of more than a few thousand characters without a blank.
bool hasLongWord(QStringView text);

// Appends at the very end, whatever the user selected; the caret ends after the new text,
// which is scrolled into view. The append cannot be undone.
void appendToPanel(QPlainTextEdit* panel, const QString& text);

// The panel's whole text with CR LF line ends, exactly as the builders wrote them.
QString panelText(const QPlainTextEdit* panel);

// Puts the whole text on the clipboard as plain text; an empty panel gives an empty text.
void copyPanel(const QPlainTextEdit* panel);

void clearPanel(QPlainTextEdit* panel);

}  // namespace ui
