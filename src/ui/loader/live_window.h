// One loaded window: the widgets made from a forms::Window, reachable by unit index, id or
// name. The window's own controls are built at once; the controls of a page are built when
// the page is first shown or when one of them is first reached through control().
#pragma once

#include <QHash>
#include <QWidget>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "actions/action.h"
#include "actions/reading.h"
#include "forms/form.h"

class QDockWidget;
class QMainWindow;
class QScrollArea;
class QMenuBar;
class QStatusBar;

namespace ui {

class PageControl;

// "0x52010001": upper-case hex digits after a lower-case 0x, as the session and the automation
// interface write window and unit ids.
QString hexId(std::uint32_t id);

class LiveWindow : public QWidget {
    Q_OBJECT
public:
    // With chrome, the form's controls sit on a form area that addChrome() puts between a
    // menu bar and a status bar.
    explicit LiveWindow(const forms::Window& form, bool chrome = false);
    ~LiveWindow() override;

    const forms::Window& form() const { return form_; }
    std::uint32_t id() const { return form_.id; }

    // The live control of a unit, built first if its page was not built yet; nullptr for an
    // index outside the form.
    QWidget* control(int unitIndex);
    QWidget* controlById(std::uint32_t unitId);
    QWidget* controlByName(std::string_view name);
    int unitIndex(std::string_view name) const;
    int unitIndexById(std::uint32_t unitId) const;
    // The unit of a live control, or -1 for a widget that is no unit's control.
    int unitIndexOf(const QWidget* widget) const;
    // The live control of a unit if it was built, without building its page.
    QWidget* builtControl(int unitIndex) const;
    PageControl* pageControl() const { return pageControl_; }
    // The widget the form's own controls sit on, at the form's coordinates, inside the scroll
    // area formScroll() (between the menu bar and the status bar in a window with chrome).
    QWidget* formArea() const { return formArea_; }
    // Puts a menu bar above the form and a status bar below it, and the form in a frame that
    // docks the editor's own panels around it and scrolls the form when the room left for it is
    // smaller than the least the form takes. Call once, before the window is first shown, on a
    // window made with chrome.
    void addChrome(QMenuBar* menuBar, QStatusBar* statusBar);
    // Docks a panel of the editor's own beside the form (Qt::RightDockWidgetArea,
    // LeftDockWidgetArea) or below it (BottomDockWidgetArea), hidden until shown. name is the
    // dock's object name ("entries", "replies", "folder"), title its caption. The dock can be
    // resized, moved to another side, put in a tab with another dock and closed; never floated,
    // so that it stays inside the window. After addChrome.
    QDockWidget* addDock(QWidget* panel, const QString& name, const QString& title, Qt::DockWidgetArea area);
    // Shows a docked panel (brought to the front of its tabs) or hides it. Shown, it takes room
    // from the form, and the window grows for it only as far as its screen has room.
    void showPanel(QWidget* panel, bool shown);
    // Whether the user has the panel shown (it may be behind another dock's tab).
    bool panelShown(const QWidget* panel) const;
    QDockWidget* dockOf(const QWidget* panel) const;
    const std::vector<QDockWidget*>& docks() const { return docks_; }
    // The docks' places, sizes, tabs and visibility, as the session keeps them; restoring
    // answers false for bytes that are no such state (nothing changes then).
    QByteArray dockState() const;
    bool restoreDockState(const QByteArray& state);
    // The scroll area around the form area: its viewport is the part of the form on screen.
    QScrollArea* formScroll() const { return formScroll_; }
    QMenuBar* menuBar() const { return menuBar_; }
    QStatusBar* statusBar() const { return statusBar_; }
    // Builds every page that is not built yet.
    void buildAllPages();
    // Gives the focus to the first field of the page shown (of the window without pages).
    void focusFirstField();
    // The tooltip of a field that feeds a button: the line its value lands on, built from the
    // values the fields hold now, and the hints the page shows beside it. Empty for others.
    QString fieldTip(int unitIndex);
    // The values the fields of an action hold now, read as the action lists them.
    actions::Inputs inputsFor(const actions::Action& action);

    // Brings the outer size to the form's where the window frame allows it, keeping the
    // client area large enough for every control.
    void fitToForm();
    // Whether fitToForm has run (a moment after the window was first shown).
    bool isFitted() const { return formSize_.isValid(); }
    // Puts the window's client area (its geometry(), the session's) where it was, as far as a
    // screen shows it, and keeps it there through fitToForm.
    void placeAt(const QRect& client);
    // The client area's place on the screen, as the window system has it now: what placeAt
    // takes back.
    QRect clientPlace() const;

signals:
    // A button bound to a handler was clicked.
    void buttonClicked(int unitIndex);
    // The controls of a page have just been built.
    void pageBuilt(int page);
    // The window was closed; it is destroyed when control returns to the event loop.
    void closed();
    // A docked panel was shown or hidden by the user (a menu entry, a dock's close button).
    void panelToggled(QWidget* panel, bool shown);
    // Something the session keeps changed: a field's text or selection, the page, the
    // window's place or size.
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void build(int page);
    void addKeys();
    void placeStretched();
    void create(std::size_t index);
    QWidget* containerOf(const forms::Unit& unit);
    QSize controlsExtent() const;
    int chromeHeight() const;
    QSize docksExtent() const;
    void dockToggled(QDockWidget* dock, bool shown);
    // The window's outer rectangle kept inside the room of its screen, as far as it fits.
    void keepOnScreen();

    const forms::Window& form_;
    std::vector<QWidget*> widgets_;
    QSize formSize_;     // the window's size with every control where its form puts it
    QSize formMinimum_;  // the least room the form area takes: the panels and the pages given up
    // What the output panels and the pages may give up of their room when the window is smaller
    // than its form: the panels down to a usable size (in width no more than keeps the hint
    // between the configuration panel's buttons on two lines), the pages down to a usable
    // viewport.
    static constexpr QSize kPanelGive{60, 300};
    static constexpr QSize kPageGive{320, 0};
    QScrollArea* pageScroll_ = nullptr;  // around the page control, in a window with chrome
    QRect pageRect_;                     // the page control's place in the form
    actions::Reading reading_;           // the Tab order of every page and the names a screen reader says
    std::vector<bool> pageBuilt_;
    std::unordered_map<std::string_view, int> byName_;
    QHash<std::uint32_t, int> byId_;
    PageControl* pageControl_ = nullptr;
    QWidget* formArea_ = nullptr;
    bool chrome_ = false;
    QMenuBar* menuBar_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QMainWindow* frame_ = nullptr;       // the form and the docked panels, between the bars
    QScrollArea* formScroll_ = nullptr;  // the form area, scrolled when the room is too small
    std::vector<QDockWidget*> docks_;
    QMetaObject::Connection focusFollower_;                 // scrolls a field reached with Tab into view
    std::unordered_map<const QDockWidget*, int> grownFor_;  // what the window grew by for a dock
    std::unordered_set<const QDockWidget*> firstShown_;     // docks given their first size
    bool restoringDocks_ = false;
    bool fitted_ = false;
    bool placed_ = false;
    QRect wanted_;          // where placeAt put the content
    bool rescued_ = false;  // placeAt brought it back from where no screen shows it
    int settleTries_ = 0;
    int settleChecks_ = 0;
    static constexpr int kSettleTries = 100;  // ten seconds of asking for the frame
    static constexpr int kSettleChecks = 4;   // looks once the frame is known
    void settle();
    void makeFormScroll();
    void putAt(const QRect& client, const QRect& target, const QMargins& frame);
};

}  // namespace ui
