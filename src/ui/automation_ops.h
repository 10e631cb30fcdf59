// The requests of the automation interface: one row per op, each a name and the handler that
// runs it against the live windows through the same widgets and signals a user's input reaches.
#pragma once

#include <QJsonObject>
#include <QString>
#include <span>

namespace ui {

class Runtime;

// A request that cannot be run; its message becomes the reply's "error".
struct Refused {
    QString message;
};

struct Op {
    const char* name;
    QJsonObject (*run)(Runtime& runtime, const QJsonObject& request);  // throws Refused
};

std::span<const Op> ops();

// Runs one request object and returns its reply: {"ok":true, ...} or {"ok":false,"error":...}.
QJsonObject runRequest(Runtime& runtime, const QJsonObject& request);

}  // namespace ui
