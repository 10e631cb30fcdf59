// The server link through its widgets against the test server: "发送到服务器" beside the
// panels, the connect dialog and the keyring, the "服务器回复" panel and its command box,
// "保存并重载", and the password kept out of every file.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDirIterator>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <QtTest/QTest>

#include "forms/windows.h"
#include "server_fixture.h"
#include "storage/server_profiles.h"
#include "text/format.h"
#include "ui/base/text.h"
#include "ui/entries/entry_list.h"
#include "ui/files/session_keeper.h"
#include "ui/server/command_line.h"
#include "ui/server/connect_dialog.h"
#include "ui/server/reply_panel.h"

namespace server_testing {
namespace {

using rcon_test::Stall;

class ServerWidgets : public ServerTest {
protected:
    void SetUp() override {
        ServerTest::SetUp();
        addProfile();
    }
    // The test server as the current profile: its RCON straight to it, as earlier versions reached it.
    void addProfile() {
        storage::ServerProfile profile;
        profile.name = QStringLiteral("test");
        profile.host = kHost;
        profile.tunnel = false;
        profile.rconPort = server.port();
        ASSERT_EQ(editor->servers().put(profile), QString());
        ASSERT_TRUE(editor->servers().setCurrent(profile.name));
    }
    QPushButton* sendButton(std::uint32_t window = forms::kMainWindowId) {
        ui::LiveWindow* live = runtime->window(window);
        return live != nullptr ? live->findChild<QPushButton*>(QStringLiteral("sendToServer")) : nullptr;
    }
    QString replies() const { return link->replyPanel()->view()->toPlainText(); }
    ui::CommandLine* commandBox() const { return link->replyPanel()->commandLine(); }

