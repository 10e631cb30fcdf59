#include "ui/remote/profile_dialog.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <algorithm>

#include "remote/keys.h"
#include "ui/remote/servers.h"

namespace ui {
namespace {

using storage::SecretKind;
using storage::ServerProfile;
using storage::SshAuth;

constexpr int kNameRole = Qt::UserRole;

// The order of the login box.
constexpr SshAuth kAuths[] = {SshAuth::Key, SshAuth::Password, SshAuth::Agent};

QLabel* note(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLineEdit* secretField(QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setEchoMode(QLineEdit::Password);
    field->setPlaceholderText(QStringLiteral("留空：不改变"));
    return field;
}

// Where a server logs in, "mc@1.2.3.4:22".
QString address(const ServerProfile& profile) {
    return (profile.user.isEmpty() ? QString() : profile.user + u'@') + profile.host + u':' +
           QString::number(profile.port);
}

// "mc@1.2.3.4:22 · /srv/lobby/plugins/Quorvel", a server's tooltip in the list.
QString summary(const ServerProfile& profile) {
    return profile.folder.isEmpty() ? address(profile) : address(profile) + QStringLiteral(" · ") + profile.folder;
}

// Each server as wide as the list, never wider: a line that does not fit is shortened in its
// middle (the end of the plugin folder's path stays) instead of running under a scroll bar.
class FittingDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (const auto* view = qobject_cast<const QAbstractItemView*>(parent()))
            size.setWidth(std::min(size.width(), view->viewport()->width()));
        return size;
    }
};

}  // namespace

QString ProfileDialog::clearTextWarning() {
    return QStringLiteral(
        "不经 SSH 隧道时，RCON 密码和每一条指令都以明文经过网络，路上的任何人都能看到，并能用这个密码控制服务器。"
        "只在服务器和编辑器在同一台机器或可信的内网时这样做。");
}

