#include "ui/server/server_link.h"

#include <QAction>
#include <QActionGroup>
#include <QDialog>
#include <QElapsedTimer>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <algorithm>
#include <limits>
#include <utility>

#include "actions/console.h"
#include "documents/document.h"
#include "rcon/packet.h"
#include "ui/base/background.h"
#include "ui/base/text.h"
#include "ui/files/main_menu.h"
#include "ui/loader/live_window.h"
#include "ui/loader/runtime.h"
#include "ui/panels/panel.h"
#include "ui/remote/profile_dialog.h"
#include "ui/remote/server_access.h"
#include "ui/remote/servers.h"
#include "ui/server/command_line.h"
#include "ui/server/connect_dialog.h"
#include "ui/server/reply_panel.h"

namespace ui {
namespace {

using Outcome = ReplyPanel::Outcome;

struct ServerMenuRow {
    const char* name;  // the action's object name
    const char* caption;
    const char* keys;  // its shortcut, "" for none
    void (ServerLink::*run)();
};

// clang-format off
constexpr ServerMenuRow kMenuRows[] = {
    {"server-profiles",   "服务器列表…",  "",             &ServerLink::openProfiles},
    {"server-connect",    "连接服务器…",  "",             &ServerLink::openConnectDialog},
    {"server-disconnect", "断开",         "",             &ServerLink::disconnectFromServer},
};
// clang-format on

constexpr const char* kMenuTitle = "服务器(&S)";
constexpr const char* kBeforeMenu = "帮助";
constexpr const char* kRepliesAction = "server-replies";
constexpr int kStateWidth = 420;  // the status bar's room for the state; the rest in its tooltip

// A line as the panel's head quotes it: long lines cut.
QString quoted(const QString& line) {
    constexpr qsizetype kShown = 40;
    return QStringLiteral("“") + (line.size() > kShown ? line.left(kShown) + QStringLiteral("…") : line) +
           QStringLiteral("”");
}

// Keeps "发送到服务器" between a panel's copy and clear buttons as the window grows: in their
// column when one is above the other, in their row when they stand side by side.
class BesideButtons : public QObject {
public:
    BesideButtons(QPushButton* button, QWidget* copy, QWidget* clear)
        : QObject(button), button_(button), copy_(copy), clear_(clear) {
        copy->installEventFilter(this);
        clear->installEventFilter(this);
        place();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Move || event->type() == QEvent::Resize) place();
        return false;
    }

private:
    void place() {
        const QRect copy = copy_->geometry();
        const QRect clear = clear_->geometry();
        if (copy.x() == clear.x()) {
            const int height = std::max(button_->sizeHint().height(), copy.height());
            const int top = (copy.bottom() + clear.top()) / 2 - height / 2;
            button_->setGeometry(copy.x(), top, copy.width(), height);
        } else {
            const int width = std::max(button_->sizeHint().width(), copy.width());
            const int left = (copy.right() + clear.left()) / 2 - width / 2;
            button_->setGeometry(left, copy.y(), width, copy.height());
        }
    }