    // Fills the open connect dialog with the test server and clicks "连接".
    void connectThroughDialog(bool remember) {
        ui::ConnectDialog* dialog = link->connectDialog();
        ASSERT_NE(dialog, nullptr);
        dialog->passwordEdit()->setText(kPassword);
        dialog->rememberBox()->setChecked(remember);
        dialog->connectButton()->click();
        ASSERT_TRUE(waitFor([&] { return !dialog->isVisible(); }));
    }
};

// Each send button sits between its panel's copy and clear buttons, covers no control of the
// form and shows its whole caption, also once the window has grown.
TEST_F(ServerWidgets, SendButtonsSitBetweenCopyAndClearAndCoverNothing) {
    runtime->open(forms::kPassiveSkillWindowId);
    for (const actions::PanelRow& row : actions::panels()) {
        ui::LiveWindow* live = runtime->window(row.window);
        QPushButton* send = sendButton(row.window);
        if (!row.console) {
            EXPECT_EQ(live->findChildren<QPushButton*>(QStringLiteral("sendToServer")).size(), 1);
            continue;
        }
        ASSERT_NE(send, nullptr) << row.name;
        for (const QSize grow : {QSize(0, 0), QSize(300, 200)}) {
            live->resize(live->size() + grow);
            QApplication::processEvents();
            const QRect button = send->geometry();
            const QRect copy = live->controlByName(row.copy)->geometry();
            const QRect clear = live->controlByName(row.clear)->geometry();
            EXPECT_TRUE(send->parentWidget()->rect().contains(button)) << row.name;
            EXPECT_TRUE(send->isVisible());
            const QSize caption = send->fontMetrics().boundingRect(QRect(), 0, send->text()).size();
            EXPECT_GE(button.width(), caption.width() + 8) << "the caption is cut";
            EXPECT_GE(button.height(), caption.height() + 4) << "the caption is cut";
            if (copy.x() == clear.x()) {
                EXPECT_GT(button.top(), copy.bottom());
                EXPECT_LT(button.bottom(), clear.top());
            } else {
                EXPECT_GT(button.left(), copy.right());
                EXPECT_LT(button.right(), clear.left());
            }
            const forms::Window& form = live->form();
            for (std::size_t i = 0; i < form.units.size(); ++i) {
                QWidget* other = live->builtControl(static_cast<int>(i));
                const forms::Kind kind = form.units[i].kind;
                if (other == nullptr || other->parentWidget() != send->parentWidget() || other->isHidden() ||
                    kind == forms::Kind::GroupBox)
                    continue;
                EXPECT_FALSE(other->geometry().intersects(button)) << form.units[i].name << " under the send button";
            }
        }
    }
}

// Tab reads the window as it is laid out: the form, then the replies below it, then the
// entries list beside them.
TEST_F(ServerWidgets, TabReachesTheRepliesBeforeTheEntriesList) {
    link->showReplies(true);
    auto* list = main->findChild<ui::EntryList*>();
    ASSERT_NE(list, nullptr);
    const auto inside = [](QWidget* widget, QWidget* area) { return widget == area || area->isAncestorOf(widget); };
    int replies = -1;
    int entries = -1;
    int step = 0;
    for (QWidget* at = main->nextInFocusChain(); at != main && (replies < 0 || entries < 0);
         at = at->nextInFocusChain()) {
        if (replies < 0 && inside(at, link->replyPanel())) replies = step;
        if (entries < 0 && inside(at, list)) entries = step;
        ++step;
    }
    ASSERT_GE(replies, 0);
    ASSERT_GE(entries, 0);
    EXPECT_LT(replies, entries);
}

TEST_F(ServerWidgets, SendingUnconnectedAsksForTheServerThenSendsAndSaysNoKeyringKeptThePassword) {
    EXPECT_EQ(link->stateLabel()->text(), QStringLiteral("未连接"));
    EXPECT_FALSE(main->panelShown(link->replyPanel()));
    panel("编辑框1")->setPlainText(QStringLiteral("/echo 你好\r\n/att Stats DAMAGE 10\r\n"));
    sendButton()->click();
    ui::ConnectDialog* dialog = link->connectDialog();
    ASSERT_NE(dialog, nullptr);
    // The profile's RCON goes straight to the host: the dialog says so, and that it is in clear.
    EXPECT_EQ(dialog->routeLabel()->text(), QStringLiteral("直接连接 %1（RCON 不加密）").arg(address()));
    EXPECT_FALSE(dialog->warningLabel()->isHidden());
    EXPECT_EQ(commandsReceived(), QStringList());
    connectThroughDialog(true);
    ASSERT_TRUE(waitFor([&] { return commandsReceived().size() == 1; }));
    EXPECT_EQ(commandsReceived(), QStringList{QStringLiteral("echo 你好")});
    EXPECT_EQ(link->stateLabel()->text(), QStringLiteral("已连接 ") + address());
    EXPECT_TRUE(link->replyPanel()->isVisible());
    // Without a keyring the editor says the password was not kept: it asks again next time.
    ASSERT_TRUE(waitFor([&] { return replies().contains(QStringLiteral("没有可用的密钥环")); }));
    EXPECT_TRUE(replies().contains(QStringLiteral("下次连接时需要重新输入")));
    // ... and the next dialog has the password of this run (from memory, never a file), the box
    // still ticked.
    link->openConnectDialog();
    ui::ConnectDialog* again = link->connectDialog();
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->rememberBox()->isChecked());
    ASSERT_TRUE(waitFor([&] { return again->passwordEdit()->text() == kPassword; }));
    again->reject();
    EXPECT_EQ(link->stateLabel()->text(), QStringLiteral("已连接 ") + address());  // cancelled, still connected
}

TEST_F(ServerWidgets, AWrongPasswordKeepsTheDialogOpenWithTheReason) {
    link->openConnectDialog();
    ui::ConnectDialog* dialog = link->connectDialog();
    ASSERT_NE(dialog, nullptr);
    dialog->passwordEdit()->setText(QStringLiteral("wrong"));
    dialog->connectButton()->click();
    EXPECT_FALSE(dialog->connectButton()->isEnabled());  // connecting
    ASSERT_TRUE(waitFor([&] { return dialog->connectButton()->isEnabled(); }));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->messageLabel()->text(), QStringLiteral("密码错误，%1 拒绝了登录").arg(address()));
    EXPECT_EQ(link->stateLabel()->text(), QStringLiteral("连接失败：密码错误，%1 拒绝了登录").arg(address()));
    dialog->reject();
}

