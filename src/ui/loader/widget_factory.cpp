#include "ui/loader/widget_factory.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <algorithm>
#include <map>

#include "ui/base/fonts.h"
#include "ui/base/readable_colour.h"
#include "ui/base/text.h"
#include "ui/loader/controls.h"
#include "ui/panels/multi_line_edit.h"

namespace ui {

namespace {

std::map<forms::Picture, PictureMaker>& makers() {
    static std::map<forms::Picture, PictureMaker> registered;
    return registered;
}

PictureMaker pictureMaker(forms::Picture picture) {
    const auto it = makers().find(picture);
    return it == makers().end() ? nullptr : it->second;
}

}  // namespace

void setPictureMaker(forms::Picture picture, PictureMaker maker) { makers()[picture] = maker; }
namespace {

using forms::Kind;

// The form's colour of a text, drawn readable on the widget's background.
void setTextColour(QWidget* widget, QPalette::ColorRole role, std::uint32_t bgr) {
    if (bgr == forms::kDefaultColour) return;
    const QPalette::ColorRole background = role == QPalette::Text ? QPalette::Base : QPalette::Window;
    ReadableColour::apply(widget, role, background, colourFromBgr(bgr));
}

QStringList toStringList(const std::vector<std::string_view>& items) {
    QStringList list;
    list.reserve(static_cast<qsizetype>(items.size()));
    for (std::string_view item : items) list.append(fromUtf8(item));
    return list;
}

QWidget* makeEditBox(const forms::Unit& unit, const QString& caption, QWidget* parent) {
    if (unit.multiline) {
        auto* edit = new MultiLineEdit(parent, unit.vscroll);
        edit->setPlainText(caption);
        setTextColour(edit, QPalette::Text, unit.colour);
        if (unit.readOnly) {
            // A note: its text can be selected and copied, not changed, and Tab passes it by.
            edit->setReadOnly(true);
            edit->setFocusPolicy(Qt::ClickFocus);
        }
        if (unit.disabled) {
            // A disabled text would also refuse its scroll bar; keep it readable to the
            // end but closed to editing, on the window's background like a disabled box.
            edit->setReadOnly(true);
            edit->setFocusPolicy(Qt::NoFocus);
            setFormDisabled(edit);
            // In the window's own text colour, whatever the scheme: a fixed grey would be grey
            // on grey in a dark one.
            ReadableColour::apply(edit, QPalette::Text, QPalette::Base, QColor(), true);
        }
        return edit;
    }
    auto* edit = new SingleLineEdit(parent);
    edit->setText(caption);
    edit->setCursorPosition(0);
    setTextColour(edit, QPalette::Text, unit.colour);
    if (unit.thinFrame) edit->setFrame(false);
    if (unit.readOnly) {
        // The notice line and the QQ box: a click selects their text (copied from the context
        // menu or the X selection) and leaves the keyboard where the user was typing.
        edit->setReadOnly(true);
        edit->setFocusPolicy(Qt::NoFocus);
    }
    if (unit.disabled) edit->setEnabled(false);
    return edit;
}

}  // namespace

QColor colourFromBgr(std::uint32_t bgr) {
    return {static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF), static_cast<int>((bgr >> 16) & 0xFF)};
}

QWidget* makeWidget(const forms::Unit& unit, QWidget* parent) {
    const QFont& font = unitFont(unit.font);
    const QString caption = toLf(fromUtf8(unit.caption));
    QWidget* widget = nullptr;
    switch (unit.kind) {
    case Kind::EditBox: widget = makeEditBox(unit, caption, parent); break;
    case Kind::Label: {
        auto* label = new CaptionLabel(caption, unit.font, parent);
        if (unit.selectable) {
            label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
            label->setFocusPolicy(Qt::StrongFocus);
        }
        setTextColour(label, QPalette::WindowText, unit.colour);
        widget = label;
        break;
    }
    case Kind::Button: {
        auto* button = new QPushButton(caption, parent);
        // Enter on a focused button clicks it, as Space does; no window here has a default
        // button, so this makes none.
        button->setAutoDefault(true);
        widget = button;
        break;
    }
    case Kind::ComboBox: {
        auto* combo = new FormComboBox(parent);
        combo->addItems(toStringList(unit.items));
        combo->setMaxVisibleItems(std::max(10, static_cast<int>(unit.items.size())));
        if (unit.editable) {
            // Typed text is kept as typed: no completion, no new items, one line.
            combo->setEditable(true);
            combo->setInsertPolicy(QComboBox::NoInsert);
            combo->setCompleter(nullptr);
            static auto* const oneLine = new SingleLineValidator(qApp);
            combo->lineEdit()->setValidator(oneLine);
        }
        combo->setCurrentIndex(-1);
        widget = combo;
        break;
    }
    case Kind::CheckBox: {
        auto* box = new QCheckBox(caption, parent);
        box->setChecked(unit.checked);
        widget = box;
        break;
    }
    case Kind::GroupBox: widget = new QGroupBox(caption, parent); break;
    case Kind::PicBox:
        if (const PictureMaker maker = pictureMaker(unit.picture))
            widget = maker(parent);
        else
            widget = new PictureBox(unit.picture, parent);
        break;
    case Kind::PageControl: widget = new PageControl(toStringList(unit.items), font, parent); break;
    case Kind::Window: return nullptr;
    }
    widget->setObjectName(fromUtf8(unit.name));
    widget->setFont(font);
    widget->setGeometry(unit.rect.left, unit.rect.top, unit.rect.width, unit.rect.height);
    if (unit.disabled && unit.kind != Kind::EditBox) widget->setEnabled(false);
    return widget;
}

}  // namespace ui
