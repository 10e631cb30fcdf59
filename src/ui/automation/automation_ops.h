// The automation interface: the script's lines read as they come, and the ops that answer them
// through the same widgets and signals a user's input reaches. This file: the ops, one row
// each, a name and the handler that runs it. A handler answers once, through its reply, at
// once or when the work it started is done (an open, a save, a menu action).
#pragma once

#include <QJsonObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <span>

namespace ui {

class GemPreview;
class MainMenu;
class PanelDocuments;
class Runtime;
class ServerLink;

// What the ops work on: the live windows, the panels' documents, the menu, the server link.
struct Context {
    Runtime& runtime;
    PanelDocuments& documents;
    MainMenu& menu;
    GemPreview* gemPreview = nullptr;
    QPointer<ServerLink> server;  // null while the main window is gone
};

// A request that cannot be run; its message becomes the reply's "error".
struct Refused {
    QString message;
};

using Reply = std::function<void(const QJsonObject& reply)>;

struct Op {
    const char* name;
    // Answers through reply, once; may throw Refused before it started anything.
    void (*run)(Context& context, const QJsonObject& request, const Reply& reply);
};

// The ops of this file; runRequest also runs those of the server link (server_ops.h).
std::span<const Op> ops();

// The window a request names in "window" (a hex id such as "0x52010001"), the main window
// when it names none; throws Refused for anything else.
std::uint32_t windowIdOf(const QJsonObject& request);

// Runs one request object; reply hears {"ok":true, ...} or {"ok":false,"error":...}, once.
void runRequest(Context& context, const QJsonObject& request, const Reply& reply);

}  // namespace ui
