#include "ui/preview/tooltip_view.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QStringList>
#include <algorithm>

#include "ui/base/fonts.h"
#include "ui/base/text.h"

namespace ui {
namespace {

constexpr int s = TooltipView::kScale;
constexpr int kPad = 4 * s;          // border and blank around the text, as the game leaves
constexpr int kLineHeight = 10 * s;  // the game's line pitch
constexpr int kNameGap = 2 * s;      // below an item's name
constexpr int kFontPixels = 8 * s;   // the game's glyphs are 8 pixels high

QColor rgbColour(std::uint32_t rgb) { return QColor::fromRgb(static_cast<QRgb>(rgb)); }

// The game draws the shadow in the text's colour at a quarter of its brightness.
QColor shadowOf(std::uint32_t rgb) { return rgbColour((rgb & 0xFCFCFCu) >> 2); }

// A stand-in for the character at index i of frame: any number will do as long as it
// differs between characters and frames.
std::uint32_t mix(int frame, int i) {
    std::uint32_t x = static_cast<std::uint32_t>(frame) * 2654435761u ^ static_cast<std::uint32_t>(i) * 40503u;
    x ^= x >> 15;
    x *= 0x2C1B3C6Du;
    x ^= x >> 12;
    return x;
}

QString character(char32_t cp) { return QString::fromUcs4(&cp, 1); }

}  // namespace

TooltipView::TooltipView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    obfuscation_.setInterval(kObfuscationMs);
    connect(&obfuscation_, &QTimer::timeout, this, [this] {
        ++frame_;
        update();
    });
    setLines({{}}, false);
}

void TooltipView::setLines(std::vector<text::Line> lines, bool withName) {
    if (lines == lines_ && withName == withName_ && !drawn_.empty()) return;
    lines_ = std::move(lines);
    withName_ = withName;
    // A screen reader reads the tooltip's text, line by line.
    QStringList said;
    for (const text::Line& line : lines_) {
        QString words;
        for (const text::Run& run : line) words += fromUtf8(run.text);
        said << words;
    }
    setAccessibleDescription(said.join(QLatin1Char('\n')));
    drawn_.clear();
    hasObfuscated_ = false;
    QFont base = unitFont({-kFontPixels, false});
    for (const text::Line& line : lines_) {
        DrawnLine drawn;
        for (const text::Run& run : line) {
            Piece piece;
            piece.text = fromUtf8(run.text);
            piece.font = base;
            piece.font.setBold(run.style.bold);
            piece.font.setItalic(run.style.italic);
            piece.font.setUnderline(run.style.underlined);
            piece.font.setStrikeOut(run.style.strikethrough);
            piece.colour = rgbColour(run.style.rgb);
            piece.shadow = shadowOf(run.style.rgb);
            piece.obfuscated = run.style.obfuscated;
            const QFontMetrics metrics(piece.font);
            for (const auto& [begin, end] : text::placeholderSpans(run.text)) {
                const int from = static_cast<int>(fromUtf8(std::string_view(run.text).substr(0, begin)).size());
                const int to = static_cast<int>(fromUtf8(std::string_view(run.text).substr(0, end)).size());
                piece.placeholders.emplace_back(from, to);
            }
            if (piece.obfuscated) {
                hasObfuscated_ = true;
                for (char32_t cp : piece.text.toUcs4())
                    piece.advances.push_back(metrics.horizontalAdvance(character(cp)));
                for (int advance : piece.advances) piece.width += advance;
            } else {
                piece.width = metrics.horizontalAdvance(piece.text);
            }
            drawn.width += piece.width;
            drawn.pieces.push_back(std::move(piece));
        }
        drawn_.push_back(std::move(drawn));
    }
    updateGeometry();
    updateAnimation();
    update();
}

int TooltipView::lineTop(int line) const { return kPad + line * kLineHeight + (withName_ && line > 0 ? kNameGap : 0); }

QSize TooltipView::sizeHint() const {
    int width = 0;
    for (const DrawnLine& line : drawn_) width = std::max(width, line.width);
    const int lines = std::max<int>(1, static_cast<int>(drawn_.size()));
    return {width + 2 * kPad + s, lineTop(lines) + kPad - 2 * s};
}

