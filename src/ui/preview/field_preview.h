// The preview strip: while a field whose text lands on an item (a name or a lore line) has
// the focus, a strip drawn like the game's tooltip shows the text as the game will, updated
// on every keystroke, placed beside the field where it covers no control.
#pragma once

#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <vector>

class QWidget;

namespace actions {
struct PreviewField;
}

namespace ui {

class LiveWindow;
class TooltipView;

class FieldPreview : public QObject {
    Q_OBJECT
public:
    explicit FieldPreview(LiveWindow* window);

    TooltipView* strip() const { return strip_; }
    // The field the strip shows now, or nullptr.
    QLineEdit* field() const { return field_.data(); }
    // Shows the strip for the field at once, as its getting the focus does; a widget whose
    // text lands on no item hides it. For a field given the focus while its window is not
    // active (a tool window is), when no focus change is reported yet.
    void showFor(QWidget* field);

    // Where a strip of the given size goes for a field: the place nearest to it (below,
    // above or beside it, a few rows at most) that covers no control and no label, else
    // the nearest that covers only labels, else over the notice line at the top of the
    // window, which is read-only. In window coordinates; the strip's width is cut to the
    // window's.
    static QRect placeFor(const QWidget* window, const QWidget* field, QSize size, const QWidget* ignore);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void focusChanged(QWidget* old, QWidget* now);
    void refresh();
    void hideStrip();

    LiveWindow* window_;
    TooltipView* strip_;
    QPointer<QLineEdit> field_;
    const actions::PreviewField* row_ = nullptr;
    QMetaObject::Connection edits_;
};

}  // namespace ui
