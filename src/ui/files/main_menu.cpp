#include "ui/files/main_menu.h"

#include <QApplication>
#include <QBoxLayout>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>

#include "documents/document.h"
#include "documents/location.h"
#include "forms/windows.h"
#include "storage/recent_files.h"
#include "ui/base/background.h"
#include "ui/base/text.h"
#include "ui/files/diff_view.h"
#include "ui/loader/controls.h"
#include "ui/loader/live_window.h"
#include "ui/loader/runtime.h"
#include "ui/panels/panel.h"
#include "ui/panels/panel_fill.h"
#include "ui/panels/panel_memory.h"
#include "ui/remote/remote_file_dialog.h"
#include "ui/remote/server_access.h"
#include "ui/remote/servers.h"

namespace ui {
namespace {

using actions::Panel;
using documents::Outcome;
using documents::SaveMode;
using documents::SaveRequest;
using storage::Encoding;
using storage::LineEnd;

// clang-format off
constexpr MenuRow kRows[] = {
    {"new",                   "文件", "新建",                 "Ctrl+N",       &MainMenu::newSession},
    {"open",                  "文件", "打开配置文件…",         "Ctrl+O",       &MainMenu::openFile},
    {"open-remote",           "文件", "打开服务器上的文件…",    "Ctrl+Shift+O", &MainMenu::openRemote},
    {"reload",                "文件", "重新载入",              "",             &MainMenu::reloadFile},
    {"reopen-other-encoding", "文件", "以其他编码重新打开",     "",             &MainMenu::reopenOtherEncoding},
    {"save",                  "文件", "保存",                 "Ctrl+S",       &MainMenu::save},
    {"save-as",               "文件", "另存为…",               "Ctrl+Shift+S", &MainMenu::saveAs},
    {"compare",               "文件", "与文件比较…",           "",             &MainMenu::compare},
    {"append-to-file",        "文件", "追加到文件…",           "",             &MainMenu::appendToFile},
    {"save-commands",         "文件", "保存指令输出框…",        "",             &MainMenu::saveCommands},
    {"quit",                  "文件", "退出",                 "Ctrl+Q",       &MainMenu::quit},
    {"undo",                  "编辑", "撤销",                 "Ctrl+Z",       &MainMenu::undoEdit},
    {"redo",                  "编辑", "重做",                 "Ctrl+Y",       &MainMenu::redoEdit},
    {"undo-clear",            "编辑", "撤销清空",              "Ctrl+Alt+Z",   &MainMenu::undoClear},
    {"remove-last",           "编辑", "删除上一次添加",         "Ctrl+Shift+D", &MainMenu::removeLast},
    {"about",                 "帮助", "关于",                 "",             &MainMenu::about},
};
// clang-format on

// Each menu with its access letter: Alt+F opens 文件.
struct MenuTitle {
    const char* name;  // as the rows name it
    const char* shown;
};
constexpr MenuTitle kMenus[] = {{"文件", "文件(&F)"}, {"编辑", "编辑(&E)"}, {"帮助", "帮助(&H)"}};
constexpr const char* kYamlFilter = "YAML 配置文件 (*.yml *.yaml);;所有文件 (*)";
constexpr const char* kTextFilter = "文本文件 (*.txt);;所有文件 (*)";

bool isTextEdit(std::string_view name) { return name == "undo" || name == "redo"; }

// What 撤销 and 重做 act on: an editable text box, or the line of an editable list.
struct Editable {
    QLineEdit* line = nullptr;
    QPlainTextEdit* text = nullptr;
    bool can(bool redo) const {
        if (line != nullptr) return !line->isReadOnly() && (redo ? line->isRedoAvailable() : line->isUndoAvailable());
        if (text != nullptr)
            return !text->isReadOnly() &&
                   (redo ? text->document()->isRedoAvailable() : text->document()->isUndoAvailable());
        return false;
    }
    void run(bool redo) const {
        if (line != nullptr) redo ? line->redo() : line->undo();
        if (text != nullptr) redo ? text->redo() : text->undo();
    }
};

Editable editableOf(QWidget* widget) {
    if (auto* combo = qobject_cast<QComboBox*>(widget)) return {combo->lineEdit(), nullptr};
    return {qobject_cast<QLineEdit*>(widget), qobject_cast<QPlainTextEdit*>(widget)};
}

// Every output panel of the loaded windows that remembers its clears and appends.
std::vector<QPlainTextEdit*> memoryPanels(Runtime& runtime) {
    std::vector<QPlainTextEdit*> panels;
    for (const actions::PanelRow& row : actions::panels()) {
        LiveWindow* live = runtime.window(row.window);
        auto* edit = live != nullptr ? qobject_cast<QPlainTextEdit*>(live->controlByName(row.name)) : nullptr;
        if (edit != nullptr && PanelMemory::of(edit) != nullptr) panels.push_back(edit);
    }
    return panels;
}

// A file dialog that does not hold the event loop: chosen hears the file once one is picked.
QFileDialog* fileDialog(QWidget* parent, const QString& title, const QString& start, const char* filter,
                        QFileDialog::AcceptMode mode) {
    auto* dialog = new QFileDialog(parent, title, start, QString::fromUtf8(filter));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(mode);
    if (mode == QFileDialog::AcceptOpen) dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    return dialog;
}

// The folder a file dialog starts in: the document's own, for a file on this computer.
QString localFolder(const documents::Document& document) {
    return document.onServer() ? QString() : QFileInfo(document.path).absolutePath();
}

}  // namespace

std::span<const MenuRow> menuRows() { return kRows; }

MainMenu::MainMenu(Runtime& runtime, LiveWindow* main, PanelDocuments& documents)
    : QObject(main), runtime_(runtime), main_(main), documents_(documents) {
    setObjectName(QStringLiteral("mainMenu"));
    configuration_ = documents.panel(actions::FileRole::Configuration);
    commands_ = documents.panel(actions::FileRole::Commands);
    // A close while a save is being written waits for the save (eventFilter).
    main->installEventFilter(this);
    connect(&documents, &PanelDocuments::saveFinished, this, [this] {
        if (std::exchange(closeAfterSave_, false)) QTimer::singleShot(0, main_, &QWidget::close);
    });
    // A file still going in when the window closes goes in at once, so the session kept at
    // the close holds all of it.
    connect(&runtime, &Runtime::mainWindowClosing, this, [this] {
        closing_ = true;
        for (const actions::PanelRow& row : actions::panels())
            if (QPlainTextEdit* panel = row.window == main_->id() ? documents_.panel(row.panel) : nullptr)
                if (PanelFill* filling = PanelFill::of(panel)) filling->finishNow();
    });
    // A large file takes a moment to go in: the status bar says how far it is.
    connect(&documents, &PanelDocuments::opening, this, [this](const QString& path, qsizetype done, qsizetype total) {
        QStatusBar* bar = main_->statusBar();
        if (done >= total) {
            if (bar != nullptr && bar->currentMessage().startsWith(QStringLiteral("正在打开"))) bar->clearMessage();
            return;
        }
        showStatus(QStringLiteral("正在打开 %1… %2%")
                       .arg(QFileInfo(path).fileName())
                       .arg(done * 100 / std::max<qsizetype>(total, 1)));
    });

    auto* bar = new QMenuBar(main);
    QMenu* menus[std::size(kMenus)];
    for (std::size_t i = 0; i < std::size(kMenus); ++i) menus[i] = bar->addMenu(QString::fromUtf8(kMenus[i].shown));
    for (const MenuRow& row : kRows) {
        const auto menu = static_cast<std::size_t>(
            std::find_if(std::begin(kMenus), std::end(kMenus),
                         [&](const MenuTitle& title) { return std::string_view(title.name) == row.menu; }) -
            std::begin(kMenus));
        if (std::string_view(row.name) == "quit") {
            recent_ = menus[menu]->addMenu(QStringLiteral("最近打开的文件"));
            connect(recent_, &QMenu::aboutToShow, this, &MainMenu::fillRecent);
            menus[menu]->addSeparator();
        }
        QAction* action = menus[menu]->addAction(QString::fromUtf8(row.caption));
        action->setObjectName(QString::fromLatin1(row.name));
        if (*row.keys != '\0') {
            action->setShortcut(QKeySequence(QString::fromLatin1(row.keys)));
            // 撤销 and 重做 show the keys every text box already answers to; the box itself
            // takes them (and Ctrl+Z right after a clear takes the clear back), so the menu
            // entries hear them only while their menu is open.
            action->setShortcutContext(isTextEdit(row.name) ? Qt::WidgetShortcut : Qt::WindowShortcut);
        }
        // From the menu, a person asks: questions in dialogs.
        connect(action, &QAction::triggered, this, [this, run = row.run] { (this->*run)(Request::person(main_)); });
        if (std::string_view(row.name) == "open" || std::string_view(row.name) == "save-commands" ||
            std::string_view(row.name) == "redo")
            menus[menu]->addSeparator();
    }
    // The 编辑 entries are enabled while they can run: every panel's memory tells its changes.
    const auto watchPanels = [this](LiveWindow* live) {
        for (QPlainTextEdit* panel : memoryPanels(runtime_))
            if (panel->window() == live)
                connect(PanelMemory::of(panel), &PanelMemory::changed, this, &MainMenu::updateEditMenu,
                        Qt::UniqueConnection);
    };
    watchPanels(main);
    connect(&runtime, &Runtime::windowOpened, this, watchPanels);
    // The text box 撤销 and 重做 act on: the one with the keyboard, or the last that had it
    // (the menu takes the keyboard while it is open).
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        const Editable editable = editableOf(now);
        if (editable.line != nullptr || editable.text != nullptr) lastEdited_ = now;
    });
    for (QMenu* menu : menus)
        if (menu->title().startsWith(QStringLiteral("编辑")))
            connect(menu, &QMenu::aboutToShow, this, &MainMenu::updateEditMenu);
    connect(&runtime, &Runtime::windowsChanged, this, &MainMenu::updateEditMenu);

    auto* status = new QStatusBar(main);
    status->setSizeGripEnabled(false);
    fileLabel_ = new QLabel(status);
    formatLabel_ = new QLabel(status);
    formatLabel_->setToolTip(
        QStringLiteral("配置文件输出框的文件编码和换行符；“以其他编码重新打开”可以换一种编码读取"));
    formatLabel_->setContentsMargins(8, 0, 8, 0);
    modifiedLabel_ = new QLabel(QStringLiteral("未保存的更改"), status);
    modifiedLabel_->setObjectName(QStringLiteral("unsavedChanges"));
    modifiedLabel_->setContentsMargins(8, 0, 8, 0);
    modifiedLabel_->hide();
    // A file moving from or to a server, over 1 MB: how far it is, and a way to stop it.
    transfer_ = new QWidget(status);
    transfer_->setObjectName(QStringLiteral("transfer"));
    auto* transferLayout = new QHBoxLayout(transfer_);
    transferLayout->setContentsMargins(8, 0, 8, 0);
    transferLabel_ = new QLabel(transfer_);
    auto* cancel = new QPushButton(QStringLiteral("取消"), transfer_);
    cancel->setObjectName(QStringLiteral("cancelTransfer"));
    cancel->setToolTip(QStringLiteral("停止传输：服务器上的文件保持原样"));
    transferLayout->addWidget(transferLabel_);
    transferLayout->addWidget(cancel);
    transfer_->hide();
    connect(cancel, &QPushButton::clicked, &documents, &PanelDocuments::cancelTransfer);
    // In the status bar only while a transfer runs: its button would make the bar taller.
    connect(&documents, &PanelDocuments::transferring, this,
            [this, status](const QString& what, qint64 done, qint64 total) {
                transferLabel_->setText(QStringLiteral("%1… %2%（%3 / %4 KB）")
                                            .arg(what)
                                            .arg(done * 100 / std::max<qint64>(total, 1))
                                            .arg(done / 1024)
                                            .arg(total / 1024));
                if (!transfer_->isVisible()) {
                    status->insertPermanentWidget(0, transfer_);
                    transfer_->show();
                }
            });
    connect(&documents, &PanelDocuments::transferEnded, this, [this, status] {
        status->removeWidget(transfer_);
        transfer_->hide();
    });
    status->addPermanentWidget(modifiedLabel_);
    // The file's name is an ordinary status-bar widget: a passing message ("已保存 lobby:/…/sockets.yml
    // （487 字节）") takes its place for a while instead of being cut off by it; the title names the file.
    status->addWidget(fileLabel_, 1);
    status->addPermanentWidget(formatLabel_);
    main->addChrome(bar, status);
    // F10 opens the first menu, as in desktop tools; Alt and a menu's letter open that menu.
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), main);
    connect(f10, &QShortcut::activated, bar, [bar] {
        if (!bar->actions().isEmpty()) bar->setActiveAction(bar->actions().constFirst());
    });
    connect(&documents, &PanelDocuments::documentChanged, this, &MainMenu::updateStatus);
    for (QPlainTextEdit* panel : {configuration_, commands_})
        if (panel != nullptr)
            connect(panel->document(), &QTextDocument::modificationChanged, this, &MainMenu::updateModified);

    // A file changed behind the editor: told by the file system, and looked at again whenever
    // the window comes to the front (a rename over the file ends the watch).
    watcher_ = new QFileSystemWatcher(this);
    diskCheck_ = new QTimer(this);
    diskCheck_->setSingleShot(true);
    diskCheck_->setInterval(300);
    connect(watcher_, &QFileSystemWatcher::fileChanged, diskCheck_, qOverload<>(&QTimer::start));
    connect(diskCheck_, &QTimer::timeout, this, &MainMenu::fileChangedOnDisk);
    updateStatus();
    updateEditMenu();
}

