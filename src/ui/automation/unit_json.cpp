#include "ui/automation/unit_json.h"
#include "ui/base/readable_colour.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QJsonArray>
#include <QLabel>
#include <QTabBar>

#include "ui/base/text.h"
#include "ui/loader/controls.h"
#include "ui/loader/live_window.h"
#include "ui/preview/gem_preview.h"
#include "ui/preview/tooltip_view.h"

namespace ui {
namespace {

using forms::Kind;

// x and y in the widget the form places the unit in (container): the main window's pages sit
// in a scroll area of their own, and still count from the form area.
QJsonObject liveGeometry(QWidget* widget, QWidget* container = nullptr) {
    const QPoint screen = widget->mapToGlobal(QPoint(0, 0));
    const QPoint at = container != nullptr && container->isAncestorOf(widget) ? widget->mapTo(container, QPoint(0, 0))
                                                                              : widget->pos();
    return {{"x", at.x()},           {"y", at.y()},          {"width", widget->width()}, {"height", widget->height()},
            {"screenX", screen.x()}, {"screenY", screen.y()}};
}

QJsonObject fontJson(const QFont& font) { return {{"pixelSize", font.pixelSize()}, {"bold", font.bold()}}; }

QString textColourName(const forms::Unit& unit, QWidget* widget) {
    // The colour the form gives the text, not the shade drawn to keep it readable.
    if (const QColor form = ReadableColour::formColourOf(widget); form.isValid()) return form.name();
    const QPalette::ColorRole role = unit.kind == Kind::EditBox ? QPalette::Text : QPalette::WindowText;
    return widget->palette().color(role).name();
}

QJsonObject windowUnitJson(LiveWindow& live) {
    const forms::Window& form = live.form();
    return {{"id", hexId(forms::windowUnitId(form.id))},
            {"name", QStringLiteral("窗口")},
            {"kind", kindName(Kind::Window)},
            {"parent", QJsonValue::Null},
            {"page", QJsonValue::Null},
            {"left", form.rect.left},
            {"top", form.rect.top},
            {"width", form.rect.width},
            {"height", form.rect.height},
            {"caption", fromUtf8(form.title)},
            {"items", QJsonArray()},
            {"selection", QJsonValue::Null},
            {"visible", live.isVisible()},
            {"disabled", !live.isEnabled()},
            {"multiline", false},
            {"font", fontJson(live.font())},
            {"color", live.palette().color(QPalette::WindowText).name()},
            {"click", false},
            {"live", liveGeometry(&live)},
            {"accessibleName", live.accessibleName().isEmpty() ? fromUtf8(form.title) : live.accessibleName()},
            {"toolTip", live.toolTip()}};
}

QJsonArray pageTabs(PageControl* pages) {
    QJsonArray tabs;
    QTabBar* bar = pages->tabBar();
    for (int i = 0; i < bar->count(); ++i) {
        const QRect rect = bar->tabRect(i);
        const QPoint screen = bar->mapToGlobal(rect.topLeft());
        tabs.append(QJsonObject{
            {"screenX", screen.x()}, {"screenY", screen.y()}, {"width", rect.width()}, {"height", rect.height()}});
    }
    return tabs;
}

QJsonObject controlUnitJson(LiveWindow& live, std::size_t index) {
    const forms::Unit& unit = live.form().units[index];
    QWidget* widget = live.control(static_cast<int>(index));
    QJsonArray items;
    for (std::string_view item : unit.items) items.append(fromUtf8(item));
    const QString tip = live.fieldTip(static_cast<int>(index));
    QJsonObject object{
        {"id", hexId(live.form().ids[index])},
        {"name", fromUtf8(unit.name)},
        {"kind", kindName(unit.kind)},
        {"parent", unit.parent.empty() ? QJsonValue(QJsonValue::Null) : QJsonValue(fromUtf8(unit.parent))},
        {"page", unit.page < 0 ? QJsonValue(QJsonValue::Null) : QJsonValue(unit.page)},
        {"left", unit.rect.left},
        {"top", unit.rect.top},
        {"width", unit.rect.width},
        {"height", unit.rect.height},
        {"caption", captionOf(unit, widget)},
        {"items", items},
        {"selection", unit.kind == Kind::ComboBox ? QJsonValue(static_cast<QComboBox*>(widget)->currentIndex())
                                                  : QJsonValue(QJsonValue::Null)},
        {"visible", !widget->isHidden()},
        {"disabled", isFormDisabled(widget)},
        {"multiline", unit.multiline},
        {"font", fontJson(widget->font())},
        {"color", textColourName(unit, widget)},
        {"click", unit.click != forms::Click::None},
        {"live", liveGeometry(widget, unit.parent.empty() && unit.page < 0 ? live.formArea() : nullptr)},
        {"accessibleName", widget->accessibleName()},
        {"toolTip", tip.isEmpty() ? widget->toolTip() : tip}};
    if (unit.kind == Kind::ComboBox) object.insert(QStringLiteral("editable"), unit.editable);
    if (unit.kind == Kind::CheckBox)
        object.insert(QStringLiteral("checked"), static_cast<QCheckBox*>(widget)->isChecked());
    if (unit.kind == Kind::PageControl) {
        auto* pages = static_cast<PageControl*>(widget);
        object.insert(QStringLiteral("selection"), pages->currentIndex());
        object.insert(QStringLiteral("tabs"), pageTabs(pages));
    }
    return object;
}

// The gem page's whole-gem preview, which the program adds to the form, shaped like a unit.
QJsonObject gemPreviewUnitJson(LiveWindow& main, GemPreview* preview) {
    if (preview == nullptr || preview->parent() != &main) return {};
    QPushButton* toggle = preview->toggle();
    const QRect rect = toggle != nullptr ? toggle->geometry() : QRect();
    const QPoint screen = preview->mapToGlobal(QPoint(0, 0));
    const QJsonObject live{{"x", preview->x()},           {"y", preview->y()},     {"width", preview->width()},
                           {"height", preview->height()}, {"screenX", screen.x()}, {"screenY", screen.y()}};
    return {{"id", QJsonValue::Null},
            {"name", fromUtf8(kGemPreviewName)},
            {"kind", QStringLiteral("Preview")},
            {"parent", QJsonValue::Null},
            {"page", GemPreview::gemPage(main)},
            {"left", rect.left()},
            {"top", rect.top()},
            {"width", rect.width()},
            {"height", rect.height()},
            {"caption", QStringLiteral("宝石预览")},
            {"items", QJsonArray()},
            {"selection", QJsonValue::Null},
            {"visible", preview->isVisible()},
            {"disabled", false},
            {"multiline", true},
            {"font", QJsonObject{{"pixelSize", 8 * TooltipView::kScale}, {"bold", false}}},
            {"color", QStringLiteral("#aa00aa")},
            {"click", false},
            {"live", live},
            {"accessibleName", QStringLiteral("宝石预览")},
            {"toolTip", toggle != nullptr ? toggle->toolTip() : QString()}};
}

}  // namespace

QString kindName(Kind kind) {
    switch (kind) {
    case Kind::Window: return QStringLiteral("window");
    case Kind::EditBox: return QStringLiteral("EditBox");
    case Kind::PicBox: return QStringLiteral("PicBox");
    case Kind::GroupBox: return QStringLiteral("GroupBox");
    case Kind::Label: return QStringLiteral("Label");
    case Kind::Button: return QStringLiteral("Button");
    case Kind::ComboBox: return QStringLiteral("ComboBox");
    case Kind::PageControl: return QStringLiteral("PageControl");
    case Kind::CheckBox: return QStringLiteral("CheckBox");
    }
    return {};
}

QString captionOf(const forms::Unit& unit, QWidget* widget) {
    switch (unit.kind) {
    case Kind::EditBox: return editText(widget);
    case Kind::Label: return toCrLf(static_cast<QLabel*>(widget)->text());
    case Kind::Button:
    case Kind::CheckBox: return static_cast<QAbstractButton*>(widget)->text();
    case Kind::GroupBox: return static_cast<QGroupBox*>(widget)->title();
    case Kind::ComboBox: return static_cast<QComboBox*>(widget)->currentText();
    default: return fromUtf8(unit.caption);
    }
}

QJsonObject windowJson(LiveWindow& live, GemPreview* gemPreview) {
    live.buildAllPages();
    QJsonArray units{windowUnitJson(live)};
    for (std::size_t i = 0; i < live.form().units.size(); ++i) units.append(controlUnitJson(live, i));
    // Units the program adds to the form: the gem page's whole-gem preview.
    if (const QJsonObject preview = gemPreviewUnitJson(live, gemPreview); !preview.isEmpty()) units.append(preview);
    return {{"id", hexId(live.id())}, {"title", fromUtf8(live.form().title)}, {"units", units}};
}

QJsonArray linesJson(const std::vector<text::Line>& lines) {
    QJsonArray out;
    for (const text::Line& line : lines) {
        QJsonArray runs;
        for (const text::Run& run : line)
            runs.append(QJsonObject{{"text", fromUtf8(run.text)},
                                    {"color", fromUtf8(text::hexColour(run.style.rgb))},
                                    {"bold", run.style.bold},
                                    {"italic", run.style.italic},
                                    {"underlined", run.style.underlined},
                                    {"strikethrough", run.style.strikethrough},
                                    {"obfuscated", run.style.obfuscated}});
        out.append(runs);
    }
    return out;
}

}  // namespace ui
