// On X11 the clipboard's content lives in the program that copied it: when the editor closes,
// what 一键复制 put there goes with it, unless a clipboard manager keeps a copy. Qt hands the
// clipboard to a manager that owns the CLIPBOARD_MANAGER selection; managers such as
// parcellite keep their own copy. With neither, closing the main window asks first.
#pragma once

#include <QObject>

class QWidget;

namespace ui {

// True when closing now would lose a non-empty clipboard the editor owns.
bool clipboardWouldBeLost();

// Watches a window's close: while clipboardWouldBeLost(), the close waits for the user's
// answer, "保持打开" (keep the editor open) or "仍然关闭" (close anyway).
class ClipboardCloseGuard : public QObject {
public:
    explicit ClipboardCloseGuard(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ask();

    QWidget* window_;
    bool confirmed_ = false;
    bool asking_ = false;
};

}  // namespace ui
