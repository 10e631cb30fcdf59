// The RCON tests run in an event loop of their own, and away from the user's keyring: no
// session bus, no display to start one from, and a home, configuration and data folder of their
// own, so a test can look for anything written where it should not be.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdlib>

int main(int argc, char** argv) {
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
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
