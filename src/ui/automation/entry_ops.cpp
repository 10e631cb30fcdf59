// The ops over the entries of the configuration panel: list, load into a page, update in
// place, duplicate, delete, rename, and the differences against the file on disk.
#include <QJsonArray>
#include <QPlainTextEdit>

#include "actions/panels.h"
#include "documents/diff.h"
#include "documents/location.h"
#include "documents/open.h"
#include "ui/automation/automation_ops.h"
#include "ui/automation/remote_ops.h"
#include "ui/base/background.h"
#include "ui/base/text.h"
#include "ui/entries/entry_editor.h"
#include "ui/files/panel_documents.h"
#include "ui/panels/panel.h"
#include "ui/remote/servers.h"

namespace ui {
namespace {

QString kindCode(entries::Kind kind) {
    switch (kind) {
    case entries::Kind::Gem: return QStringLiteral("gem");
    case entries::Kind::Element: return QStringLiteral("element");
    case entries::Kind::KeyLore: return QStringLiteral("keylore");
    case entries::Kind::Other: return QStringLiteral("other");
    }
    return {};
}

// The entries live in the configuration panel: the request must name it.
EntryEditor& entriesOf(Context& context, const QJsonObject& request) {
    auto* panel = qobject_cast<QPlainTextEdit*>(controlOf(context.runtime, request));
    const actions::PanelRow* row = context.documents.rowOf(panel);
    if (context.entries == nullptr || row == nullptr || row->file != actions::FileRole::Configuration) {
        throw Refused{QStringLiteral("entries are in %1 of the main window only")
                          .arg(fromUtf8(actions::panelWithRole(actions::FileRole::Configuration)->name))};
    }
    return *context.entries;
}

QJsonObject answer(const EntryEditor::Outcome& outcome) {
    if (!outcome.ok()) return {{"ok", false}, {"code", outcome.code}, {"error", outcome.message}};
    QJsonObject reply = ok();
    reply.insert(QStringLiteral("entry"), outcome.id);
    reply.insert(QStringLiteral("line"), outcome.line);
    reply.insert(QStringLiteral("end"), outcome.end);
    return reply;
}

QJsonObject list(Context& context, const QJsonObject& request) {
    const std::shared_ptr<const entries::Index> index = entriesOf(context, request).current();
    QJsonArray list;
    for (const entries::Entry& entry : index->listing().entries) {
        list.append(QJsonObject{
            {"id", fromUtf8(entry.id)}, {"kind", kindCode(entry.kind)}, {"line", entry.line}, {"end", entry.end}});
    }
    return okWith("entries", list);
}

QJsonObject loadEntry(Context& context, const QJsonObject& request) {
    EntryEditor& editor = entriesOf(context, request);
    return loadEntryReply(editor, stringField(request, "entry"));
}

QJsonObject updateEntry(Context& context, const QJsonObject& request) {
    return answer(entriesOf(context, request).update());
}

QJsonObject duplicateEntry(Context& context, const QJsonObject& request) {
    EntryEditor& editor = entriesOf(context, request);
    return answer(editor.duplicate(stringField(request, "entry"), stringField(request, "as", true)));
}

QJsonObject deleteEntry(Context& context, const QJsonObject& request) {
    EntryEditor& editor = entriesOf(context, request);
    return answer(editor.remove(stringField(request, "entry")));
}

QJsonObject renameEntry(Context& context, const QJsonObject& request) {
    EntryEditor& editor = entriesOf(context, request);
    return answer(editor.rename(stringField(request, "entry"), stringField(request, "as", true)));
}

QJsonObject changesJson(const std::vector<documents::Change>& changes);

// The panel against its file as it is now (on disk, or on its server), read and compared off the
// UI thread in the file's own encoding.
void diff(Context& context, const QJsonObject& request, const Reply& reply) {
    auto* panel = qobject_cast<QPlainTextEdit*>(controlOf(context.runtime, request));
    const actions::PanelRow* row = context.documents.rowOf(panel);
    const documents::Document document =
        row != nullptr ? context.documents.document(row->panel) : documents::Document{};
    if (!document.hasFile()) throw Refused{QStringLiteral("这个输出框没有文件：先打开或保存一个文件")};
    if (document.onServer()) {
        remote::Session* session = context.servers != nullptr ? context.servers->session(document.place) : nullptr;
        if (session == nullptr) throw Refused{QStringLiteral("没有名为“%1”的服务器").arg(document.place)};
        session->read(documents::serverPathBytes(document.path), panel,
                      [panel, reply, encoding = document.format.encoding](const remote::FileRead& read) {
                          if (!read.ok()) return reply(serverRefusal(read));
                          runInBackground(
                              panel,
                              [bytes = read.bytes, encoding, now = panelLfText(panel)] {
                                  return documents::lineDiff(toUtf8(storage::decodeText(bytes, encoding).text),
                                                             toUtf8(now));
                              },
                              [reply](const std::vector<documents::Change>& changes) { reply(changesJson(changes)); });
                      });
        return;
    }
    runInBackground(
        panel,
        [path = document.path, encoding = document.format.encoding, now = panelLfText(panel)] {
            const documents::Read read = documents::read(path, encoding);
            std::pair<QString, std::vector<documents::Change>> out;
            if (!read.file.ok()) {
                out.first = read.file.error;
                return out;
            }
            out.second = documents::lineDiff(toUtf8(read.file.decoded.text), toUtf8(now));
            return out;
        },
        [reply](const std::pair<QString, std::vector<documents::Change>>& result) {
            if (!result.first.isEmpty()) return reply({{"ok", false}, {"code", "io"}, {"error", result.first}});
            reply(changesJson(result.second));
        });
}

QJsonObject changesJson(const std::vector<documents::Change>& found) {
    QJsonArray changes;
    for (const documents::Change& change : found) {
        QJsonArray removed;
        for (const std::string& line : change.removed) removed.append(fromUtf8(line));
        QJsonArray added;
        for (const std::string& line : change.added) added.append(fromUtf8(line));
        changes.append(QJsonObject{{"line", change.line}, {"removed", removed}, {"added", added}});
    }
    return okWith("changes", changes);
}

// clang-format off
constexpr Op kOps[] = {
    {"entries",         now<list>},
    {"load-entry",      now<loadEntry>},
    {"update-entry",    now<updateEntry>},
    {"duplicate-entry", now<duplicateEntry>},
    {"delete-entry",    now<deleteEntry>},
    {"rename-entry",    now<renameEntry>},
    {"diff",            diff},
};
// clang-format on

}  // namespace

std::span<const Op> entryOps() { return kOps; }

QJsonObject loadEntryReply(EntryEditor& editor, const QString& id) {
    const EntryEditor::Outcome outcome = editor.load(id);
    if (!outcome.ok()) return answer(outcome);
    QJsonObject reply = okWith("page", outcome.page);
    reply.insert(QStringLiteral("extras"), QJsonArray::fromStringList(outcome.extras));
    return reply;
}

}  // namespace ui
