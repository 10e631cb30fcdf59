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
#include <algorithm>
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
    connect(panel->document(), &QTextDocument::contentsChange, this, &PanelMemory::contentsChange);
    connect(panel->document(), &QTextDocument::contentsChanged, this, &PanelMemory::changed);
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
    appendIntact_ = false;
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
    appendStart_ = panel_->document()->characterCount() - 1 - static_cast<int>(lastAppend_.size());
    appendIntact_ = !lastAppend_.isEmpty();
    appendedAt_ = ++gEvents;
    emit changed();
}

void PanelMemory::forget() {
    cleared_.clear();
    lastAppend_.clear();
    appendIntact_ = false;
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

QString copyPanel(const QPlainTextEdit* panel) {
    QString text = panelText(panel);
    QGuiApplication::clipboard()->setText(text, QClipboard::Clipboard);
    return text;
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

namespace {

constexpr qsizetype kFillSlice = 8192;  // characters per insert, widened to whole lines
constexpr qint64 kFillStepMs = 4;       // per turn of the event loop
constexpr qint64 kProgressMs = 100;     // between two reports of how far a fill is

// A text as the document holds it: each line end (CR LF, LF or CR) one paragraph separator.
QString documentForm(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch == QLatin1Char('\r') || ch == QLatin1Char('\n')) {
            if (ch == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
            out += QChar::ParagraphSeparator;
        } else {
            out += ch;
        }
    }
    return out;
}

}  // namespace

PanelFill::PanelFill(QPlainTextEdit* panel, QString text, bool replace)
    : QObject(panel), panel_(panel), text_(std::move(text)), replace_(replace), timer_(new QTimer(this)) {
    setObjectName(QStringLiteral("panelFill"));
    timer_->setSingleShot(true);
    timer_->setInterval(0);
    connect(timer_, &QTimer::timeout, this, [this] { step(kFillStepMs); });
}

PanelFill::~PanelFill() {
    // The panel going away cuts the fill short; the panel itself is past touching.
    if (running_) emit finished(false);
}

PanelFill* PanelFill::of(const QPlainTextEdit* panel) {
    // A finished fill lingers until the event loop deletes it.
    for (PanelFill* fill : panel->findChildren<PanelFill*>(QStringLiteral("panelFill"), Qt::FindDirectChildrenOnly))
        if (fill->running_) return fill;
    return nullptr;
}

void PanelFill::start() {
    QTextDocument* document = panel_->document();
    if (replace_) {
        document->setUndoRedoEnabled(false);
        panel_->clear();
        document->setUndoRedoEnabled(true);
    } else if (!document->isEmpty() && !document->lastBlock().text().isEmpty()) {
        text_.prepend(QLatin1Char('\n'));  // the text starts on a line of its own
    }
    start_ = end_ = document->characterCount() - 1;
    left_ = text_.size();
    readOnly_ = panel_->isReadOnly();
    panel_->setReadOnly(true);
    // The text is drawn once it is in: repainting it on every turn of the loop would cost
    // more than putting it in. The frame and the scroll bar go on being drawn; the text area
    // shows what it showed (an emptied panel shows empty).
    panel_->viewport()->repaint();
    panel_->viewport()->setUpdatesEnabled(false);
    sinceProgress_.start();
    running_ = true;
    connect(document, &QTextDocument::contentsChange, this, &PanelFill::contentsChange);
    step(kFillStepMs);
}

void PanelFill::finishNow() {
    if (running_) step(-1);
}

// The slices go in from the text's end to its start, each in front of the one before. So
// the panel's last lines are in place from the first slice on, and what Qt lays out again
// after each change (the last page, for the scroll bar) is laid out once.
int PanelFill::insertAt(int position, const QString& text) {
    QTextDocument* document = panel_->document();
    QTextCursor cursor(document);
    cursor.setPosition(position);
    inserting_ = true;
    document->setUndoRedoEnabled(false);
    cursor.insertText(text);
    document->setUndoRedoEnabled(true);
    inserting_ = false;
    return cursor.position() - position;
}

void PanelFill::insertSlice(qsizetype begin) {
    const QStringView slice = QStringView(text_).mid(begin, left_ - begin);
    prepareForText(panel_, slice);
    end_ += insertAt(start_, slice.toString());
    left_ = begin;
    if (!replace_) written_.prepend(documentForm(slice));
}

// Slices start after a line end, so that a CR LF is never cut in two; a line longer than a
// slice goes in whole.
void PanelFill::step(qint64 budgetMs) {
    QElapsedTimer timer;
    timer.start();
    while (running_ && left_ > 0 && (budgetMs < 0 || timer.elapsed() < budgetMs)) {
        qsizetype begin = std::max<qsizetype>(0, left_ - kFillSlice);
        if (begin > 0) {
            const qsizetype lineEnd = text_.lastIndexOf(QLatin1Char('\n'), begin - 1);
            begin = lineEnd < 0 ? 0 : lineEnd + 1;
        }
        insertSlice(begin);
    }
    if (!running_) return;
    if (left_ > 0) {
        if (sinceProgress_.elapsed() >= kProgressMs) {
            sinceProgress_.start();
            emit progress(text_.size() - left_, text_.size());
        }
        return timer_->start();
    }
    QTextDocument* document = panel_->document();
    // Text appended meanwhile stays on a line of its own after the file's last line.
    if (end_ < document->characterCount() - 1 && !text_.endsWith(QLatin1Char('\n')) &&
        !text_.endsWith(QLatin1Char('\r')))
        end_ += insertAt(end_, QStringLiteral("\n"));
    QTextCursor caret(document);
    caret.setPosition(replace_ ? start_ : end_);
    panel_->setTextCursor(caret);
    if (replace_) document->setModified(false);
    // Added to the end, it can be taken back like any append, while nothing came after it.
    PanelMemory* memory = PanelMemory::of(panel_);
    if (!replace_ && memory != nullptr && end_ == document->characterCount() - 1)
        memory->appended(std::exchange(written_, {}));
    end(true);
}

// Another change: one after the text leaves it be, one before it moves it, one inside it
// (a clear) ends the fill.
void PanelFill::contentsChange(int from, int removed, int added) {
    if (inserting_ || !running_) return;
    if (from >= end_) return;
    if (from + removed <= start_) {
        start_ += added - removed;
        end_ += added - removed;
        return;
    }
    end(false);
}

void PanelFill::end(bool complete) {
    running_ = false;
    timer_->stop();
    disconnect(panel_->document(), &QTextDocument::contentsChange, this, &PanelFill::contentsChange);
    panel_->setReadOnly(readOnly_);
    panel_->viewport()->setUpdatesEnabled(true);
    panel_->viewport()->update();
    emit progress(text_.size() - left_, text_.size());
    emit finished(complete);
    deleteLater();
}

PanelReader::PanelReader(QPlainTextEdit* panel, qint64 sliceMs, std::function<void(QString)> done)
    : QObject(panel), panel_(panel), sliceMs_(sliceMs), done_(std::move(done)) {
    timer_.setSingleShot(true);
    timer_.setInterval(0);
    connect(&timer_, &QTimer::timeout, this, &PanelReader::step);
    connect(panel->document(), &QTextDocument::contentsChanged, this, [this] { changed_ = true; });
}

void PanelReader::start() { step(); }

void PanelReader::step() {
    if (changed_) {
        changed_ = false;
        block_ = panel_->document()->firstBlock();
        text_.clear();
        text_.reserve(panel_->document()->characterCount());
    }
    QElapsedTimer slice;
    slice.start();
    readPanelLines(block_, text_, slice, sliceMs_);
    if (block_.isValid()) return timer_.start();
    // Handed on once: the callback may delete this reader's panel, so nothing follows it.
    auto done = std::move(done_);
    deleteLater();
    done(std::exchange(text_, {}));
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
