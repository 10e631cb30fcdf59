#include "ui/panels/panel_highlighter.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>
#include <climits>

#include "text/contrast.h"
#include "ui/panels/panel_fill.h"

namespace ui {
namespace {

// A change of up to this many lines is highlighted inside the change itself.
constexpr int kAtOnce = 64;
// An idle pass stops after about this long, so input never waits for it.
constexpr qint64 kPassNs = 4'000'000;
constexpr int kHighlighted = 1;
constexpr int kWhileFillingMs = 50;  // how often an idle pass looks again while a file goes in  // a block's user state
                                     // once its formats are current

bool isDark(const QColor& base) { return base.lightnessF() < 0.5; }

text::Rgb rgbOf(const QColor& c) {
    return {static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
            static_cast<std::uint8_t>(c.blue())};
}

}  // namespace

PanelHighlighter::PanelHighlighter(QPlainTextEdit* panel, Rules rules)
    : QObject(panel), panel_(panel), rules_(rules), scan_(panel->document()) {
    base_ = panel->palette().color(QPalette::Base);
    updateFormats();
    idle_.setSingleShot(true);
    idle_.setInterval(0);
    connect(&idle_, &QTimer::timeout, this, &PanelHighlighter::idlePass);
    connect(panel->document(), &QTextDocument::contentsChange, this, &PanelHighlighter::changed);
    panel->installEventFilter(this);
    viewport_ = panel->viewport();
    viewport_->installEventFilter(this);
    if (!panel->document()->isEmpty()) markAllPending();
}

QTextCharFormat PanelHighlighter::formatFor(text::Token token, std::uint32_t rgb, const QColor& base) {
    const bool dark = isDark(base);
    QTextCharFormat format;
    const auto quiet = [&](QRgb onLight, QRgb onDark) { format.setForeground(QColor(dark ? onDark : onLight)); };
    switch (token) {
    case text::Token::Key: quiet(0x1F4E79, 0x9CC3E6); break;
    case text::Token::Dash: quiet(0x707070, 0x9A9A9A); break;
    case text::Token::String: quiet(0x3A6B35, 0xA8D5A2); break;
    case text::Token::Comment:
        quiet(0x808080, 0x8C8C8C);
        format.setFontItalic(true);
        break;
    case text::Token::Command: quiet(0x1F4E79, 0x9CC3E6); break;
    case text::Token::Value: break;
    case text::Token::FormatCode: quiet(0x8A5A9E, 0xC9A6D9); break;
    case text::Token::Placeholder:
        quiet(0x8A5A9E, 0xC9A6D9);
        format.setFontItalic(true);
        break;
    case text::Token::ColourCode: {
        const QColor colour = QColor::fromRgb(static_cast<QRgb>(rgb));
        format.setForeground(colour);
        // "&f" on a white panel or "&0" on a black one: a ground that shows the colour.
        if (text::contrastRatio(rgbOf(colour), rgbOf(base)) < 3.0)
            format.setBackground(text::luminance(rgbOf(colour)) > 0.4 ? QColor(0x303030) : QColor(0xE0E0E0));
        break;
    }
    }
    return format;
}

void PanelHighlighter::updateFormats() {
    for (std::size_t i = 0; i < formats_.size(); ++i) formats_[i] = formatFor(static_cast<text::Token>(i), 0, base_);
    colours_.clear();
}

bool PanelHighlighter::highlight(const QTextBlock& block) {
    QTextBlock writable = block;
    writable.setUserState(kHighlighted);
    const QString line = block.text();
    const std::u16string_view view(reinterpret_cast<const char16_t*>(line.utf16()),
                                   static_cast<std::size_t>(line.size()));
    if (rules_ == Rules::Configuration)
        text::highlightYaml(view, spans_);
    else
        text::highlightCommand(view, spans_);
    ranges_.clear();
    for (const text::Span& span : spans_) {
        if (span.token == text::Token::Value) continue;  // values keep the panel's own text colour
        QTextLayout::FormatRange range;
        range.start = static_cast<int>(span.start);
        range.length = static_cast<int>(span.length);
        if (span.token == text::Token::ColourCode) {
            auto it = colours_.find(span.rgb);
            if (it == colours_.end()) it = colours_.emplace(span.rgb, formatFor(span.token, span.rgb, base_)).first;
            range.format = it->second;
        } else {
            range.format = formats_[static_cast<std::size_t>(span.token)];
        }
        ranges_.push_back(std::move(range));
    }
    QTextLayout* layout = block.layout();
    if (layout == nullptr || layout->formats() == ranges_) return false;
    layout->setFormats(ranges_);
    return true;
}

void PanelHighlighter::changed(int from, int removed, int added) {
    if (!active_) return;
    QTextDocument* document = panel_->document();
    const QTextBlock first = document->findBlock(from);
    if (!first.isValid()) return;
    // A removed line break joins the next line to this one: that line is looked at too.
    QTextBlock last = document->findBlock(from + added + (removed > 0 ? 1 : 0));
    if (!last.isValid()) last = document->lastBlock();
    int lines = 1;
    for (QTextBlock block = first; block != last && block.isValid() && lines <= kAtOnce; block = block.next()) ++lines;
    if (lines <= kAtOnce) {
        // Inside the document's change, the layout hears of the new formats (setFormats
        // tells the document) together with the new text, and lays the lines out once.
        for (QTextBlock block = first; block.isValid(); block = block.next()) {
            highlight(block);
            if (block == last) break;
        }
        return;
    }
    // New lines start pending (a block's user state starts at -1); the changed first and
    // last ones may have been highlighted before.
    for (QTextBlock block = first; block.isValid(); block = block.next()) {
        block.setUserState(-1);
        if (block == last) break;
    }
    if (!pending_ || from < scan_.position()) scan_.setPosition(from);
    pending_ = true;
    idle_.start(0);
}

QTextBlock PanelHighlighter::highlightRange(QTextBlock block, int count, bool stopWhenDone) {
    int start = -1;
    int end = -1;
    QElapsedTimer timer;
    timer.start();
    for (int looked = 0; block.isValid() && looked < count; block = block.next(), ++looked) {
        if (block.userState() != kHighlighted && highlight(block)) {
            if (start < 0) start = block.position();
            end = block.position() + block.length();
        }
        if (stopWhenDone && looked % 64 == 63 && timer.nsecsElapsed() > kPassNs) {
            block = block.next();
            break;
        }
    }
    // One notice for the whole range: the layout drops the old lines and lays them out
    // again only when they are drawn.
    if (start >= 0) panel_->document()->markContentsDirty(start, end - start);
    return block;
}

void PanelHighlighter::idlePass() {
    if (!pending_ || !active_) return;
    // A file going in comes first: the lines it leaves are highlighted once it is in.
    if (PanelFill::of(panel_) != nullptr) return idle_.start(kWhileFillingMs);
    const QTextBlock next = highlightRange(scan_.block(), INT_MAX, true);
    if (!next.isValid()) {
        pending_ = false;
        return;
    }
    scan_.setPosition(next.position());
    idle_.start(0);
}

void PanelHighlighter::highlightAll() {
    if (!pending_ || !active_) return;
    highlightRange(scan_.block(), INT_MAX, false);
    pending_ = false;
    idle_.stop();
}

// The lines about to be drawn are highlighted first, so a large text never shows plain.
void PanelHighlighter::beforePaint() {
    if (!pending_ || !active_) return;
    const QTextBlock top = panel_->cursorForPosition(QPoint(0, 0)).block();
    // Every line is at least one line high: this many blocks cover the view.
    const int lines = panel_->viewport()->height() / std::max(1, panel_->fontMetrics().lineSpacing()) + 2;
    highlightRange(top, lines, false);
}

void PanelHighlighter::markAllPending() {
    QTextDocument* document = panel_->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) block.setUserState(-1);
    scan_.setPosition(0);
    pending_ = true;
    idle_.start(0);
    panel_->viewport()->update();
}

void PanelHighlighter::setActive(bool active) {
    if (active == active_) return;
    active_ = active;
    if (active) return markAllPending();
    idle_.stop();
    pending_ = false;
    QTextDocument* document = panel_->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        block.setUserState(-1);
        if (!block.layout()->formats().isEmpty()) block.layout()->clearFormats();
    }
    document->markContentsDirty(0, document->characterCount());
}

bool PanelHighlighter::eventFilter(QObject* watched, QEvent* event) {
    // The viewport as it was at the start: events still come while the panel is taken down,
    // when it is no longer a scroll area to ask.
    if (watched == viewport_ && event->type() == QEvent::Paint) {
        beforePaint();
    } else if (watched == panel_ && event->type() == QEvent::PaletteChange) {
        const QColor base = panel_->palette().color(QPalette::Base);
        if (base != base_) {
            base_ = base;
            updateFormats();
            if (active_) markAllPending();
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace ui
