#include "ui/automation/automation_ops.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabBar>
#include <algorithm>
#include <cctype>
#include <optional>

#include "actions/item_actions.h"
#include "actions/item_preview.h"
#include "actions/panels.h"
#include "documents/document.h"
#include "documents/location.h"
#include "documents/save.h"
#include "forms/windows.h"
#include "ui/automation/colour_ops.h"
#include "ui/automation/folder_ops.h"
#include "ui/automation/layout_ops.h"
#include "ui/automation/remote_ops.h"
#include "ui/automation/server_ops.h"
#include "ui/automation/unit_json.h"
#include "ui/base/question.h"
#include "ui/base/text.h"
#include "ui/files/main_menu.h"
#include "ui/files/panel_documents.h"
#include "ui/loader/controls.h"
#include "ui/loader/live_window.h"
#include "ui/loader/runtime.h"
#include "ui/panels/multi_line_edit.h"
#include "ui/panels/panel_check.h"
#include "ui/preview/gem_preview.h"
#include "ui/preview/tooltip_view.h"
#include "ui/server/server_link.h"

namespace ui {
namespace {

using forms::Kind;

LiveWindow& loadedWindow(Runtime& runtime, std::uint32_t id) {
    LiveWindow* live = runtime.window(id);
    if (live == nullptr) throw Refused{QStringLiteral("window %1 is not loaded").arg(hexId(id))};
    return *live;
}

void requireKind(const Target& target, Kind kind) {
    if (target.unit->kind != kind)
        throw Refused{QStringLiteral("%1 is a %2, not a %3")
                          .arg(fromUtf8(target.unit->name), kindName(target.unit->kind), kindName(kind))};
}

int intField(const QJsonObject& request, const char* key) {
    const QJsonValue value = request.value(QLatin1String(key));
    if (!value.isDouble() || value.toDouble() != static_cast<double>(value.toInt()))
        throw Refused{QStringLiteral("\"%1\" must be an integer").arg(QLatin1String(key))};
    return value.toInt();
}

QJsonObject setText(Context& context, const QJsonObject& request) {
    Runtime& runtime = context.runtime;
    const Target target = targetOf(runtime, request);
    if (target.unit->kind != Kind::ComboBox || !target.unit->editable) requireKind(target, Kind::EditBox);
    const QJsonValue text = request.value(QStringLiteral("text"));
    if (!text.isString()) throw Refused{QStringLiteral("\"text\" must be a string")};
    // An editable combo box: the text is typed into its field, as a paste.
    if (auto* combo = qobject_cast<QComboBox*>(target.widget)) {
        combo->lineEdit()->selectAll();
        combo->lineEdit()->insert(text.toString());
        return ok();
    }
    if (isFormDisabled(target.widget)) throw Refused{fromUtf8(target.unit->name) + QStringLiteral(" is disabled")};
    if (target.unit->readOnly) throw Refused{fromUtf8(target.unit->name) + QStringLiteral(" is read-only")};
    // As a paste: the whole text is replaced through the widget's own input path.
    if (auto* line = qobject_cast<QLineEdit*>(target.widget)) {
        line->selectAll();
        line->insert(text.toString());
    } else if (auto* multi = qobject_cast<QPlainTextEdit*>(target.widget)) {
        prepareForText(multi, text.toString());
        multi->selectAll();
        multi->insertPlainText(text.toString());
    }
    return ok();
}

QJsonObject select(Context& context, const QJsonObject& request) {
    Runtime& runtime = context.runtime;
    const Target target = targetOf(runtime, request);
    requireKind(target, Kind::ComboBox);
    auto* combo = static_cast<QComboBox*>(target.widget);
    const int index = intField(request, "index");
    if (index < -1 || index >= combo->count())
        throw Refused{QStringLiteral("no item %1 in %2: the index must be -1 (nothing) to %3")
                          .arg(index)
                          .arg(fromUtf8(target.unit->name))
                          .arg(combo->count() - 1)};
    combo->setCurrentIndex(index);
    // As a pick from the list, which is what loads a template in the item designer's list; a
    // question the pick asks is answered "no" and refuses the request.
    const ScriptAnswers answers;
    if (index >= 0) emit combo->activated(index);
    if (!answers.refusal().isEmpty()) throw Refused{answers.refusal()};
    return ok();
}

QJsonObject toggle(Context& context, const QJsonObject& request) {
    Runtime& runtime = context.runtime;
    const Target target = targetOf(runtime, request);
    requireKind(target, Kind::CheckBox);
    const QJsonValue checked = request.value(QStringLiteral("checked"));
    if (!checked.isBool()) throw Refused{QStringLiteral("\"checked\" must be true or false")};
    auto* box = static_cast<QCheckBox*>(target.widget);
    if (!box->isEnabled()) throw Refused{fromUtf8(target.unit->name) + QStringLiteral(" is disabled")};
    box->setChecked(checked.toBool());
    return ok();
}

QJsonObject click(Context& context, const QJsonObject& request) {
    Runtime& runtime = context.runtime;
    const Target target = targetOf(runtime, request);
    requireKind(target, Kind::Button);
    auto* button = static_cast<QAbstractButton*>(target.widget);
    if (!button->isEnabled()) throw Refused{fromUtf8(target.unit->name) + QStringLiteral(" is disabled")};
    // A question the click asks ("删除模板") is answered "no" and refuses the request.
    const ScriptAnswers answers;
    button->click();
    if (!answers.refusal().isEmpty()) throw Refused{answers.refusal()};
    return ok();
}

QJsonObject text(Context& context, const QJsonObject& request) {
    Runtime& runtime = context.runtime;
    const Target target = targetOf(runtime, request);
    if (target.unit->kind == Kind::PicBox || target.unit->kind == Kind::PageControl)
        throw Refused{fromUtf8(target.unit->name) + QStringLiteral(" has no text")};
    return okWith("text", captionOf(*target.unit, target.widget));
}

QJsonObject selection(Context& context, const QJsonObject& request) {
    Runtime& runtime = context.runtime;
    const Target target = targetOf(runtime, request);
    int index = 0;
    if (target.unit->kind == Kind::CheckBox)
        return okWith("checked", static_cast<QCheckBox*>(target.widget)->isChecked());
    if (target.unit->kind == Kind::ComboBox)
        index = static_cast<QComboBox*>(target.widget)->currentIndex();
    else if (target.unit->kind == Kind::PageControl)
        index = static_cast<PageControl*>(target.widget)->currentIndex();
    else
        requireKind(target, Kind::ComboBox);
    return okWith("index", index);
}

QJsonObject clipboard(Context&, const QJsonObject&) { return okWith("text", QGuiApplication::clipboard()->text()); }

QJsonObject page(Context& context, const QJsonObject& request) {
    Runtime& runtime = context.runtime;
    LiveWindow& live = loadedWindow(runtime, forms::kMainWindowId);
    PageControl* pages = live.pageControl();
    const int index = intField(request, "index");
    if (pages == nullptr || index < 0 || index >= pages->count())
        throw Refused{QStringLiteral("no page %1").arg(index)};
    pages->tabBar()->setCurrentIndex(index);
    return ok();
}

QJsonObject windows(Context& context, const QJsonObject&) {
    Runtime& runtime = context.runtime;
    QJsonArray ids;
    for (LiveWindow* live : runtime.windows()) ids.append(hexId(live->id()));
    return okWith("windows", ids);
}

QJsonObject close(Context& context, const QJsonObject& request) {
    Runtime& runtime = context.runtime;
    loadedWindow(runtime, windowIdOf(request)).close();
    return ok();
}

// The main window's two checked panels with files, configuration first, for a refusal.
QString filePanelNames(const QString& joiner) {
    return fromUtf8(actions::panelWithRole(actions::FileRole::Configuration)->name) + joiner +
           fromUtf8(actions::panelWithRole(actions::FileRole::Commands)->name);
}

// The live check of an output panel of the main window, answered for the text as it stands.
QJsonObject check(Context& context, const QJsonObject& request) {
    const Target target = targetOf(context.runtime, request);
    const PanelCheck* panel = PanelCheck::of(qobject_cast<QPlainTextEdit*>(target.widget));
    if (panel == nullptr)
        throw Refused{fromUtf8(target.unit->name) + QStringLiteral(" has no check: use ") +
                      filePanelNames(QStringLiteral(" or "))};
    const yaml::CheckResult result = panel->checkNow();
    QJsonArray errors;
    for (const yaml::Finding& f : result.errors)
        errors.append(QJsonObject{{"line", f.line}, {"column", f.column}, {"message", fromUtf8(f.message)}});
    QJsonArray warnings;
    for (const yaml::Finding& f : result.warnings)
        warnings.append(QJsonObject{{"line", f.line}, {"message", fromUtf8(f.message)}});
    QJsonObject reply = ok();
    reply.insert(QStringLiteral("valid"), result.valid);
    reply.insert(QStringLiteral("entries"), static_cast<qint64>(result.entries));
    reply.insert(QStringLiteral("errors"), errors);
    reply.insert(QStringLiteral("warnings"), warnings);
    return reply;
}

// What the game shows for a field that lands on an item, or for the whole gem of the gem
// page: the runs the preview draws, obfuscated runs with their real text.
QJsonObject preview(Context& context, const QJsonObject& request) {
    Runtime& runtime = context.runtime;
    LiveWindow& live = loadedWindow(runtime, windowIdOf(request));
    if (live.id() == forms::kMainWindowId && request.value(QStringLiteral("control")) == fromUtf8(kGemPreviewName))
        return okWith("lines", linesJson(GemPreview::linesOf(context.gemPreview != nullptr ? context.gemPreview->gem()
                                                                                           : GemPreview::gemOf(live))));
    const Target target = targetOf(runtime, request);
    // The item designer's tooltip: the runs it draws, which follow every field of the page.
    const std::string_view designer = actions::designerControls().preview;
    if (target.unit->name == designer)
        if (const auto* tooltip = dynamic_cast<const TooltipView*>(target.widget))
            return okWith("lines", linesJson(tooltip->lines()));
    const actions::PreviewField* row = actions::previewField(live.id(), target.unit->name);
    if (row == nullptr) {
        QStringList names;
        for (const actions::PreviewField& field : actions::previewFields())
            if (field.window == live.id()) names << fromUtf8(field.field);
        if (live.id() == forms::kMainWindowId) names << fromUtf8(kGemPreviewName);
        if (live.unitIndex(designer) >= 0) names << fromUtf8(designer);
        throw Refused{fromUtf8(target.unit->name) + QStringLiteral(" has no preview") +
                      (names.isEmpty() ? QString() : QStringLiteral(": use ") + names.join(QStringLiteral(", ")))};
    }
    return okWith("lines", linesJson(actions::previewLines(*row, toUtf8(editText(target.widget)))));
}

QJsonObject dump(Context& context, const QJsonObject&) {
    QJsonArray list;
    for (LiveWindow* live : context.runtime.windows()) list.append(windowJson(*live, context.gemPreview));
    QJsonObject reply = okWith("windows", list);
    QJsonArray names;
    for (const MenuRow& row : menuRows()) names.append(QLatin1String(row.name));
    reply.insert(QStringLiteral("actions"), names);
    return reply;
}

// A string field that must be one of the given words; absent gives the first.
int choice(const QJsonObject& request, const char* key, const QStringList& words) {
    const QJsonValue value = request.value(QLatin1String(key));
    if (value.isUndefined()) return 0;
    const auto index = value.isString() ? words.indexOf(value.toString()) : -1;
    if (index >= 0) return static_cast<int>(index);
    QStringList allowed;
    for (const QString& word : words) allowed << QStringLiteral("\"%1\"").arg(word);
    throw Refused{
        QStringLiteral("\"%1\" must be one of %2").arg(QLatin1String(key), allowed.join(QStringLiteral(", ")))};
}

// The encodings and line ends a request may name, spelt as files and sessions spell them.
const QStringList& encodingWords() {
    static const QStringList words{storage::encodingName(storage::Encoding::Utf8),
                                   storage::encodingName(storage::Encoding::Gbk)};
    return words;
}
const QStringList& lineEndWords() {
    static const QStringList words{storage::lineEndName(storage::LineEnd::CrLf),
                                   storage::lineEndName(storage::LineEnd::Lf)};
    return words;
}

QString pathField(const QJsonObject& request) {
    const QJsonValue path = request.value(QStringLiteral("path"));
    if (!path.isString() || path.toString().isEmpty()) throw Refused{QStringLiteral("\"path\" must be a file name")};
    return path.toString();
}

QJsonObject refusal(const documents::Outcome& outcome) { return documentRefusal(outcome); }

// The panel of a request that names a panel with a file role, with its row.
std::pair<QPlainTextEdit*, const actions::PanelRow*> filePanel(Context& context, const QJsonObject& request) {
    const Target target = targetOf(context.runtime, request);
    auto* panel = qobject_cast<QPlainTextEdit*>(target.widget);
    return {panel, context.documents.rowOf(panel)};
}

// A request's "force": every question its run would ask answered "yes".
bool forceOf(const QJsonObject& request) {
    const QJsonValue force = request.value(QStringLiteral("force"));
    if (!force.isUndefined() && !force.isBool()) throw Refused{QStringLiteral("\"force\" must be true or false")};
    return force.toBool(false);
}

// The file a request names: "path" on this computer, or with "profile" on that server (relative
// to the profile's folder, or absolute).
documents::Location locationOf(Context& context, const QJsonObject& request) {
    if (!request.contains(QStringLiteral("profile"))) return {{}, pathField(request)};
    const QString profile = profileOf(context, request);
    pathField(request);
    return {profile, documents::serverPathText(serverPathOf(context, profile, request))};
}

// Opens a file into the configuration panel, as "打开配置文件…" (or "打开服务器上的文件…") does once
// the user answered.
void openFile(Context& context, const QJsonObject& request, const Reply& reply) {
    const auto [panel, row] = filePanel(context, request);
    if (row == nullptr || row->file != actions::FileRole::Configuration) {
        throw Refused{QStringLiteral("files open into %1 of the main window only")
                          .arg(fromUtf8(actions::panelWithRole(actions::FileRole::Configuration)->name))};
    }
    const documents::Location file = locationOf(context, request);
    const int encoding = choice(request, "encoding", QStringList{QStringLiteral("auto")} + encodingWords());
    const bool append = choice(request, "mode", {QStringLiteral("replace"), QStringLiteral("append")}) == 1;
    const std::optional<storage::Encoding> forced =
        encoding == 0 ? std::nullopt : storage::encodingNamed(encodingWords()[encoding - 1]);
    MainMenu* menu = &context.menu;
    // A file never takes the place of unsaved changes unasked: "force" is the user's 不保存.
    const bool keepUnsaved = !forceOf(request);
    context.documents.open(
        row->panel, file, forced, append,
        [menu, reply](const documents::Outcome& outcome) {
            if (!outcome.ok()) return reply(refusal(outcome));
            menu->showStatus(MainMenu::openedStatus(outcome));
            QJsonObject answer = ok();
            answer.insert(QStringLiteral("encoding"), storage::encodingName(outcome.format.encoding));
            answer.insert(QStringLiteral("lineEnd"), storage::lineEndName(outcome.format.lineEnd));
            answer.insert(QStringLiteral("lines"), outcome.lines);
            if (!outcome.warning.isEmpty()) answer.insert(QStringLiteral("warning"), outcome.warning);
            if (!outcome.changes.isEmpty())
                answer.insert(QStringLiteral("changes"), QJsonArray::fromStringList(outcome.changes));
            reply(answer);
        },
        keepUnsaved);
}

// Saves a panel into a file or appends it to one, as the 文件 menu does; "force" stands for
// the user's yes to the questions the menu would ask. Without "path" the panel goes back where
// it was opened, on this computer or a server; "path" (with "profile": on that server) writes
// elsewhere.
void saveFile(Context& context, const QJsonObject& request, const Reply& reply) {
    const auto [panel, row] = filePanel(context, request);
    if (row == nullptr)
        throw Refused{
            QStringLiteral("only %1 of the main window are saved").arg(filePanelNames(QStringLiteral(" and ")))};
    documents::SaveRequest save;
    const documents::Document own = context.documents.document(row->panel);
    const bool back = !request.contains(QStringLiteral("path")) && !request.contains(QStringLiteral("profile"));
    const documents::Location file =
        back && own.hasFile() ? documents::Location{own.place, own.path} : locationOf(context, request);
    save.path = file.path;
    save.place = file.place;
    const bool append = choice(request, "mode", {QStringLiteral("write"), QStringLiteral("append")}) == 1;
    save.mode = append ? documents::SaveMode::Append : documents::SaveMode::Write;
    save.force = forceOf(request);
    if (request.contains(QStringLiteral("encoding")))
        save.encoding = storage::encodingNamed(encodingWords()[choice(request, "encoding", encodingWords())]);
    if (request.contains(QStringLiteral("lineEnd")))
        save.lineEnd = storage::lineEndNamed(lineEndWords()[choice(request, "lineEnd", lineEndWords())]);
    MainMenu* menu = &context.menu;
    context.documents.save(row->panel, save, [menu, reply](const documents::Outcome& outcome) {
        if (!outcome.ok()) return reply(refusal(outcome));
        menu->showStatus(MainMenu::savedStatus(outcome));
        QJsonObject answer = okWith("bytes", outcome.bytes);
        if (!outcome.warning.isEmpty()) answer.insert(QStringLiteral("warning"), outcome.warning);
        if (!outcome.changes.isEmpty())
            answer.insert(QStringLiteral("changes"), QJsonArray::fromStringList(outcome.changes));
        reply(answer);
    });
}

// A request's refusal as a reply: its words, its code and the fields that go with it.
QJsonObject refusalOf(const Request::Result& result) {
    QJsonObject refused = result.details;
    refused.insert(QStringLiteral("ok"), false);
    refused.insert(QStringLiteral("error"), result.refusal.isEmpty() ? QStringLiteral("没有完成") : result.refusal);
    if (!result.code.isEmpty()) refused.insert(QStringLiteral("code"), result.code);
    return refused;
}

// "保存并重载": the configuration panel saved (where it was opened, local or on a server), then its
// profile's reload command over that profile's RCON, only once the file was written (and on a
// server read back); the reply has what the status bar said and the server's answer.
void saveAndReload(Context& context, const QJsonObject& request, const Reply& reply) {
    if (context.server == nullptr) throw Refused{QStringLiteral("the server link is not loaded")};
    // The reload's answer, once the command went (or why its connection failed); a refusal before
    // it (the save's, the reload check's, not-connected) ends the request with its code instead.
    auto reloaded = std::make_shared<std::optional<ServerLink::Reloaded>>();
    const RequestPtr script = Request::script(
        [reply, reloaded](const Request::Result& result) {
            if (!result.refusal.isEmpty() || !reloaded->has_value()) return reply(refusalOf(result));
            const ServerLink::Reloaded& so = **reloaded;
            const QString& status = so.saved.status;
            if (!so.connection.ok()) {
                QJsonObject refused = serverRefusal(so.connection);
                refused.insert(QStringLiteral("message"), status);
                return reply(refused);
            }
            if (!so.answer) return reply(okWith("message", result.status));
            const rcon::Answer& answer = *so.answer;
            if (!answer.ok())
                return reply({{"ok", false}, {"code", answer.code}, {"error", answer.message}, {"message", status}});
            reply({{"ok", true}, {"message", status}, {"reply", answer.text}});
        },
        forceOf(request));
    context.server->saveAndReload(script, [reloaded](const ServerLink::Reloaded& so) { *reloaded = so; });
}

// Runs a named menu action; a question it would ask is answered "no" and refuses the request,
// or "yes" with "force":true.
void trigger(Context& context, const QJsonObject& request, const Reply& reply) {
    const QJsonValue name = request.value(QStringLiteral("action"));
    if (!name.isString()) throw Refused{QStringLiteral("\"action\" must be an action name (see dump)")};
    if (name.toString() == QLatin1String("save-and-reload")) return saveAndReload(context, request, reply);
    context.menu.trigger(name.toString(), forceOf(request), [reply](const Request::Result& result) {
        if (!result.refusal.isEmpty()) return reply(refusalOf(result));
        reply(result.status.isEmpty() ? ok() : okWith("message", result.status));
    });
}

// clang-format off
constexpr Op kOps[] = {
    {"set",       now<setText>},
    {"select",    now<select>},
    {"toggle",    now<toggle>},
    {"click",     now<click>},
    {"text",      now<text>},
    {"selection", now<selection>},
    {"clipboard", now<clipboard>},
    {"page",      now<page>},
    {"windows",   now<windows>},
    {"close",     now<close>},
    {"dump",      now<dump>},
    {"check",     now<check>},
    {"preview",   now<preview>},
    {"open",      openFile},
    {"save",      saveFile},
    {"trigger",   trigger},
};
// clang-format on

}  // namespace

Target targetOf(Runtime& runtime, const QJsonObject& request) {
    LiveWindow& live = loadedWindow(runtime, windowIdOf(request));
    const QJsonValue name = request.value(QStringLiteral("control"));
    if (!name.isString()) throw Refused{QStringLiteral("\"control\" must be a control name")};
    const int index = live.unitIndex(toUtf8(name.toString()));
    if (index < 0)
        throw Refused{QStringLiteral("no control named %1 in window %2").arg(name.toString(), hexId(live.id()))};
    return {&live, &live.form().units[static_cast<std::size_t>(index)], live.control(index)};
}

QJsonObject ok() { return {{"ok", true}}; }

QJsonObject okWith(const char* key, const QJsonValue& value) {
    QJsonObject reply = ok();
    reply.insert(QLatin1String(key), value);
    return reply;
}

QString stringField(const QJsonObject& request, const char* key, bool allowEmpty) {
    const QJsonValue value = request.value(QLatin1String(key));
    if (!value.isString() || (!allowEmpty && value.toString().isEmpty()))
        throw Refused{QStringLiteral("\"%1\" must be a text").arg(QLatin1String(key))};
    return value.toString();
}

QWidget* controlOf(Runtime& runtime, const QJsonObject& request) { return targetOf(runtime, request).widget; }

std::span<const Op> coreOps() { return kOps; }

std::span<const Op> ops() {
    static const std::vector<Op> all = [] {
        std::vector<Op> list;
        for (const std::span<const Op> family :
             {coreOps(), entryOps(), colourOps(), serverOps(), layoutOps(), remoteOps(), folderOps()})
            list.insert(list.end(), family.begin(), family.end());
        return list;
    }();
    return all;
}

std::uint32_t windowIdOf(const QJsonObject& request) {
    const QJsonValue value = request.value(QStringLiteral("window"));
    if (value.isUndefined() || value.isNull()) return forms::kMainWindowId;
    const QString text = value.toString();
    if (!value.isString() || !text.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive))
        throw Refused{QStringLiteral("\"window\" must be a hex id such as \"0x52010001\"")};
    // "0x" and one to eight hex digits, nothing else: no sign, no blanks.
    const QStringView digits = QStringView(text).mid(2);
    const bool hex = !digits.isEmpty() && digits.size() <= 8 && std::all_of(digits.begin(), digits.end(), [](QChar c) {
        return isxdigit(c.unicode()) && c.unicode() < 0x80;
    });
    if (!hex) throw Refused{QStringLiteral("bad window id: ") + text};
    return digits.toUInt(nullptr, 16);
}

void runRequest(Context& context, const QJsonObject& request, const Reply& answer) {
    // A session write that failed meanwhile (the close's, or an autosave) rides on the reply.
    const Reply reply = [&context, answer](const QJsonObject& object) {
        if (context.sessionProblems.isEmpty()) return answer(object);
        QJsonObject withProblem = object;
        withProblem.insert(QStringLiteral("sessionError"), context.sessionProblems.join(u'\n'));
        context.sessionProblems.clear();
        answer(withProblem);
    };
    const QJsonValue opValue = request.value(QStringLiteral("op"));
    const QString op = opValue.toString();
    try {
        if (!opValue.isUndefined() && !opValue.isString()) throw Refused{QStringLiteral("\"op\" must be a text")};
        for (const Op& row : ops())
            if (op == QLatin1String(row.name)) return row.run(context, request, reply);
        if (op.isEmpty()) throw Refused{QStringLiteral("missing \"op\"")};
        throw Refused{QStringLiteral("unknown op: ") + op};
    } catch (const Refused& refused) {
        reply({{"ok", false}, {"error", refused.message}});
    }
}

}  // namespace ui
