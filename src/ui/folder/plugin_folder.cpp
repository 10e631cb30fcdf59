#include "ui/folder/plugin_folder.h"

#include <QDir>
#include <QJsonArray>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include "actions/panels.h"
#include "documents/document.h"
#include "remote/folder_place.h"
#include "remote/paths.h"
#include "storage/text_codec.h"
#include "ui/base/background.h"
#include "ui/base/text.h"
#include "ui/entries/entry_editor.h"
#include "ui/files/main_menu.h"
#include "ui/files/panel_documents.h"
#include "ui/loader/live_window.h"
#include "ui/panels/panel.h"
#include "ui/remote/servers.h"

namespace ui {
namespace {

// What the question before a reload lists of the findings a save added; the rest are counted.
constexpr std::size_t kListedFindings = 8;

// Lets go of a reading off the UI thread: the last owner of a large file's index frees megabytes.
void dropInBackground(QObject* context, std::shared_ptr<const project::FolderRead> read) {
    if (read == nullptr || read.use_count() > 1) return;
    runInBackground(
        context,
        [read = std::move(read)]() mutable {
            read.reset();
            return 0;
        },
        [](int) {});
}

}  // namespace

QString kindCaption(project::FileKind kind) {
    switch (kind) {
    case project::FileKind::Gem: return QStringLiteral("宝石");
    case project::FileKind::Element: return QStringLiteral("元素");
    case project::FileKind::KeyLore: return QStringLiteral("关键lore");
    case project::FileKind::Mixed: return QStringLiteral("混合");
    case project::FileKind::Other: return QStringLiteral("其他");
    }
    return {};
}

QString kindCaption(entries::Kind kind) {
    switch (kind) {
    case entries::Kind::Gem: return QStringLiteral("宝石");
    case entries::Kind::Element: return QStringLiteral("元素");
    case entries::Kind::KeyLore: return QStringLiteral("关键lore");
    case entries::Kind::Other: return QStringLiteral("其他");
    }
    return {};
}

QString findingName(project::Code code) {
    switch (code) {
    case project::Code::Unreadable: return QStringLiteral("无法读取");
    case project::Code::DuplicateId: return QStringLiteral("重复识别名");
    case project::Code::UnknownElement: return QStringLiteral("未定义元素");
    case project::Code::MismatchedEffect: return QStringLiteral("属性不对应");
    case project::Code::DuplicateKeyLore: return QStringLiteral("重复关键lore");
    case project::Code::UnknownGem: return QStringLiteral("未定义宝石");
    }
    return {};
}

QString findingPlace(const project::Finding& finding) {
    const QString where = fromUtf8(finding.panel.empty() ? finding.file : finding.panel);
    return QStringLiteral("%1 第 %2 行").arg(where).arg(finding.line);
}

QJsonObject findingJson(const project::Finding& finding) {
    QJsonObject out;
    if (finding.panel.empty())
        out.insert(QStringLiteral("file"), fromUtf8(finding.file));
    else
        out.insert(QStringLiteral("panel"), fromUtf8(finding.panel));
    out.insert(QStringLiteral("line"), finding.line);
    if (finding.column != 0) out.insert(QStringLiteral("column"), finding.column);
    out.insert(QStringLiteral("code"), fromUtf8(project::code(finding.code)));
    if (!finding.entry.empty()) out.insert(QStringLiteral("entry"), fromUtf8(finding.entry));
    if (finding.other)
        out.insert(QStringLiteral("other"),
                   QJsonObject{{"file", fromUtf8(finding.other->file)}, {"line", finding.other->line}});
    out.insert(QStringLiteral("message"), fromUtf8(finding.message));
    return out;
}

PluginFolder::PluginFolder(LiveWindow* main, MainMenu& menu, PanelDocuments& documents, EntryEditor& entries)
    : QObject(main), main_(main), menu_(menu), documents_(documents), entries_(entries) {
    setObjectName(QStringLiteral("pluginFolder"));
}

bool PluginFolder::openLocal(const QString& path, const ReadDone& done) {
    const QString root = QDir::cleanPath(QDir(path).absolutePath());
    if (isOpen() && root_ == documents::Location{{}, root}) return reread(done);
    return start(
        documents::shown(root), {{}, root}, [root] { return std::make_unique<project::LocalPlace>(root); }, {}, done);
}

bool PluginFolder::open(const QString& name, const documents::Location& root, const PlaceMaker& place,
                        const ReadDone& done) {
    return start(name, root, place, {}, done);
}

bool PluginFolder::openOnServer(const QString& profile, remote::Session* session, const ReadDone& done) {
    Servers* servers = documents_.servers();
    const storage::ServerProfile* found = servers != nullptr ? servers->profile(profile) : nullptr;
    if (found == nullptr || session == nullptr) return false;
    QByteArray folder = remote::joinPath(found->folder.toUtf8(), {});
    if (folder.isEmpty()) folder = QByteArrayLiteral(".");  // the login folder
    const documents::Location root{profile, documents::serverPathText(folder)};
    if (isOpen() && root_ == root) return reread(done);
    const QString name = documents::shownLocation(profile, root.path);
    return start(
        name, root,
        [session = QPointer<remote::Session>(session), name, folder] {
            return std::make_unique<remote::FolderPlace>(session, name, folder);
        },
        {}, done);
}

bool PluginFolder::reread(const ReadDone& done) {
    if (!isOpen()) return false;
    return start(name_, root_, place_, read_, done);
}

bool PluginFolder::start(const QString& name, const documents::Location& root, const PlaceMaker& place,
                         const std::shared_ptr<const project::FolderRead>& previous, const ReadDone& done) {
    if (reading_) return false;
    reading_ = true;
    emit readingChanged();
    runInBackground(
        this,
        [place, previous] {
            const std::unique_ptr<project::Place> from = place();
            return std::make_shared<const project::FolderRead>(project::readFolder(*from, previous.get()));
        },
        [this, name, root, place, previous, done](const std::shared_ptr<const project::FolderRead>& read) {
            reading_ = false;
            if (!read->ok()) {
                emit readingChanged();
                if (done) done(read->error);
                return;
            }
            const bool another = read_ == nullptr || name != name_ || root != root_;
            std::shared_ptr<const project::FolderRead> old = std::exchange(read_, read);
            changes_ = previous != nullptr ? project::changesSince(*previous, *read) : QList<project::FileChange>();
            name_ = name;
            root_ = root;
            place_ = place;
            ++readings_;
            const bool checked = findings_.has_value();
            findings_.reset();
            added_.clear();
            emit readingChanged();
            emit folderChanged();
            emit findingsChanged();
            if (another) emit opened();
            dropInBackground(this, std::move(old));
            // The findings shown stay those of the folder as it is now.
            if (checked) check({});
            if (done) done({});
        });
    return true;
}

void PluginFolder::find(const QString& text, const std::function<void(const std::vector<project::Match>&)>& done) {
    if (!isOpen()) return done({});
    const quint64 id = ++finds_;
    const quint64 reading = readings_;
    runInBackground(
        this, [read = read_, text = toUtf8(text)] { return read->folder.find(text); },
        [this, id, reading, done](const std::vector<project::Match>& matches) {
            if (id == finds_ && reading == readings_) done(matches);
        });
}

std::vector<project::PanelText> PluginFolder::panelTexts() const {
    std::vector<project::PanelText> panels;
    if (const QPlainTextEdit* commands = documents_.panel(actions::Panel::Command))
        panels.push_back({std::string(actions::panelRow(actions::Panel::Command).name), toUtf8(panelLfText(commands))});
    return panels;
}

void PluginFolder::check(const std::function<void(const std::vector<project::Finding>&)>& done) {
    if (!isOpen()) {
        if (done) done({});
        return;
    }
    checking_ = true;
    const quint64 reading = readings_;
    runInBackground(
        this, [read = read_, panels = panelTexts()] { return project::check(read->folder, panels); },
        [this, reading, done](const std::vector<project::Finding>& findings) {
            checking_ = false;
            // A reading that came meanwhile checks again itself when the folder was checked.
            if (reading == readings_) {
                findings_ = findings;
                added_.clear();
                emit findingsChanged();
            }
            if (done) done(findings);
        });
}

documents::Location PluginFolder::location(const QString& file) const {
    if (root_.path.isEmpty()) return {};
    if (root_.onServer())
        return {root_.place,
                documents::serverPathText(remote::joinPath(documents::serverPathBytes(root_.path), file.toUtf8()))};
    return {{}, root_.path + QLatin1Char('/') + file};
}

QString PluginFolder::fileInPanel() const {
    const documents::Document document = documents_.document(actions::Panel::Config);
    if (!isOpen() || !document.hasFile() || document.place != root_.place) return {};
    if (!root_.onServer()) return project::pathInFolder(root_.path, document.path);
    // A server's file is one of the folder's when it has the path the folder gives that file.
    for (const project::File& file : read_->folder.files()) {
        QString path = fromUtf8(file.path);
        if (isInPanel(path)) return path;
    }
    return {};
}

bool PluginFolder::isInPanel(const QString& file) const {
    const documents::Location where = location(file);
    const documents::Document document = documents_.document(actions::Panel::Config);
    return !where.path.isEmpty() && document.hasFile() &&
           documents::sameLocation(document.place, document.path, where.place, where.path);
}

void PluginFolder::whenInPanel(const QString& file, const std::function<void()>& then) {
    if (isInPanel(file)) return then();
    const documents::Location where = location(file);
    if (where.path.isEmpty())
        return tell(QStringLiteral("打开文件"), QStringLiteral("这个文件夹的文件不能在这里打开。"));
    // Asked as the menu's open asks: over unsaved changes, 保存 / 不保存 / 取消; a server's
    // host key and login are settled first.
    menu_.openLocation(Request::person(main_,
                                       [alive = QPointer<PluginFolder>(this), file, then](const Request::Result&) {
                                           if (alive != nullptr && alive->isInPanel(file)) then();
                                       }),
                       where, std::nullopt, MainMenu::OpenMode::Replace);
}

void PluginFolder::openEntry(const QString& file, const QString& id, int line) {
    whenInPanel(file, [this, id, line] {
        if (id.isEmpty()) {
            if (line > 0) showLine(entries_.panel(), line);
            return;
        }
        const EntryEditor::Outcome outcome = entries_.load(id);
        if (outcome.ok()) return;
        // An entry of another kind (the plugin's settings) has no page: its line is shown.
        if (outcome.code == QLatin1String("other-entry") && line > 0) return showLine(entries_.panel(), line);
        tell(QStringLiteral("载入条目"), outcome.message);
    });
}

void PluginFolder::goTo(const project::Finding& finding) {
    if (!finding.panel.empty()) {
        const actions::PanelRow* row = actions::panelNamed(main_->id(), finding.panel);
        if (QPlainTextEdit* panel = row != nullptr ? documents_.panel(row->panel) : nullptr)
            showLine(panel, finding.line);
        return;
    }
    const int line = finding.line;
    whenInPanel(fromUtf8(finding.file), [this, line] { showLine(entries_.panel(), line); });
}

void PluginFolder::showLine(QPlainTextEdit* panel, int line) {
    const QTextBlock block = panel->document()->findBlockByNumber(std::max(0, line - 1));
    if (!block.isValid()) return;
    panel->setTextCursor(QTextCursor(block));
    panel->centerCursor();
    panel->setFocus(Qt::OtherFocusReason);
}

void PluginFolder::tell(const QString& title, const QString& message) {
    auto* box = new QMessageBox(QMessageBox::Warning, title, message, QMessageBox::Ok, main_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void PluginFolder::checkBeforeReload(const RequestPtr& request, const QString& saved, const std::function<void()>& go) {
    Q_UNUSED(saved);  // the panel's document says where it was saved, local or on a server
    const QString file = fileInPanel();
    if (file.isEmpty()) return go();
    const quint64 reading = readings_;
    // The file as the save left it on the disk, read and decoded by the rules of the folder's
    // reading, in the place of the file the folder was read with.
    runInBackground(
        this,
        [read = read_, place = place_, file, panels = panelTexts()] {
            const std::unique_ptr<project::Place> from = place();
            const QList<project::PlaceRead> bytes = from->read({file}, storage::kMaxFileBytes);
            project::FileInput input{toUtf8(file), {}, {}};
            if (bytes.isEmpty() || !bytes.front().ok())
                input.error = toUtf8(bytes.isEmpty() ? QStringLiteral("无法打开") : bytes.front().error);
            else
                input.text = toUtf8(storage::decodeText(bytes.front().bytes).text);
            return project::checkSave(read->folder, std::move(input), panels);
        },
        [this, alive = QPointer<PluginFolder>(this), request, reading, go](const project::SaveCheck& save) {
            if (alive == nullptr) return request->finish();
            if (save.added.empty()) return go();
            if (reading == readings_) {
                findings_ = save.findings;
                added_ = save.added;
                emit findingsChanged();
            }
            QStringList lines;
            QJsonArray findings;
            for (const project::Finding& finding : save.added) {
                findings.append(findingJson(finding));
                if (static_cast<std::size_t>(lines.size()) < kListedFindings)
                    lines << QStringLiteral("• %1：%2").arg(findingPlace(finding), fromUtf8(finding.message));
            }
            if (save.added.size() > kListedFindings)
                lines << QStringLiteral("…另有 %1 项（见“插件文件夹”的检查结果）")
                             .arg(save.added.size() - kListedFindings);
            request->explain(QStringLiteral("folder-findings"), QJsonObject{{"findings", findings}});
            request->confirm(QStringLiteral("保存并重载"),
                             QStringLiteral("文件已经保存。保存后插件文件夹多了 %1 个问题，服务器重载后会读到它们：\n\n"
                                            "%2\n\n仍然要重载吗？")
                                 .arg(save.added.size())
                                 .arg(lines.join(QLatin1Char('\n'))),
                             QStringLiteral("仍然重载"), [request, go](bool yes) {
                                 if (!yes) return request->finish();
                                 request->explain({});
                                 go();
                             });
        });
}

}  // namespace ui
