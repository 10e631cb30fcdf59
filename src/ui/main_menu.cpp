#include "ui/main_menu.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

#include "forms/windows.h"
#include "storage/recent_files.h"
#include "ui/controls.h"
#include "ui/live_window.h"
#include "ui/panel.h"
#include "ui/panel_files.h"
#include "ui/runtime.h"
#include "ui/text.h"

namespace ui {
namespace {

using storage::Encoding;
using storage::LineEnd;
using storage::TextFormat;

// clang-format off
constexpr MenuRow kRows[] = {
    {"new",                   "文件", "新建",                 "Ctrl+N",       &MainMenu::newSession},
    {"open",                  "文件", "打开配置文件…",         "Ctrl+O",       &MainMenu::openFile},
    {"reopen-other-encoding", "文件", "以其他编码重新打开",     "",             &MainMenu::reopenOtherEncoding},
    {"save",                  "文件", "保存",                 "Ctrl+S",       &MainMenu::save},
    {"save-as",               "文件", "另存为…",               "Ctrl+Shift+S", &MainMenu::saveAs},
    {"append-to-file",        "文件", "追加到文件…",           "",             &MainMenu::appendToFile},
    {"save-commands",         "文件", "保存指令输出框…",        "",             &MainMenu::saveCommands},
    {"quit",                  "文件", "退出",                 "Ctrl+Q",       &MainMenu::quit},
    {"undo-clear",            "编辑", "撤销清空",              "",             &MainMenu::undoClear},
    {"remove-last",           "编辑", "删除上一次添加",         "",             &MainMenu::removeLast},
    {"about",                 "帮助", "关于",                 "",             &MainMenu::about},
};
// clang-format on

constexpr const char* kMenus[] = {"文件", "编辑", "帮助"};
constexpr const char* kYamlFilter = "YAML 配置文件 (*.yml *.yaml);;所有文件 (*)";
constexpr const char* kTextFilter = "文本文件 (*.txt);;所有文件 (*)";

QString formatText(const TextFormat& format) {
    QString text = storage::encodingName(format.encoding);
    if (format.bom) text += QStringLiteral("（带 BOM）");
    return text + (format.lineEnd == LineEnd::CrLf ? QStringLiteral(" · CR LF") : QStringLiteral(" · LF"));
}

// Every output panel of the loaded windows that remembers its clears and appends.
std::vector<QPlainTextEdit*> memoryPanels(Runtime& runtime) {
    std::vector<QPlainTextEdit*> panels;
    for (LiveWindow* live : runtime.windows())
        for (std::size_t i = 0; i < live->form().units.size(); ++i)
            if (auto* edit = qobject_cast<QPlainTextEdit*>(live->builtControl(static_cast<int>(i))))
                if (PanelMemory::of(edit) != nullptr) panels.push_back(edit);
    return panels;
}

}  // namespace

// How long closing waits for a save still being written.
constexpr qint64 kSaveAtCloseMs = 30'000;

std::span<const MenuRow> menuRows() { return kRows; }

MainMenu::MainMenu(Runtime& runtime, LiveWindow* main) : QObject(main), runtime_(runtime), main_(main) {
    setObjectName(QStringLiteral("mainMenu"));
    configuration_ = qobject_cast<QPlainTextEdit*>(main->controlByName("编辑框20"));
    commands_ = qobject_cast<QPlainTextEdit*>(main->controlByName("编辑框1"));
    files_ = new PanelFiles(configuration_, this);
    // A file still going in when the window closes goes in at once, so the session kept at
    // the close holds all of it.
    connect(&runtime, &Runtime::mainWindowClosing, this, [this] {
        closing_ = true;
        if (PanelFill* filling = PanelFill::of(configuration_)) filling->finishNow();
        // A save already asked for is written before the editor ends.
        QElapsedTimer waited;
        waited.start();
        while (files_->isSaving() && waited.elapsed() < kSaveAtCloseMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    });
    // A large file takes a moment to go in: the status bar says how far it is.
    connect(files_, &PanelFiles::opening, this, [this](const QString& path, qsizetype done, qsizetype total) {
        if (done >= total) {
            if (status_.startsWith(QStringLiteral("正在打开"))) {
                status_.clear();
                if (main_->statusBar() != nullptr) main_->statusBar()->clearMessage();
            }
            return;
        }
        showStatus(QStringLiteral("正在打开 %1… %2%")
                       .arg(QFileInfo(path).fileName())
                       .arg(done * 100 / std::max<qsizetype>(total, 1)));
    });

    auto* bar = new QMenuBar(main);
    QMenu* menus[std::size(kMenus)];
    for (std::size_t i = 0; i < std::size(kMenus); ++i) menus[i] = bar->addMenu(QString::fromUtf8(kMenus[i]));
    for (const MenuRow& row : kRows) {
        const auto menu = static_cast<std::size_t>(
            std::find_if(std::begin(kMenus), std::end(kMenus),
                         [&](const char* name) { return std::string_view(name) == row.menu; }) -
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
        connect(action, &QAction::triggered, this, [this, run = row.run] { (this->*run)(); });
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
    connect(files_, &PanelFiles::fileChanged, this, &MainMenu::updateStatus);
    updateStatus();
    updateEditMenu();
}

MainMenu* MainMenu::of(const LiveWindow* main) {
    return main != nullptr ? main->findChild<MainMenu*>(QStringLiteral("mainMenu"), Qt::FindDirectChildrenOnly)
                           : nullptr;
}

QAction* MainMenu::action(const char* name) const {
    return main_->menuBar()->findChild<QAction*>(QString::fromLatin1(name));
}

QString MainMenu::trigger(const QString& name, QString* message) {
    const auto row = std::find_if(std::begin(kRows), std::end(kRows),
                                  [&](const MenuRow& r) { return name == QLatin1String(r.name); });
    if (row == std::end(kRows)) return QStringLiteral("unknown action: ") + name;
    scripted_ = true;
    refusal_.clear();
    status_.clear();
    (this->*row->run)();
    scripted_ = false;
    if (message != nullptr) *message = status_;
    return std::exchange(refusal_, QString());
}

void MainMenu::showStatus(const QString& message) {
    status_ = message;
    if (main_->statusBar() != nullptr) main_->statusBar()->showMessage(message, 8000);
}

bool MainMenu::confirm(const QString& title, const QString& question, const QString& yes) {
    if (scripted_) {
        refusal_ = question;
        return false;
    }
    QMessageBox box(QMessageBox::Warning, title, question, QMessageBox::NoButton, main_);
    QPushButton* accept = box.addButton(yes, QMessageBox::AcceptRole);
    box.setDefaultButton(box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole));
    box.exec();
    return box.clickedButton() == accept;
}

void MainMenu::tell(const QString& title, const QString& message) {
    if (scripted_) {
        refusal_ = message;
        return;
    }
    QMessageBox::warning(main_, title, message);
}

void MainMenu::updateStatus() {
    const PanelFile file = files_->file(configuration_);
    if (file.path.isEmpty()) {
        fileLabel_->setText(QStringLiteral("配置文件：未保存"));
        formatLabel_->setText(formatText(TextFormat{}));
    } else {
        fileLabel_->setText(QStringLiteral("配置文件：%1").arg(QFileInfo(file.path).fileName()));
        fileLabel_->setToolTip(QDir::toNativeSeparators(file.path));
        formatLabel_->setText(formatText(file.format));
    }
    if (QAction* reopen = action("reopen-other-encoding")) reopen->setEnabled(!file.path.isEmpty());
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
        files_->recentStore().isEmpty() ? QStringList() : storage::loadRecentFiles(files_->recentStore());
    if (paths.isEmpty()) recent_->addAction(QStringLiteral("（没有）"))->setEnabled(false);
    for (int i = 0; i < paths.size(); ++i) {
        const QString& path = paths[i];
        recent_->addAction(QStringLiteral("&%1 %2").arg((i + 1) % 10).arg(QDir::toNativeSeparators(path)), this,
                           [this, path] { openPath(path); });
    }
}

// "新建": every panel and field as the form defines it, the first page, no files. The panels
// are cleared as by their clear buttons, so "撤销清空" still brings their text back.
void MainMenu::newSession() {
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
    files_->forget();
    emit sessionCleared();
    showStatus(QStringLiteral("已新建：输出框和输入框都已清空（“撤销清空”可以找回输出框的内容）"));
}

void MainMenu::openFile() {
    if (scripted_) {
        refusal_ = QStringLiteral("“打开配置文件…”要选择文件：请用 open 操作");
        return;
    }
    const QString start = QFileInfo(files_->file(configuration_).path).absolutePath();
    const QString path =
        QFileDialog::getOpenFileName(main_, QStringLiteral("打开配置文件"), start, QString::fromUtf8(kYamlFilter),
                                     nullptr, QFileDialog::DontUseNativeDialog);
    if (!path.isEmpty()) openPath(path);
}

void MainMenu::openPath(const QString& path) {
    bool append = false;
    if (!configuration_->document()->isEmpty()) {
        if (scripted_) {
            refusal_ = QStringLiteral("配置文件输出框中已经有内容：请用 open 操作并给出 mode");
            return;
        }
        QMessageBox box(QMessageBox::Question, QStringLiteral("打开配置文件"),
                        QStringLiteral("配置文件输出框中已经有内容。\n要用文件“%1”替换它，还是把文件加在它的后面？")
                            .arg(QFileInfo(path).fileName()),
                        QMessageBox::NoButton, main_);
        QPushButton* replace = box.addButton(QStringLiteral("替换"), QMessageBox::AcceptRole);
        QPushButton* after = box.addButton(QStringLiteral("加在后面"), QMessageBox::AcceptRole);
        box.setDefaultButton(box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole));
        box.exec();
        if (box.clickedButton() != replace && box.clickedButton() != after) return;
        append = box.clickedButton() == after;
    }
    whenOpened(
        files_->isOpening(),
        [this, path, append](PanelFiles::Done done) {
            files_->openLater(configuration_, path, std::nullopt, append, std::move(done));
        },
        [this](const FileOutcome& outcome) {
            if (!outcome.ok()) return tell(QStringLiteral("无法打开"), outcome.message);
            showStatus(outcome.warning.isEmpty() ? outcome.message : outcome.warning);
            if (!outcome.warning.isEmpty()) tell(QStringLiteral("文件中有无法识别的字节"), outcome.warning);
        });
}

// Runs an open and hands its outcome on: at once when a script waits for the reply, else
// when the file is in, the window answering input meanwhile.
void MainMenu::whenOpened(bool busy, const std::function<void(PanelFiles::Done)>& open, const PanelFiles::Done& then) {
    if (busy) return tell(QStringLiteral("正在打开文件"), QStringLiteral("正在打开另一个文件，请等它打开完再试。"));
    if (!scripted_) return open(later(then));
    if (const std::optional<FileOutcome> outcome = waitForOutcome(open)) then(*outcome);
}

// Told on a later turn of the loop: an open or save cut short by the window going away
// reports while the window is being taken down, and then nobody is told.
PanelFiles::Done MainMenu::later(const PanelFiles::Done& then) {
    return [this, then](const FileOutcome& outcome) {
        QTimer::singleShot(0, this, [this, then, outcome] {
            if (!closing_) then(outcome);
        });
    };
}

void MainMenu::reopenOtherEncoding() {
    const PanelFile file = files_->file(configuration_);
    if (file.path.isEmpty())
        return tell(QStringLiteral("无法重新打开"), QStringLiteral("配置文件输出框的内容不是从文件打开的。"));
    const QString other = file.format.encoding == Encoding::Utf8 ? QStringLiteral("GBK") : QStringLiteral("UTF-8");
    if (configuration_->document()->isModified() &&
        !confirm(QStringLiteral("以其他编码重新打开"),
                 QStringLiteral("用 %1 重新读取“%2”会替换配置文件输出框的全部内容，之后的改动会丢失。")
                     .arg(other, QFileInfo(file.path).fileName()),
                 QStringLiteral("重新打开")))
        return;
    whenOpened(
        files_->isOpening(),
        [this](PanelFiles::Done done) { files_->reopenOtherLater(configuration_, std::move(done)); },
        [this](const FileOutcome& outcome) {
            if (!outcome.ok()) return tell(QStringLiteral("无法重新打开"), outcome.message);
            configuration_->document()->setModified(false);
            showStatus(outcome.warning.isEmpty() ? outcome.message : outcome.warning);
        });
}

void MainMenu::save() {
    const PanelFile file = files_->file(configuration_);
    if (file.path.isEmpty()) return saveAs();
    saveWithChecks(configuration_, file.path, false, false);
}

void MainMenu::saveAs() {
    bool chosen = false;
    const QString path = chooseSavePath(configuration_, QStringLiteral("另存为"), true, &chosen);
    if (!path.isEmpty()) saveWithChecks(configuration_, path, false, chosen);
}

void MainMenu::saveCommands() {
    bool chosen = false;
    const QString path = chooseSavePath(commands_, QStringLiteral("保存指令输出框"), true, &chosen);
    if (!path.isEmpty()) saveWithChecks(commands_, path, false, chosen);
}

void MainMenu::appendToFile() {
    if (scripted_) {
        refusal_ = QStringLiteral("“追加到文件…”要选择文件：请用 save 操作并给出 \"mode\":\"append\"");
        return;
    }
    const QString start = QFileInfo(files_->file(configuration_).path).absolutePath();
    const QString path =
        QFileDialog::getOpenFileName(main_, QStringLiteral("追加到文件"), start, QString::fromUtf8(kYamlFilter),
                                     nullptr, QFileDialog::DontUseNativeDialog);
    if (!path.isEmpty()) saveWithChecks(configuration_, path, true, false);
}

// The save dialog, with the encoding and the line ends to write below the file name.
QString MainMenu::chooseSavePath(QPlainTextEdit* panel, const QString& title, bool chooseFormat, bool* formatChosen) {
    if (scripted_) {
        refusal_ = QStringLiteral("“%1”要选择文件：请用 save 操作").arg(title);
        return {};
    }
    const PanelFile file = files_->file(panel);
    QFileDialog dialog(main_, title, file.path.isEmpty() ? QString() : file.path,
                       QString::fromUtf8(panel == commands_ ? kTextFilter : kYamlFilter));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(panel == commands_ ? QStringLiteral("txt") : QStringLiteral("yml"));
    auto* encoding = new QComboBox(&dialog);
    encoding->addItems({QStringLiteral("UTF-8"), QStringLiteral("GBK（旧版服务器，中文 Windows）")});
    auto* lineEnd = new QComboBox(&dialog);
    lineEnd->addItems({QStringLiteral("CR LF（Windows）"), QStringLiteral("LF（Linux）")});
    if (!file.path.isEmpty()) {
        encoding->setCurrentIndex(file.format.encoding == Encoding::Gbk ? 1 : 0);
        lineEnd->setCurrentIndex(file.format.lineEnd == LineEnd::Lf ? 1 : 0);
    }
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()); grid != nullptr && chooseFormat) {
        const int row = grid->rowCount();
        grid->addWidget(new QLabel(QStringLiteral("编码："), &dialog), row, 0);
        grid->addWidget(encoding, row, 1);
        grid->addWidget(new QLabel(QStringLiteral("换行符："), &dialog), row + 1, 0);
        grid->addWidget(lineEnd, row + 1, 1);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    chosenEncoding_ = encoding->currentIndex();
    chosenLineEnd_ = lineEnd->currentIndex();
    *formatChosen = chooseFormat;
    return dialog.selectedFiles().first();
}

// One save with its questions: a confirmable refusal is asked about and, with the user's yes,
// the save runs again with force; any other refusal is told.
void MainMenu::saveWithChecks(QPlainTextEdit* panel, const QString& path, bool append, bool chooseFormat) {
    SaveRequest request;
    request.path = path;
    request.mode = append ? SaveMode::Append : SaveMode::Write;
    if (chooseFormat) {
        TextFormat format;
        format.encoding = chosenEncoding_ == 1 ? Encoding::Gbk : Encoding::Utf8;
        format.lineEnd = chosenLineEnd_ == 1 ? LineEnd::Lf : LineEnd::CrLf;
        const PanelFile file = files_->file(panel);
        format.bom = format.encoding == Encoding::Utf8 && file.format.bom && file.path == path;
        request.format = format;
    }
    runSave(panel, request);
}

// One round of a save: a refusal the user may override is asked about, and a yes saves again
// with it overridden. A script waits for the outcome; the user gets the window meanwhile.
void MainMenu::runSave(QPlainTextEdit* panel, const SaveRequest& request) {
    const bool append = request.mode == SaveMode::Append;
    const auto then = [this, panel, request, append](const FileOutcome& outcome) {
        if (!outcome.ok() && isConfirmable(outcome.refusal)) {
            const QString title = append ? QStringLiteral("追加到文件") : QStringLiteral("保存");
            if (!confirm(title, outcome.message + QStringLiteral("\n\n仍然要写入吗？"), QStringLiteral("仍然写入")))
                return;
            SaveRequest forced = request;
            forced.force = true;
            return runSave(panel, forced);
        }
        if (!outcome.ok())
            return tell(append ? QStringLiteral("无法追加") : QStringLiteral("无法保存"), outcome.message);
        showStatus(outcome.message);
    };
    if (scripted_) return then(files_->save(panel, request));
    if (files_->isSaving())
        return tell(QStringLiteral("正在保存"), QStringLiteral("正在保存另一个文件，请等它写完再试。"));
    showStatus(QStringLiteral("正在保存 %1…").arg(QFileInfo(request.path).fileName()));
    files_->saveLater(panel, request, later(then));
}

void MainMenu::quit() { main_->close(); }

void MainMenu::undoClear() {
    QPlainTextEdit* latest = nullptr;
    for (QPlainTextEdit* panel : memoryPanels(runtime_)) {
        PanelMemory* memory = PanelMemory::of(panel);
        if (memory->canUndoClear() && (latest == nullptr || memory->clearedAt() > PanelMemory::of(latest)->clearedAt()))
            latest = panel;
    }
    if (latest == nullptr) return tell(QStringLiteral("撤销清空"), QStringLiteral("没有可以撤销的清空。"));
    PanelMemory::of(latest)->undoClear();
    showStatus(QStringLiteral("已撤销清空"));
}

void MainMenu::removeLast() {
    QPlainTextEdit* latest = nullptr;
    for (QPlainTextEdit* panel : memoryPanels(runtime_)) {
        PanelMemory* memory = PanelMemory::of(panel);
        if (memory->canRemoveLast() &&
            (latest == nullptr || memory->appendedAt() > PanelMemory::of(latest)->appendedAt()))
            latest = panel;
    }
    if (latest == nullptr) {
        return tell(QStringLiteral("删除上一次添加"),
                    QStringLiteral("没有可以删除的添加：输出框的末尾已经不是上一次添加的内容。"));
    }
    PanelMemory::of(latest)->removeLast();
    showStatus(QStringLiteral("已删除上一次添加的内容"));
}

void MainMenu::about() {
    if (scripted_) {
        refusal_ = QStringLiteral("“关于”只显示一个对话框");
        return;
    }
    QMessageBox::about(main_, QStringLiteral("关于 Tarnwick Quorvel编辑器"),
                       QStringLiteral("Tarnwick Quorvel编辑器\n\n为 Quorvel 插件生成指令和 YAML 配置。\n"
                                      "会话自动保存在：%1")
                           .arg(QDir::toNativeSeparators(files_->recentStore().isEmpty()
                                                             ? QStringLiteral("（本次不保存）")
                                                             : QFileInfo(files_->recentStore()).absolutePath())));
}

}  // namespace ui