ProfileDialog::ProfileDialog(Servers& servers, QWidget* parent) : QDialog(parent), servers_(servers) {
    setObjectName(QStringLiteral("profileDialog"));
    setWindowTitle(QStringLiteral("服务器列表"));
    auto* layout = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout;
    layout->addLayout(columns, 1);

    // The servers side by side, each with where it logs in and its plugin folder.
    auto* left = new QVBoxLayout;
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("profiles"));
    list_->setAccessibleName(QStringLiteral("服务器"));
    list_->setMinimumWidth(200);
    list_->setItemDelegate(new FittingDelegate(list_));
    list_->setTextElideMode(Qt::ElideMiddle);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setResizeMode(QListView::Adjust);
    left->addWidget(list_, 1);
    auto* listButtons = new QHBoxLayout;
    add_ = new QPushButton(QStringLiteral("新建"), this);
    remove_ = new QPushButton(QStringLiteral("删除"), this);
    current_ = new QPushButton(QStringLiteral("设为当前"), this);
    current_->setObjectName(QStringLiteral("makeCurrent"));
    current_->setToolTip(QStringLiteral("“打开服务器上的文件…”和“连接服务器…”用当前服务器"));
    listButtons->addWidget(add_);
    listButtons->addWidget(remove_);
    listButtons->addWidget(current_);
    left->addLayout(listButtons);
    columns->addLayout(left);

    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* page = new QWidget(scroll);
    auto* form = new QVBoxLayout(page);
    form->setContentsMargins(0, 0, 0, 0);

    auto* ssh = new QGroupBox(QStringLiteral("SSH（文件）"), page);
    auto* sshForm = new QFormLayout(ssh);
    name_ = new QLineEdit(ssh);
    name_->setPlaceholderText(QStringLiteral("如 lobby、生存服"));
    host_ = new QLineEdit(ssh);
    host_->setPlaceholderText(QStringLiteral("如 203.0.113.7 或 mc.example.com"));
    port_ = new QSpinBox(ssh);
    port_->setRange(1, 65535);
    port_->setToolTip(QStringLiteral("SSH 端口：VPS 一般是 22，面板服（SFTP）常见 2022"));
    user_ = new QLineEdit(ssh);
    user_->setPlaceholderText(QStringLiteral("如 mc，面板服如 name.1a2b3c4d"));
    auth_ = new QComboBox(ssh);
    auth_->addItems({QStringLiteral("密钥文件"), QStringLiteral("密码"), QStringLiteral("SSH agent")});
    auto* keyRow = new QHBoxLayout;
    key_ = new QLineEdit(ssh);
    key_->setPlaceholderText(QStringLiteral("私钥的完整路径，如 /home/me/.ssh/id_ed25519"));
    browse_ = new QPushButton(QStringLiteral("浏览…"), ssh);
    keyRow->addWidget(key_, 1);
    keyRow->addWidget(browse_);
    passphrase_ = secretField(ssh);
    passphrase_->setPlaceholderText(QStringLiteral("没有密码时留空；需要时会询问"));
    keepPassphrase_ = new QCheckBox(QStringLiteral("保存在系统密钥环中"), ssh);
    password_ = secretField(ssh);
    keepPassword_ = new QCheckBox(QStringLiteral("保存在系统密钥环中"), ssh);
    folder_ = new QLineEdit(ssh);
    folder_->setPlaceholderText(QStringLiteral("服务器上的完整路径，如 /srv/lobby/plugins/Quorvel"));
    sshForm->addRow(QStringLiteral("名称："), name_);
    sshForm->addRow(QStringLiteral("SSH 主机："), host_);
    sshForm->addRow(QStringLiteral("端口："), port_);
    sshForm->addRow(QStringLiteral("用户："), user_);
    sshForm->addRow(QStringLiteral("登录方式："), auth_);
    sshForm->addRow(QStringLiteral("密钥文件："), keyRow);
    sshForm->addRow(QStringLiteral("密钥的密码："), passphrase_);
    sshForm->addRow(QString(), keepPassphrase_);
    sshForm->addRow(QStringLiteral("密码："), password_);
    sshForm->addRow(QString(), keepPassword_);
    sshForm->addRow(QStringLiteral("插件文件夹："), folder_);
    form->addWidget(ssh);

    auto* rcon = new QGroupBox(QStringLiteral("RCON（指令）"), page);
    auto* rconForm = new QFormLayout(rcon);
    tunnel_ = new QCheckBox(QStringLiteral("经 SSH 隧道"), rcon);
    tunnel_->setToolTip(
        QStringLiteral("RCON 经过加密的 SSH 连接到达服务器自己的 RCON 端口，密码和指令不以明文经过网络"));
    tunnelWarning_ = note(clearTextWarning(), rcon);
    tunnelWarning_->setObjectName(QStringLiteral("clearTextWarning"));
    rconHost_ = new QLineEdit(rcon);
    rconPort_ = new QSpinBox(rcon);
    rconPort_->setRange(1, 65535);
    rconPort_->setToolTip(
        QStringLiteral("server.properties 中的 rcon.port，默认 %1").arg(ServerProfile::kDefaultRconPort));
    rconPassword_ = secretField(rcon);
    rconPassword_->setToolTip(QStringLiteral("server.properties 中的 rcon.password"));
    keepRconPassword_ = new QCheckBox(QStringLiteral("保存在系统密钥环中"), rcon);
    reload_ = new QLineEdit(rcon);
    reload_->setToolTip(QStringLiteral("“保存并重载”保存配置文件后发给服务器的指令"));
    rconForm->addRow(QString(), tunnel_);
    rconForm->addRow(QString(), tunnelWarning_);
    rconForm->addRow(QStringLiteral("RCON 主机："), rconHost_);
    rconForm->addRow(QStringLiteral("RCON 端口："), rconPort_);
    rconForm->addRow(QStringLiteral("RCON 密码："), rconPassword_);
    rconForm->addRow(QString(), keepRconPassword_);
    rconForm->addRow(QStringLiteral("重载指令："), reload_);
    form->addWidget(rcon);
    form->addStretch(1);
    scroll->setWidget(page);
    columns->addWidget(scroll, 1);

    message_ = note({}, this);
    message_->setObjectName(QStringLiteral("profileMessage"));
    layout->addWidget(message_);
    auto* buttons = new QDialogButtonBox(this);
    save_ = buttons->addButton(QStringLiteral("保存"), QDialogButtonBox::ApplyRole);
    save_->setObjectName(QStringLiteral("saveProfile"));
    save_->setDefault(true);
    buttons->addButton(QStringLiteral("关闭"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(save_, &QPushButton::clicked, this, [this] {
        const QString why = apply();
        setMessage(why.isEmpty() ? QStringLiteral("已保存“%1”").arg(shown_) : why, !why.isEmpty());
    });
    connect(add_, &QPushButton::clicked, this, [this] {
        list_->clearSelection();
        select({});
        name_->setFocus();
    });
    connect(remove_, &QPushButton::clicked, this, [this] {
        if (shown_.isEmpty()) return;
        const QString name = shown_;
        servers_.remove(name);
        setMessage(QStringLiteral("已删除“%1”").arg(name), false);
        select(servers_.profiles().empty() ? QString() : servers_.profiles().front().name);
    });
    connect(current_, &QPushButton::clicked, this, [this] {
        if (!shown_.isEmpty()) servers_.setCurrent(shown_);
        fillList();
    });
    connect(list_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        if (item != nullptr && item->data(kNameRole).toString() != shown_) select(item->data(kNameRole).toString());
    });
    connect(auth_, &QComboBox::currentIndexChanged, this, &ProfileDialog::updateFields);
    connect(tunnel_, &QCheckBox::toggled, this, &ProfileDialog::updateFields);
    connect(host_, &QLineEdit::textChanged, this, &ProfileDialog::updateFields);
    connect(browse_, &QPushButton::clicked, this, [this] {
        auto* dialog = new QFileDialog(this, QStringLiteral("选择私钥"), key_->text());
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        dialog->setFileMode(QFileDialog::ExistingFile);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(dialog, &QFileDialog::fileSelected, key_, &QLineEdit::setText);
        dialog->open();
    });
    connect(&servers_, &Servers::profilesChanged, this, &ProfileDialog::fillList);

    // As large as the screen's room allows: the form scrolls below its size.
    QSize size(820, 640);
    if (const QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    resize(size);
    const QString first = !servers_.current().isEmpty()  ? servers_.current()
                          : !servers_.profiles().empty() ? servers_.profiles().front().name
                                                         : QString();
    select(first);
    setMessage({}, false);
}

void ProfileDialog::fillList() {
    const QSignalBlocker quiet(list_);
    list_->clear();
    for (const ServerProfile& profile : servers_.profiles()) {
        const bool current = profile.name == servers_.current();
        auto* item =
            new QListWidgetItem(profile.name + (current ? QStringLiteral("（当前）") : QString()) + u'\n' +
                                    address(profile) + (profile.folder.isEmpty() ? QString() : u'\n' + profile.folder),
                                list_);
        item->setData(kNameRole, profile.name);
        item->setToolTip(summary(profile));
        if (profile.name == shown_) list_->setCurrentItem(item);
    }
}

void ProfileDialog::select(const QString& name) {
    const ServerProfile* found = servers_.profile(name);
    shown_ = found != nullptr ? name : QString();
    ServerProfile fresh;
    fresh.keepPassword = true;
    showProfile(found != nullptr ? *found : fresh);
    fillList();
}

void ProfileDialog::showProfile(const ServerProfile& profile) {
    name_->setText(profile.name);
    host_->setText(profile.host);
    port_->setValue(profile.port);
    user_->setText(profile.user);
    for (int i = 0; i < static_cast<int>(std::size(kAuths)); ++i)
        if (kAuths[i] == profile.auth) auth_->setCurrentIndex(i);
    key_->setText(profile.keyFile);
    passphrase_->clear();
    keepPassphrase_->setChecked(profile.keepPassphrase);
    password_->clear();
    keepPassword_->setChecked(profile.keepPassword);
    folder_->setText(profile.folder);
    tunnel_->setChecked(profile.tunnel);
    rconHost_->setText(profile.rconHost);
    rconPort_->setValue(profile.rconPort);
    rconPassword_->clear();
    keepRconPassword_->setChecked(profile.keepRconPassword);
    reload_->setText(profile.reloadCommand);
    remove_->setEnabled(!shown_.isEmpty());
    current_->setEnabled(!shown_.isEmpty());
    updateFields();
}

// Only the fields of the login chosen; the warning while RCON would go in clear.
void ProfileDialog::updateFields() {
    const SshAuth auth = kAuths[std::max(0, auth_->currentIndex())];
    auto* sshForm = qobject_cast<QFormLayout*>(name_->parentWidget()->layout());
    sshForm->setRowVisible(5, auth == SshAuth::Key);
    sshForm->setRowVisible(6, auth == SshAuth::Key);
    sshForm->setRowVisible(7, auth == SshAuth::Key);
    sshForm->setRowVisible(8, auth == SshAuth::Password);
    sshForm->setRowVisible(9, auth == SshAuth::Password);
    tunnelWarning_->setVisible(!tunnel_->isChecked());
    rconHost_->setPlaceholderText(tunnel_->isChecked() ? QStringLiteral("127.0.0.1（服务器自己）")
                                                       : host_->text().trimmed());
}

ServerProfile ProfileDialog::formProfile() const {
    ServerProfile profile;
    profile.name = name_->text().trimmed();
    profile.host = host_->text().trimmed();
    profile.port = static_cast<quint16>(port_->value());
    profile.user = user_->text().trimmed();
    profile.auth = kAuths[std::max(0, auth_->currentIndex())];
    profile.keyFile = profile.auth == SshAuth::Key ? key_->text().trimmed() : QString();
    profile.folder = folder_->text().trimmed();
    while (profile.folder.size() > 1 && profile.folder.endsWith(u'/')) profile.folder.chop(1);
    profile.rconHost = rconHost_->text().trimmed();
    profile.rconPort = static_cast<quint16>(rconPort_->value());
    profile.tunnel = tunnel_->isChecked();
    profile.reloadCommand = reload_->text();
    profile.keepPassword = keepPassword_->isChecked();
    profile.keepPassphrase = keepPassphrase_->isChecked();
    profile.keepRconPassword = keepRconPassword_->isChecked();
    return profile;
}

QString ProfileDialog::apply() {
    const ServerProfile profile = formProfile();
    const ServerProfile* taken = servers_.profile(profile.name);
    if (taken != nullptr && profile.name != shown_) return QStringLiteral("已经有一个叫“%1”的服务器").arg(profile.name);
    if (profile.auth == SshAuth::Key && remote::keyFileState(profile.keyFile) == remote::KeyFileState::Unreadable &&
        !profile.keyFile.isEmpty())
        return QStringLiteral("密钥文件 %1 不存在，或不是 OpenSSH 或 PEM 格式的私钥").arg(profile.keyFile);
    const ServerProfile before = shown_.isEmpty() ? ServerProfile{} : *servers_.profile(shown_);
    QString why = servers_.put(profile);
    if (!why.isEmpty()) return why;
    // A new name is a new profile: the old one goes, its secrets in memory with the new.
    const QString old = shown_;
    if (!old.isEmpty() && old != profile.name) {
        for (const SecretKind kind : {SecretKind::SshPassword, SecretKind::KeyPassphrase, SecretKind::RconPassword})
            if (servers_.hasSecret(old, kind)) servers_.setSecret(profile.name, kind, servers_.secret(old, kind));
        const bool wasCurrent = servers_.current() == old;
        servers_.remove(old);
        if (wasCurrent) servers_.setCurrent(profile.name);
    }
    if (servers_.current().isEmpty()) servers_.setCurrent(profile.name);
    const bool renamed = !old.isEmpty() && old != profile.name;
    keepSecret(profile.name, SecretKind::SshPassword, password_, profile.keepPassword,
               before.keepPassword && !renamed && !old.isEmpty());
    keepSecret(profile.name, SecretKind::KeyPassphrase, passphrase_, profile.keepPassphrase,
               before.keepPassphrase && !renamed && !old.isEmpty());
    keepSecret(profile.name, SecretKind::RconPassword, rconPassword_, profile.keepRconPassword,
               before.keepRconPassword && !renamed && !old.isEmpty());
    shown_ = profile.name;
    fillList();
    return {};
}

// A typed secret goes to memory, and to the keyring when its box is ticked; unticking forgets
// what the keyring kept.
void ProfileDialog::keepSecret(const QString& name, SecretKind kind, QLineEdit* field, bool keep, bool kept) {
    const QString typed = field->text();
    field->clear();
    if (!typed.isEmpty()) servers_.setSecret(name, kind, typed);
    const QString secret = typed.isEmpty() ? servers_.secret(name, kind) : typed;
    if (keep && !secret.isEmpty() && (!typed.isEmpty() || !kept)) {
        servers_.keepSecret(name, kind, secret, &servers_, [servers = &servers_](const rcon::KeyringResult& result) {
            if (!result.ok()) emit servers->problem(result.message);
        });
    } else if (!keep && kept) {
        servers_.forgetSecret(name, kind);
        if (!typed.isEmpty()) servers_.setSecret(name, kind, typed);
    }
}

void ProfileDialog::setMessage(const QString& message, bool error) {
    if (error) {
        const bool dark = palette().color(QPalette::Window).lightness() < 128;
        message_->setStyleSheet(dark ? QStringLiteral("color: #ff7b72;") : QStringLiteral("color: #b42318;"));
    } else {
        message_->setStyleSheet({});
    }
    message_->setText(message);
    message_->setVisible(!message.isEmpty());
}

}  // namespace ui
