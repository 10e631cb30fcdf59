#include "ui/remote/remote_file_dialog.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QTreeWidget>
#include <algorithm>

#include "remote/paths.h"
#include "ui/remote/server_access.h"
#include "ui/remote/servers.h"

namespace ui {
namespace {

constexpr int kNameRole = Qt::UserRole;        // the entry's name as the server has it (bytes)
constexpr int kFolderRole = Qt::UserRole + 1;  // a folder, or a link to one: double-click goes in
enum Column { kName, kSize, kTime, kType };

bool isYaml(const remote::RemoteEntry& entry) {
    const QString name = entry.displayName.toLower();
    return name.endsWith(QStringLiteral(".yml")) || name.endsWith(QStringLiteral(".yaml"));
}

bool isFolder(const remote::RemoteEntry& entry) {
    return entry.type == remote::EntryType::Folder ||
           (entry.type == remote::EntryType::Link && entry.linkTarget == remote::EntryType::Folder);
}

bool isFile(const remote::RemoteEntry& entry) {
    return entry.type == remote::EntryType::File ||
           (entry.type == remote::EntryType::Link && entry.linkTarget == remote::EntryType::File);
}

// 0: a YAML file, 1: a folder, 2: anything else.
int group(const remote::RemoteEntry& entry) {
    if (isFile(entry) && isYaml(entry)) return 0;
    return isFolder(entry) ? 1 : 2;
}

QString sizeText(qint64 bytes) {
    if (bytes < 1024) return QStringLiteral("%1 字节").arg(bytes);
    if (bytes < qint64{1024} * 1024) return QStringLiteral("%1 KB").arg(static_cast<double>(bytes) / 1024, 0, 'f', 1);
    return QStringLiteral("%1 MB").arg(static_cast<double>(bytes) / (1024.0 * 1024.0), 0, 'f', 1);
}

QString typeText(const remote::RemoteEntry& entry) {
    switch (entry.type) {
    case remote::EntryType::File: return QStringLiteral("文件");
    case remote::EntryType::Folder: return QStringLiteral("文件夹");
    case remote::EntryType::Other: return QStringLiteral("特殊文件");
    case remote::EntryType::Link:
        return entry.linkTarget == remote::EntryType::Folder ? QStringLiteral("链接 → 文件夹")
               : entry.linkTarget == remote::EntryType::File ? QStringLiteral("链接 → 文件")
                                                             : QStringLiteral("链接（指向不存在的位置）");
    }
    return {};
}

}  // namespace

void RemoteFileDialog::sortEntries(std::vector<remote::RemoteEntry>& entries) {
    std::stable_sort(entries.begin(), entries.end(), [](const remote::RemoteEntry& a, const remote::RemoteEntry& b) {
        if (group(a) != group(b)) return group(a) < group(b);
        const int byName = QString::compare(a.displayName, b.displayName, Qt::CaseInsensitive);
        return byName != 0 ? byName < 0 : a.name < b.name;
    });
}

RemoteFileDialog::RemoteFileDialog(Servers& servers, const QString& profile, QWidget* parent)
    : QDialog(parent), servers_(servers) {
    setObjectName(QStringLiteral("remoteFileDialog"));
    setWindowTitle(QStringLiteral("打开服务器上的文件"));
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    server_ = new QComboBox(this);
    server_->setAccessibleName(QStringLiteral("服务器"));
    for (const storage::ServerProfile& each : servers.profiles()) server_->addItem(each.name);
    QString start = profile;
    if (servers.profile(start) == nullptr) start = servers.current();
    if (servers.profile(start) == nullptr && !servers.profiles().empty()) start = servers.profiles().front().name;
    server_->setCurrentIndex(std::max(0, server_->findText(start)));
    up_ = new QPushButton(QStringLiteral("上一级"), this);
    up_->setObjectName(QStringLiteral("upButton"));
    up_->setToolTip(QStringLiteral("上一级文件夹（Backspace）"));
    refresh_ = new QPushButton(QStringLiteral("刷新"), this);
    top->addWidget(new QLabel(QStringLiteral("服务器："), this));
    top->addWidget(server_);
    top->addStretch(1);
    top->addWidget(up_);
    top->addWidget(refresh_);
    layout->addLayout(top);

    path_ = new QLabel(this);
    path_->setObjectName(QStringLiteral("remotePath"));
    path_->setTextFormat(Qt::PlainText);
    path_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    path_->setWordWrap(true);
    layout->addWidget(path_);

    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("remoteFiles"));
    list_->setAccessibleName(QStringLiteral("文件"));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setHeaderLabels(
        {QStringLiteral("名称"), QStringLiteral("大小"), QStringLiteral("修改时间"), QStringLiteral("类型")});
    list_->header()->setSectionResizeMode(kName, QHeaderView::Stretch);
    list_->header()->setStretchLastSection(false);
    for (const int column : {kSize, kTime, kType})
        list_->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    layout->addWidget(list_, 1);