TEST_F(ServerWidgets, TheReplyPanelDrawsEachAnswerInTheGamesColoursUnderItsLine) {
    ASSERT_EQ(connectToServer(), (QJsonObject{{"ok", true}}));
    panel("编辑框1")->setPlainText(QStringLiteral("/echo §6红宝石§r的§l光芒\n/att Stats DAMAGE 10\n/echo 第二行"));
    sendButton()->click();
    ASSERT_TRUE(waitFor([&] { return !link->isSendingPanel(); }));
    EXPECT_EQ(replies(), QStringLiteral("已连接 %1\n"
                                        "发送“指令输出框”的 3 行（其中 1 行作用于手持物品，不能从控制台运行，不发送）\n"
                                        "第1行  › echo §6红宝石§r的§l光芒\n"
                                        "红宝石的光芒\n"
                                        "第2行  › att Stats DAMAGE 10\n"
                                        "没有发送：/att 作用于输入它的玩家手中的物品（加属性），控制台没有手持物品："
                                        "请在游戏的聊天框中输入\n"
                                        "第3行  › echo 第二行\n"
                                        "第二行")
                             .arg(address()));
    // The answer's runs: gold, then white, then white and bold, as the game draws them.
    QStringList runs;
    for (QTextBlock block = link->replyPanel()->view()->document()->begin(); block.isValid(); block = block.next())
        if (block.text() == QStringLiteral("红宝石的光芒"))
            for (auto it = block.begin(); !it.atEnd(); ++it)
                runs << QStringLiteral("%1 %2 %3")
                            .arg(it.fragment().text(), it.fragment().charFormat().foreground().color().name())
                            .arg(it.fragment().charFormat().fontWeight());
    EXPECT_EQ(runs, (QStringList{QStringLiteral("红宝石 #ffaa00 400"), QStringLiteral("的 #ffffff 400"),
                                 QStringLiteral("光芒 #ffffff 700")}));
}

// An answer is drawn as the game's console and chat draw it: "§" starts a code, "&" is text.
// Black and dark blue, which the game's dark ground would swallow, stand on a light backing;
// the other colours on the ground as they are.
TEST_F(ServerWidgets, TheReplyPanelTakesOnlySectionSignsAndKeepsDarkColoursReadable) {
    ASSERT_EQ(connectToServer(), (QJsonObject{{"ok", true}}));
    ASSERT_EQ(op({{"op", "send"}, {"command", "echo &c不是颜色 §0黑§1蓝§c红"}}).value("ok"), true);
    EXPECT_TRUE(replies().endsWith(QStringLiteral("› echo &c不是颜色 §0黑§1蓝§c红\n&c不是颜色 黑蓝红")))
        << replies().toStdString();
    QStringList runs;
    const QTextBlock last = link->replyPanel()->view()->document()->lastBlock();
    for (auto it = last.begin(); !it.atEnd(); ++it) {
        const QTextCharFormat format = it.fragment().charFormat();
        runs << QStringLiteral("%1 %2 %3")
                    .arg(it.fragment().text(), format.foreground().color().name(),
                         format.background().style() == Qt::NoBrush ? QStringLiteral("-")
                                                                    : format.background().color().name());
    }
    EXPECT_EQ(runs, (QStringList{QStringLiteral("&c不是颜色  #ffffff -"), QStringLiteral("黑 #000000 #c6c6c6"),
                                 QStringLiteral("蓝 #0000aa #c6c6c6"), QStringLiteral("红 #ff5555 -")}));
}

// After a line timed out the connection is still there, and the status bar says both, until
// a line gets its whole answer again.
TEST_F(ServerWidgets, TheStatusBarTellsOfALineThatTimedOutUntilTheNextAnswer) {
    ASSERT_EQ(connectToServer(), (QJsonObject{{"ok", true}}));
    EXPECT_EQ(op({{"op", "send"}, {"command", "sleep 800 迟到"}, {"timeoutMs", 300}}).value("code"), "timeout");
    const QString connected = QStringLiteral("已连接 ") + address();
    EXPECT_EQ(
        link->stateLabel()->toolTip(),
        QStringLiteral("服务器连接（RCON）：%1；上一行超时：“sleep 800 迟到”在0.3 秒内没有得到完整的回答（没有重发）")
            .arg(connected));
    EXPECT_TRUE(link->stateLabel()->text().startsWith(connected + QStringLiteral("；上一行超时")))
        << link->stateLabel()->text().toStdString();
    EXPECT_EQ(op({{"op", "send"}, {"command", "echo 好"}}), (QJsonObject{{"ok", true}, {"reply", "好"}}));
    EXPECT_EQ(link->stateLabel()->text(), connected);
    EXPECT_EQ(link->stateLabel()->toolTip(), QStringLiteral("服务器连接（RCON）：") + connected);
}

