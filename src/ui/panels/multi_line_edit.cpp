#include "ui/panels/multi_line_edit.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMimeData>
#include <QTextBlock>
#include <QTextDocument>

namespace ui {

namespace {

// Far wider than any panel, yet small enough that laying it out word by word costs little.
constexpr qsizetype kLongWord = 2048;

void wrapAnywhere(QPlainTextEdit* edit, bool anywhere) {
    const QTextOption::WrapMode mode = anywhere ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere;
    if (edit->wordWrapMode() != mode) edit->setWordWrapMode(mode);
}

}  // namespace

bool hasLongWord(QStringView text) {
    qsizetype run = 0;
    for (const QChar ch : text) {
        run = ch.isSpace() ? 0 : run + 1;
        if (run > kLongWord) return true;
    }
    return false;
}

MultiLineEdit::MultiLineEdit(QWidget* parent, bool verticalScrollBar) : QPlainTextEdit(parent) {
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setVerticalScrollBarPolicy(verticalScrollBar ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setMaximumBlockCount(0);
    // Setting the block count also switches the document's undo off; a box keeps Ctrl+Z.
    setUndoRedoEnabled(true);
    setTabChangesFocus(true);
    document()->setDocumentMargin(2);
    // Typing can grow a word past the limit too; an emptied box wraps at words again.
    connect(document(), &QTextDocument::contentsChange, this, [this](int position, int, int added) {
        if (document()->isEmpty()) return wrapAnywhere(this, false);
        if (added <= 0 || wordWrapMode() == QTextOption::WrapAnywhere) return;
        const QTextBlock block = document()->findBlock(position);
        if (block.length() > kLongWord && hasLongWord(block.text())) wrapAnywhere(this, true);
    });
}

void MultiLineEdit::insertFromMimeData(const QMimeData* source) {
    if (source != nullptr && source->hasText()) prepareForText(this, source->text());
    QPlainTextEdit::insertFromMimeData(source);
}

void MultiLineEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu(event->pos());
    emit contextMenuAboutToShow(menu);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void prepareForText(QPlainTextEdit* edit, QStringView text) {
    if (edit->wordWrapMode() != QTextOption::WrapAnywhere && hasLongWord(text)) wrapAnywhere(edit, true);
}

}  // namespace ui
