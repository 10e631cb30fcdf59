// A button drawn as a swatch of one colour with its label on it, in black or white, whichever
// reads better on the colour, so it reads the same on a light or a dark palette.
#pragma once

#include <QColor>
#include <QPushButton>
#include <QString>

namespace ui {

class SwatchButton : public QPushButton {
public:
    // title on the first line, detail (may be empty) on the second.
    SwatchButton(QColor colour, QString title, QString detail, QWidget* parent);

    QColor colour() const { return colour_; }
    void setColour(QColor colour, const QString& title, const QString& detail);
    // The colour the label is drawn in: black or white, the one of higher contrast.
    QColor labelColour() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colour_;
    QString title_;
    QString detail_;
};

}  // namespace ui
