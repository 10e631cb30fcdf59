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
    edit->setVerticalScrollBarPolicy(verticalScrollBar ? Qt::ScrollBarAlwaysOn
                                                       : Qt::ScrollBarAsNeeded);
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
    panel->setTextCursor(cursor);
    panel->ensureCursorVisible();
}

QString panelText(const QPlainTextEdit* panel) {
    // toRawText keeps every character as typed (toPlainText would turn no-break spaces
    // into blanks); paragraph breaks come back as CR LF.
    QString text = panel->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
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