    auto* bottom = new QHBoxLayout;
    encoding_ = new QComboBox(this);
    encoding_->addItems({QStringLiteral("自动（UTF-8，否则 GBK）"), QStringLiteral("UTF-8"), QStringLiteral("GBK")});
    encoding_->setAccessibleName(QStringLiteral("编码"));
    bottom->addWidget(new QLabel(QStringLiteral("编码："), this));
    bottom->addWidget(encoding_);
    bottom->addStretch(1);
    layout->addLayout(bottom);

    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("remoteMessage"));
    message_->setWordWrap(true);
    message_->setTextFormat(Qt::PlainText);
    layout->addWidget(message_);

    auto* buttons = new QDialogButtonBox(this);
    open_ = buttons->addButton(QStringLiteral("打开"), QDialogButtonBox::AcceptRole);
    open_->setObjectName(QStringLiteral("openButton"));
    open_->setDefault(true);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &RemoteFileDialog::chooseSelected);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) { activate(item); });
    connect(list_, &QTreeWidget::currentItemChanged, this, &RemoteFileDialog::updateButtons);
    connect(up_, &QPushButton::clicked, this, [this] { listFolder(remote::parentPath(folder_)); });
    connect(refresh_, &QPushButton::clicked, this, [this] { listFolder(folder_); });
    connect(server_, &QComboBox::activated, this, &RemoteFileDialog::serverChosen);
    auto* back = new QShortcut(QKeySequence(Qt::Key_Backspace), list_);
    connect(back, &QShortcut::activated, up_, &QPushButton::click);

    resize(720, 480);
    setMessage(
        servers.profiles().empty() ? QStringLiteral("还没有服务器：请先在“服务器”→“服务器列表…”中添加。") : QString(),
        true);
    if (!servers.profiles().empty()) serverChosen();
    updateButtons();
}

QString RemoteFileDialog::profile() const { return server_->currentText(); }

std::optional<storage::Encoding> RemoteFileDialog::encoding() const {
    switch (encoding_->currentIndex()) {
    case 1: return storage::Encoding::Utf8;
    case 2: return storage::Encoding::Gbk;
    default: return std::nullopt;
    }
}

void RemoteFileDialog::serverChosen() {
    // The files of the server shown before go at once: none of them can be opened on this one,
    // whether or not it answers.
    folder_.clear();
    list_->clear();
    path_->clear();
    const storage::ServerProfile* chosen = servers_.profile(profile());
    listFolder(chosen != nullptr ? chosen->folder.toUtf8() : QByteArray());
}

void RemoteFileDialog::listFolder(const QByteArray& path) {
    const QString name = profile();
    const storage::ServerProfile* chosen = servers_.profile(name);
    if (chosen == nullptr) return;
    const QByteArray full = remote::joinPath(chosen->folder.toUtf8(), path);
    const int request = ++request_;
    setBusy(QStringLiteral("正在读取 %1:%2…").arg(name, remote::displayName(full.isEmpty() ? "." : full)));
    reachServer(servers_, name, this, this,
                [this, request, full](const remote::Outcome& reached, remote::Session* session) {
                    if (request != request_) return;
                    if (!reached.ok() || session == nullptr) {
                        ready_ = true;
                        setMessage(reached.message, true);
                        return updateButtons();
                    }
                    session->list(full, this, [this, request, full](const remote::Listing& listing) {
                        if (request != request_) return;
                        showListing(full, listing);
                    });
                });
}

