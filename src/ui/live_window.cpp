#include "ui/live_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <QWindow>
#include <algorithm>

#include "ui/controls.h"
#include "ui/fonts.h"
#include "ui/panel.h"
#include "ui/text.h"

namespace ui {
namespace {

using forms::Kind;

bool isContainer(Kind kind) { return kind == Kind::PageControl || kind == Kind::GroupBox; }

bool takesFocus(Kind kind) {
    return kind == Kind::EditBox || kind == Kind::Button || kind == Kind::ComboBox;
}

// 0xBBGGRR, as the forms write colours, to a QColor.
QColor colourOf(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

void setTextColour(QWidget* widget, QPalette::ColorRole role, std::uint32_t bgr) {
    if (bgr == forms::kDefaultColour) return;
    QPalette palette = widget->palette();
    palette.setColor(role, colourOf(bgr));
    widget->setPalette(palette);
}

QStringList toStringList(const std::vector<std::string_view>& items) {
    QStringList list;
    list.reserve(static_cast<qsizetype>(items.size()));
    for (std::string_view item : items) list.append(fromUtf8(item));
    return list;
}

}  // namespace

LiveWindow::LiveWindow(const forms::Window& form) : QWidget(nullptr), form_(form) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(fromUtf8(form.title));
    setFont(unitFont({}));
    widgets_.assign(form.units.size(), nullptr);
    for (std::size_t i = 0; i < form.units.size(); ++i) {
        byName_.emplace(form.units[i].name, static_cast<int>(i));
        byId_.insert(form.ids[i], static_cast<int>(i));
    }
    // Containers first: the controls drawn over them come later and so stay on top and
    // take their own clicks, whatever the order of the form's rows.
    for (int pass = 0; pass < 2; ++pass)
        for (std::size_t i = 0; i < form.units.size(); ++i)
            if (isContainer(form.units[i].kind) == (pass == 0)) create(static_cast<int>(i));
    setReadingTabOrder();
    nameFieldsByTheirLabels();
    move(form.rect.left, form.rect.top);
    const QSize extent = controlsExtent();
    resize(std::max(form.rect.width, extent.width()), std::max(form.rect.height, extent.height()));
}

QWidget* LiveWindow::containerOf(const forms::Unit& unit) const {
    if (!unit.parent.empty()) {
        if (QWidget* group = controlByName(unit.parent)) return group;
    }
    if (unit.page >= 0 && pageControl_ != nullptr && unit.page < pageControl_->count())
        return pageControl_->page(unit.page);
    return const_cast<LiveWindow*>(this);
}

QWidget* LiveWindow::create(int index) {
    const forms::Unit& unit = form_.units[static_cast<std::size_t>(index)];
    QWidget* parent = containerOf(unit);
    const QFont& font = unitFont(unit.font);
    const QString caption = toLf(fromUtf8(unit.caption));
    QWidget* widget = nullptr;
    switch (unit.kind) {
    case Kind::EditBox:
        if (unit.multiline) {
            auto* edit = new QPlainTextEdit(parent);
            makeMultiLine(edit, unit.vscroll);
            edit->setPlainText(caption);
            setTextColour(edit, QPalette::Text, unit.colour);
            if (unit.disabled) {
                // A disabled text would also refuse its scroll bar; keep it readable to the
                // end but closed to editing, on the window's background like a disabled box.
                edit->setReadOnly(true);
                edit->setFocusPolicy(Qt::NoFocus);
                edit->setProperty("formDisabled", true);
                QPalette palette = edit->palette();
                palette.setColor(QPalette::Text, QColor(0x40, 0x40, 0x40));
                palette.setColor(QPalette::Base, palette.color(QPalette::Window));
                edit->setPalette(palette);
            }
            widget = edit;
        } else {
            auto* edit = new SingleLineEdit(parent);
            edit->setText(caption);
            edit->setCursorPosition(0);
            setTextColour(edit, QPalette::Text, unit.colour);
            if (unit.thinFrame) edit->setFrame(false);
            if (unit.disabled) edit->setEnabled(false);
            widget = edit;
        }
        break;
    case Kind::Label: {
        auto* label = new CaptionLabel(caption, unit.font, parent);
        setTextColour(label, QPalette::WindowText, unit.colour);
        widget = label;
        break;
    }
    case Kind::Button: {
        auto* button = new QPushButton(caption, parent);
        button->setAutoDefault(false);
        if (unit.click != forms::Click::None)
            connect(button, &QPushButton::clicked, this, [this, index] { emit buttonClicked(index); });
        widget = button;
        break;
    }
    case Kind::ComboBox: {
        auto* combo = new QComboBox(parent);
        combo->addItems(toStringList(unit.items));
        combo->setMaxVisibleItems(std::max(10, static_cast<int>(unit.items.size())));
        combo->setCurrentIndex(-1);
        widget = combo;
        break;
    }
    case Kind::GroupBox: {
        auto* group = new QGroupBox(caption, parent);
        widget = group;
        break;
    }
    case Kind::PicBox:
        widget = new PictureBox(unit.picture, parent);
        break;
    case Kind::PageControl:
        pageControl_ = new PageControl(toStringList(unit.items), font, parent);
        widget = pageControl_;
        break;
    case Kind::Window:
        return nullptr;
    }
    widget->setObjectName(fromUtf8(unit.name));
    widget->setFont(font);
    widget->setGeometry(unit.rect.left, unit.rect.top, unit.rect.width, unit.rect.height);
    if (unit.disabled && unit.kind != Kind::EditBox) widget->setEnabled(false);
    widgets_[static_cast<std::size_t>(index)] = widget;
    return widget;
}

QWidget* LiveWindow::control(int unitIndex) const {
    if (unitIndex < 0 || static_cast<std::size_t>(unitIndex) >= widgets_.size()) return nullptr;
    return widgets_[static_cast<std::size_t>(unitIndex)];
}

QWidget* LiveWindow::controlById(std::uint32_t unitId) const { return control(unitIndexById(unitId)); }

QWidget* LiveWindow::controlByName(std::string_view name) const { return control(unitIndex(name)); }

int LiveWindow::unitIndex(std::string_view name) const {
    auto it = byName_.find(name);
    return it == byName_.end() ? -1 : it->second;
}

int LiveWindow::unitIndexById(std::uint32_t unitId) const { return byId_.value(unitId, -1); }

QSize LiveWindow::controlsExtent() const {
    QSize extent;
    for (const forms::Unit& unit : form_.units) {
        if (!unit.parent.empty() || unit.page >= 0) continue;  // inside a container
        extent = extent.expandedTo(
            QSize(unit.rect.left + unit.rect.width, unit.rect.top + unit.rect.height));
    }
    return extent;
}

void LiveWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!fitted_) {
        fitted_ = true;
        QTimer::singleShot(0, this, &LiveWindow::fitToForm);
    }
}

void LiveWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted()) emit closed();
}

void LiveWindow::fitToForm() {
    const QMargins frame = windowHandle() != nullptr ? windowHandle()->frameMargins() : QMargins();
    if (frame.isNull()) return;  // no frame: the client already has the form's size
    const QSize extent = controlsExtent();
    const QSize client(form_.rect.width - frame.left() - frame.right(),
                       form_.rect.height - frame.top() - frame.bottom());
    resize(client.expandedTo(extent));
}

// Tab moves through a window in reading order: top to bottom, then left to right within a
// row. The page control's tabs come where the control starts, followed by its pages.
void LiveWindow::setReadingTabOrder() {
    struct Entry {
        int y;
        int x;
        std::vector<QWidget*> widgets;
    };
    auto readingOrder = [](std::vector<Entry>& entries) {
        std::sort(entries.begin(), entries.end(),
                  [](const Entry& a, const Entry& b) { return a.y < b.y; });
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
    };
    std::vector<Entry> top;
    std::vector<std::vector<Entry>> pages(pageControl_ != nullptr ? pageControl_->count() : 0);
    for (std::size_t i = 0; i < form_.units.size(); ++i) {
        const forms::Unit& unit = form_.units[i];
        QWidget* widget = widgets_[i];
        if (widget == nullptr || !takesFocus(unit.kind) || widget->focusPolicy() == Qt::NoFocus)
            continue;
        const QPoint middle = widget->mapTo(this, QPoint(0, widget->height() / 2));
        Entry entry{middle.y(), middle.x(), {widget}};
        if (unit.page >= 0 && static_cast<std::size_t>(unit.page) < pages.size())
            pages[static_cast<std::size_t>(unit.page)].push_back(entry);
        else
            top.push_back(entry);
    }
    if (pageControl_ != nullptr) {
        Entry tabs{pageControl_->y(), pageControl_->x(), {pageControl_->tabBar()}};
        for (std::vector<Entry>& page : pages) {
            readingOrder(page);
            for (Entry& entry : page) tabs.widgets.push_back(entry.widgets.front());
        }
        top.push_back(tabs);
    }
    readingOrder(top);
    QWidget* previous = nullptr;
    for (const Entry& entry : top)
        for (QWidget* widget : entry.widgets) {
            if (previous != nullptr) setTabOrder(previous, widget);
            previous = widget;
        }
}

// A screen reader names a field by the label on its left in the same row, or else by the
// nearest label above it (the column headings of the passive-skill rows).
void LiveWindow::nameFieldsByTheirLabels() {
    struct Caption {
        QRect rect;
        QString text;
        int page;
    };
    std::vector<Caption> labels;
    for (std::size_t i = 0; i < form_.units.size(); ++i) {
        if (form_.units[i].kind != Kind::Label || widgets_[i] == nullptr) continue;
        auto* label = static_cast<QLabel*>(widgets_[i]);
        if (label->height() <= 0 || label->text().isEmpty()) continue;
        labels.push_back({QRect(label->mapTo(this, QPoint(0, 0)), label->size()),
                          label->text().simplified(), form_.units[i].page});
    }
    for (std::size_t i = 0; i < form_.units.size(); ++i) {
        const Kind kind = form_.units[i].kind;
        if ((kind != Kind::EditBox && kind != Kind::ComboBox) || widgets_[i] == nullptr) continue;
        QWidget* field = widgets_[i];
        const QRect box(field->mapTo(this, QPoint(0, 0)), field->size());
        const QString* best = nullptr;
        int bestGap = 1 << 30;
        const int page = form_.units[i].page;
        for (const auto& [rect, text, labelPage] : labels) {
            if (labelPage != page) continue;
            const bool sameRow = std::abs(rect.center().y() - box.center().y()) <= 12;
            const int gap = box.left() - rect.right();
            if (sameRow && gap >= -8 && gap < bestGap) {
                bestGap = gap;
                best = &text;
            }
        }
        if (best == nullptr) {
            for (const auto& [rect, text, labelPage] : labels) {
                if (labelPage != page) continue;
                const bool above = rect.bottom() <= box.top() + 4 &&
                                   rect.left() < box.right() && rect.right() > box.left();
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