QAction* MainMenu::action(const char* name) const {
    return main_->menuBar()->findChild<QAction*>(QString::fromLatin1(name));
}

QMenu* MainMenu::menu(const QString& title) const {
    for (QAction* entry : main_->menuBar()->actions())
        if (entry->menu() != nullptr && menuTitleIs(entry->text(), title)) return entry->menu();
    return nullptr;
}

bool menuTitleIs(const QString& shown, const QString& title) {
    QString bare = shown;
    // "文件(&F)": the access letter in brackets after the title goes, then any other "&". A plain
    // look at the end, not a pattern: the menus are made at start-up, before anything else needs
    // the regular expression engine.
    const qsizetype n = bare.size();
    if (n >= 4 && bare[n - 4] == QLatin1Char('(') && bare[n - 3] == QLatin1Char('&') && bare[n - 1] == QLatin1Char(')'))
        bare.chop(4);
    bare.remove(QLatin1Char('&'));
    return bare == title;
}

void MainMenu::trigger(const QString& name, bool forced, const Request::Finished& finished) {
    const auto row = std::find_if(std::begin(kRows), std::end(kRows),
                                  [&](const MenuRow& r) { return name == QLatin1String(r.name); });
    if (row != std::end(kRows)) return (this->*row->run)(Request::script(finished, forced));
    const auto entry = entries_.find(name);
    if (entry == entries_.end()) return finished({QStringLiteral("unknown action: ") + name, {}});
    entry->second(Request::script(finished, forced));
}