// An answer of megabytes would hold the window while it is drawn: the panel shows its
// beginning and says how long it is; the op still answers all of it.
TEST_F(ServerWidgets, AVeryLongAnswerShowsItsBeginningAndTheOpHasAllOfIt) {
    ASSERT_EQ(connectToServer(), (QJsonObject{{"ok", true}}));
    const QString answer = rcon_test::chineseText(150'000);
    EXPECT_EQ(op({{"op", "send"}, {"command", "big 150000"}}), (QJsonObject{{"ok", true}, {"reply", answer}}));
    EXPECT_TRUE(replies().endsWith(QStringLiteral("……（回答共 150000 个字符，这里只显示前 20000 个）")));
    QString shown;
    for (const text::Line& line : text::format(ui::toUtf8(answer.left(ui::ReplyPanel::kMaxShown)), text::Role::Message))
        for (const text::Run& run : line) shown += ui::fromUtf8(run.text);
    EXPECT_TRUE(replies().contains(shown));
}

TEST_F(ServerWidgets, OnlyTheSelectedLinesGoWhenSomeAreSelected) {
    ASSERT_EQ(connectToServer(), (QJsonObject{{"ok", true}}));
    QPlainTextEdit* commands = panel("编辑框1");
    commands->setPlainText(QStringLiteral("/echo 一\n/echo 二\n/echo 三\n/echo 四"));
    // From inside line 2 to the very start of line 4: lines 2 and 3.
    QTextCursor cursor(commands->document()->findBlockByNumber(1));
    cursor.movePosition(QTextCursor::Right);
    cursor.setPosition(commands->document()->findBlockByNumber(3).position(), QTextCursor::KeepAnchor);
    commands->setTextCursor(cursor);
    sendButton()->click();
    ASSERT_TRUE(waitFor([&] { return !link->isSendingPanel(); }));
    EXPECT_EQ(commandsReceived(), (QStringList{QStringLiteral("echo 二"), QStringLiteral("echo 三")}));
}

TEST_F(ServerWidgets, TheCommandBoxSendsWhatIsTypedAndKeepsItsHistory) {
    ASSERT_EQ(connectToServer(), (QJsonObject{{"ok", true}}));
    ui::CommandLine* box = commandBox();
    box->setFocus();
    QTest::keyClicks(box, "/list");
    QTest::keyClick(box, Qt::Key_Return);
    box->setText(QStringLiteral("echo 中文 §c红色"));
    QTest::keyClick(box, Qt::Key_Return);
    ASSERT_TRUE(waitFor([&] { return commandsReceived().size() == 2; }));
    EXPECT_EQ(commandsReceived(), (QStringList{QStringLiteral("list"), QStringLiteral("echo 中文 §c红色")}));
    ASSERT_TRUE(waitFor([&] { return replies().endsWith(QStringLiteral("中文 红色")); }));
    EXPECT_TRUE(replies().contains(QStringLiteral("› list\nThere are 2 of a max of 20 players online: Steve, 小明\n")));
    EXPECT_EQ(box->text(), QString());
    // Up walks back through what was sent, down comes forward to the line being typed.
    QTest::keyClicks(box, "draft");
    QStringList seen;
    for (const Qt::Key key : {Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down}) {
        QTest::keyClick(box, key);
        seen << box->text();
    }
    EXPECT_EQ(seen,
              (QStringList{QStringLiteral("echo 中文 §c红色"), QStringLiteral("/list"), QStringLiteral("/list"),
                           QStringLiteral("echo 中文 §c红色"), QStringLiteral("draft"), QStringLiteral("draft")}));
}

// The command box sends one line: a paste that holds a line break, by the panel's rule, is
// not sent at all, rather than as two commands or a command with a break in it.
TEST_F(ServerWidgets, TheCommandBoxSendsNoLineBreak) {
    ASSERT_EQ(connectToServer(), (QJsonObject{{"ok", true}}));
    for (const char16_t ch : {u'\n', u'\u2029'}) {
        commandBox()->setText(QStringLiteral("echo a") + QChar(ch) + QStringLiteral("op Steve"));
        QTest::keyClick(commandBox(), Qt::Key_Return);
        EXPECT_TRUE(replies().endsWith(QStringLiteral("指令框中有换行，没有发送：请一行一行地发送")))
            << replies().toStdString();
    }
    commandBox()->setText(QStringLiteral("echo a") + QChar(0x2028) + QStringLiteral("b"));
    QTest::keyClick(commandBox(), Qt::Key_Return);
    ASSERT_TRUE(waitFor([&] { return !commandsReceived().isEmpty(); }));
    EXPECT_EQ(commandsReceived(), QStringList{QStringLiteral("echo a") + QChar(0x2028) + QStringLiteral("b")});
}

// A server that takes the lines and never answers: the head of the panel counts the seconds,
// the window takes clicks, "停止" keeps the rest back, and the line in flight times out.
TEST_F(ServerWidgets, AStalledServerLeavesTheWindowAnsweringAndStopKeepsTheRestBack) {
    ASSERT_EQ(connectToServer(), (QJsonObject{{"ok", true}}));
    link->setTimeoutMs(2500);
    server.options().stall = Stall::Commands;
    panel("编辑框1")->setPlainText(QStringLiteral("/echo 一\n/echo 二\n/echo 三"));
    sendButton()->click();
    QLabel* waiting = link->replyPanel()->waitingLabel();
    ASSERT_TRUE(waitFor([&] { return waiting->text().contains(QStringLiteral("1 秒")); }, 5000));
    EXPECT_EQ(waiting->text(), QStringLiteral("正在等待“echo 一”的回答… 1 秒"));
    QPushButton* stop = link->replyPanel()->stopButton();
    ASSERT_TRUE(stop->isVisible());
    QTest::mouseClick(stop, Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !link->isSendingPanel(); }));
    EXPECT_TRUE(
        replies().endsWith(QStringLiteral("第1行  › echo 一\n"
                                          "“echo 一”在2.5 秒内没有得到完整的回答（没有重发）\n"
                                          "第2行  › echo 二\n"
                                          "没有发送：已停止\n"
                                          "第3行  › echo 三\n"
                                          "没有发送：已停止")))
        << replies().toStdString();
    EXPECT_FALSE(stop->isVisible());
    EXPECT_EQ(waiting->text(), QString());
    EXPECT_EQ(commandsReceived(), QStringList{QStringLiteral("echo 一")});
}

