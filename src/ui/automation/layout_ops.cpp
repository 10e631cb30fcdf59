#include "ui/automation/layout_ops.h"

#include <QDockWidget>
#include <QGuiApplication>
#include <QJsonArray>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>

#include "forms/windows.h"
#include "ui/base/native_window.h"
#include "ui/loader/live_window.h"
#include "ui/loader/runtime.h"
#include "ui/server/command_line.h"
#include "ui/server/reply_panel.h"
#include "ui/server/server_link.h"

namespace ui {
namespace {

LiveWindow& mainWindow(Context& context) {
    LiveWindow* main = context.runtime.window(forms::kMainWindowId);
    if (main == nullptr) throw Refused{QStringLiteral("the main window is not loaded")};
    return *main;
}

QDockWidget& namedDock(LiveWindow& main, const QString& name) {
    QStringList names;
    for (QDockWidget* dock : main.docks()) {
        if (dock->objectName() == name) return *dock;
        names << dock->objectName();
    }
    throw Refused{QStringLiteral("no panel \"%1\" (panels: %2)").arg(name, names.join(QStringLiteral(", ")))};
}

QJsonObject show(Context& context, const QJsonObject& request) {
    LiveWindow& main = mainWindow(context);
    QDockWidget& dock = namedDock(main, stringField(request, "panel"));
    const QJsonValue shown = request.value(QStringLiteral("shown"));
    if (!shown.isUndefined() && !shown.isBool()) throw Refused{QStringLiteral("\"shown\" must be true or false")};
    main.showPanel(dock.widget(), shown.toBool(true));
    return ok();
}

QJsonObject rectangle(const QRect& rect) {
    return {{"x", rect.x()}, {"y", rect.y()}, {"width", rect.width()}, {"height", rect.height()}};
}

// Where the window's content really is: the window system's word where Qt's can lag behind a
// window manager's move.
struct Places {
    QRect client;
    QRect frame;
};

Places placesOf(const LiveWindow& main) {
    // The content's size as Qt lays it out (the window system's, over a fractional scale, can
    // round a pixel away from it).
    if (const std::optional<NativePlace> native = nativePlace(&main))
        return {QRect(native->client.topLeft(), main.size()), native->client.marginsAdded(native->frame)};
    return {QRect(main.mapToGlobal(QPoint(0, 0)), main.size()), main.frameGeometry()};
}

// A part of the window on the screen: where its visible rectangle is, or that it is hidden.
QJsonObject part(const LiveWindow& main, const QPoint& clientOrigin, const QWidget* widget, bool tabbed = false) {
    if (widget == nullptr || !widget->isVisibleTo(&main) || !widget->isVisible()) {
        QJsonObject hidden = rectangle({});
        hidden.insert(QStringLiteral("visible"), false);
        if (tabbed) hidden.insert(QStringLiteral("tabbed"), true);
        return hidden;
    }
    QJsonObject shown = rectangle(QRect(clientOrigin + widget->mapTo(&main, QPoint(0, 0)), widget->size()));
    shown.insert(QStringLiteral("visible"), true);
    return shown;
}

QJsonObject layout(Context& context, const QJsonObject&) {
    LiveWindow& main = mainWindow(context);
    const Places places = placesOf(main);
    const QScreen* screen = main.screen() != nullptr ? main.screen() : QGuiApplication::primaryScreen();
    QJsonObject window = rectangle(places.client);
    window.insert(QStringLiteral("minimum"),
                  QJsonObject{{"width", main.minimumSizeHint().width()}, {"height", main.minimumSizeHint().height()}});
    QJsonObject parts;
    const QPoint origin = places.client.topLeft();
    if (const QScrollArea* scroll = main.formScroll())
        parts.insert(QStringLiteral("form"), part(main, origin, scroll->viewport()));
    else
        parts.insert(QStringLiteral("form"), part(main, origin, main.formArea()));
    for (const QDockWidget* dock : main.docks()) {
        // Shown by the user, but behind another dock's tab.
        const bool behind = main.panelShown(dock->widget()) && !dock->isVisible();
        parts.insert(dock->objectName(), part(main, origin, dock, behind));
    }
    const ServerLink* server = context.server;
    const ReplyPanel* replies = server != nullptr ? server->replyPanel() : nullptr;
    const bool repliesBehind = replies != nullptr && main.panelShown(replies) && !main.dockOf(replies)->isVisible();
    parts.insert(QStringLiteral("command"),
                 part(main, origin, replies != nullptr ? replies->commandLine() : nullptr, repliesBehind));
    parts.insert(QStringLiteral("status"), part(main, origin, main.statusBar()));
    return {{"ok", true},
            {"screen", rectangle(screen != nullptr ? screen->availableGeometry() : QRect())},
            {"window", window},
            {"frame", rectangle(places.frame)},
            {"parts", parts}};
}

// clang-format off
constexpr Op kOps[] = {
    {"show",   now<show>},
    {"layout", now<layout>},
};
// clang-format on

}  // namespace

std::span<const Op> layoutOps() { return kOps; }

}  // namespace ui