QAction* MainMenu::addEntry(QMenu* menu, const QString& name, const QString& caption, const QString& keys, Run run,
                            QAction* before) {
    auto* action = new QAction(caption, menu);
    action->setObjectName(name);
    if (!keys.isEmpty()) {
        action->setShortcut(QKeySequence(keys));
        action->setShortcutContext(Qt::WindowShortcut);
    }
    menu->insertAction(before, action);
    connect(action, &QAction::triggered, this, [this, run] { run(Request::person(main_)); });
    entries_[name] = std::move(run);
    return action;
}

void MainMenu::showStatus(const QString& message) {
    if (main_->statusBar() != nullptr) main_->statusBar()->showMessage(message, 8000);
}

QMenu* MainMenu::addMenuBefore(const QString& before, const QString& title) {
    QMenuBar* bar = main_->menuBar();
    QAction* next = nullptr;
    for (QAction* entry : bar->actions())
        if (entry->menu() != nullptr && menuTitleIs(entry->text(), before)) next = entry;
    auto* menu = new QMenu(title, bar);
    bar->insertMenu(next, menu);
    return menu;
}

QString MainMenu::openedStatus(const Outcome& outcome) {
    QString status = outcome.warning.isEmpty() ? outcome.message : outcome.warning;
    if (!outcome.changes.isEmpty())
        status += QStringLiteral("；保存时会有改变：") + outcome.changes.join(QStringLiteral("；"));
    return status;
}

QString MainMenu::savedStatus(const Outcome& outcome) {
    QString status = outcome.message;
    if (!outcome.warning.isEmpty()) status += QLatin1Char(' ') + outcome.warning;
    if (!outcome.changes.isEmpty()) status += QStringLiteral("；已改变：") + outcome.changes.join(QStringLiteral("；"));
    return status;
}

void MainMenu::report(const RequestPtr& request, const QString& message) {
    request->status(message);
    showStatus(message);
}

bool MainMenu::eventFilter(QObject* watched, QEvent* event) {
    if (watched != main_) return false;
    if (event->type() == QEvent::WindowActivate && documents_.document(Panel::Config).hasFile() &&
        !documents_.document(Panel::Config).onServer())
        diskCheck_->start();
    if (event->type() != QEvent::Close) return false;
    if (documents_.isSaving()) {
        // The file is being written: the window closes once it is, whatever the save's outcome.
        closeAfterSave_ = true;
        event->ignore();
        showStatus(QStringLiteral("正在保存：写完后关闭"));
        return true;
    }
    if (closeAnswered_ || closing_ || !hasUnsavedChanges()) return false;
    event->ignore();
    askBeforeClose();
    return true;
}

bool MainMenu::hasUnsavedChanges() const {
    for (const actions::PanelRow& row : actions::panels()) {
        if (row.file == actions::FileRole::None || !documents_.document(row.panel).hasFile()) continue;
        if (const QPlainTextEdit* panel = documents_.panel(row.panel);
            panel != nullptr && panel->document()->isModified())
            return true;
    }
    return false;
}

// The title's "*" and the status bar's "未保存的更改".
void MainMenu::updateModified() {
    const bool unsaved = hasUnsavedChanges();
    main_->setWindowModified(unsaved);
    modifiedLabel_->setVisible(unsaved);
}

// Closing with unsaved changes: 保存 saves every such panel and closes once all are written;
// 不保存 closes (the session keeps the text all the same); 取消 stays.
void MainMenu::askBeforeClose() {
    if (closeQuestion_ != nullptr) return closeQuestion_->raise();
    QStringList names;
    for (const actions::PanelRow& row : actions::panels()) {
        const documents::Document document = documents_.document(row.panel);
        const QPlainTextEdit* panel = documents_.panel(row.panel);
        if (row.file != actions::FileRole::None && document.hasFile() && panel != nullptr &&
            panel->document()->isModified())
            names.append(QStringLiteral("“%1”").arg(document.fileName()));
    }
    auto* box = new QMessageBox(
        QMessageBox::Warning, QStringLiteral("关闭"),
        QStringLiteral("%1 有未保存的更改。\n关闭前要保存吗？（不保存时，会话仍会保留输出框的全部内容。）")
            .arg(names.join(QStringLiteral("、"))),
        QMessageBox::NoButton, main_);
    QPushButton* save = box->addButton(QStringLiteral("保存"), QMessageBox::AcceptRole);
    QPushButton* discard = box->addButton(QStringLiteral("不保存"), QMessageBox::DestructiveRole);
    box->setDefaultButton(save);
    box->setEscapeButton(box->addButton(QStringLiteral("取消"), QMessageBox::RejectRole));
    box->setAttribute(Qt::WA_DeleteOnClose);
    closeQuestion_ = box;
    connect(box, &QMessageBox::finished, this, [this, box, save, discard] {
        const auto close = [this] {
            closeAnswered_ = true;
            main_->close();
        };
        if (box->clickedButton() == discard) return close();
        if (box->clickedButton() == save)
            saveUnsaved([close](bool saved) {
                if (saved) close();
            });
    });
    box->open();
}

void MainMenu::saveUnsaved(const std::function<void(bool)>& then) {
    std::vector<Panel> unsaved;
    for (const actions::PanelRow& row : actions::panels()) {
        const QPlainTextEdit* panel = documents_.panel(row.panel);
        if (row.file != actions::FileRole::None && documents_.document(row.panel).hasFile() && panel != nullptr &&
            panel->document()->isModified())
            unsaved.push_back(row.panel);
    }
    saveEach(unsaved, then);
}

