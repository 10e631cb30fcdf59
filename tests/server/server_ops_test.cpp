// The server link's automation ops against the test server: connect, send a command or a
// panel's lines, disconnect, and the last answer as the game draws it.
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>
#include <optional>

#include "actions/console.h"
#include "forms/windows.h"
#include "server_fixture.h"
#include "text/format.h"
#include "ui/automation/unit_json.h"
#include "ui/base/text.h"
#include "ui/server/reply_panel.h"

namespace server_testing {
namespace {

using rcon_test::Stall;

class ServerOps : public ServerTest {
protected:
    QJsonObject send(const QString& command, int timeoutMs = 0) {
        QJsonObject request{{"op", "send"}, {"command", command}};
        if (timeoutMs > 0) request.insert(QStringLiteral("timeoutMs"), timeoutMs);
        return op(request);
    }
    QJsonObject sendPanel(const QString& text, int timeoutMs = 0) {
        panel("编辑框1")->setPlainText(text);
        QJsonObject request{{"op", "send"}, {"control", "编辑框1"}};
        if (timeoutMs > 0) request.insert(QStringLiteral("timeoutMs"), timeoutMs);
        return op(request);
    }
    static QString why(const char* line) { return ui::fromUtf8(actions::whyNotFromConsole(line)); }
};

QJsonObject answered(const QString& reply) { return {{"ok", true}, {"reply", reply}}; }

QJsonObject refused(const QString& code, const QString& error) {
    return {{"ok", false}, {"code", code}, {"error", error}};
}

TEST_F(ServerOps, ConnectSaysWhyNotAndNeverRepeatsThePassword) {
    quint16 silent = 0;
    {
        QTcpServer closed;  // a port nothing listens on once it is closed
        ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
        silent = closed.serverPort();
    }
    const QString wrong = QStringLiteral("不对-wrong-口令");
    const QJsonObject badPassword = connectToServer(wrong);
    EXPECT_EQ(badPassword, refused("auth-failed", QStringLiteral("密码错误，%1 拒绝了登录").arg(address())));
    const QJsonObject nothing = op({{"op", "connect"}, {"host", kHost}, {"port", silent}, {"password", kPassword}});
    EXPECT_EQ(nothing, refused("unreachable", QStringLiteral("127.0.0.1:%1 拒绝连接：那里没有 RCON 服务在监听（请检查 "
                                                             "server.properties 中的 enable-rcon 和 rcon.port）")
                                                  .arg(silent)));
    const QJsonObject connected = connectToServer();
    EXPECT_EQ(connected, (QJsonObject{{"ok", true}}));
    EXPECT_EQ(link->stateLabel()->text(), QStringLiteral("已连接 ") + address());

    server.options().stall = Stall::Everything;
    const QJsonObject silentLogin =
        op({{"op", "connect"}, {"host", kHost}, {"port", server.port()}, {"password", kPassword}, {"timeoutMs", 300}});
    EXPECT_EQ(silentLogin, refused("timeout", QStringLiteral("登录 %1 超时：0.3 秒内服务器没有回答").arg(address())));
    EXPECT_EQ(link->stateLabel()->text(),
              QStringLiteral("连接失败：登录 %1 超时：0.3 秒内服务器没有回答").arg(address()));
    for (const QJsonObject& reply : {badPassword, nothing, connected, silentLogin}) {
        const QByteArray json = QJsonDocument(reply).toJson(QJsonDocument::Compact);
        EXPECT_FALSE(json.contains(kPassword.toUtf8()) || json.contains(wrong.toUtf8())) << json.constData();
    }
}

TEST_F(ServerOps, ChineseCommandsAndAnswersAreByteExactAndLongAnswersWhole) {
    ASSERT_EQ(connectToServer(), (QJsonObject{{"ok", true}}));
    // The console's form: without the leading "/".
    EXPECT_EQ(send(QStringLiteral("/echo §a红宝石 ✦ 测试")), answered(QStringLiteral("§a红宝石 ✦ 测试")));
    ASSERT_EQ(commandsReceived().back().toUtf8().toStdString(),
              "echo \xC2\xA7"
              "a\xE7\xBA\xA2\xE5\xAE\x9D\xE7\x9F\xB3 "
              "\xE2\x9C\xA6 \xE6\xB5\x8B\xE8\xAF\x95");
    // About 20 KB of Chinese with colour codes: three packets from the server, one answer here.
    const QJsonObject big = send(QStringLiteral("big 9000"));
    EXPECT_EQ(big, answered(rcon_test::chineseText(9000)));
    EXPECT_GE(rcon_test::chineseText(9000).toUtf8().size(), 20'000);
    EXPECT_EQ(server.lastAnswerPackets(), 3);
    EXPECT_EQ(send(QStringLiteral("list")),
              answered(QStringLiteral("There are 2 of a max of 20 players online: Steve, 小明")));
}

TEST_F(ServerOps, ALineOverTheServersLimitIsRefusedWithNothingSent) {
    ASSERT_EQ(connectToServer(), (QJsonObject{{"ok", true}}));
    const QString fits = QStringLiteral("echo ") + QString(1441, u'x');  // 1446 bytes
    EXPECT_EQ(send(fits), answered(QString(1441, u'x')));
    const QString over = fits + u'x';  // 1447 bytes
    const qint64 bytesBefore = server.bytesReceived();
    QJsonObject tooLong = refused("too-long", QStringLiteral("“%1…”有 1447 字节，超过了服务器能收的 1446 字节（约 480 "
                                                             "个汉字），没有发送")
                                                  .arg(over.left(40)));
    tooLong.insert(QStringLiteral("bytes"), 1447);
    EXPECT_EQ(send(over), tooLong);
    // Chinese counts in UTF-8 bytes: 482 characters of three bytes each and "echo " are 1451.
    EXPECT_EQ(send(QStringLiteral("echo ") + QString(482, u'宝')).value("bytes"), 1451);
    EXPECT_EQ(server.bytesReceived(), bytesBefore);
    EXPECT_EQ(commandsReceived(), QStringList{fits});
}

TEST_F(ServerOps, AStalledServerTimesOutWhileTheWindowKeepsAnswering) {
    ASSERT_EQ(connectToServer(), (QJsonObject{{"ok", true}}));
    server.options().stall = Stall::Commands;
    panel("编辑框1")->setPlainText(QStringLiteral("/list"));
    auto* clear = control<QPushButton>("按钮4");
    QElapsedTimer clock;
    clock.start();
    qint64 clickedAt = -1;
    QString waiting;
    // Half a second into the wait: a timer fires and a click on the window is handled.
    QTimer::singleShot(500, [&] {
        waiting = link->replyPanel()->waitingLabel()->text();
        QTest::mouseClick(clear, Qt::LeftButton);
        clickedAt = clock.elapsed();
    });
    const QJsonObject reply = send(QStringLiteral("list"), 1500);
    const qint64 answeredAt = clock.elapsed();
    EXPECT_EQ(reply, refused("timeout", QStringLiteral("“list”在1.5 秒内没有得到完整的回答（没有重发）")));
    EXPECT_GE(answeredAt, 1500);
    EXPECT_GE(clickedAt, 500);
    EXPECT_LT(clickedAt, answeredAt);
    EXPECT_EQ(panel("编辑框1")->toPlainText(), QString());  // the click emptied the panel
    EXPECT_EQ(waiting, QStringLiteral("正在等待“list”的回答… 0 秒"));
    EXPECT_EQ(link->replyPanel()->waitingLabel()->text(), QString());
    EXPECT_EQ(commandsReceived(), QStringList{QStringLiteral("list")});  // once, never again
}

TEST_F(ServerOps, AnAnswerCutShortSaysSoAndTheNextLineConnectsAgain) {
    ASSERT_EQ(connectToServer(), (QJsonObject{{"ok", true}}));
    server.options().dropMidAnswer = true;
    EXPECT_EQ(
        send(QStringLiteral("big 9000")),
        refused("dropped", QStringLiteral("“big 9000”发出后连接断开了（服务器关闭了连接）：服务器可能已经执行了它，"
                                          "也可能没有；没有重发")));
    EXPECT_EQ(link->stateLabel()->text(), QStringLiteral("连接失败：服务器关闭了连接"));
    server.options().dropMidAnswer = false;
    EXPECT_EQ(send(QStringLiteral("echo 再来一次")), answered(QStringLiteral("再来一次")));
    EXPECT_EQ(server.connectionsAccepted(), 2);
    EXPECT_EQ(commandsReceived(), (QStringList{QStringLiteral("big 9000"), QStringLiteral("echo 再来一次")}));
}

TEST_F(ServerOps, NothingIsSentBeforeConnectingOrAfterDisconnecting) {
    const QJsonObject notConnected = refused("not-connected", QStringLiteral("未连接服务器，“list”没有发送"));
    EXPECT_EQ(send(QStringLiteral("list")), notConnected);
    EXPECT_EQ(sendPanel(QStringLiteral("/list")),
              refused("not-connected", QStringLiteral("未连接服务器：请先连接（connect）")));
    ASSERT_EQ(connectToServer(), (QJsonObject{{"ok", true}}));
    EXPECT_EQ(op({{"op", "disconnect"}}), (QJsonObject{{"ok", true}}));
    EXPECT_EQ(link->stateLabel()->text(), QStringLiteral("未连接"));
    EXPECT_EQ(send(QStringLiteral("list")), notConnected);
    EXPECT_EQ(commandsReceived(), QStringList());
}

// 保存并重载 through trigger: the save first, then the reload command; a reply that says what
// came of the reload, or why it was not sent (the file is saved all the same).
TEST_F(ServerOps, ATriggeredSaveAndReloadSavesThenReloads) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("sockets.yml"));
    ASSERT_EQ(op({{"op", "set"}, {"control", "编辑框20"}, {"text", "jade:\n  Max_Grade: 1\n"}}).value("ok"), true);
    ASSERT_EQ(op({{"op", "save"}, {"control", "编辑框20"}, {"path", path}, {"lineEnd", "LF"}}).value("ok"), true);
    ASSERT_EQ(op({{"op", "set"}, {"control", "编辑框20"}, {"text", "jade:\n  Max_Grade: 2\n"}}).value("ok"), true);
    EXPECT_EQ(op({{"op", "trigger"}, {"action", "save-and-reload"}}),
              refused("not-connected", QStringLiteral("已保存；未连接服务器，没有发送重载指令：请先连接（connect）")));
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("jade:\n  Max_Grade: 2\n"));
    EXPECT_EQ(commandsReceived(), QStringList());
    ASSERT_EQ(connectToServer(), (QJsonObject{{"ok", true}}));
    // The reply has what the save said and the server's answer to the reload command.
    EXPECT_EQ(op({{"op", "trigger"}, {"action", "save-and-reload"}}),
              (QJsonObject{{"ok", true},
                           {"message", QStringLiteral("已保存 %1（21 字节）").arg(path)},
                           {"reply", "Unknown or incomplete command, see below for error\nquorvel reload<--[HERE]"}}));
    EXPECT_EQ(commandsReceived(), QStringList{QStringLiteral("quorvel reload")});
    // A save the script's question refuses sends nothing.
    saved.close();
    ASSERT_TRUE(saved.open(QIODevice::WriteOnly | QIODevice::Truncate));
    saved.write("changed elsewhere\n");
    saved.close();
    const QJsonObject changed = op({{"op", "trigger"}, {"action", "save-and-reload"}});
    EXPECT_EQ(changed.value("ok"), false);
    EXPECT_FALSE(changed.value("error").toString().isEmpty());
    EXPECT_EQ(commandsReceived(), QStringList{QStringLiteral("quorvel reload")});
}

