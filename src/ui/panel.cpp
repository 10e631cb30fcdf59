#include "ui/panel.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "ui/text.h"

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

void prepareForText(QPlainTextEdit* edit, QStringView text) {
    if (edit->wordWrapMode() != QTextOption::WrapAnywhere && hasLongWord(text)) wrapAnywhere(edit, true);
}

void appendToPanel(QPlainTextEdit* panel, const QString& text) {
    QTextDocument* document = panel->document();
    prepareForText(panel, text);
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
