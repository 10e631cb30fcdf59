// The control runtime: loaded windows by id, controls by (window id, unit id), and the
// handlers that buttons run. Every handler reads and writes controls through this class.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

#include "actions/action.h"

namespace ui {

class LiveWindow;

class Runtime : public QObject {
    Q_OBJECT
public:
    Runtime();
    ~Runtime() override;

    // Loads and shows a window, or raises it when it is already open: one instance per id.
    LiveWindow* open(std::uint32_t windowId);
    // The loaded window with this id, or nullptr.
    LiveWindow* window(std::uint32_t windowId) const;
    // Loaded windows, in the order they were opened.
    const std::vector<LiveWindow*>& windows() const { return loaded_; }

    // The unit id of a named control of a window (loaded or not), or 0.
    static std::uint32_t unitId(std::uint32_t windowId, std::string_view name);

    // Control access for handlers. A window that is not loaded, or a unit with no live
    // control, is a fatal error.
    QString text(std::uint32_t windowId, std::uint32_t unitId) const;
    int selection(std::uint32_t windowId, std::uint32_t unitId) const;
    bool checked(std::uint32_t windowId, std::uint32_t unitId) const;
    void setText(std::uint32_t windowId, std::uint32_t unitId, const QString& text);
    void append(std::uint32_t windowId, std::uint32_t panelId, const QString& text);
    // Copies a panel; returns the text copied (empty for no panel).
    QString copy(std::uint32_t windowId, std::uint32_t panelId);
    void clear(std::uint32_t windowId, std::uint32_t panelId);

    // Where a builder button's text goes instead of the end of its panel: a route that takes the
    // text returns true (the entries room puts a list line into the entry a page holds).
    using AppendRoute = std::function<bool(const actions::Action& action, const QString& text)>;
    void setAppendRoute(AppendRoute route) { appendRoute_ = std::move(route); }

    // Whether closing the main window ends the program (it does unless a script runs).
    void setQuitWhenMainWindowCloses(bool quit) { quitWhenMainWindowCloses_ = quit; }
    // The main window was loaded and has been closed: the editor has ended.
    bool mainWindowClosed() const { return mainWindowClosed_; }

signals:
    void windowsChanged();
    // A window was loaded, before it is shown.
    void windowOpened(LiveWindow* window);
    // The main window is closing, with every other window still open: the last moment to
    // read them all.
    void mainWindowClosing();

private:
    void onButtonClicked(LiveWindow* window, int unitIndex);
    void runAction(const actions::Action& action);
    QWidget* liveControl(std::uint32_t windowId, std::uint32_t unitId) const;

    std::vector<LiveWindow*> loaded_;
    AppendRoute appendRoute_;
    bool quitWhenMainWindowCloses_ = true;
    bool mainWindowClosed_ = false;
};

}  // namespace ui
