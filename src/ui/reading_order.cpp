#include "ui/reading_order.h"

#include <QLabel>
#include <QTabBar>
#include <algorithm>
#include <cstdlib>

#include "ui/controls.h"

namespace ui {
namespace {

using forms::Kind;

bool takesFocus(Kind kind) { return kind == Kind::EditBox || kind == Kind::Button || kind == Kind::ComboBox; }

struct Entry {
    int y;
    int x;
    std::vector<QWidget*> widgets;
};

void sortInReadingOrder(std::vector<Entry>& entries) {
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.y < b.y; });
    // Controls whose middles lie within a few pixels share a row.
    std::size_t rowStart = 0;
    for (std::size_t i = 1; i <= entries.size(); ++i) {
        if (i == entries.size() || entries[i].y - entries[rowStart].y > 8) {
            std::stable_sort(entries.begin() + static_cast<std::ptrdiff_t>(rowStart),
                             entries.begin() + static_cast<std::ptrdiff_t>(i),
                             [](const Entry& a, const Entry& b) { return a.x < b.x; });
            rowStart = i;
        }
    }
}

}  // namespace

void setReadingTabOrder(const BuiltUnits& units) {
    std::vector<Entry> top;
    std::vector<std::vector<Entry>> pages(units.pages != nullptr ? static_cast<std::size_t>(units.pages->count()) : 0);
    for (std::size_t i = 0; i < units.form.units.size(); ++i) {
        const forms::Unit& unit = units.form.units[i];
        QWidget* widget = units.widgets[i];
        if (widget == nullptr || !takesFocus(unit.kind) || widget->focusPolicy() == Qt::NoFocus) continue;
        const QPoint middle = widget->mapTo(units.root, QPoint(0, widget->height() / 2));
        Entry entry{middle.y(), middle.x(), {widget}};
        if (unit.page >= 0 && static_cast<std::size_t>(unit.page) < pages.size())
            pages[static_cast<std::size_t>(unit.page)].push_back(entry);
        else
            top.push_back(entry);
    }
    if (units.pages != nullptr) {
        Entry tabs{units.pages->y(), units.pages->x(), {units.pages->tabBar()}};
        for (std::vector<Entry>& page : pages) {
            sortInReadingOrder(page);
            for (Entry& entry : page) tabs.widgets.push_back(entry.widgets.front());
        }
        top.push_back(tabs);
    }
    sortInReadingOrder(top);
    QWidget* previous = nullptr;
    for (const Entry& entry : top)
        for (QWidget* widget : entry.widgets) {
            if (previous != nullptr) QWidget::setTabOrder(previous, widget);
            previous = widget;
        }
}

// A screen reader names a field by the label on its left in the same row, or else by the
// nearest label above it (the column headings of the passive-skill rows).
void nameFieldsByTheirLabels(const BuiltUnits& units, int page) {
    struct Caption {
        QRect rect;
        QString text;
    };
    const forms::Window& form = units.form;
    std::vector<Caption> labels;
    for (std::size_t i = 0; i < form.units.size(); ++i) {
        if (form.units[i].kind != Kind::Label || units.widgets[i] == nullptr || form.units[i].page != page) continue;
        auto* label = static_cast<QLabel*>(units.widgets[i]);
        if (label->height() <= 0 || label->text().isEmpty()) continue;
        labels.push_back({QRect(label->mapTo(units.root, QPoint(0, 0)), label->size()), label->text().simplified()});
    }
    for (std::size_t i = 0; i < form.units.size(); ++i) {
        const Kind kind = form.units[i].kind;
        if ((kind != Kind::EditBox && kind != Kind::ComboBox) || units.widgets[i] == nullptr ||
            form.units[i].page != page)
            continue;
        QWidget* field = units.widgets[i];
        const QRect box(field->mapTo(units.root, QPoint(0, 0)), field->size());
        const QString* best = nullptr;
        int bestGap = 1 << 30;
        for (const auto& [rect, text] : labels) {
            const bool sameRow = std::abs(rect.center().y() - box.center().y()) <= 12;
            const int gap = box.left() - rect.right();
            if (sameRow && gap >= -8 && gap < bestGap) {
                bestGap = gap;
                best = &text;
            }
        }
        if (best == nullptr) {
            for (const auto& [rect, text] : labels) {
                const bool above =
                    rect.bottom() <= box.top() + 4 && rect.left() < box.right() && rect.right() > box.left();
                const int gap = box.top() - rect.bottom();
                if (above && gap < bestGap) {
                    bestGap = gap;
                    best = &text;
                }
            }
        }
        if (best != nullptr) field->setAccessibleName(*best);
    }
}

}  // namespace ui
