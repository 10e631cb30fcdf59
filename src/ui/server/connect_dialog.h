// "连接服务器…": the host, the port (25575 unless the server's rcon.port says otherwise), the
// password, whether the keyring keeps it, and the command "保存并重载" sends. It does not close
// on "连接": it says it is connecting, and closes once the server let the editor in, or says why
// not and lets the user try again.
#pragma once

#include <QDialog>
#include <QString>

#include "storage/server_settings.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace ui {

class ConnectDialog : public QDialog {
    Q_OBJECT
public:
    ConnectDialog(const storage::ServerSettings& settings, QWidget* parent);

    storage::ServerSettings settings() const;
    QString password() const;
    // The password the keyring kept, unless the user has typed one meanwhile.
    void offerPassword(const QString& password);
    // A word beside the password (what the keyring said), empty for none.
    void setNote(const QString& note);
    // Between "连接" and the outcome: the fields wait and the dialog says what it is doing.
    void setConnecting(const QString& message);
    // The connection failed: why, and the fields are the user's again.
    void setFailed(const QString& message);

    QLineEdit* hostEdit() const { return host_; }
    QSpinBox* portBox() const { return port_; }
    QLineEdit* passwordEdit() const { return password_; }
    QCheckBox* rememberBox() const { return remember_; }
    QLineEdit* reloadEdit() const { return reload_; }
    QPushButton* connectButton() const { return connect_; }
    QLabel* messageLabel() const { return message_; }

signals:
    // "连接" with a host and a password.
    void connectRequested();
    // The host or port was edited: the keyring may keep another password for it.
    void serverChanged();

private:
    void tryConnect();
    void setBusy(bool busy);
    void fitHeight();

    QLineEdit* host_;
    QSpinBox* port_;
    QLineEdit* password_;
    QCheckBox* remember_;
    QLineEdit* reload_;
    QLabel* note_;
    QLabel* message_;
    QPushButton* connect_;
    bool typed_ = false;  // the user typed a password: the keyring's does not replace it
};

}  // namespace ui