TEST_F(ServerOps, APanelGoesLineByLineInOrderAndHandLinesStayWithTheirReasons) {
    ASSERT_EQ(connectToServer(), (QJsonObject{{"ok", true}}));
    // The slow answer comes first and the fast one after it: each stays with its own line.
    const QJsonObject reply =
        sendPanel(QStringLiteral("/echo 第一行\n"
                                 "/att Stats DAMAGE 10\n"
                                 "\n"
                                 "/sleep 300 慢的回答\n"
                                 "/echo 快的回答\n"
                                 "/setname &c红宝石之剑\n"
                                 "/socket load gems ruby 1\n"
                                 "/socket load gems ruby 1 Steve\n"));
    const QJsonArray expected{
        QJsonObject{{"line", 1}, {"command", "echo 第一行"}, {"reply", "第一行"}},
        QJsonObject{{"line", 2}, {"command", "att Stats DAMAGE 10"}, {"skipped", why("/att Stats DAMAGE 10")}},
        QJsonObject{{"line", 4}, {"command", "sleep 300 慢的回答"}, {"reply", "慢的回答"}},
        QJsonObject{{"line", 5}, {"command", "echo 快的回答"}, {"reply", "快的回答"}},
        QJsonObject{{"line", 6}, {"command", "setname &c红宝石之剑"}, {"skipped", why("/setname &c红宝石之剑")}},
        QJsonObject{{"line", 7}, {"command", "socket load gems ruby 1"}, {"skipped", why("/socket load gems ruby 1")}},
        QJsonObject{{"line", 8},
                    {"command", "socket load gems ruby 1 Steve"},
                    {"reply", rcon_test::answerTo(QStringLiteral("socket load gems ruby 1 Steve"))}},
    };
    EXPECT_EQ(reply, (QJsonObject{{"ok", true}, {"results", expected}}));
    EXPECT_EQ(
        why("/setname &c红宝石之剑"),
        QStringLiteral("/setname 作用于输入它的玩家手中的物品（改名称），控制台没有手持物品：请在游戏的聊天框中输入"));
    EXPECT_EQ(commandsReceived(),
              (QStringList{QStringLiteral("echo 第一行"), QStringLiteral("sleep 300 慢的回答"),
                           QStringLiteral("echo 快的回答"), QStringLiteral("socket load gems ruby 1 Steve")}));
}

