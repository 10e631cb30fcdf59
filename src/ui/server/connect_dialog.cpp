#include "ui/server/connect_dialog.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace ui {
namespace {

QLabel* wrapping(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QString address(const QString& host, quint16 port) {
    return (host.contains(u':') ? QStringLiteral("[%1]").arg(host) : host) + u':' + QString::number(port);
}

}  // namespace

QString ConnectDialog::route(const storage::ServerProfile& profile) {
    const QString target = address(storage::rconHost(profile), profile.rconPort);
    if (profile.tunnel) return QStringLiteral("经 %1 的 SSH 连接（加密）到服务器上的 %2").arg(profile.name, target);
    return QStringLiteral("直接连接 %1（RCON 不加密）").arg(target);
}

ConnectDialog::ConnectDialog(const storage::ServerProfile& profile, QWidget* parent)
    : QDialog(parent), profile_(profile.name) {
    setObjectName(QStringLiteral("connectDialog"));
    setWindowTitle(QStringLiteral("连接服务器：%1").arg(profile.name));
    auto* layout = new QVBoxLayout(this);
    route_ = wrapping(route(profile), this);
    route_->setObjectName(QStringLiteral("rconRoute"));
    layout->addWidget(route_);
    // The warning the profile's "经 SSH 隧道" shows when it is unticked.
    warning_ = wrapping(QStringLiteral("RCON 密码和每一条指令都将以明文经过网络，路上的任何人都能看到。"
                                       "在“服务器列表…”中勾选“经 SSH 隧道”可以加密它们。"),
                        this);
    warning_->setObjectName(QStringLiteral("clearTextWarning"));
    warning_->setVisible(!profile.tunnel);
    layout->addWidget(warning_);
    layout->addWidget(wrapping(QStringLiteral("服务器的 server.properties 中要有 enable-rcon=true、rcon.port 和 "
                                              "rcon.password，改完后重启服务器。"),
                               this));

    auto* form = new QFormLayout;
    password_ = new QLineEdit(this);
    password_->setEchoMode(QLineEdit::Password);
    password_->setToolTip(QStringLiteral("server.properties 中的 rcon.password"));
    remember_ = new QCheckBox(QStringLiteral("记住密码（保存在系统密钥环中）"), this);
    remember_->setChecked(profile.keepRconPassword);
    remember_->setToolTip(QStringLiteral("密码只保存在系统的密钥环（Secret Service 或 KWallet）中，不会写入任何文件"));
    note_ = wrapping({}, this);
    note_->setObjectName(QStringLiteral("keyringNote"));
    note_->hide();
    form->addRow(QStringLiteral("RCON 密码："), password_);
    form->addRow(QString(), remember_);
    form->addRow(QString(), note_);
    layout->addLayout(form);

    message_ = wrapping({}, this);
    message_->setObjectName(QStringLiteral("connectMessage"));
    message_->hide();
    layout->addWidget(message_);

    auto* buttons = new QDialogButtonBox(this);
    profiles_ = buttons->addButton(QStringLiteral("服务器列表…"), QDialogButtonBox::ResetRole);
    connect_ = buttons->addButton(QStringLiteral("连接"), QDialogButtonBox::AcceptRole);
    connect_->setDefault(true);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &ConnectDialog::tryConnect);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(profiles_, &QPushButton::clicked, this, &ConnectDialog::profilesRequested);
    connect(password_, &QLineEdit::textEdited, this, [this] { typed_ = true; });

    setMinimumWidth(440);
    password_->setFocus();
}

QString ConnectDialog::password() const { return password_->text(); }

bool ConnectDialog::remember() const { return remember_->isChecked(); }

void ConnectDialog::offerPassword(const QString& password) {
    if (typed_ || !password_->isEnabled()) return;
    password_->setText(password);
}

void ConnectDialog::setNote(const QString& note) {
    note_->setText(note);
    note_->setVisible(!note.isEmpty());
    fitHeight();
}

// A message of several lines that appears in the open dialog makes it taller, so none is cut.
void ConnectDialog::fitHeight() {
    QLayout* box = layout();
    box->activate();
    const int needed = box->hasHeightForWidth() ? box->totalHeightForWidth(width()) : box->totalSizeHint().height();
    if (needed > height()) resize(width(), needed);
}

void ConnectDialog::setConnecting(const QString& message) {
    message_->setStyleSheet({});
    message_->setText(message);
    message_->show();
    setBusy(true);
    fitHeight();
}

void ConnectDialog::setFailed(const QString& message) {
    // Red that stays readable on the window's ground, light or dark.
    const bool dark = palette().color(QPalette::Window).lightness() < 128;
    message_->setStyleSheet(dark ? QStringLiteral("color: #ff7b72;") : QStringLiteral("color: #b42318;"));
    message_->setText(message);
    message_->show();
    setBusy(false);
    fitHeight();
    password_->setFocus();
    password_->selectAll();
}

void ConnectDialog::tryConnect() {
    if (password_->text().isEmpty())
        return setFailed(QStringLiteral("请输入 RCON 密码（server.properties 中的 rcon.password）"));
    emit connectRequested();
}

void ConnectDialog::setBusy(bool busy) {
    for (QWidget* field : {static_cast<QWidget*>(password_), static_cast<QWidget*>(remember_),
                           static_cast<QWidget*>(connect_), static_cast<QWidget*>(profiles_)})
        field->setEnabled(!busy);
}

}  // namespace ui
