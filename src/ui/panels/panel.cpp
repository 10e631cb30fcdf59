#include "ui/panels/panel.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>

#include "ui/panels/multi_line_edit.h"
#include "ui/panels/panel_memory.h"

namespace ui {

void appendToPanel(QPlainTextEdit* panel, const QString& text) {
    QTextDocument* document = panel->document();
    prepareForText(panel, text);
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    const int start = cursor.position();
    // The document takes CR LF as one paragraph break; LF alone would do the same.
    // Switching undo off for the insert also drops the undo history, so an undo can
    // never reach back across an append and shift text the builders wrote.
    document->setUndoRedoEnabled(false);
    cursor.insertText(text);
    document->setUndoRedoEnabled(true);
    if (PanelMemory* memory = PanelMemory::of(panel)) {
        QTextCursor written(document);
        written.setPosition(start);
        written.setPosition(cursor.position(), QTextCursor::KeepAnchor);
        memory->appended(written.selectedText());
    }
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

QString copyPanel(const QPlainTextEdit* panel) {
    QString text = panelText(panel);
    // An empty panel leaves the clipboard as it is: what the user copied elsewhere stays.
    if (!text.isEmpty()) {
        // Marked as a panel's copy, so that what the editor says about the clipboard later can
        // tell it from a copy made in a field.
        auto* data = new QMimeData;
        data->setText(text);
        data->setData(QString::fromLatin1(kPanelCopyFormat), QByteArrayLiteral("1"));
        QGuiApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
    }
    return text;
}

void clearPanel(QPlainTextEdit* panel) {
    if (PanelMemory* memory = PanelMemory::of(panel)) memory->cleared(panel->document()->toRawText());
    panel->clear();
    panel->repaint();
}

void replacePanelText(QPlainTextEdit* panel, const QString& text) {
    prepareForText(panel, text);
    QTextDocument* document = panel->document();
    document->setUndoRedoEnabled(false);
    panel->setPlainText(text);
    document->setUndoRedoEnabled(true);
    document->setModified(false);
}

void replacePanelTextUndoably(QPlainTextEdit* panel, const QString& text) {
    prepareForText(panel, text);
    QTextCursor cursor(panel->document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.insertText(text);
    cursor.endEditBlock();
    panel->document()->setModified(false);
}

QString panelLfText(const QPlainTextEdit* panel) {
    QString text = panel->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

}  // namespace ui
