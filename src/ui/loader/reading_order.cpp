#include "ui/loader/reading_order.h"

#include <QTabBar>

#include "ui/base/text.h"
#include "ui/loader/controls.h"

namespace ui {
namespace {

void addPage(const BuiltUnits& units, int page, std::vector<QWidget*>& chain) {
    for (std::size_t index : units.reading.order(page)) {
        QWidget* widget = units.widgets[index];
        if (widget == nullptr) continue;
        // The page control itself takes no focus: its tab bar does, then its pages' controls.
        if (units.form.units[index].kind == forms::Kind::PageControl) {
            chain.push_back(units.pages->tabBar());
            for (int p = 0; p < units.pages->count(); ++p) addPage(units, p, chain);
        } else if (widget->focusPolicy() != Qt::NoFocus) {
            chain.push_back(widget);
        }
    }
}

}  // namespace

void setReadingTabOrder(const BuiltUnits& units) {
    std::vector<QWidget*> chain;
    addPage(units, -1, chain);
    for (std::size_t i = 1; i < chain.size(); ++i) QWidget::setTabOrder(chain[i - 1], chain[i]);
}

QWidget* firstInReadingOrder(const BuiltUnits& units, int page) {
    for (std::size_t index : units.reading.order(page)) {
        QWidget* widget = units.widgets[index];
        if (widget != nullptr && units.form.units[index].kind != forms::Kind::PageControl &&
            widget->focusPolicy() & Qt::TabFocus)
            return widget;
    }
    return nullptr;
}

void nameUnits(const BuiltUnits& units, int page) {
    const std::vector<actions::Spoken>& spoken = units.reading.spoken;
    for (std::size_t i = 0; i < units.form.units.size(); ++i) {
        QWidget* widget = units.widgets[i];
        if (widget == nullptr || units.form.units[i].page != page || i >= spoken.size()) continue;
        if (!spoken[i].name.empty()) widget->setAccessibleName(fromUtf8(spoken[i].name));
        if (!spoken[i].description.empty()) widget->setAccessibleDescription(fromUtf8(spoken[i].description));
    }
}

}  // namespace ui
