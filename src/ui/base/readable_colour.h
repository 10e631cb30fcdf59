// Text in the form's own colours, kept readable on whatever background the palette gives: the
// colour is drawn with its hue, made lighter or darker only as far as 4.5:1 contrast needs,
// and worked out again whenever the palette changes (a dark scheme, a style change).
#pragma once

#include <QColor>
#include <QObject>
#include <QPalette>

class QWidget;

namespace ui {

class ReadableColour : public QObject {
public:
    // Draws the widget's text role in colour, on its background role. With sameAsWindow the
    // background role follows the window's colour (a box drawn like the window behind it). An
    // invalid colour stands for the scheme's window text colour.
    static void apply(QWidget* widget, QPalette::ColorRole text, QPalette::ColorRole background, QColor colour,
                      bool sameAsWindow = false);

    // The colour the form gives a widget's text, or an invalid colour when it gives none.
    static QColor formColourOf(const QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ReadableColour(QWidget* widget, QPalette::ColorRole text, QPalette::ColorRole background, QColor colour,
                   bool sameAsWindow);
    void update();

    QWidget* widget_;
    QPalette::ColorRole text_;
    QPalette::ColorRole background_;
    QColor colour_;
    bool sameAsWindow_;
};

}  // namespace ui
