#include "ui/files/main_menu.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>

#include "documents/document.h"
#include "forms/windows.h"
#include "storage/recent_files.h"
#include "ui/base/text.h"
#include "ui/files/diff_view.h"
#include "ui/loader/controls.h"
#include "ui/loader/live_window.h"
#include "ui/loader/runtime.h"
#include "ui/panels/panel.h"
#include "ui/panels/panel_fill.h"
#include "ui/panels/panel_memory.h"

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
    {"reopen-other-encoding", "文件", "以其他编码重新打开",     "",             &MainMenu::reopenOtherEncoding},
    {"save",                  "文件", "保存",                 "Ctrl+S",       &MainMenu::save},
    {"save-as",               "文件", "另存为…",               "Ctrl+Shift+S", &MainMenu::saveAs},
    {"compare",               "文件", "与文件比较…",           "",             &MainMenu::compare},
    {"append-to-file",        "文件", "追加到文件…",           "",             &MainMenu::appendToFile},
    {"save-commands",         "文件", "保存指令输出框…",        "",             &MainMenu::saveCommands},
    {"quit",                  "文件", "退出",                 "Ctrl+Q",       &MainMenu::quit},
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
            action->setShortcutContext(Qt::WindowShortcut);
        }
        // From the menu, a person asks: questions in dialogs.
        connect(action, &QAction::triggered, this, [this, run = row.run] { (this->*run)(Request::person(main_)); });
        if (std::string_view(row.name) == "open" || std::string_view(row.name) == "save-commands")
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
    connect(&runtime, &Runtime::windowsChanged, this, &MainMenu::updateEditMenu);

    auto* status = new QStatusBar(main);
    status->setSizeGripEnabled(false);
    fileLabel_ = new QLabel(status);
    formatLabel_ = new QLabel(status);
    formatLabel_->setToolTip(
        QStringLiteral("配置文件输出框的文件编码和换行符；“以其他编码重新打开”可以换一种编码读取"));
    formatLabel_->setContentsMargins(8, 0, 8, 0);
    status->addPermanentWidget(fileLabel_);
    status->addPermanentWidget(formatLabel_);
    main->addChrome(bar, status);
    // F10 opens the first menu, as in desktop tools; Alt and a menu's letter open that menu.
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), main);
    connect(f10, &QShortcut::activated, bar, [bar] {
        if (!bar->actions().isEmpty()) bar->setActiveAction(bar->actions().constFirst());
    });
    connect(&documents, &PanelDocuments::documentChanged, this, &MainMenu::updateStatus);
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
    // "文件(&F)": the access letter in brackets after the title goes, then any other "&".
    static const QRegularExpression accessLetter(QStringLiteral("\\(&.\\)$"));
    bare.remove(accessLetter);
    bare.remove(QLatin1Char('&'));
    return bare == title;
}

void MainMenu::trigger(const QString& name, const Request::Finished& finished) {
    const auto row = std::find_if(std::begin(kRows), std::end(kRows),
                                  [&](const MenuRow& r) { return name == QLatin1String(r.name); });
    if (row == std::end(kRows)) return finished({QStringLiteral("unknown action: ") + name, {}});
    (this->*row->run)(Request::script(finished));
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
    if (watched != main_ || event->type() != QEvent::Close || !documents_.isSaving()) return false;
    // The file is being written: the window closes once it is, whatever the save's outcome.
    closeAfterSave_ = true;
    event->ignore();
    showStatus(QStringLiteral("正在保存：写完后关闭"));
    return true;
}

void MainMenu::updateStatus() {
    const documents::Document document = documents_.document(Panel::Config);
    if (!document.hasFile()) {
        fileLabel_->setText(QStringLiteral("配置文件：未保存"));
        formatLabel_->setText(documents::describe(storage::TextFormat{}));
    } else {
        fileLabel_->setText(QStringLiteral("配置文件：%1").arg(QFileInfo(document.path).fileName()));
        fileLabel_->setToolTip(documents::shown(document.path));
        formatLabel_->setText(documents::describe(document.format));
    }
    if (QAction* reopen = action("reopen-other-encoding")) reopen->setEnabled(document.hasFile());
}

void MainMenu::updateEditMenu() {
    bool undo = false;
    bool remove = false;
    for (QPlainTextEdit* panel : memoryPanels(runtime_)) {
        undo = undo || PanelMemory::of(panel)->canUndoClear();
        remove = remove || PanelMemory::of(panel)->canRemoveLast();
    }
    if (QAction* a = action("undo-clear")) a->setEnabled(undo);
    if (QAction* a = action("remove-last")) a->setEnabled(remove);
}

void MainMenu::fillRecent() {
    recent_->clear();
    const QStringList paths =
        documents_.recentStore().isEmpty() ? QStringList() : storage::loadRecentFiles(documents_.recentStore());
    if (paths.isEmpty()) recent_->addAction(QStringLiteral("（没有）"))->setEnabled(false);
    for (int i = 0; i < paths.size(); ++i) {
        const QString& path = paths[i];
        recent_->addAction(QStringLiteral("&%1 %2").arg((i + 1) % 10).arg(documents::shown(path)), this,
                           [this, path] { openPath(Request::person(main_), path); });
    }
}

