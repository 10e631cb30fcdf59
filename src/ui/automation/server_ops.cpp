#include "ui/automation/server_ops.h"

#include <QJsonArray>
#include <QStringList>

#include "actions/console.h"
#include "actions/panels.h"
#include "storage/server_settings.h"
#include "ui/automation/remote_ops.h"
#include "ui/automation/unit_json.h"
#include "ui/base/text.h"
#include "ui/loader/live_window.h"
#include "ui/loader/runtime.h"
#include "ui/server/reply_panel.h"
#include "ui/server/server_link.h"

namespace ui {
namespace {

// The longest time limit a request may set: an hour.
constexpr int kMaxTimeoutMs = 3'600'000;

ServerLink& serverOf(Context& context) {
    if (context.server == nullptr) throw Refused{QStringLiteral("the server link is not loaded")};
    return *context.server;
}

// An integer field within [low, high], or fallback when absent.
int intIn(const QJsonObject& request, const char* key, int low, int high, int fallback) {
    const QJsonValue value = request.value(QLatin1String(key));
    if (value.isUndefined()) return fallback;
    if (!value.isDouble() || value.toDouble() != static_cast<double>(value.toInt()) || value.toInt() < low ||
        value.toInt() > high)
        throw Refused{
            QStringLiteral("\"%1\" must be an integer from %2 to %3").arg(QLatin1String(key)).arg(low).arg(high)};
    return value.toInt();
}

int timeoutOf(const QJsonObject& request) {
    return intIn(request, "timeoutMs", 1, kMaxTimeoutMs, ServerLink::kTimeoutMs);
}

QJsonObject failure(const QString& code, const QString& message) {
    return {{"ok", false}, {"code", code}, {"error", message}};
}

// {"op":"connect","profile":"lobby"}: the profile's RCON, through its SSH connection when it says
// so ("no-tunnel" when the server refuses to forward; the SSH connection's own codes, as every op
// that reaches a host), with "password" or the one the profile op gave.
void connectProfileOp(Context& context, ServerLink& server, const QJsonObject& request, const Reply& reply) {
    const QString name = profileOf(context, request);
    const QJsonValue password = request.value(QStringLiteral("password"));
    if (!password.isUndefined() && !password.isString())
        throw Refused{QStringLiteral("\"password\" must be the server's rcon.password")};
    const std::optional<QString> given = password.isString() ? std::optional(password.toString()) : std::nullopt;
    server.connectProfile(name, given, timeoutOf(request), nullptr, [reply](const remote::Outcome& outcome) {
        reply(outcome.ok() ? QJsonObject{{"ok", true}} : serverRefusal(outcome));
    });
}

// {"op":"connect","host":"127.0.0.1","port":25575,"password":"..."}: {"ok":true}, or the code
// ("auth-failed", "unreachable", "timeout") and the reason.
void connectOp(Context& context, const QJsonObject& request, const Reply& reply) {
    ServerLink& server = serverOf(context);
    if (request.contains(QStringLiteral("profile"))) {
        if (request.contains(QStringLiteral("host")) || request.contains(QStringLiteral("port")))
            throw Refused{QStringLiteral("give \"profile\", or \"host\" and \"port\", not both")};
        return connectProfileOp(context, server, request, reply);
    }
    const QJsonValue host = request.value(QStringLiteral("host"));
    if (!host.isString() || host.toString().trimmed().isEmpty())
        throw Refused{QStringLiteral("\"host\" must be the server's host name or address")};
    const int port = intIn(request, "port", 1, 65535, storage::ServerSettings::kDefaultPort);
    const QJsonValue password = request.value(QStringLiteral("password"));
    if (!password.isString()) throw Refused{QStringLiteral("\"password\" must be the server's rcon.password")};
    server.connectTo(host.toString().trimmed(), static_cast<quint16>(port), password.toString(), timeoutOf(request),
                     [reply](const rcon::ConnectOutcome& outcome) {
                         reply(outcome.ok() ? QJsonObject{{"ok", true}} : failure(outcome.code, outcome.message));
                     });
}

QJsonObject lineJson(const ServerLink::LineResult& result) {
    QJsonObject line{{"line", result.line}, {"command", result.command}};
    if (!result.skipped.isEmpty()) {
        line.insert(QStringLiteral("skipped"), result.skipped);
    } else if (!result.code.isEmpty()) {
        line.insert(QStringLiteral("code"), result.code);
        if (result.code == QLatin1String("too-long")) line.insert(QStringLiteral("bytes"), result.bytes);
        line.insert(QStringLiteral("error"), result.message);
    } else {
        line.insert(QStringLiteral("reply"), result.reply);
    }
    return line;
}

// The panels whose lines go to the console, for a refusal: "编辑框1 (0x52010001), ...".
QString consolePanels() {
    QStringList names;
    for (const actions::PanelRow& row : actions::panels())
        if (row.console) names << QStringLiteral("%1 (%2)").arg(fromUtf8(row.name), hexId(row.window));
    return names.join(QStringLiteral(", "));
}

void sendPanelOp(Context& context, ServerLink& server, const QJsonObject& request, const Reply& reply) {
    const QJsonValue name = request.value(QStringLiteral("control"));
    if (!name.isString()) throw Refused{QStringLiteral("\"control\" must be a panel's name")};
    const std::uint32_t window = windowIdOf(request);
    const actions::PanelRow* row = actions::panelNamed(window, toUtf8(name.toString()));
    if (row == nullptr || !row->console)
        throw Refused{QStringLiteral("%1 of %2 does not send its lines to the server; these do: %3")
                          .arg(name.toString(), hexId(window), consolePanels())};
    if (context.runtime.window(window) == nullptr)
        throw Refused{QStringLiteral("window %1 is not loaded").arg(hexId(window))};
    const int timeoutMs = timeoutOf(request);
    if (!server.client().hasCredentials())
        return reply(failure(QStringLiteral("not-connected"), QStringLiteral("未连接服务器：请先连接（connect）")));
    const bool started = server.sendPanel(*row, timeoutMs, [reply](const ServerLink::Lines& lines) {
        QJsonArray results;
        for (const ServerLink::LineResult& line : lines) results.append(lineJson(line));
        reply({{"ok", true}, {"results", results}});
    });
    if (!started) reply(failure(QStringLiteral("busy"), QStringLiteral("另一个输出框的行正在发送，请等它发完")));
}

// {"op":"send","command":"list"} or {"op":"send","control":"编辑框1"}.
void sendOp(Context& context, const QJsonObject& request, const Reply& reply) {
    ServerLink& server = serverOf(context);
    const bool hasCommand = request.contains(QStringLiteral("command"));
    if (hasCommand == request.contains(QStringLiteral("control")))
        throw Refused{QStringLiteral("give either \"command\" (a console command) or \"control\" (a panel)")};
    if (!hasCommand) return sendPanelOp(context, server, request, reply);
    const QJsonValue command = request.value(QStringLiteral("command"));
    if (!command.isString()) throw Refused{QStringLiteral("\"command\" must be a console command")};
    // The console's form: no leading "/" and no line break at the end.
    const std::string form = actions::consoleForm(toUtf8(command.toString()));
    if (!actions::isOneLine(form))
        throw Refused{QStringLiteral("\"command\" must be one line: send each line on its own")};
    const QString line = fromUtf8(form);
    if (line.trimmed().isEmpty()) throw Refused{QStringLiteral("\"command\" holds no command")};
    const int timeoutMs = timeoutOf(request);
    server.send(line, {}, timeoutMs, [reply](const rcon::Answer& answer) {
        if (answer.ok()) return reply({{"ok", true}, {"reply", answer.text}});
        QJsonObject refused = failure(answer.code, answer.message);
        if (answer.code == QLatin1String("too-long")) refused.insert(QStringLiteral("bytes"), answer.bytes);
        reply(refused);
    });
}

void disconnectOp(Context& context, const QJsonObject&, const Reply& reply) {
    serverOf(context).disconnectFromServer();
    reply({{"ok", true}});
}

// The last whole answer as the game draws it, in the runs of the preview op; no lines before
// any answer came. An answer over the reply panel's length stops where the panel stops, and
// says so: its runs, one for every code of megabytes, would make a reply of hundreds of MB.
void replyPreviewOp(Context& context, const QJsonObject&, const Reply& reply) {
    const std::optional<QString>& answer = serverOf(context).lastAnswer();
    if (!answer) return reply({{"ok", true}, {"lines", QJsonArray()}});
    const QString shown = ReplyPanel::shownPart(*answer);
    QJsonObject preview{{"ok", true}, {"lines", linesJson(ReplyPanel::linesOf(shown))}};
    if (shown.size() < answer->size()) {
        preview.insert(QStringLiteral("shown"), shown.size());
        preview.insert(QStringLiteral("length"), answer->size());
    }
    reply(preview);
}

// clang-format off
constexpr Op kServerOps[] = {
    {"connect",       connectOp},
    {"send",          sendOp},
    {"disconnect",    disconnectOp},
    {"reply-preview", replyPreviewOp},
};
// clang-format on

}  // namespace

std::span<const Op> serverOps() { return kServerOps; }

}  // namespace ui
