// Points a test program's home, configuration, data, cache and runtime folders into a folder
// of its own and takes away the session bus and the displays: a test can then look for
// anything written where it should not be, and never reaches the user's keyring.
#pragma once

#include <QByteArray>
#include <QTemporaryDir>
#include <cstdlib>

namespace testing_support {

inline void usePrivateHome(const QTemporaryDir& home) {
    const QByteArray path = home.path().toLocal8Bit();
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    setenv("HOME", path.constData(), 1);
    setenv("XDG_CONFIG_HOME", (path + "/config").constData(), 1);
    setenv("XDG_DATA_HOME", (path + "/data").constData(), 1);
    setenv("XDG_CACHE_HOME", (path + "/cache").constData(), 1);
    setenv("XDG_RUNTIME_DIR", path.constData(), 1);  // no "bus" in it
}

}  // namespace testing_support
