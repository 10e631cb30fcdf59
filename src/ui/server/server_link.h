// The server link inside the editor: the "服务器" menu (the server profiles, the current one,
// connect, disconnect, save and reload, the replies), the current server and the connection's
// state in the status bar, "发送到服务器" beside every panel whose lines go to the server console,
// the "服务器回复" panel with its command box, and the password kept only in memory and the
// system's keyring. A profile's RCON goes through its SSH connection unless the user chose
// otherwise. Nothing here waits on the network: every line goes out through rcon::Client and its
// answer comes back through a callback.
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
#include "remote/outcome.h"
#include "storage/server_profiles.h"
#include "ui/files/request.h"
#include "ui/remote/profile_dialog.h"
#include "ui/server/connect_dialog.h"

class QAction;
class QLabel;
class QPushButton;

namespace ui {

class LiveWindow;
class MainMenu;
class ReplyPanel;
class Runtime;
class Servers;

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
    // How a profile's RCON connection came out: ok, the SSH connection's code (unknown-host with
    // the fingerprint, host-key-changed, auth-failed, no-tunnel, ...) or RCON's.
    using ProfileDone = std::function<void(const remote::Outcome&)>;
    // What "保存并重载" came to: the save's refusal (empty when it saved) and what the status bar
    // said, then the reload command's answer (or why it did not go).
    struct Reloaded {
        Request::Result saved;
        std::optional<rcon::Answer> answer;  // none when the save did not run or no command is set
        remote::Outcome connection;          // the RCON connection made for it, when it failed
    };

    // Adds the "服务器" menu before "帮助", the current server and the state to the status bar
    // and the reply panel below the main window's form.
    ServerLink(Runtime& runtime, LiveWindow* main, MainMenu& menu, Servers& servers);
    ~ServerLink() override;

    // "发送到服务器" beside each panel of the window whose lines go to the server console.
    void attach(LiveWindow* live);

    // The time limit of what the user sends and connects (kTimeoutMs unless set).
    void setTimeoutMs(int ms) { timeoutMs_ = ms > 0 ? ms : kTimeoutMs; }

    rcon::Client& client() { return client_; }
    ReplyPanel* replyPanel() const { return panel_; }
    // The "连接服务器" dialog while it is open, and "服务器列表".
    ConnectDialog* connectDialog() const { return dialog_; }
    ProfileDialog* profileDialog() const { return profiles_; }
    QLabel* stateLabel() const { return state_; }
    QLabel* currentLabel() const { return current_; }
    QAction* action(const char* name) const;

    // Connects and logs in with the password given (never kept on disk).
    void connectTo(const QString& host, quint16 port, const QString& password, int timeoutMs, ConnectDone done);
    // Connects the profile's RCON: through its SSH connection (its host key and login settled
    // first, with person asked where one is given) as a forwarded channel, or straight to its
    // host when the profile says so. password: nullopt takes the one memory or the keyring keeps.
    void connectProfile(const QString& name, const std::optional<QString>& password, int timeoutMs, QWidget* person,
                        const ProfileDone& done);
    // The profile the connection was made for; empty for none or a host and port of their own.
    const QString& connectedProfile() const { return connectedProfile_; }
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
    void openProfiles();
    // Saves the configuration panel as the request's asker answers, then, once the reload check
    // lets it go, sends the reload command of its file's profile (the current one for a file on
    // this computer) over that profile's RCON, once the file was written and (on a server) read
    // back. done hears how the save and the reload went; a refusal before the reload (the save's,
    // the check's, "not-connected" for a script where no profile can connect) ends the request
    // refused instead. A person without a connection is offered the connect dialog.
    void saveAndReload(const RequestPtr& request, std::function<void(const Reloaded&)> done = {});
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
    void reload(const QString& profile, const RequestPtr& request, const std::function<void(const Reloaded&)>& done,
                const Reloaded& so);
    // The profile whose reload command "保存并重载" sends: the configuration file's server, else
    // the current one; empty for none.
    QString reloadProfile() const;
    void fillCurrentMenu();
    void showCurrent();
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
    Servers& servers_;
    rcon::Client client_;
    QString connectedProfile_;
    int timeoutMs_ = kTimeoutMs;
    ReplyPanel* panel_ = nullptr;
    QLabel* state_ = nullptr;
    QLabel* current_ = nullptr;  // the current server, in the status bar
    QMenu* currentMenu_ = nullptr;
    QPointer<ConnectDialog> dialog_;
    QPointer<ProfileDialog> profiles_;
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
