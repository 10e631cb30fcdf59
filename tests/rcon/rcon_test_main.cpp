// The RCON tests run in an event loop of their own, and away from the user's keyring: no
// session bus, no display to start one from, and a home, configuration and data folder of their
// own, so a test can look for anything written where it should not be.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdlib>

#include "private_home.h"

#if defined(QUORVEL_SANITIZE) && !defined(QUORVEL_TSAN)
// AddressSanitizer keeps up to 256 MB of freed blocks aside to catch their later use; the flood
// tests measure the process's resident memory, which would then measure the sanitizer. A
// smaller quarantine still catches a use right after the free.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=16"; }
#endif

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const QTemporaryDir home;
    if (!home.isValid()) return 1;
    testing_support::usePrivateHome(home);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
