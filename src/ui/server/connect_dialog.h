// "连接服务器…": the RCON of a server profile. It says where the connection goes (through the
// profile's SSH connection, or straight to the host and in clear, with the warning), asks for the
// RCON password (the one memory or the keyring keeps is filled in), whether the keyring keeps it,
// and leads to the profile itself ("服务器列表…"). It does not close on "连接": it says it is
// connecting, and closes once the server let the editor in, or says why not and lets the user
// try again.
#pragma once

#include <QDialog>
#include <QString>

#include "storage/server_profiles.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ui {

class ConnectDialog : public QDialog {
    Q_OBJECT
public:
    ConnectDialog(const storage::ServerProfile& profile, QWidget* parent);

    const QString& profileName() const { return profile_; }
    QString password() const;
    bool remember() const;
    // The password the keyring kept, unless the user has typed one meanwhile.
    void offerPassword(const QString& password);
    // A word beside the password (what the keyring said), empty for none.
    void setNote(const QString& note);
    // Between "连接" and the outcome: the fields wait and the dialog says what it is doing.
    void setConnecting(const QString& message);
    // The connection failed: why, and the fields are the user's again.
    void setFailed(const QString& message);

    // Where the connection goes, for the dialog's first line: "经 lobby 的 SSH 连接到服务器上的
    // 127.0.0.1:25575（加密）", or straight to HOST:PORT.
    static QString route(const storage::ServerProfile& profile);

    QLabel* routeLabel() const { return route_; }
    QLabel* warningLabel() const { return warning_; }
    QLineEdit* passwordEdit() const { return password_; }
    QCheckBox* rememberBox() const { return remember_; }
    QPushButton* connectButton() const { return connect_; }
    QPushButton* profilesButton() const { return profiles_; }
    QLabel* messageLabel() const { return message_; }

signals:
    // "连接" with a password.
    void connectRequested();
    // "服务器列表…": the profile is to be changed.
    void profilesRequested();

private:
    void tryConnect();
    void setBusy(bool busy);
    void fitHeight();

    QString profile_;
    QLabel* route_;
    QLabel* warning_;
    QLineEdit* password_;
    QCheckBox* remember_;
    QLabel* note_;
    QLabel* message_;
    QPushButton* connect_;
    QPushButton* profiles_;
    bool typed_ = false;  // the user typed a password: the keyring's does not replace it
};

}  // namespace ui
