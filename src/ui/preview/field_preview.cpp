#include "ui/preview/field_preview.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabBar>
#include <algorithm>

#include "actions/item_preview.h"
#include "ui/base/text.h"
#include "ui/loader/live_window.h"
#include "ui/preview/tooltip_view.h"

namespace ui {
namespace {

constexpr int kGap = 3;     // between the field and the strip
constexpr int kMargin = 4;  // from the window's edges

// The rectangles of the window's visible controls (fields, buttons, lists, tabs, panels)
// and of its labels, in window coordinates, the strip itself aside.
struct Obstacles {
    std::vector<QRect> controls;
    std::vector<QRect> labels;
};

Obstacles obstaclesOf(const QWidget* window, const QWidget* ignore) {
    Obstacles found;
    for (const QWidget* widget : window->findChildren<QWidget*>()) {
        if (widget == ignore || !widget->isVisible() || ignore->isAncestorOf(widget)) continue;
        const QRect area(widget->mapTo(window, QPoint(0, 0)), widget->size());
        if (qobject_cast<const QAbstractButton*>(widget) || qobject_cast<const QLineEdit*>(widget) ||
            qobject_cast<const QPlainTextEdit*>(widget) || qobject_cast<const QComboBox*>(widget) ||
            qobject_cast<const QTabBar*>(widget))
            found.controls.push_back(area);
        else if (qobject_cast<const QLabel*>(widget) != nullptr)
            found.labels.push_back(area);
    }
    return found;
}

bool hits(const std::vector<QRect>& rects, const QRect& rect) {
    return std::any_of(rects.begin(), rects.end(), [&](const QRect& r) { return r.intersects(rect); });
}

// The gap between two rectangles, along x plus along y.
int distance(const QRect& a, const QRect& b) {
    const int dx = std::max({0, a.left() - b.right(), b.left() - a.right()});
    const int dy = std::max({0, a.top() - b.bottom(), b.top() - a.bottom()});
    return dx + dy;
}

}  // namespace

FieldPreview::FieldPreview(LiveWindow* window) : QObject(window), window_(window), strip_(new TooltipView(window)) {
    strip_->setObjectName(QStringLiteral("preview strip"));
    strip_->setAccessibleName(QStringLiteral("游戏内预览"));
    strip_->setFocusPolicy(Qt::NoFocus);
    strip_->hide();
    connect(qApp, &QApplication::focusChanged, this, &FieldPreview::focusChanged);
    // A resized window moves the controls: the strip finds its place again.
    window->installEventFilter(this);
}

bool FieldPreview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::Resize && strip_->isVisible()) refresh();
    return QObject::eventFilter(watched, event);
}

void FieldPreview::focusChanged(QWidget*, QWidget* now) {
    // Focus that leaves for another window (a menu, a dialog) keeps the strip of the field
    // that will have the focus again.
    if (now != nullptr && now->window() != window_) return;
    showFor(now);
}

void FieldPreview::showFor(QWidget* now) {
    auto* line = qobject_cast<QLineEdit*>(now);
    const int index = line != nullptr && line->window() == window_ ? window_->unitIndexOf(line) : -1;
    const actions::PreviewField* row =
        index < 0 ? nullptr
                  : actions::previewField(window_->id(), window_->form().units[static_cast<std::size_t>(index)].name);
    if (row == nullptr) {
        hideStrip();
        return;
    }
    if (line == field_) return;
    hideStrip();
    field_ = line;
    row_ = row;
    edits_ = connect(line, &QLineEdit::textChanged, this, &FieldPreview::refresh);
    refresh();
}

void FieldPreview::hideStrip() {
    disconnect(edits_);
    field_ = nullptr;
    row_ = nullptr;
    strip_->hide();
}

void FieldPreview::refresh() {
    if (field_ == nullptr || row_ == nullptr) return;
    const std::string typed = toUtf8(field_->text());
    strip_->setLines(actions::previewLines(*row_, typed), false);
    strip_->setToolTip(text::usesHashHex(row_->prefix.empty() ? typed : std::string(row_->prefix) + typed)
                           ? QStringLiteral("&#RRGGBB 形式的颜色只有部分服务器能读，其余服务器照原样显示这些字符")
                           : QString());
    strip_->setGeometry(placeFor(window_, field_, strip_->sizeHint(), strip_));
    strip_->raise();
    strip_->show();
}

QRect FieldPreview::placeFor(const QWidget* window, const QWidget* field, QSize size, const QWidget* ignore) {
    const QRect bounds = window->rect().adjusted(kMargin, kMargin, -kMargin, -kMargin);
    size.setWidth(std::min(size.width(), bounds.width()));
    const QRect f(field->mapTo(window, QPoint(0, 0)), field->size());
    const Obstacles obstacles = obstaclesOf(window, ignore);
    // Rows to try: just below the field, just above it, beside it on its own row, then
    // farther away; on each row every horizontal place in steps, nearest to the field first.
    std::vector<int> tops = {f.bottom() + 1 + kGap, f.top() - kGap - size.height(),
                             f.top() + (f.height() - size.height()) / 2};
    for (int step = 8; step <= 64; step += 8) {
        tops.push_back(f.bottom() + 1 + kGap + step);
        tops.push_back(f.top() - kGap - size.height() - step);
    }
    for (bool labelsToo : {false, true}) {
        QRect best;
        int bestDistance = 0;
        for (int top : tops) {
            for (int left = bounds.left(); left + size.width() <= bounds.right() + 1; left += 4) {
                const QRect rect(QPoint(left, top), size);
                if (!bounds.contains(rect) || rect.intersects(f.adjusted(-kGap, -kGap, kGap, kGap))) continue;
                const int d = distance(rect, f);
                if (!best.isNull() && d >= bestDistance) continue;
                if (hits(obstacles.controls, rect) || (!labelsToo && hits(obstacles.labels, rect))) continue;
                best = rect;
                bestDistance = d;
            }
        }
        // Near enough to be read with the field: within a few rows of it.
        if (!best.isNull() && bestDistance <= 96) return best;
    }
    // Over the notice line at the window's top, which is read-only.
    return {QPoint(bounds.left(), std::max(0, (32 - size.height()) / 2)), size};
}

}  // namespace ui
