#include "ui/base/editor_style.h"

#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionGroupBox>

namespace ui {

EditorStyle::EditorStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

QRect EditorStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                                  const QWidget* widget) const {
    if (control == CC_GroupBox && sub == SC_GroupBoxFrame) {
        const QRect label = QProxyStyle::subControlRect(control, option, SC_GroupBoxLabel, widget);
        QRect frame = option->rect;
        if (label.isValid() && !label.isEmpty()) frame.setTop(label.center().y());
        return frame;
    }
    return QProxyStyle::subControlRect(control, option, sub, widget);
}

void EditorStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                                     const QWidget* widget) const {
    const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    if (control != CC_GroupBox || box == nullptr || !(box->subControls & SC_GroupBoxFrame)) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    // The frame, with a gap where the title sits on it; then the title alone. Fusion's own
    // frame primitive moves itself a title's height down, so the frame is drawn here: a thin
    // rounded line between the window's colour and its text's, over a faint shade.
    const QRect label = subControlRect(control, option, SC_GroupBoxLabel, widget);
    const QRect frame = subControlRect(control, option, SC_GroupBoxFrame, widget).adjusted(0, 0, -1, -1);
    const QColor window = box->palette.color(QPalette::Window);
    const QColor ink = box->palette.color(QPalette::WindowText);
    const auto mix = [&](double share) {
        return QColor::fromRgbF(static_cast<float>(window.redF() + (ink.redF() - window.redF()) * share),
                                static_cast<float>(window.greenF() + (ink.greenF() - window.greenF()) * share),
                                static_cast<float>(window.blueF() + (ink.blueF() - window.blueF()) * share));
    };
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setBrush(mix(0.025));
    painter->setPen(QPen(mix(0.3), 1));
    QRegion outside(option->rect);
    if (!box->text.isEmpty()) outside -= label.adjusted(-2, 0, 2, 0);
    painter->setClipRegion(outside);
    painter->drawRoundedRect(QRectF(frame).translated(0.5, 0.5), 2, 2);
    painter->restore();
    QStyleOptionGroupBox title = *box;
    title.subControls &= ~SC_GroupBoxFrame;
    QProxyStyle::drawComplexControl(control, &title, painter, widget);
}

}  // namespace ui
