#include "ui/panel.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "ui/text.h"

namespace ui {

void makeMultiLine(QPlainTextEdit* edit, bool verticalScrollBar) {
    edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    edit->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    edit->setVerticalScrollBarPolicy(verticalScrollBar ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setMaximumBlockCount(0);
    edit->setTabChangesFocus(true);
    edit->document()->setDocumentMargin(2);
}

void appendToPanel(QPlainTextEdit* panel, const QString& text) {
    QTextDocument* document = panel->document();
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    // The document takes CR LF as one paragraph break; LF alone would do the same.
    // Switching undo off for the insert also drops the undo history, so an undo can
    // never reach back across an append and shift text the builders wrote.
    document->setUndoRedoEnabled(false);
    cursor.insertText(text);
    document->setUndoRedoEnabled(true);
    panel->setTextCursor(cursor);  // also scrolls the caret into view
}

QString panelText(const QPlainTextEdit* panel) {
    // toRawText keeps every character as typed (toPlainText would turn no-break spaces
    // into blanks). Each paragraph break becomes CR LF, expanded from the back within the
    // one buffer, so a large panel is not copied a second time.
    QString text = panel->document()->toRawText();
    const qsizetype breaks = text.count(QChar::ParagraphSeparator);
    if (breaks == 0) return text;
    qsizetype from = text.size();
    qsizetype to = from + breaks;
    text.resize(to);
    QChar* data = text.data();
    while (from > 0) {
        const QChar ch = data[--from];
        if (ch == QChar::ParagraphSeparator) {
            data[--to] = QLatin1Char('\n');
            data[--to] = QLatin1Char('\r');
        } else {
            data[--to] = ch;
        }
    }
    return text;
}

void copyPanel(const QPlainTextEdit* panel) {
    QGuiApplication::clipboard()->setText(panelText(panel), QClipboard::Clipboard);
}

void clearPanel(QPlainTextEdit* panel) {
    panel->clear();
    panel->repaint();
}

}  // namespace ui
