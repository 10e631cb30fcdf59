// The automation interface: the script's lines read as they come, and the ops that answer them
// through the same widgets and signals a user's input reaches. This file: the ops, one row
// each, a name and the handler that runs it. A handler answers once, through its reply, at
// once or when the work it started is done (an open, a save, a menu action).
#pragma once

#include <QJsonObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <span>

class QWidget;

namespace forms {
struct Unit;
}

namespace ui {

class EntryEditor;
class GemPreview;
class LiveWindow;
class MainMenu;
class PanelDocuments;
class PluginFolder;
class Runtime;
class ServerLink;
class Servers;

// What the ops work on: the live windows, the panels' documents, the menu, the server link, the
// server profiles.
struct Context {
    Runtime& runtime;
    PanelDocuments& documents;
    MainMenu& menu;
    GemPreview* gemPreview = nullptr;
    EntryEditor* entries = nullptr;
    QPointer<ServerLink> server;  // null while the main window is gone
    Servers* servers = nullptr;   // the server profiles and their sessions (the editor's)
    PluginFolder* folder = nullptr;
    // Writes of the session that failed since the last reply: the next reply carries them as
    // "sessionError".
    QStringList sessionProblems = {};
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

// The ops of each family, a table in a file of its own, and all of them.
std::span<const Op> coreOps();   // controls, windows, previews, checks, files, menu actions
std::span<const Op> entryOps();  // the entries of the configuration panel (entry_ops.cpp)
std::span<const Op> ops();

// The reply of load-entry: the entry of the configuration panel loaded into its page,
// {"ok":true,"page":4,"extras":[...]}, or the refusal with its code.
QJsonObject loadEntryReply(EntryEditor& editor, const QString& id);

// The control a request names with "window" (absent: the main window) and "control".
struct Target {
    LiveWindow* window;
    const forms::Unit* unit;
    QWidget* widget;
};
// Refused when the window is not loaded or has no such control.
Target targetOf(Runtime& runtime, const QJsonObject& request);

// An op that answers at once: a row of a table is {"name", now<handler>}.
template <QJsonObject (*answer)(Context&, const QJsonObject&)>
void now(Context& context, const QJsonObject& request, const Reply& reply) {
    reply(answer(context, request));
}

// Helpers the families share.
QJsonObject ok();
QJsonObject okWith(const char* key, const QJsonValue& value);
// The text of a field that must be a string (possibly empty when allowEmpty).
QString stringField(const QJsonObject& request, const char* key, bool allowEmpty = false);
// The live widget of the control a request names ("window" and "control"), refused when there
// is none.
QWidget* controlOf(Runtime& runtime, const QJsonObject& request);

// The window a request names in "window" (a hex id such as "0x52010001"), the main window
// when it names none; throws Refused for anything else.
std::uint32_t windowIdOf(const QJsonObject& request);

// Runs one request object; reply hears {"ok":true, ...} or {"ok":false,"error":...}, once.
void runRequest(Context& context, const QJsonObject& request, const Reply& reply);

}  // namespace ui