// Saves the panels one after the other, each into its own file; then hears whether every one
// of them was written.
void MainMenu::saveEach(std::vector<Panel> panels, const std::function<void(bool)>& then) {
    if (panels.empty()) return then(true);
    const Panel panel = panels.front();
    panels.erase(panels.begin());
    const RequestPtr request = Request::person(main_, [this, panels, then](const Request::Result& result) {
        if (!result.ran()) return then(false);
        QTimer::singleShot(0, this, [this, panels, then] { saveEach(panels, then); });
    });
    runSave(request, panel, {.path = documents_.document(panel).path});
}

void MainMenu::updateStatus() {
    const documents::Document document = documents_.document(Panel::Config);
    if (!document.hasFile()) {
        fileLabel_->setText(QStringLiteral("配置文件：未保存"));
        formatLabel_->setText(documents::describe(storage::TextFormat{}));
    } else {
        // A server's file is named with its server: "lobby:/srv/.../sockets.yml".
        fileLabel_->setText(
            QStringLiteral("配置文件：%1").arg(document.onServer() ? document.shownPath() : document.fileName()));
        fileLabel_->setToolTip(document.shownPath());
        formatLabel_->setText(documents::describe(document.format));
    }
    if (QAction* reopen = action("reopen-other-encoding")) reopen->setEnabled(document.hasFile());
    if (QAction* reload = action("reload")) reload->setEnabled(document.hasFile());
    // The title names the file; "[*]" is where the window shows its unsaved-changes mark.
    const QString title = fromUtf8(main_->form().title);
    main_->setWindowTitle(
        document.hasFile()
            ? QStringLiteral("%1[*] - %2").arg(document.onServer() ? document.shownPath() : document.fileName(), title)
            : title + QStringLiteral("[*]"));
    if (!watcher_->files().isEmpty()) watcher_->removePaths(watcher_->files());
    if (document.hasFile() && !document.onServer() && QFileInfo::exists(document.path))
        watcher_->addPath(document.path);
    updateModified();
}

void MainMenu::updateEditMenu() {
    const Editable target = editableOf(lastEdited_);
    if (QAction* a = action("undo")) a->setEnabled(target.can(false));
    if (QAction* a = action("redo")) a->setEnabled(target.can(true));
    bool undo = false;
    bool remove = false;
    for (QPlainTextEdit* panel : memoryPanels(runtime_)) {
        undo = undo || PanelMemory::of(panel)->canUndoClear();
        remove = remove || PanelMemory::of(panel)->canRemoveLast();
    }
    if (QAction* a = action("undo-clear")) a->setEnabled(undo || cleared_.has_value());
    if (QAction* a = action("remove-last")) a->setEnabled(remove);
}

void MainMenu::fillRecent() {
    recent_->clear();
    const QStringList paths =
        documents_.recentStore().isEmpty() ? QStringList() : storage::loadRecentFiles(documents_.recentStore());
    if (paths.isEmpty()) recent_->addAction(QStringLiteral("（没有）"))->setEnabled(false);
    for (int i = 0; i < paths.size(); ++i) {
        const QString& path = paths[i];
        // A server's file is its link: "lobby:/srv/.../sockets.yml", opened through its profile.
        const std::optional<documents::Location> link = documents::parseServerLink(path);
        const documents::Location file = link.value_or(documents::Location{{}, path});
        recent_->addAction(
            QStringLiteral("&%1 %2").arg((i + 1) % 10).arg(documents::shownLocation(file.place, file.path)), this,
            [this, file] { openLocation(Request::person(main_), file, std::nullopt); });
    }
}

// Whether "新建" would take away anything: a panel's text, a field the user filled in, a file
// link or an open window.
bool MainMenu::wouldLoseWork() const {
    if (runtime_.windows().size() > 1) return true;
    for (const actions::PanelRow& row : actions::panels())
        if (documents_.document(row.panel).hasFile()) return true;
    const forms::Window& form = main_->form();
    for (std::size_t i = 0; i < form.units.size(); ++i) {
        const forms::Unit& unit = form.units[i];
        QWidget* widget = main_->builtControl(static_cast<int>(i));
        if (widget == nullptr) continue;
        if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            if (combo->currentIndex() != -1) return true;
        } else if (unit.kind == forms::Kind::EditBox && !unit.readOnly && !unit.disabled) {
            auto* panel = qobject_cast<QPlainTextEdit*>(widget);
            if (panel != nullptr && PanelMemory::of(panel) != nullptr ? !panel->document()->isEmpty()
                                                                      : editText(widget) != fromUtf8(unit.caption))
                return true;
        }
    }
    return false;
}

// "新建": every panel and field as the form defines it, the first page, no files. Asked first
// when that takes anything away; "撤销清空" brings all of it back.
void MainMenu::newSession(const RequestPtr& request) {
    const auto clearAll = [this, request] {
        for (LiveWindow* live : std::vector<LiveWindow*>(runtime_.windows()))
            if (live != main_) live->close();
        Cleared taken;
        const forms::Window& form = main_->form();
        for (std::size_t i = 0; i < form.units.size(); ++i) {
            const forms::Unit& unit = form.units[i];
            const int index = static_cast<int>(i);
            QWidget* widget = main_->builtControl(index);
            if (widget == nullptr) continue;
            if (auto* combo = qobject_cast<QComboBox*>(widget)) {
                taken.selections.emplace_back(index, combo->currentIndex());
                combo->setCurrentIndex(-1);
            } else if (unit.kind == forms::Kind::EditBox && !unit.readOnly && !unit.disabled) {
                auto* panel = qobject_cast<QPlainTextEdit*>(widget);
                if (panel != nullptr && PanelMemory::of(panel) != nullptr) {
                    // Only a panel with text is cleared: an empty one keeps the memory of its
                    // own last clear.
                    if (panel->document()->isEmpty()) continue;
                    taken.panels.emplace_back(panel, panel->document()->isModified());
                    clearPanel(panel);
                    taken.clearedAt = std::max(taken.clearedAt, PanelMemory::of(panel)->clearedAt());
                } else {
                    taken.texts.emplace_back(index, editText(widget));
                    setEditText(widget, fromUtf8(unit.caption));
                }
            }
        }
        if (PageControl* pages = main_->pageControl()) {
            taken.page = pages->currentIndex();
            pages->setCurrentIndex(0);
        }
        for (const actions::PanelRow& row : actions::panels())
            if (documents_.document(row.panel).hasFile()) taken.documents[row.panel] = documents_.document(row.panel);
        documents_.forget();
        cleared_ = std::move(taken);
        updateEditMenu();
        emit sessionCleared();
        report(request, QStringLiteral("已新建：输出框和输入框都已清空（“撤销清空”可以找回输出框的内容）"));
    };
    if (!wouldLoseWork()) return clearAll();
    request->confirm(QStringLiteral("新建"),
                     QStringLiteral("新建会清空两个输出框、所有输入框和文件关联，并关闭其他窗口。\n"
                                    "“撤销清空”可以找回输出框、输入框和文件关联。"),
                     QStringLiteral("新建"), [clearAll](bool yes) {
                         if (yes) clearAll();
                     });
}

