#include "ui/loader/runtime.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QPlainTextEdit>
#include <algorithm>

#include "actions/action.h"
#include "actions/panels.h"
#include "forms/windows.h"
#include "ui/base/fatal.h"
#include "ui/base/text.h"
#include "ui/loader/controls.h"
#include "ui/loader/live_window.h"
#include "ui/panels/copy_notice.h"
#include "ui/panels/panel.h"
#include "ui/panels/panel_memory.h"

namespace ui {

Runtime::Runtime() = default;

Runtime::~Runtime() {
    const std::vector<LiveWindow*> windows = loaded_;
    loaded_.clear();
    for (LiveWindow* window : windows) {
        disconnect(window, nullptr, this, nullptr);
        delete window;
    }
}

LiveWindow* Runtime::open(std::uint32_t windowId) {
    if (LiveWindow* existing = window(windowId)) {
        existing->showNormal();
        existing->raise();
        existing->activateWindow();
        return existing;
    }
    const forms::Window* form = forms::findWindow(windowId);
    if (form == nullptr) return nullptr;
    auto* live = new LiveWindow(*form, windowId == forms::kMainWindowId);
    loaded_.push_back(live);
    // Every output panel remembers its last clear and its last append.
    for (const actions::PanelRow& row : actions::panels()) {
        if (row.window != windowId) continue;
        if (auto* edit = qobject_cast<QPlainTextEdit*>(live->controlByName(row.name))) new PanelMemory(edit);
    }
    connect(live, &LiveWindow::buttonClicked, this, [this, live](int unitIndex) { onButtonClicked(live, unitIndex); });
    // The rooms above the loader attach to the window here: menus, checks, previews.
    emit windowOpened(live);
    // A closed window is no longer loaded from that moment on, though Qt deletes it only
    // when control returns to the event loop.
    auto unload = [this, live, windowId] {
        const auto it = std::find(loaded_.begin(), loaded_.end(), live);
        if (it == loaded_.end()) return;
        if (windowId == forms::kMainWindowId) emit mainWindowClosing();
        loaded_.erase(it);
        emit windowsChanged();
        // Closing the main window ends the editor: the other windows close with it, and the
        // program ends, unless the automation interface still has lines to answer.
        if (windowId == forms::kMainWindowId) {
            mainWindowClosed_ = true;
            for (LiveWindow* other : std::vector<LiveWindow*>(loaded_)) other->close();
            if (quitWhenMainWindowCloses_) QCoreApplication::quit();
        }
    };
    connect(live, &LiveWindow::closed, this, unload);
    connect(live, &QObject::destroyed, this, unload);
    live->show();
    emit windowsChanged();
    return live;
}

LiveWindow* Runtime::window(std::uint32_t windowId) const {
    auto it = std::find_if(loaded_.begin(), loaded_.end(),
                           [windowId](LiveWindow* window) { return window->id() == windowId; });
    return it == loaded_.end() ? nullptr : *it;
}

std::uint32_t Runtime::unitId(std::uint32_t windowId, std::string_view name) {
    const forms::Window* form = forms::findWindow(windowId);
    if (form == nullptr) return 0;
    const int index = forms::findUnit(*form, name);
    return index < 0 ? 0 : form->ids[static_cast<std::size_t>(index)];
}

QWidget* Runtime::liveControl(std::uint32_t windowId, std::uint32_t unitId) const {
    LiveWindow* live = window(windowId);
    if (live == nullptr) fatalError(kWindowNotLoaded);
    QWidget* control = live->controlById(unitId);
    if (control == nullptr) fatalError(kControlNotLive);
    return control;
}

QString Runtime::text(std::uint32_t windowId, std::uint32_t unitId) const {
    return editText(liveControl(windowId, unitId));
}

int Runtime::selection(std::uint32_t windowId, std::uint32_t unitId) const {
    auto* combo = qobject_cast<QComboBox*>(liveControl(windowId, unitId));
    return combo != nullptr ? combo->currentIndex() : -1;
}

bool Runtime::checked(std::uint32_t windowId, std::uint32_t unitId) const {
    auto* box = qobject_cast<QCheckBox*>(liveControl(windowId, unitId));
    return box != nullptr && box->isChecked();
}

void Runtime::setText(std::uint32_t windowId, std::uint32_t unitId, const QString& text) {
    setEditText(liveControl(windowId, unitId), text);
}

void Runtime::append(std::uint32_t windowId, std::uint32_t panelId, const QString& text) {
    if (auto* panel = qobject_cast<QPlainTextEdit*>(liveControl(windowId, panelId))) appendToPanel(panel, text);
}

QString Runtime::copy(std::uint32_t windowId, std::uint32_t panelId) {
    if (auto* panel = qobject_cast<QPlainTextEdit*>(liveControl(windowId, panelId))) return copyPanel(panel);
    return {};
}

void Runtime::clear(std::uint32_t windowId, std::uint32_t panelId) {
    if (auto* panel = qobject_cast<QPlainTextEdit*>(liveControl(windowId, panelId))) clearPanel(panel);
}

void Runtime::onButtonClicked(LiveWindow* live, int unitIndex) {
    const forms::Unit& unit = live->form().units[static_cast<std::size_t>(unitIndex)];
    const std::uint32_t windowId = live->id();
    switch (unit.click) {
    case forms::Click::None: break;
    case forms::Click::Build:
        if (const actions::Action* bound = actions::find(windowId, unit.name)) runAction(*bound);
        break;
    case forms::Click::CopyPanel:
        if (const actions::PanelRow* panel = actions::panelOfButton(windowId, unit.name)) {
            // The notice counts the lines of the very text copied: a large panel is read once.
            const std::uint32_t panelId = unitId(windowId, panel->name);
            if (qobject_cast<QPlainTextEdit*>(liveControl(windowId, panelId)) != nullptr)
                showCopyNotice(live->control(unitIndex), copy(windowId, panelId));
        }
        break;
    case forms::Click::ClearPanel:
        if (const actions::PanelRow* panel = actions::panelOfButton(windowId, unit.name))
            clear(windowId, unitId(windowId, panel->name));
        break;
    case forms::Click::OpenWindow: open(unit.opens); break;
    case forms::Click::PageTool: break;  // the page's own code listens to the button
    }
}

// One rule for every builder button: read the named fields of the panel's window in
// order, build the text, append it once.
void Runtime::runAction(const actions::Action& action) {
    const std::uint32_t windowId = action.window;
    actions::Inputs inputs;
    inputs.texts.reserve(action.texts.size());
    for (std::string_view name : action.texts) inputs.texts.push_back(toUtf8(text(windowId, unitId(windowId, name))));
    inputs.selections.reserve(action.selections.size());
    for (std::string_view name : action.selections)
        inputs.selections.push_back(selection(windowId, unitId(windowId, name)));
    inputs.checks.reserve(action.checks.size());
    for (std::string_view name : action.checks) inputs.checks.push_back(checked(windowId, unitId(windowId, name)));
    const QString text = fromUtf8(action.build(inputs));
    if (appendRoute_ && appendRoute_(action, text)) return;
    append(windowId, unitId(windowId, actions::panelRow(action.panel).name), text);
}

}  // namespace ui
