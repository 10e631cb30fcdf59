// Pictures of the server link for looking at it, against the test server in the same process:
// the main window with the "服务器回复" panel after a panel's lines and a command went out, the
// passive-skill window with its send button, and the connect dialog.
//   server_screenshots OUTDIR [--dark]     (under Xvfb, or QT_QPA_PLATFORM=offscreen)
#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <cstdio>

#include "dark_palette.h"
#include "forms/windows.h"
#include "test_server.h"
#include "ui/loader/live_window.h"
#include "ui/loader/runtime.h"
#include "ui/server/command_line.h"
#include "ui/server/connect_dialog.h"
#include "ui/server/reply_panel.h"
#include "ui/server/server_link.h"
#include "ui/shell/application.h"
#include "ui/shell/editor.h"

namespace {

template <typename Done>
bool settle(Done done) {
    const QDeadlineTimer deadline(10'000);
    while (!done() && !deadline.hasExpired()) QApplication::processEvents(QEventLoop::AllEvents, 20);
    QApplication::processEvents();
    return done();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ui::setUpApplication(app);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: server_screenshots OUTDIR [--dark]\n");
        return 2;
    }
    const bool dark = args.contains(QStringLiteral("--dark"));
    const QString suffix = dark ? QStringLiteral("-dark") : QString();
    const QDir out(args[1]);
    if (dark) QApplication::setPalette(testing_support::darkPalette());
    rcon_test::TestServer server;
    if (!server.listen()) return 1;
    ui::Editor editor;
    ui::LiveWindow* main = editor.main();
    ui::ServerLink& link = editor.server();
    settle([&] { return main->isVisible(); });

    bool connected = false;
    link.connectTo(QStringLiteral("127.0.0.1"), server.port(), rcon_test::ServerOptions{}.password, 0,
                   [&](const rcon::ConnectOutcome& outcome) { connected = outcome.ok(); });
    if (!settle([&] { return connected; })) return 1;
    auto* commands = qobject_cast<QPlainTextEdit*>(main->controlByName("编辑框1"));
    commands->setPlainText(
        QStringLiteral("/echo §6[Quorvel] §a已给予 §fSteve §e3 §a颗 §c红宝石\n"
                       "/att Stats DAMAGE 10\n"
                       "/list\n"
                       "/echo §b蓝宝石§7：§l暴击 §r§7+5%  §d§o稀有\n"
                       "/echo §0黑曜石 §1青金石 §7&c不是颜色\n"));
    main->findChild<QPushButton*>(QStringLiteral("sendToServer"))->click();
    settle([&] { return !link.isSendingPanel(); });
    ui::CommandLine* box = link.replyPanel()->commandLine();
    box->setText(QStringLiteral("echo §d[Quorvel] §7配置已重载，用时 §a35 §7毫秒"));
    emit box->returnPressed();
    settle([&] { return link.replyPanel()->waitingLabel()->text().isEmpty(); });
    box->setText(QStringLiteral("socket load gems ruby 1 Steve"));
    // A window manager grows the window a moment after the panel shows.
    settle([&] { return link.replyPanel()->y() > main->formArea()->geometry().bottom(); });
    main->grab().save(out.filePath(QStringLiteral("server-main%1.png").arg(suffix)));

    ui::LiveWindow* passive = editor.runtime().open(forms::kPassiveSkillWindowId);
    settle([&] { return passive->isVisible(); });
    passive->grab().save(out.filePath(QStringLiteral("server-passive-skill%1.png").arg(suffix)));

    storage::ServerProfile profile;
    profile.name = QStringLiteral("mc.example.cn");
    profile.host = QStringLiteral("mc.example.cn");
    profile.user = QStringLiteral("mc");
    editor.servers().put(profile);
    editor.servers().setCurrent(profile.name);
    link.openConnectDialog();
    ui::ConnectDialog* dialog = link.connectDialog();
    dialog->passwordEdit()->setText(QStringLiteral("secret"));
    dialog->rememberBox()->setChecked(true);
    dialog->setNote(
        QStringLiteral("这台电脑上没有可用的密钥环（Secret Service 或 KWallet）：没有读取保存的密码，请输入密码"));
    dialog->setFailed(QStringLiteral("密码错误，mc.example.cn:25575 拒绝了登录"));
    settle([&] { return dialog->isVisible(); });
    dialog->grab().save(out.filePath(QStringLiteral("server-connect%1.png").arg(suffix)));
    std::printf("pictures in %s\n", qPrintable(out.absolutePath()));
    return 0;
}
