// The server link's tests run under the offscreen platform with the editor's own style and
// fonts, away from the user's keyring (no session bus) and with a home, configuration and data
// folder of their own, so a test can look for anything written where it should not be.
#include <gtest/gtest.h>
#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>

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
    const QByteArray path = home.path().toLocal8Bit();
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    setenv("HOME", path.constData(), 1);
    setenv("XDG_CONFIG_HOME", (path + "/config").constData(), 1);
    setenv("XDG_DATA_HOME", (path + "/data").constData(), 1);
    setenv("XDG_CACHE_HOME", (path + "/cache").constData(), 1);
    setenv("XDG_RUNTIME_DIR", path.constData(), 1);  // no "bus" in it
    setenv("TMPDIR", path.constData(), 1);           // scratch files too, so one search finds all
    server_testing::home = home.path();
    QApplication app(argc, argv);
    ui::setUpApplication(app);
    return RUN_ALL_TESTS();
}