TEST_F(ServerOps, APanelLineTooLongIsSkippedAndOneThatTimesOutStopsTheRest) {
    ASSERT_EQ(connectToServer(), (QJsonObject{{"ok", true}}));
    const QString over = QStringLiteral("echo ") + QString(1442, u'x');
    const QJsonObject reply =
        sendPanel(QStringLiteral("/echo 一\n/%1\n/sleep 1500 二\n/echo 三\n/att Stats DAMAGE 1\n").arg(over), 400);
    const QString notSent = QStringLiteral("没有发送：第3行没有得到完整的回答，后面的行都没有发送");
    const QJsonArray expected{
        QJsonObject{{"line", 1}, {"command", "echo 一"}, {"reply", "一"}},
        QJsonObject{
            {"line", 2},
            {"command", over},
            {"code", "too-long"},
            {"bytes", 1447},
            {"error", QStringLiteral("“%1…”有 1447 字节，超过了服务器能收的 1446 字节（约 480 个汉字），没有发送")
                          .arg(over.left(40))}},
        QJsonObject{{"line", 3},
                    {"command", "sleep 1500 二"},
                    {"code", "timeout"},
                    {"error", "“sleep 1500 二”在0.4 秒内没有得到完整的回答（没有重发）"}},
        QJsonObject{{"line", 4}, {"command", "echo 三"}, {"code", "not-sent"}, {"error", notSent}},
        QJsonObject{{"line", 5}, {"command", "att Stats DAMAGE 1"}, {"code", "not-sent"}, {"error", notSent}},
    };
    EXPECT_EQ(reply, (QJsonObject{{"ok", true}, {"results", expected}}));
    // Long after the slow line's answer came (and was thrown away), nothing more went out.
    QTest::qWait(1500);
    EXPECT_EQ(commandsReceived(), (QStringList{QStringLiteral("echo 一"), QStringLiteral("sleep 1500 二")}));
}

