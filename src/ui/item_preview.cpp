#include "ui/item_preview.h"

#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <algorithm>

#include "ui/fonts.h"
#include "ui/text.h"

namespace ui {
namespace {

constexpr int kPixelSize = 14;
constexpr int kPadding = 4;   // inside the border
constexpr int kLineGap = 2;   // between lines
constexpr int kTitleGap = 2;  // the game leaves a little more room below the name

QColor rgbColour(std::uint32_t rgb, int alpha = 255) {
    return {static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF), static_cast<int>(rgb & 0xFF),
            alpha};
}

QFont runFont(const text::Style& style) {
    QFont font = unitFont({-kPixelSize, style.bold});
    font.setItalic(style.italic);
    font.setUnderline(style.underlined);
    font.setStrikeOut(style.strikethrough);
    return font;
}

bool anyObfuscated(const std::vector<text::Line>& lines) {
    for (const text::Line& line : lines)
        for (const text::Run& run : line)
            if (run.style.obfuscated) return true;
    return false;
}

// The run's text as drawn now: obfuscated characters change with every frame.
QString shown(const text::Run& run, std::uint32_t frame) {
    QString text = fromUtf8(run.text);
    if (!run.style.obfuscated) return text;
    QString out;
    std::uint32_t seed = frame * 2654435761u;
    for (char32_t c : text.toUcs4()) {
        seed = seed * 1664525u + 1013904223u;
        const char32_t glyph = text::obfuscatedGlyph(c, seed >> 8);
        out += QString::fromUcs4(&glyph, 1);
    }
    return out;
}

}  // namespace

ItemPreview::ItemPreview(QWidget* parent) : QWidget(parent), obfuscation_(new QTimer(this)) {
    setAccessibleName(QStringLiteral("物品预览"));
    obfuscation_->setInterval(100);
    connect(obfuscation_, &QTimer::timeout, this, [this] {
        ++frame_;
        update();
    });
}

void ItemPreview::setLines(std::vector<text::Line> lines) {
    lines_ = std::move(lines);
    // A screen reader reads the tooltip's text, line by line.
    QStringList said;
    for (const text::Line& line : lines_) {
        QString words;
        for (const text::Run& run : line) words += fromUtf8(run.text);
        said << words;
    }
    setAccessibleDescription(said.join(QLatin1Char('\n')));
    if (anyObfuscated(lines_))
        obfuscation_->start();
    else
        obfuscation_->stop();
    update();
}

void ItemPreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setClipRect(rect());
    const int lineHeight = QFontMetrics(unitFont({-kPixelSize})).height() + kLineGap;
    // The tooltip is as wide as its widest line, as far as the widget lets it be.
    int widest = 0;
    for (const text::Line& line : lines_) {
        int width = 0;
        for (const text::Run& run : line)
            width += QFontMetrics(runFont(run.style)).horizontalAdvance(fromUtf8(run.text));
        widest = std::max(widest, width);
    }
    const int lineCount = static_cast<int>(lines_.size());
    const int contentHeight = lineCount * lineHeight + (lineCount > 1 ? kTitleGap : 0);
    const QRect box(0, 0, std::min(width(), widest + 2 * kPadding + 3),
                    std::min(height(), contentHeight + 2 * kPadding + 2));
    // Background #100010, nearly opaque; a one-pixel border from #5000FF to #28007F at about a
    // third of their strength, one pixel in from the edge.
    painter.fillRect(box, QColor(0x10, 0x00, 0x10, 0xF0));
    QLinearGradient border(box.topLeft(), box.bottomLeft());
    border.setColorAt(0, rgbColour(0x5000FF, 0x50));
    border.setColorAt(1, rgbColour(0x28007F, 0x50));
    painter.setPen(QPen(QBrush(border), 1));
    painter.drawRect(box.adjusted(1, 1, -2, -2));

    int y = kPadding + 1;
    for (int i = 0; i < lineCount; ++i) {
        int x = kPadding + 2;
        const int baseline = y + QFontMetrics(unitFont({-kPixelSize})).ascent();
        for (const text::Run& run : lines_[static_cast<std::size_t>(i)]) {
            const QFont font = runFont(run.style);
            const QString words = shown(run, frame_);
            painter.setFont(font);
            // The shadow: the same colour at a quarter of its brightness, one pixel down and right.
            const std::uint32_t shadow = (run.style.rgb & 0xFCFCFC) >> 2;
            painter.setPen(rgbColour(shadow));
            painter.drawText(x + 1, baseline + 1, words);
            painter.setPen(rgbColour(run.style.rgb));
            painter.drawText(x, baseline, words);
            x += QFontMetrics(font).horizontalAdvance(words);
        }
        y += lineHeight + (i == 0 ? kTitleGap : 0);
    }
}

}  // namespace ui
