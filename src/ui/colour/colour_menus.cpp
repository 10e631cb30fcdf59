#include "ui/colour/colour_menus.h"

#include <QAction>
#include <QApplication>
#include <QMenu>

#include "actions/colour_fields.h"
#include "actions/item_actions.h"
#include "actions/item_preview.h"
#include "text/colour_tools.h"
#include "ui/colour/colour_tool.h"
#include "ui/colour/field_edit.h"
#include "ui/loader/controls.h"
#include "ui/loader/live_window.h"
#include "ui/panels/multi_line_edit.h"
#include "ui/preview/field_preview.h"
#include "ui/preview/tooltip_view.h"

namespace ui {

const char* const ColourMenus::kOpenEntry = "colour-tool";
const char* const ColourMenus::kToXEntry = "colour-to-x";
const char* const ColourMenus::kToHashEntry = "colour-to-hash";
const char* const ColourMenus::kStripEntry = "colour-strip";

ColourMenus::ColourMenus(LiveWindow* live) : QObject(live), live_(live) {
    setObjectName(QStringLiteral("colour menus"));
    for (const actions::ColourField& row : actions::colourFields()) {
        const int index = row.window == live->id() ? live->unitIndex(row.field) : -1;
        if (index >= 0) units_.push_back(index);
    }
    hooked_.assign(units_.size(), nullptr);
    hookBuiltFields();
    connect(live, &LiveWindow::pageBuilt, this, &ColourMenus::hookBuiltFields);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { focusChanged(now); });
}

bool ColourMenus::hasFields(const LiveWindow* live) {
    for (const actions::ColourField& row : actions::colourFields())
        if (row.window == live->id() && live->unitIndex(row.field) >= 0) return true;
    return false;
}

ColourMenus* ColourMenus::of(const LiveWindow* live) {
    return live->findChild<ColourMenus*>(QString(), Qt::FindDirectChildrenOnly);
}

bool ColourMenus::isColourField(const QWidget* widget) const {
    return widget != nullptr && std::any_of(hooked_.begin(), hooked_.end(),
                                            [widget](const QPointer<QWidget>& field) { return field == widget; });
}

// A page's fields exist once the page is built: their menus get the entries then.
void ColourMenus::hookBuiltFields() {
    for (std::size_t i = 0; i < units_.size(); ++i) {
        if (hooked_[i] != nullptr) continue;
        QWidget* field = live_->builtControl(units_[i]);
        if (field == nullptr) continue;
        hooked_[i] = field;
        if (auto* line = qobject_cast<SingleLineEdit*>(field))
            connect(line, &SingleLineEdit::contextMenuAboutToShow, this,
                    [this, field](QMenu* menu) { addEntries(menu, field); });
        else if (auto* box = qobject_cast<MultiLineEdit*>(field))
            connect(box, &MultiLineEdit::contextMenuAboutToShow, this,
                    [this, field](QMenu* menu) { addEntries(menu, field); });
    }
}

void ColourMenus::addEntries(QMenu* menu, QWidget* field) {
    const bool editable = fieldEditable(field);
    const std::string now = fieldEdit(field).text;
    menu->addSeparator();
    QAction* open = menu->addAction(QStringLiteral("颜色…"));
    open->setObjectName(QLatin1String(kOpenEntry));
    open->setEnabled(editable);
    connect(open, &QAction::triggered, this, [this, field] { openTool(field); });
    QAction* toX = menu->addAction(QStringLiteral("转换为 &&x&&R&&R&&G&&G&&B&&B 写法"));
    toX->setObjectName(QLatin1String(kToXEntry));
    toX->setEnabled(editable && text::convertHex(now, "x").text != now);
    connect(toX, &QAction::triggered, field, [field] { convertField(field, "x"); });
    QAction* toHash = menu->addAction(QStringLiteral("转换为 &&#RRGGBB 写法"));
    toHash->setObjectName(QLatin1String(kToHashEntry));
    toHash->setEnabled(editable && text::convertHex(now, "hash").text != now);
    connect(toHash, &QAction::triggered, field, [field] { convertField(field, "hash"); });
    QAction* strip = menu->addAction(QStringLiteral("清除颜色代码"));
    strip->setObjectName(QLatin1String(kStripEntry));
    strip->setEnabled(editable && text::stripCodes(now) != now);
    connect(strip, &QAction::triggered, field, [field] { stripField(field); });
}

// What the tool keeps uncovered besides the field: the preview that draws the field's text,
// the strip beside it or the item designer's tooltip.
std::vector<QWidget*> ColourMenus::keepClearFor(const QWidget* field) const {
    std::vector<QWidget*> clear;
    const int index = live_->unitIndexOf(field);
    const std::string_view name = index >= 0 ? live_->form().units[static_cast<std::size_t>(index)].name : "";
    if (actions::previewField(live_->id(), name) != nullptr) {
        if (const FieldPreview* preview = live_->findChild<FieldPreview*>()) clear.push_back(preview->strip());
    } else {
        const int preview = live_->unitIndex(actions::designerControls().preview);
        if (QWidget* designer = preview >= 0 ? live_->builtControl(preview) : nullptr) clear.push_back(designer);
    }
    return clear;
}

void ColourMenus::openTool(QWidget* field) {
    if (!isColourField(field)) return;
    const int page = live_->form().units[static_cast<std::size_t>(live_->unitIndexOf(field))].page;
    if (page >= 0 && live_->pageControl() != nullptr) live_->pageControl()->setCurrentIndex(page);
    if (!field->hasFocus()) field->setFocus(Qt::OtherFocusReason);
    // The field's preview shows now, so the tool is placed clear of it, even when the focus
    // change waits for the window to be active again.
    if (auto* preview = live_->findChild<FieldPreview*>()) preview->showFor(field);
    if (tool_ == nullptr) tool_ = new ColourTool(live_);
    tool_->openFor(field, keepClearFor(field));
}

// The tool works on the colour field that has the focus.
void ColourMenus::focusChanged(QWidget* now) {
    if (tool_ == nullptr || !tool_->isVisible() || now == tool_->field() || !isColourField(now)) return;
    tool_->follow(now, keepClearFor(now));
}

}  // namespace ui
