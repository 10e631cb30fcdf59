// The server link inside the editor: the "服务器" menu (connect, disconnect, save and reload,
// the replies), the connection's state in the status bar, "发送到服务器" beside every panel whose
// lines go to the server console, the "服务器回复" panel with its command box, and the password
// kept only in the system's keyring. Nothing here waits on the network: every line goes out
// through rcon::Client and its answer comes back through a callback.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QThreadPool>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "actions/panels.h"
#include "rcon/client.h"
#include "rcon/password_store.h"
#include "storage/server_settings.h"
#include "ui/files/request.h"
#include "ui/server/connect_dialog.h"

class QAction;
class QLabel;
class QPushButton;

namespace ui {

class LiveWindow;
class MainMenu;
class ReplyPanel;
class Runtime;

class ServerLink : public QObject {
    Q_OBJECT
public:
    // How long a line waits for its whole answer, and a connection for the login's.
    static constexpr int kTimeoutMs = rcon::Client::kDefaultTimeoutMs;

    // One line of a panel, and what came of it: its answer, or why it was not sent (skipped),
    // or a code with a message.
    struct LineResult {
        int line = 0;          // in the panel, from 1, blank lines counted
        QString command = {};  // the line as the console takes it: no leading "/" or line break
        QString reply = {};
        QString skipped = {};  // the console cannot run it (it acts on the item in a player's hand)
        // "too-long" (nothing sent), "timeout" or "dropped" (sent, no whole answer; the lines
        // after it are not sent), "not-connected" (not sent), "not-sent" (an earlier line
        // failed or the user stopped)
        QString code = {};
        QString message = {};
        qsizetype bytes = 0;  // the command's size in UTF-8
    };
    using Lines = std::vector<LineResult>;
    using LinesDone = std::function<void(const Lines&)>;
    using AnswerDone = std::function<void(const rcon::Answer&)>;
    using ConnectDone = std::function<void(const rcon::ConnectOutcome&)>;

    // Adds the "服务器" menu before "帮助", the state to the status bar and the reply panel
    // below the main window's form.
    ServerLink(Runtime& runtime, LiveWindow* main, MainMenu& menu);
    ~ServerLink() override;

    // "发送到服务器" beside each panel of the window whose lines go to the server console.
    void attach(LiveWindow* live);

    // Where the settings that are no secret are kept (empty: nowhere); they are read now.
    void setSettingsFile(const QString& path);
    const storage::ServerSettings& settings() const { return settings_; }
    // The time limit of what the user sends and connects (kTimeoutMs unless set).
    void setTimeoutMs(int ms) { timeoutMs_ = ms > 0 ? ms : kTimeoutMs; }

    rcon::Client& client() { return client_; }
    ReplyPanel* replyPanel() const { return panel_; }
    // The "连接服务器" dialog while it is open.
    ConnectDialog* connectDialog() const { return dialog_; }
    QLabel* stateLabel() const { return state_; }
    QAction* action(const char* name) const;

    // Connects and logs in with the password given (never kept on disk).
    void connectTo(const QString& host, quint16 port, const QString& password, int timeoutMs, ConnectDone done);
    void disconnectFromServer();
    // Sends one command, already in the form the console takes, and shows what came of it
    // under where ("第3行", or empty for the command box).
    void send(const QString& command, const QString& where, int timeoutMs, const AnswerDone& done);
    // Sends the lines of a panel whose lines go to the console: the selected ones, or all,
    // one at a time, in order. Lines the console cannot run are skipped with the reason; after
    // a line that timed out or was dropped the rest are not sent. false, with nothing sent,
    // while another panel's lines are still going out.
    bool sendPanel(const actions::PanelRow& row, int timeoutMs, LinesDone done);
    bool isSendingPanel() const { return batch_ != nullptr; }
    // Lets the line waiting for its answer finish and sends none of the rest.
    void stopPanel();
    // The text of the last answer that came whole; none before the first.
    const std::optional<QString>& lastAnswer() const { return lastAnswer_; }

    // The menu's entries.
    void openConnectDialog();
    // Saves the configuration panel's file, then sends the reload command once the reload check
    // lets it go; asks and refuses as the request does (trigger "save-and-reload"). A script
    // without a connection is refused ("not-connected") after the save; a person is offered
    // the connect dialog.
    void saveAndReload(const RequestPtr& request);
    void showReplies(bool shown);

    // What runs between the save of 保存并重载 and its reload: go() sends the reload; a check
    // that does not call it keeps the reload back, says why through the request and finishes it. saved is
    // the file just written. None: the reload follows the save at once.
    using ReloadCheck =
        std::function<void(const RequestPtr& request, const QString& saved, const std::function<void()>& go)>;
    void setReloadCheck(ReloadCheck check) { reloadCheck_ = std::move(check); }

private:
    struct Batch;
    struct Waiting {
        QString command;
        qint64 sinceMs = -1;  // when it came to the head of the line, -1 before
    };

    void addMenu(MainMenu& menu);
    void connectThen(std::function<void()> then);
    void dialogConnect();
    void readKeyring();
    void keepPassword(const storage::ServerSettings& settings, const QString& password);
    void saveSettings();
    void reload(const RequestPtr& request);
    void sendFromPanelButton(const actions::PanelRow& row);
    void sendFromCommandBox(const QString& line);
    void step();
    void batchAnswer(const rcon::Answer& answer);
    void finishBatch();
    void stateChanged(rcon::Client::State state, const QString& text);
    void showState();
    void tick();

    Runtime& runtime_;
    LiveWindow* main_;
    MainMenu& menu_;
    rcon::Client client_;
    rcon::PasswordStore store_;
    storage::ServerSettings settings_;
    QString settingsFile_;
    int timeoutMs_ = kTimeoutMs;
    QThreadPool writer_;  // one thread: the settings are written in the order they changed
    ReplyPanel* panel_ = nullptr;
    QLabel* state_ = nullptr;
    QPointer<ConnectDialog> dialog_;
    std::function<void()> afterConnect_;  // what waits for the dialog's connection
    int attempt_ = 0;                     // the dialog's connection being made; 0 for none
    int attempts_ = 0;
    std::unique_ptr<Batch> batch_;
    std::map<int, Waiting> waiting_;  // lines sent and not yet answered, by the order sent
    int lastSent_ = 0;
    QTimer ticker_;  // the head of the reply panel counts the seconds of the line waited for
    std::optional<QString> lastAnswer_;
    // Why the last line sent on the connection as it stands got no whole answer in its time;
    // empty once a line is answered again or the connection changes.
    QString timedOut_;
    ReloadCheck reloadCheck_;
};

}  // namespace ui