TEST_F(ServerWidgets, TheReplyPanelShowsBelowTheFormAndHidesAgain) {
    ASSERT_TRUE(waitFor([&] { return main->isFitted(); }));  // on a screen with room for its form
    const int before = main->height();
    const QSize form = main->formScroll()->viewport()->size();
    QAction* shown = link->action("server-replies");
    EXPECT_FALSE(shown->isChecked());
    ASSERT_EQ(connectToServer(), (QJsonObject{{"ok", true}}));
    ui::ReplyPanel* replyPanel = link->replyPanel();
    QDockWidget* dock = main->dockOf(replyPanel);
    ASSERT_NE(dock, nullptr);
    EXPECT_TRUE(replyPanel->isVisible());
    EXPECT_TRUE(shown->isChecked());
    QCoreApplication::processEvents();
    // On a screen with room the window grows by the dock, and the form keeps its room, above it.
    EXPECT_GT(main->height(), before + replyPanel->sizeHint().height() / 2);
    EXPECT_EQ(main->formScroll()->viewport()->size(), form);
    EXPECT_GT(dock->mapTo(main, QPoint(0, 0)).y(),
              main->formScroll()->mapTo(main, QPoint(0, main->formScroll()->height() - 1)).y());
    QTest::mouseClick(replyPanel->hideButton(), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(main->formScroll()->viewport()->size(), form);
    EXPECT_FALSE(shown->isChecked());
    EXPECT_EQ(main->height(), before);
    shown->trigger();
    EXPECT_TRUE(replyPanel->isVisible());
}

TEST_F(ServerWidgets, SaveAndReloadSendsTheReloadCommandOnlyAfterASave) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("socket.yml"));
    panel("编辑框20")->setPlainText(QStringLiteral("宝石:\n  名称: 红宝石\n"));
    ASSERT_EQ(op({{"op", "save"}, {"control", "编辑框20"}, {"path", path}}).value("ok"), true);
    ASSERT_EQ(connectToServer(), (QJsonObject{{"ok", true}}));
    panel("编辑框20")->setPlainText(QStringLiteral("宝石:\n  名称: 蓝宝石\n"));
    link->action("save-and-reload")->trigger();
    ASSERT_TRUE(waitFor([&] { return commandsReceived().size() == 1; }));
    EXPECT_EQ(commandsReceived(), QStringList{QStringLiteral("quorvel reload")});
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(saved.readAll()), QStringLiteral("宝石:\r\n  名称: 蓝宝石\r\n"));
    ASSERT_TRUE(waitFor([&] {
        return replies().endsWith(
            QStringLiteral("保存并重载  › quorvel reload\nUnknown or "
                           "incomplete command, see below for error\n"
                           "quorvel reload<--[HERE]"));
    }));

    // The file changed on disk: the save asks first, and a "取消" saves nothing and sends nothing.
    saved.close();
    ASSERT_TRUE(saved.open(QIODevice::WriteOnly | QIODevice::Truncate));
    saved.write("changed elsewhere\n");
    saved.close();
    panel("编辑框20")->setPlainText(QStringLiteral("宝石:\n  名称: 绿宝石\n"));
    link->action("save-and-reload")->trigger();
    QMessageBox* question = nullptr;
    ASSERT_TRUE(waitFor([&] {
        question = main->findChild<QMessageBox*>();
        return question != nullptr && question->isVisible();
    }));
    question->reject();
    QTest::qWait(300);
    EXPECT_EQ(commandsReceived(), QStringList{QStringLiteral("quorvel reload")});
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("changed elsewhere\n"));
}

