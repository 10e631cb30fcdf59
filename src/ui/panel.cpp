#include "ui/panel.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <utility>

#include "ui/text.h"

namespace ui {

namespace {

quint64 gEvents = 0;  // clears and appends of every panel, counted

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

void MultiLineEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu(event->pos());
    if (PanelMemory* memory = PanelMemory::of(this)) {
        menu->addSeparator();
        QAction* undo = menu->addAction(QStringLiteral("撤销清空"), memory, &PanelMemory::undoClear);
        undo->setEnabled(memory->canUndoClear());
        QAction* remove = menu->addAction(QStringLiteral("删除上一次添加"), memory, &PanelMemory::removeLast);
        remove->setEnabled(memory->canRemoveLast());
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

// Clearing drops the panel's own undo history, so Ctrl+Z right after a clear has nothing of
// the document's to take back: it takes back the clear.
void MultiLineEdit::keyPressEvent(QKeyEvent* event) {
    PanelMemory* memory = PanelMemory::of(this);
    if (event->matches(QKeySequence::Undo) && memory != nullptr && !isReadOnly() && !document()->isUndoAvailable() &&
        memory->canUndoClear()) {
        memory->undoClear();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

PanelMemory::PanelMemory(QPlainTextEdit* panel) : QObject(panel), panel_(panel) {
    setObjectName(QStringLiteral("panelMemory"));
    // Typing can end or restore the panel's ending with the last append.
    connect(panel->document(), &QTextDocument::contentsChanged, this, &PanelMemory::changed);
}

PanelMemory* PanelMemory::of(const QPlainTextEdit* panel) {
    return panel->findChild<PanelMemory*>(QStringLiteral("panelMemory"), Qt::FindDirectChildrenOnly);
}

bool PanelMemory::canRemoveLast() const {
    if (lastAppend_.isEmpty()) return false;
    QTextDocument* document = panel_->document();
    const int end = document->characterCount() - 1;
    if (end < lastAppend_.size()) return false;
    QTextCursor tail(document);
    tail.setPosition(end - static_cast<int>(lastAppend_.size()));
    tail.setPosition(end, QTextCursor::KeepAnchor);
    return tail.selectedText() == lastAppend_;
}

bool PanelMemory::undoClear() {
    if (cleared_.isEmpty()) return false;
    QString text = std::exchange(cleared_, QString());
    QTextDocument* document = panel_->document();
    // Text appended since the clear starts on a line of its own.
    if (!document->isEmpty() && !text.endsWith(QChar::ParagraphSeparator)) text += QChar::ParagraphSeparator;
    prepareForText(panel_, text);
    QTextCursor start(document);
    document->setUndoRedoEnabled(false);
    start.insertText(text);
    document->setUndoRedoEnabled(true);
    panel_->setTextCursor(start);
    emit changed();
    return true;
}

bool PanelMemory::removeLast() {
    if (!canRemoveLast()) return false;
    QTextDocument* document = panel_->document();
    const int end = document->characterCount() - 1;
    QTextCursor tail(document);
    tail.setPosition(end - static_cast<int>(lastAppend_.size()));
    tail.setPosition(end, QTextCursor::KeepAnchor);
    document->setUndoRedoEnabled(false);
    tail.removeSelectedText();
    document->setUndoRedoEnabled(true);
    panel_->setTextCursor(tail);
    lastAppend_.clear();
    emit changed();
    return true;
}

void PanelMemory::cleared(QString text) {
    if (text.isEmpty()) return;
    cleared_ = std::move(text);
    clearedAt_ = ++gEvents;
    emit changed();
}

void PanelMemory::appended(QString text) {
    lastAppend_ = std::move(text);
    appendedAt_ = ++gEvents;
    emit changed();
}

void PanelMemory::forget() {
    cleared_.clear();
    lastAppend_.clear();
    emit changed();
}

void prepareForText(QPlainTextEdit* edit, QStringView text) {
    if (edit->wordWrapMode() != QTextOption::WrapAnywhere && hasLongWord(text)) wrapAnywhere(edit, true);
}

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

void copyPanel(const QPlainTextEdit* panel) {
    QGuiApplication::clipboard()->setText(panelText(panel), QClipboard::Clipboard);
}

void clearPanel(QPlainTextEdit* panel) {
    if (PanelMemory* memory = PanelMemory::of(panel)) memory->cleared(panel->document()->toRawText());
    panel->clear();
    panel->repaint();
}

void readPanelLines(QTextBlock& block, QString& text, const QElapsedTimer& slice, qint64 ms) {
    const QTextBlock first = block.document() != nullptr ? block.document()->firstBlock() : QTextBlock();
    while (block.isValid()) {
        // The clock is read every few hundred lines: reading it costs more than a line.
        for (int n = 0; n < 512 && block.isValid(); ++n) {
            if (block != first) text += QLatin1Char('\n');
            text += block.text();
            block = block.next();
        }
        if (slice.elapsed() >= ms) return;
    }
}

void replacePanelText(QPlainTextEdit* panel, const QString& text) {
    prepareForText(panel, text);
    QTextDocument* document = panel->document();
    document->setUndoRedoEnabled(false);
    panel->setPlainText(text);
    document->setUndoRedoEnabled(true);
    document->setModified(false);
}

}  // namespace ui
