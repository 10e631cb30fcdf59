// Highlighting of the output panels: in the configuration panel YAML keys, strings and
// comments in quiet colours and the colour codes inside strings in their own colour; in the
// command panel the command words apart from the values. The spans come from text/; this
// only turns them into formats, one line at a time, as Qt lays lines out. The formats are
// drawn over the text and never become part of it, so nothing that is copied changes.
#pragma once

#include <QColor>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <array>
#include <unordered_map>
#include <vector>

#include "text/highlight.h"

class QPlainTextEdit;

namespace ui {

class PanelHighlighter : public QSyntaxHighlighter {
public:
    enum class Rules { Configuration, Commands };

    PanelHighlighter(QPlainTextEdit* panel, Rules rules);

    // The format of a token for a background: quiet colours that keep to the palette's
    // lightness. A colour code gets its own colour, on a darker or lighter ground where its
    // colour would not stand out from the panel's.
    static QTextCharFormat formatFor(text::Token token, std::uint32_t rgb, const QColor& base);

protected:
    void highlightBlock(const QString& line) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateFormats();

    QPlainTextEdit* panel_;
    Rules rules_;
    QColor base_;
    std::array<QTextCharFormat, 9> formats_;
    std::unordered_map<std::uint32_t, QTextCharFormat> colours_;  // by code colour
    std::vector<text::Span> spans_;
};

}  // namespace ui
