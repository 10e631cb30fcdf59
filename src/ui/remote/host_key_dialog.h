// The host key of a server, before anything but the key exchange goes to it. Seen for the first
// time: its SHA256 fingerprint, how to check it, and "信任并连接" (kept in the editor's own
// known_hosts). Another key than the one kept, or a revoked one: refused, with no way to go on
// from here, words that say it may be an attack, and which file and line hold the old key for a
// server that was really reinstalled.
#pragma once

#include <QDialog>
#include <QString>

#include "remote/outcome.h"

class QLabel;
class QPushButton;

namespace ui {

class HostKeyDialog : public QDialog {
    Q_OBJECT
public:
    enum class Kind { Unknown, Changed, Revoked };

    // For an outcome whose code is unknown-host, host-key-changed or host-key-revoked; server is
    // the profile's name, host and port where SSH reaches it, keptIn the file a trusted key is
    // added to.
    HostKeyDialog(const remote::Outcome& outcome, const QString& server, const QString& host, quint16 port,
                  const QString& keptIn, QWidget* parent);

    Kind kind() const { return kind_; }
    const QString& fingerprint() const { return fingerprint_; }
    // "信任并连接"; nullptr when the key is refused.
    QPushButton* trustButton() const { return trust_; }
    QPushButton* closeButton() const { return close_; }
    QLabel* textLabel() const { return text_; }

    // The words of each case, for the dialog and for tests.
    static QString unknownText(const QString& server, const QString& host, quint16 port, const QString& keptIn);
    static QString changedText(const remote::Outcome& outcome, const QString& server, const QString& host,
                               quint16 port);
    static QString revokedText(const remote::Outcome& outcome, const QString& server, const QString& host,
                               quint16 port);

private:
    Kind kind_ = Kind::Unknown;
    QString fingerprint_;
    QLabel* text_ = nullptr;
    QPushButton* trust_ = nullptr;
    QPushButton* close_ = nullptr;
};

}  // namespace ui