class ALineWithABreakOfAnotherKind : public ServerOps, public testing::WithParamInterface<char16_t> {};

// A paste can bring any of these into a panel. U+2028 and NEL stay inside their line, while
// U+2029, U+FDD0 and U+FDD1 become line breaks as the text goes in; whichever, the line that
// "send" numbers and sends is the line of the panel's text as "text" gives it (lines end in CR
// LF), and a selection sends the lines it covers there, nothing else.
TEST_P(ALineWithABreakOfAnotherKind, SendsTheLineThePanelShows) {
    ASSERT_EQ(connectToServer(), (QJsonObject{{"ok", true}}));
    const QString first = QStringLiteral("echo hi") + QChar(GetParam()) + QStringLiteral("echo Steve");
    ASSERT_EQ(
        op({{"op", "set"}, {"control", "编辑框1"}, {"text", first + QStringLiteral("\necho second\necho third")}}),
        (QJsonObject{{"ok", true}}));
    const QString shown = op({{"op", "text"}, {"control", "编辑框1"}}).value("text").toString();
    const QStringList lines = shown.split(QStringLiteral("\r\n"));
    const auto second = static_cast<int>(lines.indexOf(QStringLiteral("echo second")));
    ASSERT_GE(second, 1) << shown.toStdString();
    const auto start = static_cast<int>(shown.indexOf(QStringLiteral("echo second")));
    ASSERT_EQ(op({{"op", "set-selection"}, {"control", "编辑框1"}, {"start", start}, {"end", start + 11}}).value("end"),
              start + 11);

    const QJsonArray selected{QJsonObject{{"line", second + 1}, {"command", "echo second"}, {"reply", "second"}}};
    EXPECT_EQ(op({{"op", "send"}, {"control", "编辑框1"}}), (QJsonObject{{"ok", true}, {"results", selected}}));
    EXPECT_EQ(commandsReceived(), QStringList{QStringLiteral("echo second")});

    // Without a selection: every line as "text" shows it, numbered as it numbers them.
    panel("编辑框1")->moveCursor(QTextCursor::End);
    QJsonArray all;
    for (int i = 0; i < lines.size(); ++i)
        all.append(QJsonObject{{"line", i + 1}, {"command", lines[i]}, {"reply", lines[i].mid(5)}});
    EXPECT_EQ(op({{"op", "send"}, {"control", "编辑框1"}}), (QJsonObject{{"ok", true}, {"results", all}}));
}

