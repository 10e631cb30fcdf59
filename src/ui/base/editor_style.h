// The editor's style: Fusion, with group boxes drawn as the form's coordinates assume, the
// frame line through the middle of the title (Fusion puts it below the title, where it runs
// through the controls placed just under the title row), and standard icons read only when
// they are first drawn.
#pragma once

#include <QProxyStyle>

namespace ui {

class EditorStyle : public QProxyStyle {
public:
    EditorStyle();

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override;
    // The icon is read from its file when it is first drawn or measured. The menu bar asks
    // for its overflow icon when it is made, and reading it loads every image plugin: a few
    // milliseconds and half a megabyte at start-up for a button shown only in a narrow window.
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const override;
    // The icon itself, read now.
    QIcon loadStandardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const;
};

}  // namespace ui
