// The server link's tests run under the offscreen platform with the editor's own style and
// fonts, away from the user's keyring (no session bus) and with a home, configuration and data
// folder of their own, so a test can look for anything written where it should not be.
#include <gtest/gtest.h>
#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>

#include "private_home.h"
#include "server_fixture.h"
#include "ui/shell/application.h"

namespace server_testing {
QString home;
}

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    const QTemporaryDir home;
    if (!home.isValid()) return 1;
    testing_support::usePrivateHome(home);
    setenv("TMPDIR", home.path().toLocal8Bit().constData(), 1);  // scratch files too, so one search finds all
    server_testing::home = home.path();
    QApplication app(argc, argv);
    ui::setUpApplication(app);
    return RUN_ALL_TESTS();
}