void TooltipView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    updateAnimation();
}

void TooltipView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    updateAnimation();
}

void TooltipView::updateAnimation() {
    if (hasObfuscated_ && isVisible())
        obfuscation_.start();
    else
        obfuscation_.stop();
}

void TooltipView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // As large as its lines need, as far as the widget lets it be; in a larger box (the item
    // designer's) the rest stays clear.
    const QSize wanted = sizeHint();
    const int w = std::min(width(), wanted.width());
    const int h = std::min(height(), wanted.height());
    // The background with its corners cut, then the border one game pixel inside it.
    const QColor background = QColor::fromRgba(0xF0100010u);
    painter.fillRect(s, 0, w - 2 * s, h, background);
    painter.fillRect(0, s, s, h - 2 * s, background);
    painter.fillRect(w - s, s, s, h - 2 * s, background);
    QLinearGradient border(0, s, 0, h - s);
    border.setColorAt(0, QColor::fromRgba(0x505000FFu));
    border.setColorAt(1, QColor::fromRgba(0x5028007Fu));
    painter.fillRect(s, s, w - 2 * s, s, QColor::fromRgba(0x505000FFu));
    painter.fillRect(s, h - 2 * s, w - 2 * s, s, QColor::fromRgba(0x5028007Fu));
    painter.fillRect(s, 2 * s, s, h - 4 * s, border);
    painter.fillRect(w - 2 * s, 2 * s, s, h - 4 * s, border);

    painter.setClipRect(kPad - s, 0, std::max(0, w - 2 * kPad + 2 * s), h);
    int index = 0;
    for (std::size_t l = 0; l < drawn_.size(); ++l) {
        const int top = lineTop(static_cast<int>(l));
        int x = kPad;
        for (const Piece& piece : drawn_[l].pieces) {
            const QFontMetrics metrics(piece.font);
            const int baseline = top + (kLineHeight - metrics.height()) / 2 + metrics.ascent();
            painter.setFont(piece.font);
            if (piece.obfuscated) {
                int cx = x;
                int i = 0;
                for (char32_t cp : piece.text.toUcs4()) {
                    const QString glyph = character(text::obfuscatedGlyph(cp, mix(frame_, index++)));
                    painter.setPen(piece.shadow);
                    painter.drawText(QPoint(cx + s, baseline + s), glyph);
                    painter.setPen(piece.colour);
                    painter.drawText(QPoint(cx, baseline), glyph);
                    cx += piece.advances[static_cast<std::size_t>(i++)];
                }
            } else {
                painter.setPen(piece.shadow);
                painter.drawText(QPoint(x + s, baseline + s), piece.text);
                painter.setPen(piece.colour);
                painter.drawText(QPoint(x, baseline), piece.text);
            }
            // Placeholders get a dotted frame: the plugin puts a value there.
            for (const auto& [begin, end] : piece.placeholders) {
                const int left = x + metrics.horizontalAdvance(piece.text.left(begin));
                const int right = x + metrics.horizontalAdvance(piece.text.left(end));
                QColor frame = piece.colour;
                frame.setAlpha(170);
                painter.setPen(QPen(frame, 1, Qt::DotLine));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(left - 1, top - 1, right - left + s, kLineHeight - 1);
            }
            x += piece.width;
        }
    }
    // Cut short: a fade and an ellipsis say there is more.
    if (w < wanted.width()) {
        painter.setClipping(false);
        QLinearGradient fade(w - kPad - 6 * s, 0, w - kPad, 0);
        fade.setColorAt(0, QColor::fromRgba(0x00100010u));
        fade.setColorAt(1, background);
        painter.fillRect(w - kPad - 6 * s, kPad, 6 * s, h - 2 * kPad, fade);
        painter.setPen(QColor(0xAAAAAA));
        painter.setFont(unitFont({-kFontPixels, false}));
        painter.drawText(QRect(w - kPad - 4 * s, 0, 4 * s, h), Qt::AlignCenter, QStringLiteral("…"));
    }
}

}  // namespace ui
