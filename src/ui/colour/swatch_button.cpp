#include "ui/colour/swatch_button.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <utility>

#include "text/contrast.h"

namespace ui {
namespace {

text::Rgb rgbOf(QColor colour) {
    return {static_cast<std::uint8_t>(colour.red()), static_cast<std::uint8_t>(colour.green()),
            static_cast<std::uint8_t>(colour.blue())};
}

constexpr int kPadding = 6;  // around the label
constexpr int kRing = 2;     // the focus ring, outside the swatch

}  // namespace

SwatchButton::SwatchButton(QColor colour, QString title, QString detail, QWidget* parent)
    : QPushButton(parent), colour_(colour), title_(std::move(title)), detail_(std::move(detail)) {
    // Enter and Return click the focused swatch as Space does.
    setAutoDefault(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

void SwatchButton::setColour(QColor colour, const QString& title, const QString& detail) {
    colour_ = colour;
    title_ = title;
    detail_ = detail;
    updateGeometry();
    update();
}

QColor SwatchButton::labelColour() const {
    const text::Rgb on = rgbOf(colour_);
    return text::contrastRatio({0, 0, 0}, on) >= text::contrastRatio({255, 255, 255}, on) ? QColor(Qt::black)
                                                                                          : QColor(Qt::white);
}

QSize SwatchButton::sizeHint() const {
    const QFontMetrics metrics(font());
    const int width = std::max(metrics.horizontalAdvance(title_), metrics.horizontalAdvance(detail_));
    const int lines = detail_.isEmpty() ? 1 : 2;
    return {width + 2 * (kPadding + kRing), lines * metrics.height() + 2 * (kPadding / 2 + kRing) + 2};
}

void SwatchButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF swatch = QRectF(rect()).adjusted(kRing + 0.5, kRing + 0.5, -kRing - 0.5, -kRing - 0.5);
    // The swatch with an outline in the palette's text colour, so black shows on a dark
    // window and white on a light one.
    QColor outline = palette().color(QPalette::WindowText);
    outline.setAlpha(isDown() || underMouse() ? 220 : 110);
    painter.setPen(QPen(outline, 1));
    painter.setBrush(isDown() ? colour_.darker(115) : colour_);
    painter.drawRoundedRect(swatch, 3, 3);
    painter.setPen(labelColour());
    const QRect inner = swatch.toAlignedRect().adjusted(kPadding, 1, -kPadding, -1);
    const QString label = detail_.isEmpty() ? title_ : title_ + QLatin1Char('\n') + detail_;
    painter.drawText(inner, Qt::AlignCenter, label);
    if (hasFocus()) {
        // Two rings, the palette's highlight outside and the label's colour inside, so the
        // focus shows on every swatch colour and every palette.
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(palette().color(QPalette::Highlight), kRing));
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 4, 4);
        painter.setPen(QPen(labelColour(), 1, Qt::DotLine));
        painter.drawRoundedRect(swatch.adjusted(2, 2, -2, -2), 2, 2);
    }
}

}  // namespace ui