    QPushButton* button_;
    QWidget* copy_;
    QWidget* clear_;
};

// The lines of a panel to send, with their numbers: those the selection touches, or all. A
// selection that ends at the very start of a line does not take that line. The panel's lines
// are its paragraphs, LF between them in its raw text: a U+2028 inside one (which toPlainText
// would turn into another LF) stays in its line, so the numbers are the paragraphs' numbers.
std::vector<std::pair<int, QString>> linesToSend(QPlainTextEdit* edit) {
    const std::string text = toUtf8(panelLfText(edit));
    int first = 1;
    int last = std::numeric_limits<int>::max();
    const QTextCursor cursor = edit->textCursor();
    if (cursor.hasSelection()) {
        const QTextDocument* document = edit->document();
        first = document->findBlock(cursor.selectionStart()).blockNumber() + 1;
        const QTextBlock end = document->findBlock(cursor.selectionEnd());
        last = end.blockNumber() + 1;
        if (cursor.selectionEnd() == end.position() && last > first) --last;
    }
    std::vector<std::pair<int, QString>> lines;
    for (const actions::PanelLine& line : actions::nonEmptyLines(text))
        if (line.number >= first && line.number <= last) lines.emplace_back(line.number, fromUtf8(line.text));
    return lines;
}

// What the reply panel calls a panel: its group's title, with its window's when that is not
// the main window.
QString panelTitle(LiveWindow* live, const actions::PanelRow& row, QPlainTextEdit* edit, bool main) {
    auto* group = qobject_cast<QGroupBox*>(row.group.empty() ? edit->parentWidget() : live->controlByName(row.group));
    QString title = group != nullptr ? group->title() : QString();
    if (!main) title = live->windowTitle() + (title.isEmpty() ? QString() : QStringLiteral(" · ") + title);
    return title;
}

qint64 clockMs() {
    static QElapsedTimer clock;
    if (!clock.isValid()) clock.start();
    return clock.elapsed();
}

}  // namespace

struct ServerLink::Batch {
    struct Item {
        int line = 0;
        QString command;  // as the console takes it
        QString why;      // why the console cannot run it; empty when it can
    };
    std::vector<Item> items;
    std::size_t next = 0;
    Lines results;
    LinesDone done;
    int timeoutMs = kTimeoutMs;
    QString stopped;  // why the rest are not sent; empty while they are
};

ServerLink::ServerLink(Runtime& runtime, LiveWindow* main, MainMenu& menu, Servers& servers)
    : QObject(main), runtime_(runtime), main_(main), menu_(menu), servers_(servers), client_(this) {
    setObjectName(QStringLiteral("serverLink"));
    panel_ = new ReplyPanel;
    main->addDock(panel_, QStringLiteral("replies"), QStringLiteral("服务器回复"), Qt::BottomDockWidgetArea);
    connect(panel_, &ReplyPanel::commandEntered, this, &ServerLink::sendFromCommandBox);
    connect(panel_, &ReplyPanel::stopRequested, this, &ServerLink::stopPanel);
    connect(panel_, &ReplyPanel::hideRequested, this, [this] { showReplies(false); });

    state_ = new QLabel(client_.statusText());
    state_->setObjectName(QStringLiteral("serverState"));
    state_->setContentsMargins(8, 0, 8, 0);
    state_->setToolTip(QStringLiteral("服务器连接（RCON）"));
    // The server the editor works on now: its files ("打开服务器上的文件…") and its RCON.
    current_ = new QLabel;
    current_->setObjectName(QStringLiteral("currentServer"));
    current_->setContentsMargins(8, 0, 8, 0);
    if (QStatusBar* bar = main->statusBar()) {
        bar->addPermanentWidget(current_);
        bar->addPermanentWidget(state_);
    }
    connect(&client_, &rcon::Client::stateChanged, this, &ServerLink::stateChanged);
    connect(&servers_, &Servers::currentChanged, this, &ServerLink::showCurrent);
    connect(&servers_, &Servers::profilesChanged, this, &ServerLink::showCurrent);

    ticker_.setInterval(500);
    connect(&ticker_, &QTimer::timeout, this, &ServerLink::tick);
    addMenu(menu);
    showCurrent();
}

ServerLink::~ServerLink() = default;

