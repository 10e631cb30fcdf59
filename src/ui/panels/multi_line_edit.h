// The panels: the multi-line EditBoxes, the output panels among them, and what the editor does
// with an output panel's text (append, copy, clear, remember, fill, read, check, highlight).
// This file: the multi-line EditBox itself.
#pragma once

#include <QPlainTextEdit>
#include <QStringView>

class QMenu;

namespace ui {

// A multi-line EditBox: wrapped at its width, no length limit, editable. Lines wrap at word
// boundaries; while the text holds a word far wider than the box (a pasted NBT or base64
// string), it wraps anywhere instead, because Qt's layout of one long unbreakable word takes
// time that grows with the square of its length.
class MultiLineEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    MultiLineEdit(QWidget* parent, bool verticalScrollBar);

signals:
    // The context menu, with Qt's standard entries, before it is shown: others add theirs.
    void contextMenuAboutToShow(QMenu* menu);

protected:
    void insertFromMimeData(const QMimeData* source) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
};

// Before text goes into a multi-line box by code: picks the wrapping that keeps its layout
// linear, so the switch happens before Qt lays the long word out.
void prepareForText(QPlainTextEdit* edit, QStringView text);

// True when the text holds a run of more than a few thousand characters without a blank.
bool hasLongWord(QStringView text);

}  // namespace ui