// "新建": every panel and field as the form defines it, the first page, no files. The panels
// are cleared as by their clear buttons, so "撤销清空" still brings their text back.
void MainMenu::newSession(const RequestPtr& request) {
    for (LiveWindow* live : std::vector<LiveWindow*>(runtime_.windows()))
        if (live != main_) live->close();
    const forms::Window& form = main_->form();
    for (std::size_t i = 0; i < form.units.size(); ++i) {
        const forms::Unit& unit = form.units[i];
        QWidget* widget = main_->builtControl(static_cast<int>(i));
        if (widget == nullptr) continue;
        if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            combo->setCurrentIndex(-1);
        } else if (unit.kind == forms::Kind::EditBox && !unit.readOnly && !unit.disabled) {
            auto* panel = qobject_cast<QPlainTextEdit*>(widget);
            if (panel != nullptr && PanelMemory::of(panel) != nullptr)
                clearPanel(panel);
            else
                setEditText(widget, fromUtf8(unit.caption));
        }
    }
    if (PageControl* pages = main_->pageControl()) pages->setCurrentIndex(0);
    documents_.forget();
    emit sessionCleared();
    report(request, QStringLiteral("已新建：输出框和输入框都已清空（“撤销清空”可以找回输出框的内容）"));
}

void MainMenu::openFile(const RequestPtr& request) {
    if (!request->asksPerson()) return request->refuse({}, QStringLiteral("“打开配置文件…”要选择文件：请用 open 操作"));
    const QString start = QFileInfo(documents_.document(Panel::Config).path).absolutePath();
    QFileDialog* dialog =
        fileDialog(main_, QStringLiteral("打开配置文件"), start, kYamlFilter, QFileDialog::AcceptOpen);
    connect(dialog, &QFileDialog::fileSelected, this, [this, request](const QString& path) {
        if (!path.isEmpty()) openPath(request, path);
    });
    dialog->open();
}

void MainMenu::openPath(const RequestPtr& request, const QString& path) {
    const auto start = [this, request, path](bool append) {
        if (documents_.isOpening())
            return request->refuse(QStringLiteral("正在打开文件"),
                                   QStringLiteral("正在打开另一个文件，请等它打开完再试。"));
        documents_.open(Panel::Config, path, std::nullopt, append, later([this, request](const Outcome& outcome) {
                            opened(request, outcome, QStringLiteral("无法打开"));
                        }));
    };
    if (configuration_->document()->isEmpty()) return start(false);
    if (!request->asksPerson())
        return request->refuse({}, QStringLiteral("配置文件输出框中已经有内容：请用 open 操作并给出 mode"));
    auto* box =
        new QMessageBox(QMessageBox::Question, QStringLiteral("打开配置文件"),
                        QStringLiteral("配置文件输出框中已经有内容。\n要用文件“%1”替换它，还是把文件加在它的后面？")
                            .arg(QFileInfo(path).fileName()),
                        QMessageBox::NoButton, main_);
    QPushButton* replace = box->addButton(QStringLiteral("替换"), QMessageBox::AcceptRole);
    QPushButton* after = box->addButton(QStringLiteral("加在后面"), QMessageBox::AcceptRole);
    box->setDefaultButton(box->addButton(QStringLiteral("取消"), QMessageBox::RejectRole));
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [box, replace, after, start] {
        if (box->clickedButton() == replace || box->clickedButton() == after) start(box->clickedButton() == after);
    });
    box->open();
}

void MainMenu::opened(const RequestPtr& request, const Outcome& outcome, const QString& title) {
    if (!outcome.ok()) return request->refuse(title, outcome.message);
    report(request, openedStatus(outcome));
    if (!outcome.warning.isEmpty() && request->asksPerson())
        request->refuse(QStringLiteral("文件中有无法识别的字节"), outcome.warning);
}

// An outcome for a person is told on a later turn of the loop: an open or save cut short by
// the window going away reports while the window is being taken down, and then nobody is
// told. A script hears it at once.
PanelDocuments::Done MainMenu::later(const PanelDocuments::Done& then) {
    return [this, then](const Outcome& outcome) {
        QTimer::singleShot(0, this, [this, then, outcome] {
            if (!closing_) then(outcome);
        });
    };
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
        documents_.reopenOther(Panel::Config, later([this, request](const Outcome& outcome) {
                                   if (!outcome.ok())
                                       return request->refuse(QStringLiteral("无法重新打开"), outcome.message);
                                   configuration_->document()->setModified(false);
                                   report(request, openedStatus(outcome));
                               }));
    };
    if (!configuration_->document()->isModified()) return reopen();
    request->confirm(
        QStringLiteral("以其他编码重新打开"),
        QStringLiteral("用 %1 重新读取“%2”会替换配置文件输出框的全部内容，之后的改动会丢失。")
            .arg(storage::encodingName(documents::otherEncoding(document)), QFileInfo(document.path).fileName()),
        QStringLiteral("重新打开"), [reopen](bool yes) {
            if (yes) reopen();
        });
}