void ServerLink::addMenu(MainMenu& menu) {
    QMenu* server = menu.addMenuBefore(QString::fromUtf8(kBeforeMenu), QString::fromUtf8(kMenuTitle));
    for (const ServerMenuRow& row : kMenuRows) {
        if (std::string_view(row.name) == "server-connect") {
            // The servers of the network, the current one ticked.
            currentMenu_ = server->addMenu(QStringLiteral("当前服务器"));
            currentMenu_->setObjectName(QStringLiteral("currentServerMenu"));
            connect(currentMenu_, &QMenu::aboutToShow, this, &ServerLink::fillCurrentMenu);
            server->addSeparator();
        }
        QAction* entry = server->addAction(QString::fromUtf8(row.caption));
        entry->setObjectName(QString::fromLatin1(row.name));
        if (*row.keys != '\0') {
            entry->setShortcut(QKeySequence(QString::fromLatin1(row.keys)));
            entry->setShortcutContext(Qt::WindowShortcut);
        }
        connect(entry, &QAction::triggered, this, [this, run = row.run] { (this->*run)(); });
    }
    server->addSeparator();
    // A script reaches it through trigger, as the 文件 menu's entries.
    menu.addEntry(server, QStringLiteral("save-and-reload"), QStringLiteral("保存并重载"),
                  QStringLiteral("Ctrl+Shift+R"), [this](const RequestPtr& request) { saveAndReload(request); });
    server->addSeparator();
    QAction* replies = server->addAction(QStringLiteral("显示服务器回复"));
    replies->setObjectName(QString::fromLatin1(kRepliesAction));
    replies->setCheckable(true);
    connect(replies, &QAction::triggered, this, &ServerLink::showReplies);
    connect(main_, &LiveWindow::panelToggled, replies, [this, replies](QWidget* panel, bool shown) {
        if (panel == panel_) replies->setChecked(shown);
    });
    action("save-and-reload")->setToolTip(QStringLiteral("保存配置文件，然后把重载指令发给服务器"));
    action("server-disconnect")->setEnabled(false);
}

QAction* ServerLink::action(const char* name) const {
    return main_->menuBar() != nullptr ? main_->menuBar()->findChild<QAction*>(QString::fromLatin1(name)) : nullptr;
}

void ServerLink::attach(LiveWindow* live) {
    for (const actions::PanelRow& row : actions::panels()) {
        if (row.window != live->id() || !row.console) continue;
        QWidget* copy = live->controlByName(row.copy);
        QWidget* clear = live->controlByName(row.clear);
        if (copy == nullptr || clear == nullptr) continue;
        auto* button = new QPushButton(copy->parentWidget());
        button->setObjectName(QStringLiteral("sendToServer"));
        button->setFont(copy->font());
        // In a narrow column the caption takes two lines.
        button->setText(copy->x() == clear->x() ? QStringLiteral("发送到\n服务器") : QStringLiteral("发送到服务器"));
        button->setAccessibleName(QStringLiteral("发送到服务器"));
        button->setToolTip(
            QStringLiteral("把输出框中选中的行（没有选中时是全部行）逐行发给服务器控制台，回答显示在“服务器回复”中；"
                           "作用于手持物品的行（/att、/setname、/addlore、/socket add 等）不发送"));
        new BesideButtons(button, copy, clear);
        QWidget::setTabOrder(copy, button);
        connect(button, &QPushButton::clicked, this, [this, row = &row] { sendFromPanelButton(*row); });
        button->show();
    }
}

void ServerLink::connectTo(const QString& host, quint16 port, const QString& password, int timeoutMs,
                           ConnectDone done) {
    connectedProfile_.clear();
    client_.connectToServer(host, port, password, timeoutMs, this, std::move(done));
}

