#include "ui/panel_highlighter.h"

#include <QEvent>
#include <QPlainTextEdit>
#include <algorithm>
#include <cmath>

namespace ui {
namespace {

bool isDark(const QColor& base) { return base.lightnessF() < 0.5; }

// WCAG relative luminance and contrast.
double luminance(const QColor& c) {
    const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

}  // namespace

PanelHighlighter::PanelHighlighter(QPlainTextEdit* panel, Rules rules)
    : QSyntaxHighlighter(panel->document()), panel_(panel), rules_(rules) {
    base_ = panel->palette().color(QPalette::Base);
    updateFormats();
    panel->installEventFilter(this);
}

QTextCharFormat PanelHighlighter::formatFor(text::Token token, std::uint32_t rgb, const QColor& base) {
    const bool dark = isDark(base);
    QTextCharFormat format;
    const auto quiet = [&](QRgb onLight, QRgb onDark) { format.setForeground(QColor(dark ? onDark : onLight)); };
    switch (token) {
    case text::Token::Key: quiet(0x1F4E79, 0x9CC3E6); break;
    case text::Token::Dash: quiet(0x707070, 0x9A9A9A); break;
    case text::Token::String: quiet(0x3A6B35, 0xA8D5A2); break;
    case text::Token::Comment:
        quiet(0x808080, 0x8C8C8C);
        format.setFontItalic(true);
        break;
    case text::Token::Command: quiet(0x1F4E79, 0x9CC3E6); break;
    case text::Token::Value: break;
    case text::Token::FormatCode: quiet(0x8A5A9E, 0xC9A6D9); break;
    case text::Token::Placeholder:
        quiet(0x8A5A9E, 0xC9A6D9);
        format.setFontItalic(true);
        break;
    case text::Token::ColourCode: {
        const QColor colour = QColor::fromRgb(static_cast<QRgb>(rgb));
        format.setForeground(colour);
        // "&f" on a white panel or "&0" on a black one: a ground that shows the colour.
        if (contrast(colour, base) < 3.0)
            format.setBackground(luminance(colour) > 0.4 ? QColor(0x303030) : QColor(0xE0E0E0));
        break;
    }
    }
    return format;
}

void PanelHighlighter::updateFormats() {
    for (std::size_t i = 0; i < formats_.size(); ++i) formats_[i] = formatFor(static_cast<text::Token>(i), 0, base_);
    colours_.clear();
}

bool PanelHighlighter::eventFilter(QObject* watched, QEvent* event) {
    if (watched == panel_ && event->type() == QEvent::PaletteChange) {
        const QColor base = panel_->palette().color(QPalette::Base);
        if (base != base_) {
            base_ = base;
            updateFormats();
            rehighlight();
        }
    }
    return QSyntaxHighlighter::eventFilter(watched, event);
}

void PanelHighlighter::highlightBlock(const QString& line) {
    const std::u16string_view view(reinterpret_cast<const char16_t*>(line.utf16()),
                                   static_cast<std::size_t>(line.size()));
    if (rules_ == Rules::Configuration)
        text::highlightYaml(view, spans_);
    else
        text::highlightCommand(view, spans_);
    for (const text::Span& span : spans_) {
        if (span.token == text::Token::Value) continue;  // values keep the panel's own text colour
        const int start = static_cast<int>(span.start);
        const int length = static_cast<int>(span.length);
        if (span.token == text::Token::ColourCode) {
            auto it = colours_.find(span.rgb);
            if (it == colours_.end()) it = colours_.emplace(span.rgb, formatFor(span.token, span.rgb, base_)).first;
            setFormat(start, length, it->second);
        } else {
            setFormat(start, length, formats_[static_cast<std::size_t>(span.token)]);
        }
    }
}

}  // namespace ui