void RemoteFileDialog::showListing(const QByteArray& asked, const remote::Listing& listing) {
    ready_ = true;
    if (!listing.ok()) {
        setMessage(listing.message, true);
        // A folder that cannot be listed leaves the one shown before.
        if (folder_.isEmpty()) path_->setText(profile() + u':' + remote::displayName(asked));
        return updateButtons();
    }
    folder_ = listing.path;
    path_->setText(profile() + u':' + remote::displayName(folder_));
    std::vector<remote::RemoteEntry> entries = listing.entries;
    sortEntries(entries);
    list_->clear();
    const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon fileIcon = style()->standardIcon(QStyle::SP_FileIcon);
    for (const remote::RemoteEntry& entry : entries) {
        auto* item = new QTreeWidgetItem(list_);
        item->setText(kName, entry.displayName);
        item->setIcon(kName, isFolder(entry) ? folderIcon : fileIcon);
        item->setData(kName, kNameRole, entry.name);
        item->setData(kName, kFolderRole, isFolder(entry));
        if (isFile(entry)) {
            item->setText(kSize, sizeText(entry.size));
            item->setTextAlignment(kSize, Qt::AlignRight | Qt::AlignVCenter);
        }
        item->setText(kTime, QDateTime::fromSecsSinceEpoch(entry.mtime).toString(QStringLiteral("yyyy-MM-dd HH:mm")));
        item->setText(kType, typeText(entry));
        // Only what an open can read: a regular file, or a link to one.
        if (!isFile(entry) && !isFolder(entry)) item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
    }
    if (list_->topLevelItemCount() > 0) list_->setCurrentItem(list_->topLevelItem(0));
    setMessage(entries.empty() ? QStringLiteral("这个文件夹是空的。") : QString(), false);
    list_->setFocus();
    updateButtons();
}

void RemoteFileDialog::activate(QTreeWidgetItem* item) {
    if (item == nullptr || !(item->flags() & Qt::ItemIsEnabled)) return;
    const QByteArray name = item->data(kName, kNameRole).toByteArray();
    if (item->data(kName, kFolderRole).toBool()) return listFolder(remote::joinPath(folder_, name));
    emit fileChosen({profile(), documents::serverPathText(remote::joinPath(folder_, name))}, encoding());
    accept();
}

void RemoteFileDialog::chooseSelected() { activate(list_->currentItem()); }

void RemoteFileDialog::setBusy(const QString& message) {
    ready_ = false;
    setMessage(message, false);
    updateButtons();
}

void RemoteFileDialog::setMessage(const QString& message, bool error) {
    if (error) {
        // Red that stays readable on the window's ground, light or dark.
        const bool dark = palette().color(QPalette::Window).lightness() < 128;
        message_->setStyleSheet(dark ? QStringLiteral("color: #ff7b72;") : QStringLiteral("color: #b42318;"));
    } else {
        message_->setStyleSheet({});
    }
    message_->setText(message);
    message_->setVisible(!message.isEmpty());
}

void RemoteFileDialog::updateButtons() {
    const QTreeWidgetItem* item = list_->currentItem();
    open_->setEnabled(ready_ && item != nullptr && (item->flags() & Qt::ItemIsEnabled));
    open_->setText(item != nullptr && item->data(kName, kFolderRole).toBool() ? QStringLiteral("进入")
                                                                              : QStringLiteral("打开"));
    up_->setEnabled(ready_ && !folder_.isEmpty() && folder_ != "/");
    refresh_->setEnabled(ready_ && !folder_.isEmpty());
}

}  // namespace ui