void ServerLink::connectProfile(const QString& name, const std::optional<QString>& password, int timeoutMs,
                                QWidget* person, const ProfileDone& done) {
    const storage::ServerProfile* profile = servers_.profile(name);
    if (profile == nullptr) {
        remote::Outcome none;
        none.code = QStringLiteral("failed");
        none.message = servers_.loginProblem(name);
        return done(none);
    }
    const auto asOutcome = [](const rcon::ConnectOutcome& connected) {
        remote::Outcome outcome;
        outcome.code = connected.code;
        outcome.message = connected.message;
        return outcome;
    };
    // RCON's own login, once the way to it is there.
    const auto login = [this, name, timeoutMs, done, asOutcome](const QString& secret, bool tunnel) {
        const storage::ServerProfile* now = servers_.profile(name);
        if (now == nullptr) return done(asOutcome({QStringLiteral("cancelled"), QStringLiteral("服务器已删除")}));
        const auto connected = [this, name, done, asOutcome](const rcon::ConnectOutcome& outcome) {
            if (outcome.ok()) connectedProfile_ = name;
            done(asOutcome(outcome));
        };
        connectedProfile_.clear();
        if (!tunnel)
            return client_.connectToServer(storage::rconHost(*now), now->rconPort, secret, timeoutMs, this, connected);
        const QString host = storage::rconHost(*now);
        const quint16 port = now->rconPort;
        QPointer<remote::Session> session(servers_.session(name));
        rcon::Opener opener = [this, session, host, port](const std::function<void(const rcon::Stream&)>& give) {
            if (session == nullptr) return give({-1, QStringLiteral("cancelled"), QStringLiteral("服务器已删除")});
            session->openTunnel(host, port, this, [give](const remote::TunnelOutcome& opened) {
                give({opened.descriptor, opened.code, opened.message});
            });
        };
        client_.connectThrough(opener, QStringLiteral("%1（经 SSH 隧道）").arg(name), secret, timeoutMs, this,
                               connected);
    };
    const auto withSecret = [this, name, password, login](bool tunnel) {
        if (password) return login(*password, tunnel);
        servers_.readSecret(name, storage::SecretKind::RconPassword, this,
                            [login, tunnel](const QString& kept) { login(kept, tunnel); });
    };
    if (!profile->tunnel) return withSecret(false);
    // Through the tunnel: the SSH connection first, its host key and login settled (a script hears
    // the server's own code, the fingerprint with it).
    reachServer(servers_, name, person, this, [withSecret, done](const remote::Outcome& reached, remote::Session*) {
        if (!reached.ok()) return done(reached);
        withSecret(true);
    });
}

void ServerLink::disconnectFromServer() { client_.disconnectFromServer(); }

void ServerLink::send(const QString& command, const QString& where, int timeoutMs, const AnswerDone& done) {
    showReplies(true);
    const int id = ++lastSent_;
    // A line the client refuses at once never waits for an answer.
    if (static_cast<std::size_t>(command.toUtf8().size()) <= rcon::kMaxRequestPayload && client_.hasCredentials()) {
        waiting_[id] = {command, waiting_.empty() ? clockMs() : -1};
        if (!ticker_.isActive()) ticker_.start();
        tick();
    }
    client_.send(command, timeoutMs, this, [this, id, command, where, done](const rcon::Answer& answer) {
        waiting_.erase(id);
        if (!waiting_.empty() && waiting_.begin()->second.sinceMs < 0) waiting_.begin()->second.sinceMs = clockMs();
        tick();
        if (answer.ok()) {
            lastAnswer_ = answer.text;
            panel_->addExchange(where, command, Outcome::Answer, answer.text);
        } else {
            panel_->addExchange(where, command, Outcome::Failed, answer.message);
        }
        // A line that timed out leaves the connection as it was: the status bar says both.
        if (answer.ok() || answer.code == QLatin1String("timeout")) {
            timedOut_ = answer.ok() ? QString() : answer.message;
            showState();
        }
        if (done) done(answer);
    });
}

void ServerLink::tick() {
    if (waiting_.empty()) {
        ticker_.stop();
        panel_->setWaiting({});
        return;
    }
    const Waiting& head = waiting_.begin()->second;
    const qint64 seconds = head.sinceMs < 0 ? 0 : (clockMs() - head.sinceMs) / 1000;
    QString text = QStringLiteral("正在等待%1的回答… %2 秒").arg(quoted(head.command)).arg(seconds);
    if (waiting_.size() > 1) text += QStringLiteral("（另有 %1 行排队）").arg(waiting_.size() - 1);
    panel_->setWaiting(text);
}