void MainMenu::save(const RequestPtr& request) {
    const documents::Document document = documents_.document(Panel::Config);
    if (!document.hasFile()) return saveAs(request);
    runSave(request, Panel::Config, {.path = document.path});
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
    DiffView::show(main_, document.path, document.format.encoding, panelLfText(configuration_));
}

void MainMenu::saveCommands(const RequestPtr& request) {
    chooseSavePath(request, commands_, QStringLiteral("保存指令输出框"),
                   [this, request](const SaveRequest& save) { runSave(request, Panel::Command, save); });
}

void MainMenu::appendToFile(const RequestPtr& request) {
    if (!request->asksPerson()) {
        return request->refuse({}, QStringLiteral("“追加到文件…”要选择文件：请用 save 操作并给出 \"mode\":\"append\""));
    }
    const QString start = QFileInfo(documents_.document(Panel::Config).path).absolutePath();
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
    QFileDialog* dialog = fileDialog(main_, title, document.path, panel == commands_ ? kTextFilter : kYamlFilter,
                                     QFileDialog::AcceptSave);
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
        documents::sameFile(save.path, document.path)) {
        return request->confirm(QStringLiteral("保存"),
                                QStringLiteral("保存会改变文件中原有的内容：\n\n• %1\n\n仍然要保存吗？")
                                    .arg(document.quietChanges.join(QStringLiteral("\n• "))),
                                QStringLiteral("仍然保存"), [this, request, panel, save](bool yes) {
                                    if (yes) runSave(request, panel, save, true);
                                });
    }
    const auto then = [this, request, panel, save, append](const Outcome& outcome) {
        // The file's encoding cannot be told: the person says which it is.
        if (outcome.refusal == documents::Refusal::EncodingUnsure) {
            return request->choose(QStringLiteral("文件的编码"), outcome.message,
                                   {storage::encodingName(Encoding::Utf8), storage::encodingName(Encoding::Gbk)},
                                   [this, request, panel, save](int choice) {
                                       if (choice < 0) {
                                           if (main_->statusBar() != nullptr) main_->statusBar()->clearMessage();
                                           return;
                                       }
                                       SaveRequest told = save;
                                       told.encoding = choice == 0 ? Encoding::Utf8 : Encoding::Gbk;
                                       runSave(request, panel, told, true);
                                   });
        }
        if (!outcome.ok() && documents::isConfirmable(outcome.refusal)) {
            const QString title = append ? QStringLiteral("追加到文件") : QStringLiteral("保存");
            // Before overwriting someone else's change, the person may look at what would change.
            Request::Aside aside;
            if (outcome.refusal == documents::Refusal::ChangedOnDisk && !append) {
                aside = {QStringLiteral("比较"), [this, panel, save] {
                             DiffView::show(main_, save.path, documents_.document(panel).format.encoding,
                                            panelLfText(documents_.panel(panel)));
                         }};
            }
            return request->confirm(
                title, outcome.message + QStringLiteral("\n\n仍然要写入吗？"), QStringLiteral("仍然写入"),
                [this, request, panel, save](bool yes) {
                    if (!yes) {
                        // Nothing is being saved any more.
                        if (main_->statusBar() != nullptr) main_->statusBar()->clearMessage();
                        return;
                    }
                    SaveRequest forced = save;
                    forced.force = true;
                    runSave(request, panel, forced, true);
                },
                aside);
        }
        if (!outcome.ok())
            return request->refuse(append ? QStringLiteral("无法追加") : QStringLiteral("无法保存"), outcome.message);
        report(request, savedStatus(outcome));
        // Saved: whoever waits for the save hears it now, not when the last copy of the
        // request is let go.
        request->finish();
    };
    if (!request->asksPerson()) return documents_.save(panel, save, then);
    if (documents_.isSaving())
        return request->refuse(QStringLiteral("正在保存"), QStringLiteral("正在保存另一个文件，请等它写完再试。"));
    showStatus(QStringLiteral("正在保存 %1…").arg(QFileInfo(save.path).fileName()));
    documents_.save(panel, save, later(then));
}

void MainMenu::quit(const RequestPtr&) { main_->close(); }

void MainMenu::undoClear(const RequestPtr& request) {
    QPlainTextEdit* latest = nullptr;
    for (QPlainTextEdit* panel : memoryPanels(runtime_)) {
        PanelMemory* memory = PanelMemory::of(panel);
        if (memory->canUndoClear() && (latest == nullptr || memory->clearedAt() > PanelMemory::of(latest)->clearedAt()))
            latest = panel;
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
