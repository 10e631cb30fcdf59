// The colour tools attached to a window: the name and lore fields of the window (as the
// actions' colour table lists them) get "颜色…", the hex form conversions and "清除颜色代码"
// in their context menus as their pages are built, and share one colour tool window, which
// follows the focus from one of these fields to another.
#pragma once

#include <QObject>
#include <QPointer>
#include <vector>

class QMenu;
class QWidget;

namespace ui {

class ColourTool;
class LiveWindow;

class ColourMenus : public QObject {
    Q_OBJECT
public:
    explicit ColourMenus(LiveWindow* live);
    // True when the window has fields the tools work on.
    static bool hasFields(const LiveWindow* live);
    // The menus of a loaded window, or nullptr when it has no colour fields.
    static ColourMenus* of(const LiveWindow* live);

    // Whether the widget is one of the window's colour fields.
    bool isColourField(const QWidget* widget) const;
    // Shows the field's page, gives the field the focus and opens the tool beside it.
    void openTool(QWidget* field);
    // The tool, or nullptr before it was first opened.
    ColourTool* tool() const { return tool_; }

    // The entries added to a field's context menu, in this order, found by object name.
    static const char* const kOpenEntry;
    static const char* const kToXEntry;
    static const char* const kToHashEntry;
    static const char* const kStripEntry;

private:
    void hookBuiltFields();
    void addEntries(QMenu* menu, QWidget* field);
    void focusChanged(QWidget* now);
    std::vector<QWidget*> keepClearFor(const QWidget* field) const;

    LiveWindow* live_;
    std::vector<int> units_;  // the unit indices of the window's colour fields
    // The fields whose context menu has the entries already, by unit (null: not built yet).
    // Asked without going through the window, which may be half taken down when the focus
    // moves for the last time.
    std::vector<QPointer<QWidget>> hooked_;
    ColourTool* tool_ = nullptr;
};

}  // namespace ui