bool ServerLink::sendPanel(const actions::PanelRow& row, int timeoutMs, LinesDone done) {
    if (batch_ != nullptr) return false;
    LiveWindow* live = runtime_.window(row.window);
    auto* edit = live != nullptr ? qobject_cast<QPlainTextEdit*>(live->controlByName(row.name)) : nullptr;
    batch_ = std::make_unique<Batch>();
    batch_->done = std::move(done);
    batch_->timeoutMs = timeoutMs;
    int skipped = 0;
    if (edit != nullptr) {
        for (const auto& [number, text] : linesToSend(edit)) {
            const std::string line = toUtf8(text);
            Batch::Item item{number, fromUtf8(actions::consoleForm(line)), fromUtf8(actions::whyNotFromConsole(line))};
            skipped += item.why.isEmpty() ? 0 : 1;
            batch_->items.push_back(std::move(item));
        }
    }
    showReplies(true);
    const QString title = edit != nullptr ? panelTitle(live, row, edit, live == main_) : QString();
    const auto count = static_cast<qsizetype>(batch_->items.size());
    if (count == 0) {
        panel_->addNote(QStringLiteral("“%1”中没有可以发送的行").arg(title));
    } else {
        QString note = QStringLiteral("发送“%1”的 %2 行").arg(title).arg(count);
        if (skipped > 0) note += QStringLiteral("（其中 %1 行作用于手持物品，不能从控制台运行，不发送）").arg(skipped);
        panel_->addNote(note);
        panel_->setStoppable(true);
    }
    step();
    return true;
}

void ServerLink::step() {
    Batch& batch = *batch_;
    while (batch.next < batch.items.size()) {
        const Batch::Item& item = batch.items[batch.next];
        const QString where = QStringLiteral("第%1行").arg(item.line);
        LineResult result{
            .line = item.line, .command = item.command, .bytes = static_cast<qsizetype>(item.command.toUtf8().size())};
        if (!batch.stopped.isEmpty()) {
            result.code = QStringLiteral("not-sent");
            result.message = batch.stopped;
            panel_->addExchange(where, item.command, Outcome::NotSent, batch.stopped);
        } else if (!item.why.isEmpty()) {
            result.skipped = item.why;
            panel_->addExchange(where, item.command, Outcome::Skipped, item.why);
        } else {
            send(item.command, where, batch.timeoutMs, [this](const rcon::Answer& answer) { batchAnswer(answer); });
            return;
        }
        batch.results.push_back(std::move(result));
        ++batch.next;
    }
    finishBatch();
}

void ServerLink::batchAnswer(const rcon::Answer& answer) {
    if (batch_ == nullptr) return;
    Batch& batch = *batch_;
    const Batch::Item& item = batch.items[batch.next];
    LineResult result{.line = item.line, .command = item.command, .bytes = answer.bytes};
    if (answer.ok()) {
        result.reply = answer.text;
    } else {
        result.code = answer.code;
        result.message = answer.message;
        // A line sent without a whole answer, or a connection that cannot be made: the server
        // may be stuck or gone, so the lines after it wait for the user instead of piling up.
        if (answer.code != QLatin1String("too-long") && batch.stopped.isEmpty())
            batch.stopped = QStringLiteral("没有发送：第%1行没有得到完整的回答，后面的行都没有发送").arg(item.line);
    }
    batch.results.push_back(std::move(result));
    ++batch.next;
    step();
}

void ServerLink::stopPanel() {
    if (batch_ != nullptr && batch_->stopped.isEmpty()) batch_->stopped = QStringLiteral("没有发送：已停止");
}

void ServerLink::finishBatch() {
    const std::unique_ptr<Batch> batch = std::move(batch_);
    panel_->setStoppable(false);
    if (batch->done) batch->done(batch->results);
}

