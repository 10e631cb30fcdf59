// One loaded window: the widgets made from a forms::Window, reachable by unit index, id or
// name. The window's own controls are built at once; the controls of a page are built when
// the page is first shown or when one of them is first reached through control().
#pragma once

#include <QHash>
#include <QWidget>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "actions/action.h"
#include "actions/reading.h"
#include "forms/form.h"

class QHBoxLayout;
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
    // The widget the form's own controls sit on, at the form's coordinates: the window
    // itself, or the area between the menu bar and the status bar.
    QWidget* formArea() const { return formArea_; }
    // Puts a menu bar above the form and a status bar below it; the window grows by their
    // height and every control keeps its place relative to the form area. Call once,
    // before the window is first shown, on a window made with chrome.
    void addChrome(QMenuBar* menuBar, QStatusBar* statusBar);
    // Puts a panel of the editor's own beside the form (on its right) or below it, between the
    // form and the status bar; hidden until the panel is shown. Showing it makes the window
    // larger by the panel's room, so the form keeps its size. After addChrome.
    void addSidePanel(QWidget* panel);
    void addBottomPanel(QWidget* panel);
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
    void addPanel(QWidget* panel, bool side);
    QSize panelsExtent() const;
    static QSize roomOf(const QWidget* panel);
    void panelShown(QWidget* panel, bool shown);

    const forms::Window& form_;
    std::vector<QWidget*> widgets_;
    QSize formSize_;     // the window's size with every control where its form puts it
    QSize formMinimum_;  // the least room the form area takes: the panels and the pages given up
    // What the output panels and the pages may give up of their room when the window is smaller
    // than its form: the panels down to a usable size, the pages down to a usable viewport.
    static constexpr QSize kPanelGive{180, 300};
    static constexpr QSize kPageGive{320, 0};
    QScrollArea* pageScroll_ = nullptr;  // around the page control, in a window with chrome
    QRect pageRect_;                     // the page control's place in the form
    actions::Reading reading_;           // the Tab order of every page and the names a screen reader says
    std::vector<bool> pageBuilt_;
    std::unordered_map<std::string_view, int> byName_;
    QHash<std::uint32_t, int> byId_;
    PageControl* pageControl_ = nullptr;
    QWidget* formArea_ = this;
    QMenuBar* menuBar_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QHBoxLayout* middle_ = nullptr;                  // the form area and the side panels
    std::vector<std::pair<QWidget*, bool>> panels_;  // side (true) or bottom panels
    bool fitted_ = false;
    bool placed_ = false;
    QRect wanted_;          // where placeAt put the content
    bool rescued_ = false;  // placeAt brought it back from where no screen shows it
    void settle();
};

}  // namespace ui