INSTANTIATE_TEST_SUITE_P(
    Breaks, ALineWithABreakOfAnotherKind, testing::Values(u'\u2028', u'\u0085', u'\u2029', u'\uFDD0', u'\uFDD1'),
    [](const testing::TestParamInfo<char16_t>& breakChar) {
        return "U" + QString::number(breakChar.param, 16).toUpper().rightJustified(4, u'0').toStdString();
    });

// A command of the send op is one line by the same rule: what the panel would take as two
// lines is refused, what it keeps in one line goes as it is.
TEST_F(ServerOps, ACommandIsOneLineByThePanelsRule) {
    ASSERT_EQ(connectToServer(), (QJsonObject{{"ok", true}}));
    const QJsonObject twoLines{{"ok", false}, {"error", "\"command\" must be one line: send each line on its own"}};
    for (const char16_t ch : {u'\n', u'\r', u'\u2029', u'\uFDD0', u'\uFDD1'})
        EXPECT_EQ(send(QStringLiteral("echo a") + QChar(ch) + QStringLiteral("op Steve")), twoLines) << int(ch);
    const QString kept = QStringLiteral("echo a") + QChar(0x2028) + QStringLiteral("b");
    EXPECT_EQ(send(kept), answered(kept.mid(5)));
    EXPECT_EQ(commandsReceived(), QStringList{kept});
}