void ServerLink::sendFromPanelButton(const actions::PanelRow& row) {
    if (row.window != main_->id()) main_->raise();  // the replies show below the main window's form
    if (batch_ != nullptr) {
        showReplies(true);
        menu_.showStatus(QStringLiteral("另一个输出框的行正在发送：请等它发完，或在“服务器回复”中点“停止”"));
        return;
    }
    if (!client_.hasCredentials()) return connectThen([this, row = &row] { sendFromPanelButton(*row); });
    sendPanel(row, timeoutMs_, {});
}

void ServerLink::sendFromCommandBox(const QString& line) {
    const std::string form = actions::consoleForm(toUtf8(line));
    const QString command = fromUtf8(form);
    if (command.trimmed().isEmpty()) return;
    if (!actions::isOneLine(form)) {
        showReplies(true);
        panel_->addNote(QStringLiteral("指令框中有换行，没有发送：请一行一行地发送"));
        return;
    }
    if (!client_.hasCredentials()) return connectThen([this, command] { send(command, {}, timeoutMs_, {}); });
    send(command, {}, timeoutMs_, {});
}

void ServerLink::openConnectDialog() { connectThen({}); }

void ServerLink::openProfiles() {
    if (profiles_ != nullptr) {
        profiles_->raise();
        profiles_->activateWindow();
        return;
    }
    auto* dialog = new ProfileDialog(servers_, main_);
    profiles_ = dialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

// Opens the dialog for the current profile (or raises the one open); then runs once it has
// connected. Without a profile, the list of servers opens to make one.
void ServerLink::connectThen(std::function<void()> then) {
    const storage::ServerProfile* profile = servers_.profile(servers_.current());
    if (profile == nullptr) {
        menu_.showStatus(QStringLiteral("还没有选择服务器：先在“服务器列表…”中添加一个，再连接"));
        return openProfiles();
    }
    afterConnect_ = std::move(then);
    if (dialog_ != nullptr && dialog_->profileName() == profile->name) {
        dialog_->raise();
        dialog_->activateWindow();
        return;
    }
    if (dialog_ != nullptr) dialog_->reject();
    auto* dialog = new ConnectDialog(*profile, main_);
    dialog_ = dialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &ConnectDialog::connectRequested, this, &ServerLink::dialogConnect);
    connect(dialog, &ConnectDialog::profilesRequested, this, [this] {
        if (dialog_ != nullptr) dialog_->reject();
        openProfiles();
    });
    connect(dialog, &QDialog::rejected, this, [this] {
        afterConnect_ = {};
        // Cancelled while connecting: the connection is not wanted any more.
        if (std::exchange(attempt_, 0) != 0) client_.disconnectFromServer();
    });
    readKeyring();
    dialog->open();
}

void ServerLink::dialogConnect() {
    if (dialog_ == nullptr) return;
    const QString name = dialog_->profileName();
    const storage::ServerProfile* profile = servers_.profile(name);
    if (profile == nullptr) return dialog_->setFailed(servers_.loginProblem(name));
    const bool remember = dialog_->remember();
    // Unticking "记住密码" forgets the password the keyring kept for that server.
    const bool forget = profile->keepRconPassword && !remember;
    if (profile->keepRconPassword != remember) {
        storage::ServerProfile changed = *profile;
        changed.keepRconPassword = remember;
        servers_.put(changed);
    }
    const QString password = dialog_->password();
    const int attempt = ++attempts_;
    attempt_ = attempt;
    dialog_->setConnecting(QStringLiteral("正在连接：%1…").arg(ConnectDialog::route(*servers_.profile(name))));
    connectProfile(name, password, timeoutMs_, dialog_,
                   [this, attempt, name, password, remember, forget](const remote::Outcome& outcome) {
                       if (attempt_ != attempt) return;  // the dialog was cancelled
                       attempt_ = 0;
                       if (!outcome.ok()) {
                           if (dialog_ != nullptr) dialog_->setFailed(outcome.message);
                           return;
                       }
                       servers_.setSecret(name, storage::SecretKind::RconPassword, password);
                       if (remember) {
                           servers_.keepSecret(
                               name, storage::SecretKind::RconPassword, password, this,
                               [this](const rcon::KeyringResult& kept) {
                                   if (kept.ok()) return menu_.showStatus(QStringLiteral("密码已保存在系统密钥环中"));
                                   menu_.showStatus(kept.message);
                                   panel_->addNote(kept.message);
                               });
                       } else if (forget) {
                           servers_.forgetSecret(name, storage::SecretKind::RconPassword);
                           servers_.setSecret(name, storage::SecretKind::RconPassword, password);
                       }
                       std::function<void()> then = std::exchange(afterConnect_, {});
                       if (dialog_ != nullptr) dialog_->accept();
                       if (then) then();
                   });
}