// Takes back the last "新建": the panels' text, the fields, the page and the file links (with
// the guard against unreadable bytes that came with them).
void MainMenu::undoNew() {
    Cleared taken = std::move(*cleared_);
    cleared_.reset();
    for (const auto& [panel, modified] : taken.panels) {
        PanelMemory* memory = PanelMemory::of(panel);
        const bool changedSince = !panel->document()->isEmpty();
        if (memory->canUndoClear() && memory->clearedAt() <= taken.clearedAt) memory->undoClear();
        if (!changedSince) panel->document()->setModified(modified);
    }
    for (const auto& [index, text] : taken.texts)
        if (QWidget* widget = main_->builtControl(index)) setEditText(widget, text);
    for (const auto& [index, selection] : taken.selections)
        if (auto* combo = qobject_cast<QComboBox*>(main_->builtControl(index))) combo->setCurrentIndex(selection);
    if (PageControl* pages = main_->pageControl()) pages->setCurrentIndex(taken.page);
    // A file opened since keeps its link.
    bool linked = false;
    for (const actions::PanelRow& row : actions::panels()) linked = linked || documents_.document(row.panel).hasFile();
    if (!linked)
        for (const auto& [panel, document] : taken.documents) documents_.setDocument(panel, document);
    updateModified();
    updateEditMenu();
}

void MainMenu::openFile(const RequestPtr& request) {
    if (!request->asksPerson()) return request->refuse({}, QStringLiteral("“打开配置文件…”要选择文件：请用 open 操作"));
    const QString start = localFolder(documents_.document(Panel::Config));
    QFileDialog* dialog =
        fileDialog(main_, QStringLiteral("打开配置文件"), start, kYamlFilter, QFileDialog::AcceptOpen);
    connect(dialog, &QFileDialog::fileSelected, this, [this, request](const QString& path) {
        if (!path.isEmpty()) openPath(request, path);
    });
    dialog->open();
}

void MainMenu::openPath(const RequestPtr& request, const QString& path, OpenMode mode) {
    openLocation(request, {{}, path}, std::nullopt, mode);
}

// "打开服务器上的文件…": the remote file dialog on the current profile's plugin folder.
void MainMenu::openRemote(const RequestPtr& request) {
    if (!request->asksPerson())
        return request->refuse({}, QStringLiteral("“打开服务器上的文件…”要选择文件：请用 open 操作并给出 profile"));
    Servers* servers = documents_.servers();
    if (servers == nullptr || servers->profiles().empty())
        return request->refuse(QStringLiteral("打开服务器上的文件"),
                               QStringLiteral("还没有服务器：请先在“服务器”→“服务器列表…”中添加一个。"));
    const documents::Document document = documents_.document(Panel::Config);
    auto* dialog = new RemoteFileDialog(*servers, document.onServer() ? document.place : servers->current(), main_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &RemoteFileDialog::fileChosen, this,
            [this, request](const documents::Location& file, std::optional<storage::Encoding> encoding) {
                openLocation(request, file, encoding);
            });
    dialog->open();
}

void MainMenu::openLocation(const RequestPtr& request, const documents::Location& file,
                            std::optional<storage::Encoding> encoding, OpenMode mode) {
    const QString shownName =
        file.onServer() ? documents::shownLocation(file.place, file.path) : QFileInfo(file.path).fileName();
    const auto read = [this, request, file, encoding](bool append) {
        if (documents_.isOpening())
            return request->refuse(QStringLiteral("正在打开文件"),
                                   QStringLiteral("正在打开另一个文件，请等它打开完再试。"));
        documents_.open(Panel::Config, file, encoding, append, later(request, [this, request](const Outcome& outcome) {
                            opened(request, outcome, QStringLiteral("无法打开"));
                        }));
    };
    // A server's file: its host key and login are settled with the person first.
    const auto start = [this, request, file, read](bool append) {
        reachFirst(request, file.place, [read, append] { read(append); });
    };
    // A file replacing text that differs from the panel's own file: 保存 / 不保存 / 取消 first,
    // as closing asks. Whatever the open replaces stays one Ctrl+Z (and 撤销清空) away.
    const auto replace = [this, request, shownName, start] {
        if (!hasUnsavedChanges(Panel::Config)) return start(false);
        askToSaveFirst(request, shownName, [start] { start(false); });
    };
    if (configuration_->document()->isEmpty()) return replace();
    if (mode == OpenMode::Replace && documents_.document(Panel::Config).hasFile()) return replace();
    if (!request->asksPerson())
        return request->refuse({}, QStringLiteral("配置文件输出框中已经有内容：请用 open 操作并给出 mode"));
    auto* box = new QMessageBox(
        QMessageBox::Question, QStringLiteral("打开配置文件"),
        QStringLiteral("配置文件输出框中已经有内容。\n要用文件“%1”替换它，还是把文件加在它的后面？").arg(shownName),
        QMessageBox::NoButton, main_);
    QPushButton* replacing = box->addButton(QStringLiteral("替换"), QMessageBox::AcceptRole);
    QPushButton* after = box->addButton(QStringLiteral("加在后面"), QMessageBox::AcceptRole);
    box->setDefaultButton(box->addButton(QStringLiteral("取消"), QMessageBox::RejectRole));
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [box, replacing, after, start, replace] {
        if (box->clickedButton() == replacing) replace();
        if (box->clickedButton() == after) start(true);
    });
    box->open();
}

bool MainMenu::hasUnsavedChanges(Panel panel) const {
    const QPlainTextEdit* edit = documents_.panel(panel);
    return documents_.document(panel).hasFile() && edit != nullptr && edit->document()->isModified();
}

// Before a file takes the place of the configuration panel's unsaved changes: 保存 saves them
// into their file and then goes on, 不保存 goes on (the changes stay one Ctrl+Z away), 取消 stops.
void MainMenu::askToSaveFirst(const RequestPtr& request, const QString& coming, const std::function<void()>& then) {
    const QString name = documents_.document(Panel::Config).fileName();
    request->choose(QStringLiteral("未保存的更改"),
                    QStringLiteral("“%1”有未保存的更改。\n打开“%2”前要保存它吗？（不保存时，打开后按 Ctrl+Z "
                                   "或用“撤销清空”可以找回这些更改。）")
                        .arg(name, coming),
                    {QStringLiteral("保存"), QStringLiteral("不保存")}, [this, request, then](int choice) {
                        if (choice == 1) return then();
                        if (choice != 0) return request->finish();
                        const RequestPtr saving = Request::person(main_, [this, then](const Request::Result& result) {
                            if (result.ran() && !hasUnsavedChanges(Panel::Config)) then();
                        });
                        runSave(saving, Panel::Config, {.path = documents_.document(Panel::Config).path});
                    });
}

