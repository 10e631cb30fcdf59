// The game's view of names and lore: the tooltip painter, the strip beside a focused name or
// lore field, the whole-gem window of the "宝石" page. This file: the painter, shared by all
// of them and by the item designer's preview.
//
// Draws lines of styled runs the way the game draws an item's tooltip: a nearly opaque dark
// background, a purple border fading from top to bottom, each run in its colour with its
// shadow one game pixel down and right, bold, italic, underline and strikethrough as set,
// placeholders outlined (the plugin fills them in), and obfuscated runs changing their
// glyphs a few times a second while the view is shown.
#pragma once

#include <QFont>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <vector>

#include "text/format.h"

namespace ui {

class TooltipView : public QWidget {
public:
    explicit TooltipView(QWidget* parent);

    // The lines to draw. With a name, the first line is an item's name and a small gap
    // follows it, as in the game.
    void setLines(std::vector<text::Line> lines, bool withName);
    const std::vector<text::Line>& lines() const { return lines_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // Whether obfuscated text is changing its glyphs now, and how many times it has.
    bool isAnimating() const { return obfuscation_.isActive(); }
    int frame() const { return frame_; }

    // One screen pixel per game pixel times this: the game's usual interface scale is 2.
    static constexpr int kScale = 2;
    // The time between two changes of obfuscated glyphs.
    static constexpr int kObfuscationMs = 125;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // A run ready to draw: its font, colours and characters with their advances.
    struct Piece {
        QString text;
        QFont font;
        QColor colour;
        QColor shadow;
        bool obfuscated = false;
        std::vector<std::pair<int, int>> placeholders;  // [begin, end) in text
        std::vector<int> advances;                      // for obfuscated runs: per character
        int width = 0;
    };
    struct DrawnLine {
        std::vector<Piece> pieces;
        int width = 0;
    };

    void updateAnimation();
    int lineTop(int line) const;

    std::vector<text::Line> lines_;
    std::vector<DrawnLine> drawn_;
    bool withName_ = false;
    bool hasObfuscated_ = false;
    QTimer obfuscation_;
    int frame_ = 0;
};

}  // namespace ui