TEST_F(ServerOps, ThePassiveSkillWindowsPanelSendsToo) {
    ASSERT_EQ(connectToServer(), (QJsonObject{{"ok", true}}));
    runtime->open(forms::kPassiveSkillWindowId);
    panel("编辑框1", forms::kPassiveSkillWindowId)->setPlainText(QStringLiteral("/att Ability 冰冻 5 10\r\n/list\r\n"));
    const QJsonObject reply = op({{"op", "send"}, {"window", "0x520100FB"}, {"control", "编辑框1"}});
    const QJsonArray expected{
        QJsonObject{{"line", 1}, {"command", "att Ability 冰冻 5 10"}, {"skipped", why("/att Ability 冰冻 5 10")}},
        QJsonObject{{"line", 2},
                    {"command", "list"},
                    {"reply", QStringLiteral("There are 2 of a max of 20 players online: Steve, 小明")}},
    };
    EXPECT_EQ(reply, (QJsonObject{{"ok", true}, {"results", expected}}));
}

TEST_F(ServerOps, RequestsItCannotRunAreRefusedWithTheReason) {
    ASSERT_EQ(connectToServer(), (QJsonObject{{"ok", true}}));
    const auto error = [](const QString& message) { return QJsonObject{{"ok", false}, {"error", message}}; };
    EXPECT_EQ(op({{"op", "send"}, {"control", "编辑框20"}}),
              error(QStringLiteral("编辑框20 of 0x52010001 does not send its lines to the server; these do: 编辑框1 "
                                   "(0x52010001), 编辑框1 (0x520100FB)")));
    EXPECT_EQ(op({{"op", "send"}, {"window", "0x520100FB"}, {"control", "编辑框1"}}),
              error(QStringLiteral("window 0x520100FB is not loaded")));
    const QJsonObject eitherOr =
        error(QStringLiteral("give either \"command\" (a console command) or \"control\" (a panel)"));
    EXPECT_EQ(op({{"op", "send"}}), eitherOr);
    EXPECT_EQ(op({{"op", "send"}, {"command", "list"}, {"control", "编辑框1"}}), eitherOr);
    EXPECT_EQ(op({{"op", "send"}, {"command", "list\nstop"}}),
              error(QStringLiteral("\"command\" must be one line: send each line on its own")));
    EXPECT_EQ(op({{"op", "send"}, {"command", " / "}}), error(QStringLiteral("\"command\" holds no command")));
    EXPECT_EQ(op({{"op", "send"}, {"command", "list"}, {"timeoutMs", 0}}),
              error(QStringLiteral("\"timeoutMs\" must be an integer from 1 to 3600000")));
    EXPECT_EQ(op({{"op", "connect"}, {"port", 25575}, {"password", "x"}}),
              error(QStringLiteral("\"host\" must be the server's host name or address")));
    EXPECT_EQ(op({{"op", "connect"}, {"host", kHost}, {"port", 70000}, {"password", "x"}}),
              error(QStringLiteral("\"port\" must be an integer from 1 to 65535")));
    EXPECT_EQ(op({{"op", "connect"}, {"host", kHost}}),
              error(QStringLiteral("\"password\" must be the server's rcon.password")));
    EXPECT_EQ(commandsReceived(), QStringList());
}