// With the plugin's folder open, a save that gives the folder new findings holds the reload
// back: a person sees them and answers "仍然重载" or not; a script is refused with them unless
// it forces. A save that adds none reloads at once.
TEST_F(ServerWidgets, SaveAndReloadWaitsWhenTheSaveAddsFolderFindings) {
    QTemporaryDir folder;
    const auto write = [&](const char* name, const QByteArray& bytes) {
        QFile file(folder.filePath(QString::fromUtf8(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    write("sockets.yml", "ruby:\n  Display_Name: \"&c红宝石\"\n  Max_Grade: 1\n");
    write("gems.yml", "jade:\n  Display_Name: \"&a翡翠\"\n  Max_Grade: 1\n");
    ASSERT_EQ(op({{"op", "folder"}, {"path", folder.path()}}).value("ok"), true);
    ASSERT_EQ(op({{"op", "open"}, {"control", "编辑框20"}, {"path", folder.filePath(QStringLiteral("gems.yml"))}})
                  .value("ok"),
              true);
    ASSERT_EQ(connectToServer(), (QJsonObject{{"ok", true}}));
    // A second ruby, in another file: a gem the server reads twice.
    ASSERT_EQ(op({{"op", "set"},
                  {"control", "编辑框20"},
                  {"text",
                   "jade:\n  Display_Name: \"&a翡翠\"\n  Max_Grade: 1\nruby:\n  Display_Name: \"&c又一个\"\n  "
                   "Max_Grade: 2\n"}})
                  .value("ok"),
              true);
    link->action("save-and-reload")->trigger();
    QMessageBox* question = nullptr;
    ASSERT_TRUE(waitFor([&] {
        question = main->findChild<QMessageBox*>();
        return question != nullptr && question->isVisible();
    }));
    EXPECT_TRUE(question->text().contains(QStringLiteral("多了 2 个问题"))) << question->text().toStdString();
    EXPECT_TRUE(
        question->text().contains(QStringLiteral("• sockets.yml 第 1 行：宝石识别名“ruby”在gems.yml 第 4 行也有定义")))
        << question->text().toStdString();
    question->reject();
    // The next command is the first the server gets: no reload went before it.
    ASSERT_EQ(op({{"op", "send"}, {"command", "list"}}).value("ok"), true);
    EXPECT_EQ(commandsReceived(), QStringList{QStringLiteral("list")});

    link->action("save-and-reload")->trigger();
    ASSERT_TRUE(waitFor([&] {
        question = nullptr;
        for (QMessageBox* box : main->findChildren<QMessageBox*>())
            if (box->isVisible()) question = box;
        return question != nullptr;
    }));
    for (QAbstractButton* button : question->buttons())
        if (button->text() == QStringLiteral("仍然重载")) button->click();
    ASSERT_TRUE(waitFor([&] { return commandsReceived().size() == 2; }));
    EXPECT_EQ(commandsReceived().last(), QStringLiteral("quorvel reload"));

    const QJsonObject refused = op({{"op", "trigger"}, {"action", "save-and-reload"}});
    EXPECT_EQ(refused.value("code"), "folder-findings");
    EXPECT_EQ(refused.value("findings").toArray().size(), 2);
    EXPECT_EQ(commandsReceived().size(), 2);
    EXPECT_EQ(op({{"op", "trigger"}, {"action", "save-and-reload"}, {"force", true}}).value("reply"),
              "Unknown or incomplete command, see below for error\nquorvel reload<--[HERE]");
    EXPECT_EQ(commandsReceived().size(), 3);

    // Without the second ruby: no new finding, the reload goes at once.
    ASSERT_EQ(
        op({{"op", "set"}, {"control", "编辑框20"}, {"text", "jade:\n  Display_Name: \"&a翡翠\"\n  Max_Grade: 3\n"}})
            .value("ok"),
        true);
    EXPECT_EQ(op({{"op", "trigger"}, {"action", "save-and-reload"}}).value("ok"), true);
    EXPECT_EQ(commandsReceived().size(), 4);
}

// Connected through the dialog with "记住密码", the session kept, the settings written: no
// file below the test's home holds the password, in UTF-8 or UTF-16.
TEST_F(ServerWidgets, ThePasswordReachesNoFile) {
    const QString data = home + QStringLiteral("/data/quorvel-editor");
    ASSERT_TRUE(QDir().mkpath(data));
    const QString settings = data + QStringLiteral("/servers.json");
    editor->servers().setFolder(data);
    addProfile();
    ui::SessionKeeper session(*runtime, editor->documents(), data + QStringLiteral("/session.json"), 0);
    link->openConnectDialog();
    connectThroughDialog(true);
    ASSERT_TRUE(waitFor([&] { return replies().contains(QStringLiteral("没有可用的密钥环")); }));
    commandBox()->setText(QStringLiteral("list"));
    QTest::keyClick(commandBox(), Qt::Key_Return);
    ASSERT_TRUE(waitFor([&] { return commandsReceived().size() == 1; }));
    ASSERT_TRUE(waitFor([&] { return QFile::exists(settings); }));
    session.saveNow();
    const storage::ServerProfiles kept = storage::loadServerProfiles(settings, {});
    ASSERT_EQ(kept.profiles.size(), 1U);
    EXPECT_EQ(kept.profiles.front().rconPort, server.port());
    EXPECT_TRUE(kept.profiles.front().keepRconPassword);
    const QByteArray utf8 = kPassword.toUtf8();
    const QByteArray utf16(reinterpret_cast<const char*>(kPassword.utf16()), kPassword.size() * 2);
    int files = 0;
    QDirIterator all(home, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (all.hasNext()) {
        QFile file(all.next());
        if (!file.open(QIODevice::ReadOnly)) continue;  // sockets and the like
        ++files;
        const QByteArray content = file.readAll();
        EXPECT_FALSE(content.contains(utf8) || content.contains(utf16)) << file.fileName().toStdString();
    }
    EXPECT_GE(files, 2);  // at least the session and the settings were looked at
}

}  // namespace
}  // namespace server_testing
