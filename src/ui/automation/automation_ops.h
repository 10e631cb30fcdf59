// The automation interface: the script's lines read as they come, and the ops that answer them
// through the same widgets and signals a user's input reaches. This file: the ops, one row
// each, a name and the handler that runs it. A handler answers once, through its reply, at
// once or when the work it started is done (an open, a save, a menu action).
#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <span>

namespace ui {

class GemPreview;
class MainMenu;
class PanelDocuments;
class Runtime;

// What the ops work on: the live windows, the panels' documents, the menu.
struct Context {
    Runtime& runtime;
    PanelDocuments& documents;
    MainMenu& menu;
    GemPreview* gemPreview = nullptr;
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

std::span<const Op> ops();

// Runs one request object; reply hears {"ok":true, ...} or {"ok":false,"error":...}, once.
void runRequest(Context& context, const QJsonObject& request, const Reply& reply);

}  // namespace ui
