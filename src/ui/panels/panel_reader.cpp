#include "ui/panels/panel_reader.h"

#include <QTextDocument>
#include <algorithm>
#include <utility>

namespace ui {

QString readBack(QStringView text, QChar lineEnd) {
    QString out;
    out.resize(text.size());
    QChar* to = out.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i].unicode();
        if (ch == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;  // the LF follows
        *to++ = ch == u'\n' || ch == u'\r' || ch == 0x2029 || ch == 0xFDD0 || ch == 0xFDD1 ? lineEnd : QChar(ch);
    }
    out.truncate(to - out.constData());
    return out;
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
    longestSliceMs_ = std::max(longestSliceMs_, static_cast<double>(slice.nsecsElapsed()) / 1e6);
    if (block_.isValid()) return timer_.start();
    // Handed on once: the callback may delete this reader's panel, so nothing follows it.
    auto done = std::move(done_);
    deleteLater();
    done(std::exchange(text_, {}));
}

}  // namespace ui
