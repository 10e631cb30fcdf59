#include "ui/server/connect_dialog.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace ui {
namespace {

QLabel* wrapping(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

ConnectDialog::ConnectDialog(const storage::ServerSettings& settings, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("connectDialog"));
    setWindowTitle(QStringLiteral("连接服务器"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(wrapping(QStringLiteral("通过 RCON 连接正在运行的服务器。服务器的 server.properties 中要有 "
                                              "enable-rcon=true、rcon.port 和 rcon.password，改完后重启服务器。"),
                               this));

    auto* form = new QFormLayout;
    host_ = new QLineEdit(settings.host, this);
    host_->setPlaceholderText(QStringLiteral("如 127.0.0.1 或 mc.example.com"));
    port_ = new QSpinBox(this);
    port_->setRange(1, 65535);
    port_->setValue(settings.port);
    port_->setToolTip(
        QStringLiteral("server.properties 中的 rcon.port，默认 %1").arg(storage::ServerSettings::kDefaultPort));
    password_ = new QLineEdit(this);
    password_->setEchoMode(QLineEdit::Password);
    password_->setToolTip(QStringLiteral("server.properties 中的 rcon.password"));
    remember_ = new QCheckBox(QStringLiteral("记住密码（保存在系统密钥环中）"), this);
    remember_->setChecked(settings.rememberPassword);
    remember_->setToolTip(QStringLiteral("密码只保存在系统的密钥环（Secret Service 或 KWallet）中，不会写入任何文件"));
    note_ = wrapping({}, this);
    note_->setObjectName(QStringLiteral("keyringNote"));
    note_->hide();
    reload_ = new QLineEdit(settings.reloadCommand, this);
    reload_->setToolTip(QStringLiteral("“保存并重载”保存配置文件后发给服务器的指令"));
    form->addRow(QStringLiteral("主机："), host_);
    form->addRow(QStringLiteral("端口："), port_);
    form->addRow(QStringLiteral("密码："), password_);
    form->addRow(QString(), remember_);
    form->addRow(QString(), note_);
    form->addRow(QStringLiteral("重载指令："), reload_);
    layout->addLayout(form);

    message_ = wrapping({}, this);
    message_->setObjectName(QStringLiteral("connectMessage"));
    message_->hide();
    layout->addWidget(message_);

    auto* buttons = new QDialogButtonBox(this);
    connect_ = buttons->addButton(QStringLiteral("连接"), QDialogButtonBox::AcceptRole);
    connect_->setDefault(true);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &ConnectDialog::tryConnect);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(password_, &QLineEdit::textEdited, this, [this] { typed_ = true; });
    connect(host_, &QLineEdit::editingFinished, this, &ConnectDialog::serverChanged);
    connect(port_, &QSpinBox::editingFinished, this, &ConnectDialog::serverChanged);

    setMinimumWidth(440);
    (settings.host.isEmpty() ? host_ : password_)->setFocus();
}

storage::ServerSettings ConnectDialog::settings() const {
    return {.host = host_->text().trimmed(),
            .port = static_cast<quint16>(port_->value()),
            .reloadCommand = reload_->text(),
            .rememberPassword = remember_->isChecked()};
}

QString ConnectDialog::password() const { return password_->text(); }

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
    if (host_->text().trimmed().isEmpty()) return setFailed(QStringLiteral("请输入服务器的地址"));
    if (password_->text().isEmpty())
        return setFailed(QStringLiteral("请输入 RCON 密码（server.properties 中的 rcon.password）"));
    emit connectRequested();
}

void ConnectDialog::setBusy(bool busy) {
    for (QWidget* field :
         {static_cast<QWidget*>(host_), static_cast<QWidget*>(port_), static_cast<QWidget*>(password_),
          static_cast<QWidget*>(remember_), static_cast<QWidget*>(reload_), static_cast<QWidget*>(connect_)})
        field->setEnabled(!busy);
}

}  // namespace ui
