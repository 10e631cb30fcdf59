// A password or a key's passphrase the server asked for and memory does not hold: typed once,
// kept in memory for the run, and in the system's keyring when the user ticks it (never in a file).
#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace ui {

class SecretDialog : public QDialog {
    Q_OBJECT
public:
    // why: what the server said (a wrong password, a key with a passphrase); keep: the keyring
    // box's first state.
    SecretDialog(const QString& title, const QString& why, const QString& label, bool keep, QWidget* parent);

    QString secret() const;
    bool keep() const;
    QLineEdit* secretEdit() const { return secret_; }
    QCheckBox* keepBox() const { return keep_; }

private:
    QLineEdit* secret_;
    QCheckBox* keep_;
};

}  // namespace ui
