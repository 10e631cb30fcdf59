// The editor's style: Fusion, with group boxes drawn as the form's coordinates assume, the
// frame line through the middle of the title (Fusion puts it below the title, where it runs
// through the controls placed just under the title row).
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
};

}  // namespace ui