// The password memory or the keyring keeps for the dialog's server.
void ServerLink::readKeyring() {
    if (dialog_ == nullptr) return;
    const QString name = dialog_->profileName();
    const storage::ServerProfile* profile = servers_.profile(name);
    const bool kept = servers_.hasSecret(name, storage::SecretKind::RconPassword);
    if (profile == nullptr || (!kept && !profile->keepRconPassword)) return;
    if (!kept) dialog_->setNote(QStringLiteral("正在从系统密钥环读取密码…"));
    QPointer<ConnectDialog> dialog(dialog_);
    servers_.readSecret(name, storage::SecretKind::RconPassword, dialog_, [dialog, kept](const QString& secret) {
        if (dialog == nullptr) return;
        if (secret.isEmpty())
            return dialog->setNote(QStringLiteral("系统密钥环中没有这个服务器的密码（或没有可用的密钥环）"));
        dialog->offerPassword(secret);
        dialog->setNote(kept ? QString() : QStringLiteral("已从系统密钥环读取密码"));
    });
}

void ServerLink::saveAndReload(const RequestPtr& request, std::function<void(const Reloaded&)> done) {
    const QString profile = reloadProfile();
    auto finished = std::make_shared<std::function<void(const Reloaded&)>>(std::move(done));
    const auto saved = [alive = QPointer<ServerLink>(this), request, profile, finished](const Request::Result& result) {
        if (alive == nullptr) return request->finish();
        if (!result.ran()) {
            // A person was told (or cancelled); a script hears why, with the save's code.
            if (!request->asksPerson()) {
                request->explain(result.code, result.details);
                request->refuse({}, result.refusal.isEmpty() ? QStringLiteral("没有保存") : result.refusal);
            }
            return request->finish();
        }
        request->status(result.status);
        const QString path = alive->menu_.documents().document(actions::Panel::Config).path;
        // The check ends the request when it keeps the reload back.
        const auto go = [alive, request, profile, finished, result] {
            if (alive == nullptr) return request->finish();
            alive->reload(profile, request, *finished, {result, std::nullopt, {}});
        };
        if (alive->reloadCheck_) return alive->reloadCheck_(request, path, go);
        go();
    };
    menu_.save(request->asksPerson() ? Request::person(main_, saved) : Request::script(saved, request->forced()));
}

QString ServerLink::reloadProfile() const {
    const documents::Document document = menu_.documents().document(actions::Panel::Config);
    return document.onServer() ? document.place : servers_.current();
}