TEST_F(ServerOps, ReplyPreviewDrawsTheLastAnswerAsTheGameDoes) {
    EXPECT_EQ(op({{"op", "reply-preview"}}), (QJsonObject{{"ok", true}, {"lines", QJsonArray()}}));
    ASSERT_EQ(connectToServer(), (QJsonObject{{"ok", true}}));
    ASSERT_EQ(send(QStringLiteral("echo §6红宝石§r的§l光芒")).value("ok"), true);
    const auto run = [](const char* text, const char* colour, bool bold) {
        return QJsonObject{{"text", text},        {"color", colour},        {"bold", bold},       {"italic", false},
                           {"underlined", false}, {"strikethrough", false}, {"obfuscated", false}};
    };
    const QJsonArray lines{
        QJsonArray{run("红宝石", "#ffaa00", false), run("的", "#ffffff", false), run("光芒", "#ffffff", true)}};
    EXPECT_EQ(op({{"op", "reply-preview"}}), (QJsonObject{{"ok", true}, {"lines", lines}}));
    // A failed line leaves the last answer as it was.
    EXPECT_EQ(send(QStringLiteral("echo ") + QString(1442, u'x')).value("code"), "too-long");
    EXPECT_EQ(op({{"op", "reply-preview"}}), (QJsonObject{{"ok", true}, {"lines", lines}}));
}

// The game's console and chat take only "§" as a code in an answer: an "&" is text there.
TEST_F(ServerOps, AnAnswersAmpersandIsTextAndItsSectionSignACode) {
    ASSERT_EQ(connectToServer(), (QJsonObject{{"ok", true}}));
    ASSERT_EQ(send(QStringLiteral("echo &c不是颜色 §c是颜色")).value("ok"), true);
    const auto run = [](const char* text, const char* colour) {
        return QJsonObject{{"text", text},        {"color", colour},        {"bold", false},      {"italic", false},
                           {"underlined", false}, {"strikethrough", false}, {"obfuscated", false}};
    };
    EXPECT_EQ(
        op({{"op", "reply-preview"}}),
        (QJsonObject{{"ok", true},
                     {"lines", QJsonArray{QJsonArray{run("&c不是颜色 ", "#ffffff"), run("是颜色", "#ff5555")}}}}));
}

// An answer of megabytes: the preview stops where the reply panel does and says where, and
// its reply stays small, instead of a run for every code of the whole answer.
TEST_F(ServerOps, TheReplyPreviewOfAHugeAnswerStopsAtAStatedLength) {
    ASSERT_EQ(connectToServer(), (QJsonObject{{"ok", true}}));
    constexpr int kUnits = 2'000'000;  // over 4 MiB of UTF-8
    const QString answer = rcon_test::chineseText(kUnits);
    ASSERT_GT(answer.toUtf8().size(), 4 << 20);
    ASSERT_EQ(send(QStringLiteral("big %1").arg(kUnits)).value("ok"), true);
    const QJsonObject preview = op({{"op", "reply-preview"}});
    const QJsonArray lines =
        ui::linesJson(text::format(ui::toUtf8(answer.left(ui::ReplyPanel::kMaxShown)), text::Role::Message));
    EXPECT_EQ(preview,
              (QJsonObject{{"ok", true}, {"lines", lines}, {"shown", ui::ReplyPanel::kMaxShown}, {"length", kUnits}}));
}

// A main window closed and opened again (as a test may) has a server link of its own, and the
// ops reach it, not the one that went with the old window.
TEST_F(ServerOps, AReopenedMainWindowHasALinkOfItsOwnThatTheOpsReach) {
    main->close();
    settle();
    EXPECT_TRUE(editor->automation().server.isNull());
    main = runtime->open(forms::kMainWindowId);
    ASSERT_NE(main->findChild<QPushButton*>(QStringLiteral("sendToServer")), nullptr);
    ASSERT_FALSE(editor->automation().server.isNull());
    const QJsonObject request{{"op", "connect"}, {"host", kHost}, {"port", server.port()}, {"password", kPassword}};
    EXPECT_EQ(waitForReply([&](const ui::Reply& reply) { ui::runRequest(editor->automation(), request, reply); }),
              (QJsonObject{{"ok", true}}));
}

}  // namespace
}  // namespace server_testing