void MainMenu::opened(const RequestPtr& request, const Outcome& outcome, const QString& title) {
    if (!outcome.ok()) return request->refuse(title, outcome.message);
    report(request, openedStatus(outcome));
    if (!outcome.warning.isEmpty() && request->asksPerson())
        request->refuse(QStringLiteral("文件中有无法识别的字节"), outcome.warning);
}

// An outcome for a person is told on a later turn of the loop: an open or save cut short by
// the window going away would report while the window is being taken down, so it is dropped
// then, and its request ends refused. A script hears it at once.
PanelDocuments::Done MainMenu::later(const RequestPtr& request, const PanelDocuments::Done& then) {
    const PanelDocuments::Done arrived = request->awaiting(then);
    return [this, arrived](const Outcome& outcome) {
        QTimer::singleShot(0, this, [this, arrived, outcome] {
            if (!closing_) arrived(outcome);
        });
    };
}

// "重新载入": the file again as it is on disk now, in place of the panel's text, which stays in
// the panel's undo history. Asked first when the panel has changes of its own.
void MainMenu::reloadFile(const RequestPtr& request) {
    const documents::Document document = documents_.document(Panel::Config);
    if (!document.hasFile())
        return request->refuse(QStringLiteral("无法重新载入"),
                               QStringLiteral("配置文件输出框的内容不是从文件打开的。"));
    if (!configuration_->document()->isModified()) return reload(request, Panel::Config);
    request->confirm(QStringLiteral("重新载入"),
                     QStringLiteral("重新载入“%1”会替换配置文件输出框中未保存的更改（可以用 Ctrl+Z 找回）。")
                         .arg(document.fileName()),
                     QStringLiteral("重新载入"), [this, request](bool yes) {
                         if (yes) reload(request, Panel::Config);
                     });
}

void MainMenu::reload(const RequestPtr& request, Panel panel) {
    if (documents_.isOpening())
        return request->refuse(QStringLiteral("正在打开文件"),
                               QStringLiteral("正在打开另一个文件，请等它打开完再试。"));
    documents_.reload(panel, later(request, [this, request](const Outcome& outcome) {
                          if (!outcome.ok()) return request->refuse(QStringLiteral("无法重新载入"), outcome.message);
                          report(request, QStringLiteral("已重新载入：") + openedStatus(outcome));
                          request->finish();
                      }));
}

// A file changed on disk behind the editor is taken in at once while its panel has no changes
// of its own, and said; with changes, the status bar says so and the next save asks.
void MainMenu::fileChangedOnDisk() {
    if (closing_) return;
    if (documents_.isSaving() || documents_.isOpening()) return diskCheck_->start();
    const documents::Document document = documents_.document(Panel::Config);
    // A server's file is compared with the server's only when it is saved.
    if (!document.hasFile() || !document.stamp.exists || document.onServer()) return;
    if (!watcher_->files().contains(document.path) && QFileInfo::exists(document.path))
        watcher_->addPath(document.path);
    runInBackground(
        this, [document] { return storage::changeOnDisk(document.path, document.stamp); },
        [this, document](storage::DiskChange change) {
            if (change != storage::DiskChange::Content || documents_.document(Panel::Config) != document || closing_)
                return;
            const QString name = QFileInfo(document.path).fileName();
            if (configuration_->document()->isModified()) {
                if (toldChanged_ != document.path)
                    showStatus(QStringLiteral("“%1”在磁盘上被别的程序改动过；保存时会先问你").arg(name));
                toldChanged_ = document.path;
                return;
            }
            // The request can outlive the menu: an editor closed while the file comes in.
            reload(Request::script([self = QPointer<MainMenu>(this), name](const Request::Result& result) {
                       if (self != nullptr && result.refusal.isEmpty())
                           self->showStatus(QStringLiteral("“%1”在磁盘上被别的程序改动过，已重新载入").arg(name));
                   }),
                   Panel::Config);
        });
}

void MainMenu::reopenOtherEncoding(const RequestPtr& request) {
    const documents::Document document = documents_.document(Panel::Config);
    if (!document.hasFile())
        return request->refuse(QStringLiteral("无法重新打开"),
                               QStringLiteral("配置文件输出框的内容不是从文件打开的。"));
    const auto reopen = [this, request] {
        if (documents_.isOpening())
            return request->refuse(QStringLiteral("正在打开文件"),
                                   QStringLiteral("正在打开另一个文件，请等它打开完再试。"));
        documents_.reopenOther(Panel::Config, later(request, [this, request](const Outcome& outcome) {
                                   if (!outcome.ok())
                                       return request->refuse(QStringLiteral("无法重新打开"), outcome.message);
                                   configuration_->document()->setModified(false);
                                   report(request, openedStatus(outcome));
                               }));
    };
    if (!configuration_->document()->isModified()) return reopen();
    request->confirm(QStringLiteral("以其他编码重新打开"),
                     QStringLiteral("用 %1 重新读取“%2”会替换配置文件输出框的全部内容，之后的改动会丢失。")
                         .arg(storage::encodingName(documents::otherEncoding(document)), document.fileName()),
                     QStringLiteral("重新打开"), [reopen](bool yes) {
                         if (yes) reopen();
                     });
}

void MainMenu::save(const RequestPtr& request) {
    const documents::Document document = documents_.document(Panel::Config);
    if (!document.hasFile()) return saveAs(request);
    runSave(request, Panel::Config, {.path = document.path, .place = document.place});
}

void MainMenu::saveAs(const RequestPtr& request) {
    chooseSavePath(request, configuration_, QStringLiteral("另存为"),
                   [this, request](const SaveRequest& save) { runSave(request, Panel::Config, save); });
}

// "比较": what saving the configuration panel would change in its file.
void MainMenu::compare(const RequestPtr& request) {
    if (!request->asksPerson())
        return request->refuse({}, QStringLiteral("“与文件比较…”只显示一个窗口：请用 diff 操作"));
    const documents::Document document = documents_.document(Panel::Config);
    if (!document.hasFile())
        return request->refuse(QStringLiteral("与文件比较"), QStringLiteral("配置文件输出框的内容不是从文件打开的。"));
    if (!document.onServer()) {
        DiffView::show(main_, document.path, document.format.encoding, panelLfText(configuration_));
        return;
    }
    // A server's file is read from the server now, its host key and login settled first.
    reachFirst(request, document.place, [this, document] {
        DiffView::showServer(main_, *documents_.servers(), document, panelLfText(configuration_));
    });
}

void MainMenu::saveCommands(const RequestPtr& request) {
    chooseSavePath(request, commands_, QStringLiteral("保存指令输出框"),
                   [this, request](const SaveRequest& save) { runSave(request, Panel::Command, save); });
}

