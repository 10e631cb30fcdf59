// The tests of the servers' files in the editor: the offscreen platform with the editor's own
// style and fonts, a home, configuration and data folder of their own (no keyring: no session
// bus), so a test can look for anything written where it should not be, and one sshd for the
// whole program, started when a test first needs it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>

#include "private_home.h"
#include "ui/shell/application.h"
#include "ui_remote_support.h"

namespace ui_remote_test {
namespace {

std::unique_ptr<testing_support::SshServer> running;
QString problem;
bool tried = false;

}  // namespace

QString home;

testing_support::SshServer* server() {
    if (!tried) {
        tried = true;
        running = std::make_unique<testing_support::SshServer>(QStringLiteral(QUORVEL_SFTP_CUTTER));
        if (!running->start()) {
            problem = running->why();
            running.reset();
        }
    }
    return running.get();
}

QString serverProblem() { return problem; }

}  // namespace ui_remote_test

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    const QTemporaryDir home;
    if (!home.isValid()) return 1;
    testing_support::usePrivateHome(home);
    setenv("TMPDIR", home.path().toLocal8Bit().constData(), 1);  // scratch files too, so one search finds all
    // The panel server's user reaches the test's files below it (it lists nothing above them).
    ::chmod(home.path().toLocal8Bit().constData(), 0711);
    const QByteArray runtime = home.path().toLocal8Bit() + "/runtime";
    ::mkdir(runtime.constData(), 0700);
    setenv("XDG_RUNTIME_DIR", runtime.constData(), 1);
    ui_remote_test::home = home.path();
    QApplication app(argc, argv);
    ui::setUpApplication(app);
    const int failed = RUN_ALL_TESTS();
    ui_remote_test::running.reset();  // stops sshd and removes its user before the home goes
    return failed;
}
