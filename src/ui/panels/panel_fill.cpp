#include "ui/panels/panel_fill.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <utility>

#include "ui/panels/multi_line_edit.h"
#include "ui/panels/panel_check.h"
#include "ui/panels/panel_memory.h"
#include "ui/panels/panel_reader.h"

namespace ui {

namespace {

constexpr qsizetype kFillSlice = 8192;  // characters per insert, widened to whole lines
constexpr qint64 kFillStepMs = 4;       // per turn of the event loop
constexpr qint64 kProgressMs = 100;     // between two reports of how far a fill is

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
        if (PanelMemory* memory = PanelMemory::of(panel_); memory != nullptr && !document->isEmpty())
            memory->replaced(document->toRawText());
        document->setUndoRedoEnabled(false);
        panel_->clear();
        document->setUndoRedoEnabled(true);
    } else if (!document->isEmpty() && !document->lastBlock().text().isEmpty()) {
        text_.prepend(QLatin1Char('\n'));  // the text starts on a line of its own
    }
    start_ = end_ = document->characterCount() - 1;
    left_ = text_.size();
    // The live check reads the text while it goes in, on another core.
    if (PanelCheck* check = PanelCheck::of(panel_); check != nullptr && replace_) check->checkAhead(text_);
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
    if (!replace_) written_.prepend(readBack(slice, QChar::ParagraphSeparator));
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
    // The panel holds the text alone: the live check takes it from here instead of copying
    // the panel back, which for a file of many megabytes takes a good part of a second.
    // With text appended meanwhile it copies the panel as after any change.
    if (PanelCheck* check = PanelCheck::of(panel_); check != nullptr && replace_) {
        if (start_ == 0 && end_ == document->characterCount() - 1)
            check->adopt(text_, end_);
        else
            check->forgetAhead();
    }
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
    if (PanelCheck* check = PanelCheck::of(panel_); check != nullptr && replace_ && !complete) check->forgetAhead();
    timer_->stop();
    disconnect(panel_->document(), &QTextDocument::contentsChange, this, &PanelFill::contentsChange);
    panel_->setReadOnly(readOnly_);
    panel_->viewport()->setUpdatesEnabled(true);
    panel_->viewport()->update();
    emit progress(text_.size() - left_, text_.size());
    emit finished(complete);
    deleteLater();
}

}  // namespace ui
