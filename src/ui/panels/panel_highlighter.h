// Highlighting of the output panels: in the configuration panel YAML keys, strings and
// comments in quiet colours and the colour codes inside strings in their own colour; in the
// command panel the command words apart from the values. The spans come from text/; this
// only turns them into formats of the lines' layouts. The formats are drawn over the text
// and never become part of it, so nothing that is copied changes.
//
// A small change (a click's append, a keystroke) is highlighted at once, inside the
// document's own change, so the lines are laid out once, with their colours. A large one
// (a file of a hundred thousand lines) is highlighted where the panel shows it before it is
// painted, and everywhere else a slice at a time while the editor is idle, so opening or
// pasting it does not wait for lines nobody sees yet.
#pragma once

#include <QColor>
#include <QObject>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTimer>
#include <array>
#include <unordered_map>
#include <vector>

#include "text/highlight.h"

class QPlainTextEdit;

namespace ui {

class PanelHighlighter : public QObject {
    Q_OBJECT
public:
    enum class Rules { Configuration, Commands };

    // Highlights panel's document; a child of the panel.
    PanelHighlighter(QPlainTextEdit* panel, Rules rules);

    // The format of a token for a background: quiet colours that keep to the palette's
    // lightness. A colour code gets its own colour, on a darker or lighter ground where its
    // colour would not stand out from the panel's.
    static QTextCharFormat formatFor(text::Token token, std::uint32_t rgb, const QColor& base);

    // Switched off, the panel is drawn plain; switched on again, every line is highlighted
    // again, as after a large change.
    void setActive(bool active);
    bool isActive() const { return active_; }
    // Lines left for the idle passes; highlightAll does them now.
    bool hasPending() const { return pending_; }
    void highlightAll();

private:
    void changed(int from, int removed, int added);
    // Sets block's formats; false when they were already those.
    bool highlight(const QTextBlock& block);
    // Highlights the pending blocks from first on, at most count of them, then tells the
    // layout once about the whole range; returns the block after the last one looked at.
    QTextBlock highlightRange(QTextBlock first, int count, bool stopAtHighlighted);
    void markAllPending();
    void idlePass();
    void beforePaint();
    void updateFormats();
    bool eventFilter(QObject* watched, QEvent* event) override;

    QPlainTextEdit* panel_;
    QObject* viewport_ = nullptr;
    Rules rules_;
    bool active_ = true;
    bool pending_ = false;
    // Where the idle passes go on from: every pending block is at or after it.
    QTextCursor scan_;
    QTimer idle_;
    QColor base_;
    std::array<QTextCharFormat, 9> formats_;
    std::unordered_map<std::uint32_t, QTextCharFormat> colours_;  // by code colour
    std::vector<text::Span> spans_;
    QList<QTextLayout::FormatRange> ranges_;
};

}  // namespace ui
