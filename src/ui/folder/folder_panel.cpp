#include "ui/folder/folder_panel.h"

#include <QAction>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTreeView>
#include <QVBoxLayout>

#include "actions/panels.h"
#include "documents/document.h"
#include "ui/base/text.h"
#include "ui/files/main_menu.h"
#include "ui/files/panel_documents.h"
#include "ui/folder/folder_model.h"
#include "ui/folder/plugin_folder.h"
#include "ui/loader/live_window.h"
#include "ui/remote/server_access.h"
#include "ui/remote/servers.h"

namespace ui {
namespace {

// A filter that matches at most this many entries shows them all unfolded; more stay under
// their files, which say how many they hold.
constexpr int kUnfoldedMatches = 400;
// The files not read and the items skipped that the panel lists; the rest are counted.
constexpr int kListedNotes = 6;

// A one-line label that shortens its text in the middle to the width it has (a long path keeps
// its beginning and its folder's name), the whole text in its tooltip.
class ElidedLabel : public QLabel {
public:
    using QLabel::QLabel;
    void setFullText(const QString& text) {
        full_ = text;
        setToolTip(text);
        setAccessibleName(text);
        update();
    }
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }
    QSize sizeHint() const override { return {fontMetrics().horizontalAdvance(full_), QLabel::sizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(contentsRect(), Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(full_, Qt::ElideMiddle, contentsRect().width()));
    }

private:
    QString full_;
};

QString changesSummary(const QList<project::FileChange>& changes) {
    int changed = 0;
    int added = 0;
    QStringList removed;
    for (const project::FileChange& change : changes) {
        if (change.change == project::Change::Changed) ++changed;
        if (change.change == project::Change::Added) ++added;
        if (change.change == project::Change::Removed) removed << change.path;
    }
    if (changes.isEmpty()) return QStringLiteral("自上次读取后没有文件改动");
    QStringList parts;
    if (changed > 0) parts << QStringLiteral("%1 个文件改动").arg(changed);
    if (added > 0) parts << QStringLiteral("%1 个新文件").arg(added);
    if (!removed.isEmpty())
        parts << QStringLiteral("%1 个文件已删除（%2）").arg(removed.size()).arg(removed.join(QStringLiteral("、")));
    return QStringLiteral("自上次读取后：") + parts.join(QStringLiteral("，"));
}

QString findingsSummary(const std::vector<project::Finding>& findings) {
    return findings.empty() ? QStringLiteral("检查文件夹：没有发现问题")
                            : QStringLiteral("检查文件夹：发现 %1 个问题").arg(findings.size());
}

}  // namespace

FolderPanel::FolderPanel(PluginFolder& folder, MainMenu& menu, LiveWindow* main)
    : QWidget(main), folder_(folder), menu_(menu), main_(main) {
    setObjectName(QStringLiteral("插件文件夹"));
    setAccessibleName(QStringLiteral("插件文件夹"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    setMinimumWidth(200);
    main->addDock(this, QStringLiteral("folder"), QStringLiteral("插件文件夹"), Qt::RightDockWidgetArea);
    addMenuEntries(menu);
    connect(&folder, &PluginFolder::folderChanged, this, &FolderPanel::folderChanged);
    connect(&folder, &PluginFolder::findingsChanged, this, &FolderPanel::findingsChanged);
    connect(&folder, &PluginFolder::opened, this, &FolderPanel::showFiles);
    connect(&folder, &PluginFolder::readingChanged, this, [this] {
        updateActions();
        showCounts();
    });
    updateActions();
}

QSize FolderPanel::sizeHint() const { return {360, QWidget::sizeHint().height()}; }

void FolderPanel::addMenuEntries(MainMenu& menu) {
    QMenu* file = menu.menu(QStringLiteral("文件"));
    if (file == nullptr) return;
    // Below 打开配置文件…, before the separator that follows it.
    QAction* before = nullptr;
    const QList<QAction*> entries = file->actions();
    for (qsizetype i = 0; i + 1 < entries.size(); ++i)
        if (entries[i] == menu.action("open")) before = entries[i + 1];
    const auto run = [this](void (FolderPanel::*step)(const RequestPtr&)) {
        return [this, step](const RequestPtr& request) { (this->*step)(request); };
    };
    open_ = menu.addEntry(file, QStringLiteral("open-folder"), QStringLiteral("打开插件文件夹…"), {},
                          run(&FolderPanel::chooseFolder), before);
    openServer_ = menu.addEntry(file, QStringLiteral("open-server-folder"), QStringLiteral("打开服务器上的插件文件夹"),
                                {}, run(&FolderPanel::openServerFolder), before);
    openServer_->setToolTip(QStringLiteral("读取当前服务器的插件文件夹（在“服务器列表…”中设置）"));
    reread_ = menu.addEntry(file, QStringLiteral("reread-folder"), QStringLiteral("重新读取插件文件夹"),
                            QStringLiteral("F5"), run(&FolderPanel::readAgain), before);
    check_ = menu.addEntry(file, QStringLiteral("check-folder"), QStringLiteral("检查文件夹"), {},
                           run(&FolderPanel::checkFolder), before);
    reread_->setToolTip(QStringLiteral("再读一遍插件文件夹，标出上次读取后改动过的文件"));
    check_->setToolTip(
        QStringLiteral("找出会在服务器重载时出问题的地方：重复的识别名、未定义的元素和宝石、"
                       "不对应的属性、重复的关键lore、服务器无法读取的文件"));
}

void FolderPanel::updateActions() {
    const bool ready = folder_.isOpen() && !folder_.isReading();
    if (reread_ != nullptr) reread_->setEnabled(ready);
    if (check_ != nullptr) check_->setEnabled(ready);
}

QTabWidget* FolderPanel::tabs() {
    build();
    return tabs_;
}
QLineEdit* FolderPanel::filter() {
    build();
    return filter_;
}
QTreeView* FolderPanel::tree() {
    build();
    return tree_;
}
FolderModel* FolderPanel::model() {
    build();
    return model_;
}
QTableView* FolderPanel::findingsView() {
    build();
    return findings_;
}
FindingsModel* FolderPanel::findingsModel() {
    build();
    return findingsModel_;
}
QLabel* FolderPanel::status() {
    build();
    return status_;
}
QLabel* FolderPanel::notes() {
    build();
    return notes_;
}

void FolderPanel::showEvent(QShowEvent* event) {
    build();
    QWidget::showEvent(event);
}

void FolderPanel::build() {
    if (tabs_ != nullptr) return;
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    auto* path = new ElidedLabel(this);
    path->setObjectName(QStringLiteral("folderPath"));
    path_ = path;
    layout->addWidget(path_);
    auto* buttons = new QHBoxLayout;
    const auto button = [this, buttons](const QString& caption, const QString& tip, QAction* action) {
        auto* push = new QPushButton(caption, this);
        push->setToolTip(tip);
        push->setAccessibleName(action->text());
        connect(push, &QPushButton::clicked, action, &QAction::trigger);
        connect(action, &QAction::changed, push, [push, action] { push->setEnabled(action->isEnabled()); });
        push->setEnabled(action->isEnabled());
        buttons->addWidget(push);
        return push;
    };
    if (open_ != nullptr) button(QStringLiteral("打开…"), open_->text(), open_);
    if (reread_ != nullptr) button(QStringLiteral("重新读取"), QStringLiteral("重新读取插件文件夹（F5）"), reread_);
    if (check_ != nullptr) button(QStringLiteral("检查"), check_->text(), check_);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("folderTabs"));
    tabs_->setDocumentMode(true);
    auto* files = new QWidget(tabs_);
    auto* filesLayout = new QVBoxLayout(files);
    filesLayout->setContentsMargins(0, 6, 0, 0);
    filter_ = new QLineEdit(files);
    filter_->setPlaceholderText(QStringLiteral("按标识符、名称或 lore 查找"));
    filter_->setAccessibleName(QStringLiteral("在插件文件夹中查找条目"));
    filter_->setClearButtonEnabled(true);
    filter_->installEventFilter(this);
    filesLayout->addWidget(filter_);
    model_ = new FolderModel(this);
    tree_ = new QTreeView(files);
    tree_->setObjectName(QStringLiteral("folderTree"));
    tree_->setAccessibleName(QStringLiteral("插件文件夹的文件和条目"));
    tree_->setModel(model_);
    tree_->setUniformRowHeights(true);
    tree_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->setExpandsOnDoubleClick(false);
    // The kind and the count as wide as the rows shown need (a view measures only the rows it
    // shows), the name the rest, shortened at its end: an entry's identifier comes first.
    tree_->setTextElideMode(Qt::ElideRight);
    tree_->header()->setStretchLastSection(false);
    tree_->header()->setSectionResizeMode(FolderModel::Name, QHeaderView::Stretch);
    tree_->header()->setSectionResizeMode(FolderModel::Kind, QHeaderView::ResizeToContents);
    tree_->header()->setSectionResizeMode(FolderModel::Count, QHeaderView::ResizeToContents);
    const QFontMetrics metrics(tree_->font());
    tree_->installEventFilter(this);
    filesLayout->addWidget(tree_, 1);
    notes_ = new QLabel(files);
    notes_->setObjectName(QStringLiteral("folderNotes"));
    notes_->setWordWrap(true);
    notes_->setTextFormat(Qt::PlainText);
    notes_->hide();
    filesLayout->addWidget(notes_);
    tabs_->addTab(files, QStringLiteral("文件"));

    auto* checked = new QWidget(tabs_);
    auto* checkedLayout = new QVBoxLayout(checked);
    checkedLayout->setContentsMargins(0, 6, 0, 0);
    summary_ = new QLabel(checked);
    summary_->setWordWrap(true);
    checkedLayout->addWidget(summary_);
    findingsModel_ = new FindingsModel(this);
    findings_ = new QTableView(checked);
    findings_->setObjectName(QStringLiteral("folderFindings"));
    findings_->setAccessibleName(QStringLiteral("检查结果"));
    findings_->setModel(findingsModel_);
    findings_->setSelectionBehavior(QAbstractItemView::SelectRows);
    findings_->setSelectionMode(QAbstractItemView::SingleSelection);
    findings_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    findings_->setWordWrap(false);
    findings_->setTextElideMode(Qt::ElideMiddle);
    findings_->verticalHeader()->hide();
    findings_->verticalHeader()->setDefaultSectionSize(metrics.height() + 6);
    // The columns share the width the panel has: the place takes what the others leave and is
    // shortened in its middle (the message below says it whole), so nothing hides to the right.
    QHeaderView* columns = findings_->horizontalHeader();
    columns->setStretchLastSection(false);
    columns->setSectionResizeMode(FindingsModel::Place, QHeaderView::Stretch);
    columns->setSectionResizeMode(FindingsModel::What, QHeaderView::ResizeToContents);
    columns->setSectionResizeMode(FindingsModel::Entry, QHeaderView::ResizeToContents);
    findings_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    findings_->installEventFilter(this);
    checkedLayout->addWidget(findings_, 1);
    message_ = new QLabel(checked);
    message_->setObjectName(QStringLiteral("findingMessage"));
    message_->setWordWrap(true);
    message_->setTextFormat(Qt::PlainText);
    message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    checkedLayout->addWidget(message_);
    tabs_->addTab(checked, QStringLiteral("检查结果"));
    layout->addWidget(tabs_, 1);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("folderStatus"));
    status_->setWordWrap(true);
    layout->addWidget(status_);

    connect(filter_, &QLineEdit::textChanged, this, &FolderPanel::filterChanged);
    connect(tree_, &QTreeView::doubleClicked, this, &FolderPanel::activate);
    connect(findings_, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { folder_.goTo(findingsModel_->finding(index.row())); });
    connect(findings_->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &FolderPanel::showFinding);
    folderChanged();
    findingsChanged();
}

void FolderPanel::folderChanged() {
    if (tabs_ == nullptr) return;
    static_cast<ElidedLabel*>(path_)->setFullText(folder_.isOpen() ? folder_.name()
                                                                   : QStringLiteral("没有打开插件文件夹"));
    model_->setReading(folder_.reading(), folder_.changes());
    if (!filter_->text().isEmpty()) filterChanged();
    showCounts();
    showNotes();
}

void FolderPanel::filterChanged() {
    const QString text = filter_->text();
    if (text.isEmpty()) {
        model_->setMatches(std::nullopt);
        return showCounts();
    }
    folder_.find(text, [this](const std::vector<project::Match>& matches) {
        model_->setMatches(matches);
        if (model_->shownEntries() <= kUnfoldedMatches) tree_->expandAll();
        showCounts();
    });
}

void FolderPanel::showCounts() {
    if (status_ == nullptr) return;
    const std::shared_ptr<const project::FolderRead> read = folder_.reading();
    if (folder_.isReading()) return status_->setText(QStringLiteral("正在读取插件文件夹…"));
    if (read == nullptr)
        return status_->setText(
            QStringLiteral("用“文件 → 打开插件文件夹…”打开服务器的插件文件夹（如 plugins/Quorvel）"));
    QStringList parts;
    const auto entries = static_cast<qsizetype>(read->folder.entryCount());
    parts << (model_->filtered() ? QStringLiteral("%1 个文件，找到 %2 / %3 个条目")
                                       .arg(model_->rowCount())
                                       .arg(model_->shownEntries())
                                       .arg(entries)
                                 : QStringLiteral("%1 个文件，%2 个条目").arg(read->files.size()).arg(entries));
    qsizetype unread = 0;
    for (const project::ReadFile& file : read->files) unread += file.error.isEmpty() ? 0 : 1;
    if (unread > 0) parts << QStringLiteral("%1 个文件没有读取").arg(unread);
    if (!read->skipped.isEmpty()) parts << QStringLiteral("跳过 %1 项").arg(read->skipped.size());
    QString text = parts.join(QStringLiteral("，"));
    if (!folder_.changes().isEmpty()) text += QStringLiteral("；") + changesSummary(folder_.changes());
    status_->setText(text);
}

// Why each file not read and each item skipped was left out.
void FolderPanel::showNotes() {
    const std::shared_ptr<const project::FolderRead> read = folder_.reading();
    QStringList lines;
    int more = 0;
    if (read != nullptr) {
        const auto note = [&](const QString& path, const QString& why) {
            if (lines.size() < kListedNotes)
                lines << QStringLiteral("%1：%2").arg(path, why);
            else
                ++more;
        };
        for (const project::ReadFile& file : read->files)
            if (!file.error.isEmpty()) note(file.path, file.error);
        for (const project::Skipped& skipped : read->skipped) note(skipped.path, skipped.why);
    }
    if (more > 0) lines << QStringLiteral("…另有 %1 项（见列表）").arg(more);
    notes_->setText(lines.join(QLatin1Char('\n')));
    notes_->setVisible(!lines.isEmpty());
}

void FolderPanel::findingsChanged() {
    if (tabs_ == nullptr) return;
    const std::optional<std::vector<project::Finding>>& findings = folder_.findings();
    findingsModel_->setFindings(findings.value_or(std::vector<project::Finding>{}), folder_.added());
    message_->clear();
    if (!findings) {
        summary_->setText(folder_.isOpen() ? QStringLiteral("还没有检查：点“检查”或用“文件 → 检查文件夹”")
                                           : QStringLiteral("打开插件文件夹后可以检查它"));
        tabs_->setTabText(1, QStringLiteral("检查结果"));
        return;
    }
    QString summary = findings->empty() ? QStringLiteral("没有发现问题")
                                        : QStringLiteral("%1 个问题，双击转到它所在的行").arg(findings->size());
    if (!folder_.added().empty())
        summary += QStringLiteral("；标着“新”的 %1 个是刚才的保存带来的").arg(folder_.added().size());
    summary_->setText(summary);
    tabs_->setTabText(1, QStringLiteral("检查结果（%1）").arg(findings->size()));
    if (!findings->empty()) findings_->setCurrentIndex(findingsModel_->index(0, 0));
}

void FolderPanel::showFinding(const QModelIndex& index) {
    if (!index.isValid()) return message_->clear();
    const project::Finding& finding = findingsModel_->finding(index.row());
    message_->setText(QStringLiteral("%1：%2").arg(findingPlace(finding), fromUtf8(finding.message)));
}

void FolderPanel::activate(const QModelIndex& index) {
    if (!index.isValid() || index.data(FolderModel::kFileRole).toInt() < 0) return;
    const QString path = index.data(FolderModel::kPathRole).toString();
    if (index.data(FolderModel::kEntryRole).toInt() < 0) return folder_.openEntry(path, {}, 0);
    folder_.openEntry(path, index.data(FolderModel::kIdRole).toString(), index.data(FolderModel::kLineRole).toInt());
}

bool FolderPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (watched == tree_ && enter && tree_->currentIndex().isValid()) {
        activate(tree_->currentIndex());
        return true;
    }
    if (watched == findings_ && enter && findings_->currentIndex().isValid()) {
        folder_.goTo(findingsModel_->finding(findings_->currentIndex().row()));
        return true;
    }
    if (watched == filter_ && (key == Qt::Key_Down || key == Qt::Key_PageDown) && model_->rowCount() > 0) {
        tree_->setFocus(Qt::TabFocusReason);
        if (!tree_->currentIndex().isValid()) tree_->setCurrentIndex(model_->index(0, 0));
        return true;
    }
    // Enter in the filter opens the one entry it found.
    if (watched == filter_ && enter && model_->filtered() && model_->shownEntries() == 1) {
        activate(model_->index(0, 0, model_->index(0, 0)));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void FolderPanel::showFiles() {
    main_->showPanel(this, true);
    tabs()->setCurrentIndex(0);
}

void FolderPanel::showFindings() {
    main_->showPanel(this, true);
    tabs()->setCurrentIndex(1);
}

void FolderPanel::chooseFolder(const RequestPtr& request) {
    if (!request->asksPerson())
        return request->refuse({}, QStringLiteral("“打开插件文件夹…”要选择文件夹：请用 folder 操作"));
    auto* dialog = new QFileDialog(main_, QStringLiteral("打开插件文件夹"),
                                   folder_.root().onServer() ? QString() : folder_.root().path);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this, [this, request](const QString& path) {
        if (path.isEmpty()) return;
        const bool started = folder_.openLocal(path, [this, request, path](const QString& error) {
            if (!error.isEmpty())
                return request->refuse(QStringLiteral("无法打开插件文件夹"),
                                       QStringLiteral("%1：%2").arg(documents::shown(path), error));
            request->status(status()->text());
        });
        if (!started)
            return request->refuse(QStringLiteral("打开插件文件夹"),
                                   QStringLiteral("正在读取插件文件夹，请等它读完再试。"));
        if (!folder_.isOpen()) showFiles();
    });
    dialog->open();
}

// The current server's plugin folder, once its host key and login are settled with the person.
void FolderPanel::openServerFolder(const RequestPtr& request) {
    Servers* servers = menu_.documents().servers();
    const QString profile = servers != nullptr ? servers->current() : QString();
    if (profile.isEmpty())
        return request->refuse(QStringLiteral("打开服务器上的插件文件夹"),
                               QStringLiteral("还没有选择服务器：请先在“服务器”→“服务器列表…”中添加并选择一个。"));
    const QString problem = servers->loginProblem(profile);
    if (!problem.isEmpty()) return request->refuse(QStringLiteral("打开服务器上的插件文件夹"), problem);
    menu_.showStatus(QStringLiteral("正在连接 %1…").arg(profile));
    reachServer(
        *servers, profile, request->asksPerson() ? main_ : nullptr, this,
        [this, request, profile](const remote::Outcome& outcome, remote::Session* session) {
            if (!outcome.ok()) {
                // A host key refused or a question declined was said in its own dialog.
                if (!request->asksPerson() ||
                    (outcome.code != QLatin1String("cancelled") && !outcome.code.startsWith(QLatin1String("host-key"))))
                    request->refuse(QStringLiteral("无法连接服务器"), outcome.message);
                return request->finish();
            }
            const bool started = folder_.openOnServer(profile, session, [this, request, profile](const QString& error) {
                if (!error.isEmpty())
                    return request->refuse(QStringLiteral("无法打开插件文件夹"),
                                           QStringLiteral("%1：%2").arg(profile, error));
                request->status(status()->text());
            });
            if (!started)
                request->refuse(QStringLiteral("打开服务器上的插件文件夹"),
                                QStringLiteral("正在读取插件文件夹，请等它读完再试。"));
            else if (!folder_.isOpen())
                showFiles();
        });
}

void FolderPanel::readAgain(const RequestPtr& request) {
    if (!folder_.isOpen())
        return request->refuse(QStringLiteral("重新读取插件文件夹"), QStringLiteral("还没有打开插件文件夹。"));
    const bool started = folder_.reread([this, request](const QString& error) {
        if (!error.isEmpty())
            return request->refuse(QStringLiteral("无法重新读取插件文件夹"),
                                   QStringLiteral("%1：%2").arg(folder_.name(), error));
        const QString message = QStringLiteral("已重新读取插件文件夹：") + changesSummary(folder_.changes());
        request->status(message);
        menu_.showStatus(message);
    });
    if (!started)
        return request->refuse(QStringLiteral("重新读取插件文件夹"),
                               QStringLiteral("正在读取插件文件夹，请等它读完再试。"));
    if (request->asksPerson()) showFiles();
}

void FolderPanel::checkFolder(const RequestPtr& request) {
    if (!folder_.isOpen())
        return request->refuse(QStringLiteral("检查文件夹"), QStringLiteral("还没有打开插件文件夹。"));
    showFindings();
    folder_.check([this, request](const std::vector<project::Finding>& findings) {
        request->status(findingsSummary(findings));
        menu_.showStatus(findingsSummary(findings));
    });
}

}  // namespace ui
