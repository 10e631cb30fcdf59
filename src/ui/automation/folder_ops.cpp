#include "ui/automation/folder_ops.h"

#include <QJsonArray>

#include "actions/panels.h"
#include "documents/open.h"
#include "ui/automation/remote_ops.h"
#include "ui/base/background.h"
#include "ui/base/text.h"
#include "ui/entries/entry_editor.h"
#include "ui/files/main_menu.h"
#include "ui/files/panel_documents.h"
#include "ui/folder/plugin_folder.h"
#include "ui/remote/server_access.h"
#include "ui/remote/servers.h"

namespace ui {
namespace {

QJsonObject failure(const QString& code, const QString& message) {
    return {{"ok", false}, {"code", code}, {"error", message}};
}

QJsonObject noFolder() {
    return failure(QStringLiteral("no-folder"), QStringLiteral("还没有打开插件文件夹：先用 folder 操作打开它"));
}

QJsonObject busy() { return failure(QStringLiteral("busy"), QStringLiteral("正在读取插件文件夹，请等它读完再试")); }

PluginFolder& folderOf(Context& context) {
    if (context.folder == nullptr) throw Refused{QStringLiteral("the plugin folder is not loaded")};
    return *context.folder;
}

QString changeCode(project::Change change) {
    switch (change) {
    case project::Change::Changed: return QStringLiteral("changed");
    case project::Change::Added: return QStringLiteral("added");
    case project::Change::Removed: return QStringLiteral("removed");
    }
    return {};
}

// {"ok":true,"files":[{"path","kind","entries"},...]}: a file not read has its "error", a file
// changed or added since the reading before its "change"; what was skipped and the files gone
// since the reading before follow when there are any.
QJsonObject filesReply(const PluginFolder& folder) {
    const std::shared_ptr<const project::FolderRead> read = folder.reading();
    QHash<QString, project::Change> marks;
    QJsonArray removed;
    for (const project::FileChange& change : folder.changes()) {
        if (change.change == project::Change::Removed)
            removed.append(change.path);
        else
            marks.insert(change.path, change.change);
    }
    QJsonArray files;
    for (const project::File& file : read->folder.files()) {
        const QString path = fromUtf8(file.path);
        QJsonObject row{{"path", path},
                        {"kind", fromUtf8(project::code(file.kind))},
                        {"entries", static_cast<qint64>(file.entries().size())}};
        if (!file.error.empty()) row.insert(QStringLiteral("error"), fromUtf8(file.error));
        if (marks.contains(path)) row.insert(QStringLiteral("change"), changeCode(marks.value(path)));
        files.append(row);
    }
    QJsonObject reply = okWith("files", files);
    if (!read->skipped.isEmpty()) {
        QJsonArray skipped;
        for (const project::Skipped& item : read->skipped)
            skipped.append(QJsonObject{{"path", item.path}, {"why", item.why}});
        reply.insert(QStringLiteral("skipped"), skipped);
    }
    if (!removed.isEmpty()) reply.insert(QStringLiteral("removed"), removed);
    return reply;
}

// A profile's plugin folder: the server reached first (a host key not trusted, a login refused:
// the server's own code and nothing read), then its folder read over the profile's session.
void openOnServer(Context& context, PluginFolder& folder, const QString& profile,
                  const std::function<void(const QString&)>& done, const Reply& reply) {
    if (context.servers == nullptr) throw Refused{QStringLiteral("the server profiles are not loaded")};
    const QString problem = context.servers->loginProblem(profile);
    if (!problem.isEmpty()) return reply(failure(QStringLiteral("no-login"), problem));
    if (folder.isReading()) return reply(busy());
    reachServer(*context.servers, profile, nullptr, &folder,
                [&folder, profile, done, reply](const remote::Outcome& outcome, remote::Session* session) {
                    if (!outcome.ok()) return reply(serverRefusal(outcome));
                    if (!folder.openOnServer(profile, session, done)) reply(busy());
                });
}

// {"op":"folder","path":"/abs/plugins/Quorvel"}: the folder read and listed; the folder open
// named again, or no "path", reads it again as F5 does.
void folderOp(Context& context, const QJsonObject& request, const Reply& reply) {
    PluginFolder& folder = folderOf(context);
    const QJsonValue path = request.value(QStringLiteral("path"));
    if (!path.isUndefined() && (!path.isString() || path.toString().isEmpty()))
        throw Refused{QStringLiteral("\"path\" must be a folder's path")};
    if (path.isUndefined() && !folder.isOpen()) return reply(noFolder());
    const PluginFolder* answering = &folder;
    const auto done = [answering, reply](const QString& error) {
        if (!error.isEmpty()) return reply(failure(QStringLiteral("io"), error));
        reply(filesReply(*answering));
    };
    const QJsonValue profile = request.value(QStringLiteral("profile"));
    if (!profile.isUndefined()) {
        if (!path.isUndefined()) throw Refused{QStringLiteral("give \"path\" or \"profile\", not both")};
        return openOnServer(context, folder, profileOf(context, request), done, reply);
    }
    const bool started = path.isUndefined() ? folder.reread(done) : folder.openLocal(path.toString(), done);
    if (!started) reply(busy());
}

// {"op":"find","text":"红宝石"}: {"ok":true,"matches":[{"file","entry","kind","line"},...]} in
// the order of the files and lines.
void findOp(Context& context, const QJsonObject& request, const Reply& reply) {
    PluginFolder& folder = folderOf(context);
    const QString text = stringField(request, "text", true);
    if (!folder.isOpen()) return reply(noFolder());
    // The reply is made on the worker too: thousands of matches make thousands of objects.
    runInBackground(
        &folder,
        [read = folder.reading(), text = toUtf8(text)] {
            QJsonArray matches;
            for (const project::Match& match : read->folder.find(text))
                matches.append(QJsonObject{{"file", fromUtf8(match.path)},
                                           {"entry", fromUtf8(match.id)},
                                           {"kind", fromUtf8(project::code(match.kind))},
                                           {"line", match.line}});
            return okWith("matches", matches);
        },
        [reply](const QJsonObject& matches) { reply(matches); });
}

// {"op":"folder-check"}: {"ok":true,"findings":[...]}, shown in the panel as 检查文件夹 shows them.
void checkOp(Context& context, const QJsonObject&, const Reply& reply) {
    PluginFolder& folder = folderOf(context);
    if (!folder.isOpen()) return reply(noFolder());
    folder.check([reply](const std::vector<project::Finding>& findings) {
        QJsonArray list;
        for (const project::Finding& finding : findings) list.append(findingJson(finding));
        reply(okWith("findings", list));
    });
}

// {"op":"open-entry","file":"sockets.yml","entry":"ruby"}: the file opened into the
// configuration panel (unless the panel holds it already) and the entry loaded, answered as
// load-entry answers. Unsaved changes of another file are refused ("unsaved") unless "force".
void openEntryOp(Context& context, const QJsonObject& request, const Reply& reply) {
    PluginFolder& folder = folderOf(context);
    const QString file = stringField(request, "file");
    const QString entry = stringField(request, "entry");
    const QJsonValue force = request.value(QStringLiteral("force"));
    if (!force.isUndefined() && !force.isBool()) throw Refused{QStringLiteral("\"force\" must be true or false")};
    if (context.entries == nullptr) throw Refused{QStringLiteral("the entries are not loaded")};
    if (!folder.isOpen()) return reply(noFolder());
    if (folder.reading()->folder.file(toUtf8(file)) == nullptr)
        return reply(failure(QStringLiteral("unknown-file"),
                             QStringLiteral("插件文件夹里没有文件“%1”（路径相对于文件夹，用 / 分隔）").arg(file)));
    EntryEditor* entries = context.entries;
    if (folder.isInPanel(file)) return reply(loadEntryReply(*entries, entry));
    MainMenu* menu = &context.menu;
    context.documents.open(
        actions::Panel::Config, folder.location(file), std::nullopt, false,
        [menu, entries, entry, reply](const documents::Outcome& outcome) {
            if (!outcome.ok()) return reply(documentRefusal(outcome));
            menu->showStatus(MainMenu::openedStatus(outcome));
            reply(loadEntryReply(*entries, entry));
        },
        !force.toBool(false));
}

// clang-format off
constexpr Op kOps[] = {
    {"folder",       folderOp},
    {"find",         findOp},
    {"folder-check", checkOp},
    {"open-entry",   openEntryOp},
};
// clang-format on

}  // namespace

std::span<const Op> folderOps() { return kOps; }

}  // namespace ui
