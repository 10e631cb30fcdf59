// "打开服务器上的文件…": a file dialog on a server profile's plugin folder. The folder's YAML files
// first, then its folders, then the rest, each with its size and time; up to the parent folder and
// back. The host key and a missing password are asked as the server's answers come; the window
// never waits on the network: every listing answers through the event loop.
#pragma once

#include <QByteArray>
#include <QDialog>
#include <QString>
#include <optional>
#include <vector>

#include "documents/location.h"
#include "remote/session.h"
#include "storage/text_codec.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace ui {

class Servers;

class RemoteFileDialog : public QDialog {
    Q_OBJECT
public:
    // Opens on the folder of the profile named, or the current one, or the first.
    RemoteFileDialog(Servers& servers, const QString& profile, QWidget* parent);

    // Lists a folder of the chosen server (the server's bytes; relative: from the profile's folder).
    void listFolder(const QByteArray& path);
    const QByteArray& folder() const { return folder_; }
    QString profile() const;
    // The encoding chosen below the list: nullopt for 自动.
    std::optional<storage::Encoding> encoding() const;
    // The list has its answer (or why not) and can be used.
    bool isReady() const { return ready_; }

    QTreeWidget* list() const { return list_; }
    QComboBox* serverBox() const { return server_; }
    QComboBox* encodingBox() const { return encoding_; }
    QPushButton* openButton() const { return open_; }
    QPushButton* upButton() const { return up_; }
    QLabel* pathLabel() const { return path_; }
    QLabel* messageLabel() const { return message_; }

    // The order of a folder's entries: YAML files, then folders (and links to them), then the
    // rest; by name within each.
    static void sortEntries(std::vector<remote::RemoteEntry>& entries);

signals:
    // A file was chosen (double-click or "打开"): the dialog closes.
    void fileChosen(const documents::Location& file, std::optional<storage::Encoding> encoding);

private:
    void showListing(const QByteArray& asked, const remote::Listing& listing);
    void setBusy(const QString& message);
    void setMessage(const QString& message, bool error);
    void activate(QTreeWidgetItem* item);
    void chooseSelected();
    void serverChosen();
    void updateButtons();

    Servers& servers_;
    QComboBox* server_;
    QLabel* path_;
    QPushButton* up_;
    QPushButton* refresh_;
    QTreeWidget* list_;
    QComboBox* encoding_;
    QLabel* message_;
    QPushButton* open_;
    QByteArray folder_;  // the folder shown, as the server resolved it
    int request_ = 0;    // the listing being waited for; earlier answers are dropped
    bool ready_ = false;
};

}  // namespace ui