void MainMenu::appendToFile(const RequestPtr& request) {
    if (!request->asksPerson()) {
        return request->refuse({}, QStringLiteral("“追加到文件…”要选择文件：请用 save 操作并给出 \"mode\":\"append\""));
    }
    const QString start = localFolder(documents_.document(Panel::Config));
    QFileDialog* dialog = fileDialog(main_, QStringLiteral("追加到文件"), start, kYamlFilter, QFileDialog::AcceptOpen);
    connect(dialog, &QFileDialog::fileSelected, this, [this, request](const QString& path) {
        if (!path.isEmpty()) runSave(request, Panel::Config, {.path = path, .mode = SaveMode::Append});
    });
    dialog->open();
}

// The save dialog, with the encoding and the line ends to write below the file name.
void MainMenu::chooseSavePath(const RequestPtr& request, QPlainTextEdit* panel, const QString& title,
                              const std::function<void(const SaveRequest&)>& chosen) {
    if (!request->asksPerson()) return request->refuse({}, QStringLiteral("“%1”要选择文件：请用 save 操作").arg(title));
    const documents::Document document = documents_.document(panel == commands_ ? Panel::Command : Panel::Config);
    // A server's file is saved as a copy on this computer starting in the last local folder.
    QFileDialog* dialog = fileDialog(main_, title, document.onServer() ? QString() : document.path,
                                     panel == commands_ ? kTextFilter : kYamlFilter, QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(panel == commands_ ? QStringLiteral("txt") : QStringLiteral("yml"));
    auto* encoding = new QComboBox(dialog);
    encoding->addItems({QStringLiteral("UTF-8"), QStringLiteral("GBK（旧版服务器，中文 Windows）")});
    auto* lineEnd = new QComboBox(dialog);
    lineEnd->addItems({QStringLiteral("CR LF（Windows）"), QStringLiteral("LF（Linux）")});
    if (document.hasFile()) {
        encoding->setCurrentIndex(document.format.encoding == Encoding::Gbk ? 1 : 0);
        lineEnd->setCurrentIndex(document.format.lineEnd == LineEnd::Lf ? 1 : 0);
    }
    if (auto* grid = qobject_cast<QGridLayout*>(dialog->layout())) {
        const int row = grid->rowCount();
        grid->addWidget(new QLabel(QStringLiteral("编码："), dialog), row, 0);
        grid->addWidget(encoding, row, 1);
        grid->addWidget(new QLabel(QStringLiteral("换行符："), dialog), row + 1, 0);
        grid->addWidget(lineEnd, row + 1, 1);
    }
    connect(dialog, &QFileDialog::fileSelected, this, [request, encoding, lineEnd, chosen](const QString& path) {
        if (path.isEmpty()) return;
        chosen({.path = path,
                .encoding = encoding->currentIndex() == 1 ? Encoding::Gbk : Encoding::Utf8,
                .lineEnd = lineEnd->currentIndex() == 1 ? LineEnd::Lf : LineEnd::CrLf});
    });
    dialog->open();
}

// One round of a save: a refusal the user may override is asked about, and a yes saves again
// with it overridden; any other refusal is told.
void MainMenu::runSave(const RequestPtr& request, Panel panel, const SaveRequest& save, bool changesTold) {
    const bool append = save.mode == SaveMode::Append;
    // A person hears before the save what it will write otherwise than the file has it.
    const documents::Document document = documents_.document(panel);
    if (request->asksPerson() && !append && !changesTold && !document.quietChanges.isEmpty() &&
        documents::ownFile(save, document)) {
        return request->confirm(QStringLiteral("保存"),
                                QStringLiteral("保存会改变文件中原有的内容：\n\n• %1\n\n仍然要保存吗？")
                                    .arg(document.quietChanges.join(QStringLiteral("\n• "))),
                                QStringLiteral("仍然保存"), [this, request, panel, save](bool yes) {
                                    if (yes) runSave(request, panel, save, true);
                                });
    }
    const auto then = [this, request, panel, save, append](const Outcome& outcome) {
        // Nothing is being saved any more; whoever waits hears it now.
        const auto stopped = [this, request] {
            if (main_->statusBar() != nullptr) main_->statusBar()->clearMessage();
            request->finish();
        };
        // The file's encoding cannot be told: the person says which it is.
        if (outcome.refusal == documents::Refusal::EncodingUnsure) {
            return request->choose(QStringLiteral("文件的编码"), outcome.message,
                                   {storage::encodingName(Encoding::Utf8), storage::encodingName(Encoding::Gbk)},
                                   [this, request, panel, save, stopped](int choice) {
                                       if (choice < 0) return stopped();
                                       SaveRequest told = save;
                                       told.encoding = choice == 0 ? Encoding::Utf8 : Encoding::Gbk;
                                       runSave(request, panel, told, true);
                                   });
        }
        if (outcome.refusal == documents::Refusal::ChangedOnDisk && !append) {
            // Someone else changed the file: write over it, or take their file into the panel
            // (the panel's text stays in its undo history); the person may look at the
            // difference first.
            const Request::Aside compare{QStringLiteral("比较"), [this, panel, save] {
                                             DiffView::show(main_, save.path,
                                                            documents_.document(panel).format.encoding,
                                                            panelLfText(documents_.panel(panel)));
                                         }};
            return request->choose(
                QStringLiteral("保存"), outcome.message + QStringLiteral("\n\n仍然要写入吗？"),
                {QStringLiteral("仍然写入"), QStringLiteral("重新载入")},
                [this, request, panel, save, stopped](int choice) {
                    if (choice < 0) return stopped();
                    if (choice == 1) {
                        // Nothing is being saved any more: the file comes in instead.
                        if (main_->statusBar() != nullptr) main_->statusBar()->clearMessage();
                        return reload(request, panel);
                    }
                    SaveRequest forced = save;
                    forced.force = true;
                    runSave(request, panel, forced, true);
                },
                compare);
        }
        if (outcome.refusal == documents::Refusal::ChangedOnServer) {
            // Someone else saved the server's file: look at what they wrote against the panel
            // (比较), write over it (仍然写入), or leave both as they are (取消).
            const Request::Aside compare{QStringLiteral("比较"), [this, panel, outcome] {
                                             DiffView::showBytes(main_, documents_.document(panel).shownPath(),
                                                                 outcome.server.current,
                                                                 documents_.document(panel).format.encoding,
                                                                 panelLfText(documents_.panel(panel)));
                                         }};
            return request->confirm(
                QStringLiteral("保存"), outcome.message + QStringLiteral("\n\n仍然要写入吗？"),
                QStringLiteral("仍然写入"),
                [this, request, panel, save, stopped](bool yes) {
                    if (!yes) return stopped();
                    SaveRequest forced = save;
                    forced.force = true;
                    runSave(request, panel, forced, true);
                },
                compare);
        }
        if (!outcome.ok() && documents::isConfirmable(outcome.refusal)) {
            return request->confirm(append ? QStringLiteral("追加到文件") : QStringLiteral("保存"),
                                    outcome.message + QStringLiteral("\n\n仍然要写入吗？"), QStringLiteral("仍然写入"),
                                    [this, request, panel, save, stopped](bool yes) {
                                        if (!yes) return stopped();
                                        SaveRequest forced = save;
                                        forced.force = true;
                                        runSave(request, panel, forced, true);
                                    });
        }
        // A character the file's encoding (GBK) cannot hold: the person may write the file
        // as UTF-8 instead.
        if (outcome.refusal == documents::Refusal::Unrepresentable && request->asksPerson() && !append &&
            !documents_.document(panel).lostBytes &&
            documents::formatForWrite(save, documents_.document(panel)).encoding == Encoding::Gbk) {
            return request->confirm(QStringLiteral("无法保存"),
                                    outcome.message + QStringLiteral("\n\n改用 UTF-8 保存这个文件吗？UTF-8 "
                                                                     "能写下每一个字符（服务器要按 UTF-8 读取它）。"),
                                    QStringLiteral("改用 UTF-8 保存"), [this, request, panel, save, stopped](bool yes) {
                                        if (!yes) return stopped();
                                        SaveRequest utf8 = save;
                                        utf8.encoding = Encoding::Utf8;
                                        runSave(request, panel, utf8, true);
                                    });
        }
        if (!outcome.ok()) {
            request->refuse(append ? QStringLiteral("无法追加") : QStringLiteral("无法保存"), outcome.message);
            return request->finish();
        }
        report(request, savedStatus(outcome));
        // Saved: whoever waits for the save hears it now, not when the last copy of the
        // request is let go.
        request->finish();
    };
    if (!request->asksPerson()) return documents_.save(panel, save, request->awaiting(PanelDocuments::Done(then)));
    if (documents_.isSaving())
        return request->refuse(QStringLiteral("正在保存"), QStringLiteral("正在保存另一个文件，请等它写完再试。"));
    // A server's file: its host key and login are settled with the person before the text goes.
    reachFirst(request, save.place, [this, request, panel, save, then] {
        showStatus(QStringLiteral("正在保存 %1…").arg(documents::shownLocation(save.place, save.path)));
        documents_.save(panel, save, later(request, then));
    });
}

// Before a person's request reaches a server: the session connects and logs in, asking the
// person about a new host key or a missing password; then goes on, or the request ends refused.
// A local file, or a script, goes on at once (a script hears the server's code in its reply).
void MainMenu::reachFirst(const RequestPtr& request, const QString& place, const std::function<void()>& then) {
    Servers* servers = documents_.servers();
    if (place.isEmpty() || !request->asksPerson() || servers == nullptr) return then();
    showStatus(QStringLiteral("正在连接 %1…").arg(place));
    reachServer(*servers, place, main_, this, [this, request, then](const remote::Outcome& outcome, remote::Session*) {
        if (main_->statusBar() != nullptr) main_->statusBar()->clearMessage();
        if (outcome.ok()) return then();
        // A host key refused or a question declined was said in its own dialog.
        if (outcome.code == QLatin1String("cancelled") || outcome.code.startsWith(QLatin1String("host-key")))
            return request->finish();
        request->refuse(QStringLiteral("无法连接服务器"), outcome.message);
        request->finish();
    });
}

void MainMenu::quit(const RequestPtr& request) {
    // A script's quit closes as it always has: the session keeps every panel's text.
    if (!request->asksPerson()) closeAnswered_ = true;
    main_->close();
}

// 撤销 and 重做 of the menu: on the text box that has (or last had) the keyboard.
void MainMenu::undoEdit(const RequestPtr& request) { undoOrRedo(request, false); }

void MainMenu::redoEdit(const RequestPtr& request) { undoOrRedo(request, true); }

void MainMenu::undoOrRedo(const RequestPtr& request, bool redo) {
    const Editable target = editableOf(lastEdited_);
    const QString what = redo ? QStringLiteral("重做") : QStringLiteral("撤销");
    if (!target.can(redo))
        return request->refuse(what,
                               redo ? QStringLiteral("没有可以重做的编辑。") : QStringLiteral("没有可以撤销的编辑。"));
    target.run(redo);
    if (lastEdited_ != nullptr) lastEdited_->setFocus();
    report(request, redo ? QStringLiteral("已重做") : QStringLiteral("已撤销"));
}

void MainMenu::undoClear(const RequestPtr& request) {
    QPlainTextEdit* latest = nullptr;
    for (QPlainTextEdit* panel : memoryPanels(runtime_)) {
        PanelMemory* memory = PanelMemory::of(panel);
        if (memory->canUndoClear() && (latest == nullptr || memory->clearedAt() > PanelMemory::of(latest)->clearedAt()))
            latest = panel;
    }
    // The clear of "新建" is the latest: everything it took comes back.
    if (cleared_ && (latest == nullptr || PanelMemory::of(latest)->clearedAt() <= cleared_->clearedAt)) {
        undoNew();
        return report(request, QStringLiteral("已撤销新建：输出框、输入框和文件关联都已找回"));
    }
    if (latest == nullptr) return request->refuse(QStringLiteral("撤销清空"), QStringLiteral("没有可以撤销的清空。"));
    PanelMemory::of(latest)->undoClear();
    report(request, QStringLiteral("已撤销清空"));
}

void MainMenu::removeLast(const RequestPtr& request) {
    QPlainTextEdit* latest = nullptr;
    for (QPlainTextEdit* panel : memoryPanels(runtime_)) {
        PanelMemory* memory = PanelMemory::of(panel);
        if (memory->canRemoveLast() &&
            (latest == nullptr || memory->appendedAt() > PanelMemory::of(latest)->appendedAt()))
            latest = panel;
    }
    if (latest == nullptr) {
        return request->refuse(QStringLiteral("删除上一次添加"),
                               QStringLiteral("没有可以删除的添加：输出框的末尾已经不是上一次添加的内容。"));
    }
    PanelMemory::of(latest)->removeLast();
    report(request, QStringLiteral("已删除上一次添加的内容"));
}

void MainMenu::about(const RequestPtr& request) {
    if (!request->asksPerson()) return request->refuse({}, QStringLiteral("“关于”只显示一个对话框"));
    auto* box = new QMessageBox(
        QMessageBox::NoIcon, QStringLiteral("关于 Tarnwick Quorvel编辑器"),
        QStringLiteral("Tarnwick Quorvel编辑器\n\n为 Quorvel 插件生成指令和 YAML 配置。\n会话自动保存在：%1")
            .arg(documents::shown(documents_.recentStore().isEmpty()
                                      ? QStringLiteral("（本次不保存）")
                                      : QFileInfo(documents_.recentStore()).absolutePath())),
        QMessageBox::Ok, main_);
    box->setIconPixmap(QApplication::windowIcon().pixmap(64, 64));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

}  // namespace ui
