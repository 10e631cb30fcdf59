// "服务器" → "服务器列表…": the servers of a network side by side (lobby, survival, ...) in a list,
// the chosen one's profile beside it: 名称; SSH 主机, 端口, 用户 and how it logs in (a key file, its
// passphrase asked or kept in the keyring; a password in the keyring; the SSH agent); 插件文件夹;
// RCON 端口, RCON 密码, "经 SSH 隧道" (unticked only with the warning that RCON then crosses the
// network in clear); 重载命令. A secret field left empty keeps what is kept; secrets go to memory
// and, where ticked, the keyring, never to servers.json.
#pragma once

#include <QDialog>
#include <QString>

#include "storage/server_profiles.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace ui {

class Servers;

class ProfileDialog : public QDialog {
    Q_OBJECT
public:
    ProfileDialog(Servers& servers, QWidget* parent);

    // Shows the profile of that name in the form (a new, empty one for a name there is none of).
    void select(const QString& name);
    // The form as a profile (what "保存" would store).
    storage::ServerProfile formProfile() const;
    // "保存": the form becomes the profile (added, replaced or renamed), its typed secrets kept;
    // the reason for the user when it cannot be used (nothing changes then).
    QString apply();

    QListWidget* list() const { return list_; }
    QLineEdit* nameEdit() const { return name_; }
    QLineEdit* hostEdit() const { return host_; }
    QSpinBox* portBox() const { return port_; }
    QLineEdit* userEdit() const { return user_; }
    QComboBox* authBox() const { return auth_; }
    QLineEdit* keyEdit() const { return key_; }
    QLineEdit* passphraseEdit() const { return passphrase_; }
    QCheckBox* keepPassphraseBox() const { return keepPassphrase_; }
    QLineEdit* passwordEdit() const { return password_; }
    QCheckBox* keepPasswordBox() const { return keepPassword_; }
    QLineEdit* folderEdit() const { return folder_; }
    QCheckBox* tunnelBox() const { return tunnel_; }
    QLabel* tunnelWarning() const { return tunnelWarning_; }
    QLineEdit* rconHostEdit() const { return rconHost_; }
    QSpinBox* rconPortBox() const { return rconPort_; }
    QLineEdit* rconPasswordEdit() const { return rconPassword_; }
    QCheckBox* keepRconPasswordBox() const { return keepRconPassword_; }
    QLineEdit* reloadEdit() const { return reload_; }
    QPushButton* saveButton() const { return save_; }
    QPushButton* currentButton() const { return current_; }
    QLabel* messageLabel() const { return message_; }

    // The warning beside an unticked "经 SSH 隧道".
    static QString clearTextWarning();

private:
    void fillList();
    void showProfile(const storage::ServerProfile& profile);
    void updateFields();
    void setMessage(const QString& message, bool error);
    void keepSecret(const QString& name, storage::SecretKind kind, QLineEdit* field, bool keep, bool kept);

    Servers& servers_;
    QString shown_;  // the name of the profile in the form as stored; empty for a new one
    QListWidget* list_;
    QPushButton* add_;
    QPushButton* remove_;
    QPushButton* current_;
    QLineEdit* name_;
    QLineEdit* host_;
    QSpinBox* port_;
    QLineEdit* user_;
    QComboBox* auth_;
    QLineEdit* key_;
    QPushButton* browse_;
    QLineEdit* passphrase_;
    QCheckBox* keepPassphrase_;
    QLineEdit* password_;
    QCheckBox* keepPassword_;
    QLineEdit* folder_;
    QCheckBox* tunnel_;
    QLabel* tunnelWarning_;
    QLineEdit* rconHost_;
    QSpinBox* rconPort_;
    QLineEdit* rconPassword_;
    QCheckBox* keepRconPassword_;
    QLineEdit* reload_;
    QLabel* message_;
    QPushButton* save_;
};

}  // namespace ui
