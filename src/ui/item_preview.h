// The item designer's preview: the designed item drawn as the game draws its tooltip (dark
// background, purple border, text with its shadow), from lines of styled runs.
#pragma once

#include <QWidget>
#include <vector>

#include "text/format.h"

class QTimer;

namespace ui {

class ItemPreview : public QWidget {
public:
    explicit ItemPreview(QWidget* parent);

    // The lines drawn, as given: the text, colour and formats of every run.
    const std::vector<text::Line>& lines() const { return lines_; }
    void setLines(std::vector<text::Line> lines);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<text::Line> lines_;
    QTimer* obfuscation_;  // redraws obfuscated runs with new glyphs while there are any
    std::uint32_t frame_ = 0;
};

}  // namespace ui