// The reload command of the profile, over its RCON: the connection there is, when it is the
// profile's (or, for a file on this computer, any); else the profile's own, connected first. Ends
// the request once the command is answered, or with why it was not sent.
void ServerLink::reload(const QString& profile, const RequestPtr& request,
                        const std::function<void(const Reloaded&)>& done, const Reloaded& so) {
    const storage::ServerProfile* found = servers_.profile(profile);
    const QString reloadCommand = found != nullptr ? found->reloadCommand : storage::ServerProfile{}.reloadCommand;
    const QString command = fromUtf8(actions::consoleForm(toUtf8(reloadCommand)));
    if (command.trimmed().isEmpty()) {
        const QString message = QStringLiteral("已保存；没有设置重载指令（在“服务器列表…”中设置）");
        menu_.showStatus(message);
        request->status(message);
        if (done) done(so);
        return request->finish();
    }
    const bool onServer = menu_.documents().document(actions::Panel::Config).onServer();
    const bool ready = client_.hasCredentials() && (!onServer || connectedProfile_ == profile);
    const std::function<void()> sendNow = [this, command, request, done, so] {
        send(command, QStringLiteral("保存并重载"), timeoutMs_, [request, done, so](const rcon::Answer& answer) {
            Reloaded sent = so;
            sent.answer = answer;
            if (done) done(sent);
            request->finish();
        });
    };
    if (ready) return sendNow();
    if (request->asksPerson()) {
        // The file's server becomes the current one: the connect dialog is the profile's. The
        // dialog holds the request till it connects; cancelled, it lets go of it.
        if (found != nullptr && servers_.current() != profile) servers_.setCurrent(profile);
        return connectThen(sendNow);
    }
    if (found == nullptr) {
        request->explain(QStringLiteral("not-connected"));
        request->refuse({}, QStringLiteral("已保存；未连接服务器，没有发送重载指令：请先连接（connect）"));
        return request->finish();
    }
    connectProfile(profile, std::nullopt, timeoutMs_, nullptr,
                   [sendNow, request, done, so](const remote::Outcome& outcome) {
                       if (outcome.ok()) return sendNow();
                       Reloaded failed = so;
                       failed.connection = outcome;
                       if (done) done(failed);
                       request->finish();
                   });
}

void ServerLink::fillCurrentMenu() {
    currentMenu_->clear();
    if (servers_.profiles().empty()) currentMenu_->addAction(QStringLiteral("（没有）"))->setEnabled(false);
    auto* group = new QActionGroup(currentMenu_);
    for (const storage::ServerProfile& profile : servers_.profiles()) {
        QAction* entry = currentMenu_->addAction(profile.name);
        entry->setCheckable(true);
        entry->setChecked(profile.name == servers_.current());
        entry->setActionGroup(group);
        connect(entry, &QAction::triggered, this, [this, name = profile.name] { servers_.setCurrent(name); });
    }
}

void ServerLink::showCurrent() {
    const QString name = servers_.current();
    current_->setText(name.isEmpty() ? QStringLiteral("服务器：未选择") : QStringLiteral("服务器：") + name);
    const storage::ServerProfile* profile = servers_.profile(name);
    current_->setToolTip(profile == nullptr
                             ? QStringLiteral("在“服务器”→“服务器列表…”中添加服务器")
                             : QStringLiteral("当前服务器 %1（%2@%3:%4）：打开服务器上的文件和 RCON 都用它")
                                   .arg(name, profile->user, profile->host)
                                   .arg(profile->port));
}

void ServerLink::showReplies(bool shown) { main_->showPanel(panel_, shown); }

void ServerLink::showState() {
    QString text = client_.statusText();
    if (!timedOut_.isEmpty()) text += QStringLiteral("；上一行超时：") + timedOut_;
    state_->setText(QFontMetrics(state_->font()).elidedText(text, Qt::ElideRight, kStateWidth));
    state_->setToolTip(QStringLiteral("服务器连接（RCON）：") + text);
}

void ServerLink::stateChanged(rcon::Client::State state, const QString& text) {
    timedOut_.clear();
    showState();
    if (QAction* disconnect = action("server-disconnect"))
        disconnect->setEnabled(state != rcon::Client::State::Disconnected);
    switch (state) {
    case rcon::Client::State::Connecting: break;
    case rcon::Client::State::Connected:
        showReplies(true);
        panel_->addNote(text);
        break;
    case rcon::Client::State::Failed: panel_->addNote(text); break;
    case rcon::Client::State::Disconnected: panel_->addNote(QStringLiteral("已断开连接")); break;
    }
}

}  // namespace ui
