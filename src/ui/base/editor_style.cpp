#include "ui/base/editor_style.h"

#include <QIconEngine>
#include <QPainter>
#include <QPointer>
#include <QStyleFactory>
#include <QStyleOptionGroupBox>
#include <optional>

namespace ui {
namespace {

// Stands in for a standard icon until the icon is first needed, then asks the style for it.
class DeferredIconEngine : public QIconEngine {
public:
    DeferredIconEngine(const EditorStyle* style, QStyle::StandardPixmap which, const QStyleOption* option,
                       const QWidget* widget)
        : style_(style), which_(which), widget_(widget) {
        if (option != nullptr) option_ = *option;
    }

    // QIcon hands an engine sizes in device pixels when the screen is scaled; the icon read is
    // asked at a ratio of 1, so it takes them as they are.
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon().pixmap(size, 1.0, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal /*scale*/) override {
        return pixmap(size, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return pixmap(size, mode, state).size();
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return icon().availableSizes(mode, state);
    }
    bool isNull() override { return icon().isNull(); }
    QString key() const override { return QStringLiteral("DeferredIconEngine"); }
    QIconEngine* clone() const override {
        auto* copy = new DeferredIconEngine(style_, which_, nullptr, widget_);
        copy->option_ = option_;
        copy->loaded_ = loaded_;
        return copy;
    }

private:
    const QIcon& icon() {
        if (!loaded_) {
            // The style lives as long as the application; a widget that is gone is not asked.
            loaded_ = style_ != nullptr
                          ? style_->loadStandardIcon(which_, option_ ? &*option_ : nullptr, widget_.data())
                          : QIcon();
        }
        return *loaded_;
    }

    QPointer<const EditorStyle> style_;
    QStyle::StandardPixmap which_;
    QPointer<const QWidget> widget_;
    std::optional<QStyleOption> option_;  // what the style reads of it: direction, palette, state
    std::optional<QIcon> loaded_;
};

}  // namespace

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

QIcon EditorStyle::standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const {
    return QIcon(new DeferredIconEngine(this, icon, option, widget));
}

QIcon EditorStyle::loadStandardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const {
    return QProxyStyle::standardIcon(icon, option, widget);
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
