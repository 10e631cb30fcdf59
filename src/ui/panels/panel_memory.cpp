#include "ui/panels/panel_memory.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <utility>

#include "ui/panels/multi_line_edit.h"

namespace ui {

namespace {

quint64 gEvents = 0;  // clears and appends of every panel, counted

}  // namespace

PanelMemory::PanelMemory(QPlainTextEdit* panel) : QObject(panel), panel_(panel) {
    setObjectName(QStringLiteral("panelMemory"));
    panel->installEventFilter(this);
    if (auto* edit = qobject_cast<MultiLineEdit*>(panel))
        connect(edit, &MultiLineEdit::contextMenuAboutToShow, this, &PanelMemory::addToMenu);
    // Typing can end or restore the panel's ending with the last append.
    connect(panel->document(), &QTextDocument::contentsChange, this, &PanelMemory::contentsChange);
    connect(panel->document(), &QTextDocument::contentsChanged, this, &PanelMemory::changed);
}

void PanelMemory::addToMenu(QMenu* menu) {
    menu->addSeparator();
    QAction* undo = menu->addAction(QStringLiteral("撤销清空"), this, &PanelMemory::undoClear);
    undo->setEnabled(canUndoClear());
    QAction* remove = menu->addAction(QStringLiteral("删除上一次添加"), this, &PanelMemory::removeLast);
    remove->setEnabled(canRemoveLast());
}

// Clearing drops the panel's own undo history, so Ctrl+Z right after a clear has nothing of
// the document's to take back: it takes back the clear. Right after the clear the key does so
// whatever widget of the window has the focus (the clear button, a field), until the user
// types something; a text box of panels with an undo of its own keeps it.
bool PanelMemory::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    auto* widget = static_cast<QWidget*>(watched);
    if (watched == panel_ || (armed_ && widget->window() == panel_->window())) {
        if (key->matches(QKeySequence::Undo)) {
            auto* edit = qobject_cast<QPlainTextEdit*>(widget);
            const bool ownUndo = edit != nullptr && !edit->isReadOnly() && edit->document()->isUndoAvailable();
            if (!ownUndo && (watched != panel_ || !panel_->isReadOnly()) && canUndoClear()) {
                undoClear();
                key->accept();
                return true;
            }
        } else if (watched != panel_ && changesText(key)) {
            disarm();
        }
    }
    return false;
}

bool PanelMemory::changesText(const QKeyEvent* key) {
    if (key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete || key->matches(QKeySequence::Paste) ||
        key->matches(QKeySequence::Cut) || key->matches(QKeySequence::Redo))
        return true;
    const QString text = key->text();
    return !text.isEmpty() && text.at(0).isPrint() && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

void PanelMemory::arm() {
    // The latest clear's memory hears the key first: the one installed last is asked first.
    qApp->removeEventFilter(this);
    qApp->installEventFilter(this);
    armed_ = true;
}

void PanelMemory::disarm() {
    if (!armed_) return;
    armed_ = false;
    qApp->removeEventFilter(this);
}

void PanelMemory::contentsChange(int from, int removed, int added) {
    if (!appendIntact_) return;
    if (from + removed <= appendStart_)
        appendStart_ += added - removed;  // before the appended text: it only moves
    else
        appendIntact_ = false;
}

PanelMemory* PanelMemory::of(const QPlainTextEdit* panel) {
    return panel->findChild<PanelMemory*>(QStringLiteral("panelMemory"), Qt::FindDirectChildrenOnly);
}

bool PanelMemory::canRemoveLast() const {
    if (lastAppend_.isEmpty()) return false;
    if (appendIntact_) return true;
    QTextDocument* document = panel_->document();
    if (document->characterCount() - 1 < lastAppend_.size()) return false;
    // From the end backwards, a line at a time: text typed after the append differs at once.
    qsizetype left = lastAppend_.size();
    for (QTextBlock block = document->lastBlock(); block.isValid(); block = block.previous()) {
        const QString line = block.text();
        const qsizetype compared = std::min(left, line.size());
        if (QStringView(line).right(compared) != QStringView(lastAppend_).mid(left - compared, compared)) return false;
        left -= compared;
        if (left == 0) return true;
        // The text reaches into the line before: a line break comes first.
        if (lastAppend_.at(left - 1) != QChar::ParagraphSeparator) return false;
        if (--left == 0) return true;
    }
    return false;
}

bool PanelMemory::undoClear() {
    disarm();
    if (cleared_.isEmpty()) return false;
    QString text = std::exchange(cleared_, QString());
    QTextDocument* document = panel_->document();
    if (std::exchange(replacement_, false)) {
        // In place of the text that replaced it, undoably: Ctrl+Z once more gives that back.
        prepareForText(panel_, text);
        QTextCursor all(document);
        all.beginEditBlock();
        all.select(QTextCursor::Document);
        all.insertText(text.replace(QChar::ParagraphSeparator, QLatin1Char('\n')));
        all.endEditBlock();
        all.setPosition(0);
        panel_->setTextCursor(all);
        emit replacementUndone();
        emit changed();
        return true;
    }
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
    appendIntact_ = false;
    emit changed();
    return true;
}

void PanelMemory::cleared(QString text) {
    if (text.isEmpty()) return;
    replacement_ = false;
    cleared_ = std::move(text);
    clearedAt_ = ++gEvents;
    arm();
    emit changed();
}

void PanelMemory::replaced(QString text) {
    if (text.isEmpty()) return;
    cleared(std::move(text));
    replacement_ = true;
}

void PanelMemory::appended(QString text) {
    lastAppend_ = std::move(text);
    appendStart_ = panel_->document()->characterCount() - 1 - static_cast<int>(lastAppend_.size());
    appendIntact_ = !lastAppend_.isEmpty();
    appendedAt_ = ++gEvents;
    emit changed();
}

void PanelMemory::forget() {
    disarm();
    cleared_.clear();
    replacement_ = false;
    lastAppend_.clear();
    appendIntact_ = false;
    emit changed();
}

}  // namespace ui
