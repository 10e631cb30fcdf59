#include "ui/base/readable_colour.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

#include "text/contrast.h"

namespace ui {
namespace {

text::Rgb rgbOf(const QColor& c) {
    return {static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
            static_cast<std::uint8_t>(c.blue())};
}

constexpr const char* kFormColour = "formColour";

}  // namespace

ReadableColour::ReadableColour(QWidget* widget, QPalette::ColorRole text, QPalette::ColorRole background, QColor colour,
                               bool sameAsWindow)
    : QObject(widget), widget_(widget), text_(text), background_(background), colour_(colour),
      sameAsWindow_(sameAsWindow) {
    widget->setProperty(kFormColour, colour);
    // The application says when its palette changes; a widget whose palette is set does not
    // always hear of it.
    qApp->installEventFilter(this);
    update();
}

void ReadableColour::apply(QWidget* widget, QPalette::ColorRole text, QPalette::ColorRole background, QColor colour,
                           bool sameAsWindow) {
    new ReadableColour(widget, text, background, colour, sameAsWindow);
}

QColor ReadableColour::formColourOf(const QWidget* widget) { return widget->property(kFormColour).value<QColor>(); }

void ReadableColour::update() {
    // The application's palette, every role set on the widget: a widget with a palette of
    // its own does not follow a change of the application's, so it is given all of it here
    // (no window of the editor sets a palette of its own).
    const QPalette scheme = QApplication::palette(widget_);
    QPalette palette;
    for (int g = 0; g < QPalette::NColorGroups; ++g) {
        const auto group = static_cast<QPalette::ColorGroup>(g);
        for (int r = 0; r < QPalette::NColorRoles; ++r) {
            const auto role = static_cast<QPalette::ColorRole>(r);
            palette.setBrush(group, role, scheme.brush(group, role));
        }
        // A box drawn like the window behind it.
        if (sameAsWindow_) palette.setColor(group, background_, scheme.color(group, QPalette::Window));
        // No colour of the form's: the window's own text colour, as the scheme gives it.
        const QColor wanted = colour_.isValid() ? colour_ : scheme.color(group, QPalette::WindowText);
        const text::Rgb drawn = text::readableOn(rgbOf(wanted), rgbOf(palette.color(group, background_)));
        palette.setColor(group, text_, QColor(drawn.r, drawn.g, drawn.b));
    }
    if (palette != widget_->palette()) widget_->setPalette(palette);
}

bool ReadableColour::eventFilter(QObject* watched, QEvent* event) {
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange) update();
    return QObject::eventFilter(watched, event);
}

}  // namespace ui
