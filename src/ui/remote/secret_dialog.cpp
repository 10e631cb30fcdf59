#include "ui/remote/secret_dialog.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace ui {

SecretDialog::SecretDialog(const QString& title, const QString& why, const QString& label, bool keep, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("secretDialog"));
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    auto* reason = new QLabel(why, this);
    reason->setWordWrap(true);
    reason->setTextFormat(Qt::PlainText);
    layout->addWidget(reason);
    auto* form = new QFormLayout;
    secret_ = new QLineEdit(this);
    secret_->setEchoMode(QLineEdit::Password);
    keep_ = new QCheckBox(QStringLiteral("保存在系统密钥环中（不会写入任何文件）"), this);
    keep_->setChecked(keep);
    form->addRow(label, secret_);
    form->addRow(QString(), keep_);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("连接"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    secret_->setFocus();
    setMinimumWidth(440);
}

QString SecretDialog::secret() const { return secret_->text(); }

bool SecretDialog::keep() const { return keep_->isChecked(); }

}  // namespace ui
