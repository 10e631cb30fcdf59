#include "ui/remote/host_key_dialog.h"

#include <QBoxLayout>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "remote/known_hosts.h"

namespace ui {
namespace {

QLabel* wrapping(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

// A fingerprint in a fixed-width font, to be compared character by character, with its caption
// beside it in a grid's row: the fingerprints of two rows start at one edge whatever the fonts.
void addFingerprint(QGridLayout* grid, const QString& caption, const QString& fingerprint, QWidget* parent) {
    auto* name = new QLabel(caption, parent);
    name->setTextFormat(Qt::PlainText);
    auto* label = new QLabel(fingerprint, parent);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // As large as the words around it, whether their font is set in pixels (the editor's) or points.
    const QFont words = label->font();
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    // A desktop theme may give a proportional font as its fixed one (qt6ct with no fonts set does).
    if (!QFontInfo(fixed).fixedPitch()) {
        fixed = QFont(QStringLiteral("monospace"));
        fixed.setStyleHint(QFont::Monospace);
    }
    if (words.pixelSize() > 0)
        fixed.setPixelSize(words.pixelSize());
    else
        fixed.setPointSizeF(words.pointSizeF());
    label->setFont(fixed);
    label->setAccessibleName(caption + fingerprint);
    const int row = grid->rowCount();
    grid->addWidget(name, row, 0);
    grid->addWidget(label, row, 1);
}

// "127.0.0.1:2222", "[::1]:22".
QString addressText(const QString& host, quint16 port) {
    return (host.contains(u':') ? QStringLiteral("[%1]").arg(host) : host) + u':' + QString::number(port);
}

// The command that removes the kept key for the host from file, as the user would type it.
QString removeCommand(const QString& host, quint16 port, const QString& file) {
    return QStringLiteral("ssh-keygen -R '%1' -f '%2'")
        .arg(QString::fromLatin1(remote::knownHostsName(host, port)), file);
}

}  // namespace

QString HostKeyDialog::unknownText(const QString& server, const QString& host, quint16 port, const QString& keptIn) {
    return QStringLiteral(
               "这是编辑器第一次连接 %1（%2）。请核对服务器出示的主机密钥指纹，确认连上的确实是你的服务器：向服务器的"
               "管理员或主机商要这台服务器的指纹（在服务器上运行 ssh-keygen -lf /etc/ssh/ssh_host_ed25519_key.pub 可以"
               "看到），和下面的逐字比较。\n\n一致时再点“信任并连接”：编辑器会记住这把密钥（保存在 %3），以后每次连接都"
               "核对它。确认之前，没有向服务器发送密码或任何请求。")
        .arg(server, addressText(host, port), keptIn);
}

QString HostKeyDialog::changedText(const remote::Outcome& outcome, const QString& server, const QString& host,
                                   quint16 port) {
    return QStringLiteral(
               "%1（%2）这次出示的主机密钥和编辑器记住的不一样。这可能是有人在冒充这台服务器（中间人攻击），想截取你的"
               "密码：连接已中止，没有发送密码或任何请求。\n\n只有在你确定服务器重装过系统或换过密钥时：先向管理员或主"
               "机商"
               "核对新的指纹，然后删除 %3 第 %4 行的旧密钥（或运行 "
               "%5），再重新连接，编辑器会像第一次连接一样请你核对。")
        .arg(server, addressText(host, port), outcome.knownFile)
        .arg(outcome.knownLine)
        .arg(removeCommand(host, port, outcome.knownFile));
}

QString HostKeyDialog::revokedText(const remote::Outcome& outcome, const QString& server, const QString& host,
                                   quint16 port) {
    return QStringLiteral(
               "%1（%2）出示的主机密钥已被吊销（%3 第 %4 行的 @revoked）。这把密钥不再可信，可能已经泄露，有人可能在"
               "冒充这台服务器：连接已中止，没有发送密码或任何请求。\n\n请向服务器的管理员或主机商询问。")
        .arg(server, addressText(host, port), outcome.knownFile)
        .arg(outcome.knownLine);
}

HostKeyDialog::HostKeyDialog(const remote::Outcome& outcome, const QString& server, const QString& host, quint16 port,
                             const QString& keptIn, QWidget* parent)
    : QDialog(parent), fingerprint_(outcome.fingerprint) {
    setObjectName(QStringLiteral("hostKeyDialog"));
    if (outcome.code == QLatin1String("host-key-changed")) kind_ = Kind::Changed;
    if (outcome.code == QLatin1String("host-key-revoked")) kind_ = Kind::Revoked;
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel(this);
    const QStyle::StandardPixmap picture =
        kind_ == Kind::Unknown ? QStyle::SP_MessageBoxQuestion : QStyle::SP_MessageBoxCritical;
    const int side = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(picture, nullptr, this).pixmap(side, side));
    icon->setAlignment(Qt::AlignTop);
    top->addWidget(icon);
    auto* words = new QVBoxLayout;
    switch (kind_) {
    case Kind::Unknown:
        setWindowTitle(QStringLiteral("第一次连接 %1：核对主机密钥").arg(server));
        text_ = wrapping(unknownText(server, host, port, keptIn), this);
        break;
    case Kind::Changed:
        setWindowTitle(QStringLiteral("%1 的主机密钥变了：连接已中止").arg(server));
        text_ = wrapping(changedText(outcome, server, host, port), this);
        break;
    case Kind::Revoked:
        setWindowTitle(QStringLiteral("%1 的主机密钥已被吊销：连接已中止").arg(server));
        text_ = wrapping(revokedText(outcome, server, host, port), this);
        break;
    }
    text_->setObjectName(QStringLiteral("hostKeyText"));
    words->addWidget(text_);
    words->addSpacing(6);
    auto* keys = new QGridLayout;
    keys->setColumnStretch(1, 1);
    addFingerprint(keys,
                   kind_ == Kind::Unknown ? QStringLiteral("服务器的指纹：") : QStringLiteral("服务器现在出示的："),
                   outcome.fingerprint, this);
    if (kind_ == Kind::Changed) addFingerprint(keys, QStringLiteral("编辑器记住的："), outcome.known, this);
    words->addLayout(keys);
    top->addLayout(words, 1);
    layout->addLayout(top);

    auto* buttons = new QDialogButtonBox(this);
    if (kind_ == Kind::Unknown) {
        trust_ = buttons->addButton(QStringLiteral("信任并连接"), QDialogButtonBox::AcceptRole);
        trust_->setObjectName(QStringLiteral("trustButton"));
        close_ = buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
        // Trusting is a decision: Enter does not make it.
        trust_->setAutoDefault(false);
        close_->setDefault(true);
    } else {
        close_ = buttons->addButton(QStringLiteral("关闭"), QDialogButtonBox::RejectRole);
        close_->setDefault(true);
    }
    close_->setObjectName(QStringLiteral("closeButton"));
    // The keyboard starts on 取消 (关闭): the first button in the focus chain would otherwise take
    // it, and a Space meant for something else would trust the key.
    close_->setFocus();
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    setMinimumWidth(560);
}

}  // namespace ui
