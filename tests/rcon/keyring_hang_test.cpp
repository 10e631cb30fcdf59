// A session bus that takes the connection and never answers, as a hung desktop session does:
// QtKeychain then blocks whoever calls it for minutes. The store must answer at its own time
// limit while the caller's event loop runs on. A process of its own, since the bus a process
// first meets is the one it keeps.
#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QTemporaryDir>
#include <QTimer>
#include <optional>

#include "rcon/password_store.h"
#include "wait.h"

namespace {

TEST(PasswordStoreWithHungKeyring, AnswersAtItsTimeLimitWhileTheLoopRuns) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QLocalServer bus;  // listens, and never says a word
    ASSERT_TRUE(bus.listen(folder.filePath(QStringLiteral("bus"))));
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + folder.filePath(QStringLiteral("bus")).toLocal8Bit());

    rcon::PasswordStore store;
    store.setTimeout(800);
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);

    QObject waiter;
    std::optional<rcon::KeyringResult> result;
    int ticksAtResult = 0;
    QElapsedTimer clock;
    clock.start();
    store.write(QStringLiteral("127.0.0.1"), 25575, QStringLiteral("口令"), &waiter, [&](const rcon::KeyringResult& r) {
        result = r;
        ticksAtResult = ticks;
    });
    ASSERT_TRUE(rcon_test::waitFor([&] { return result.has_value(); }, 30'000));
    EXPECT_GE(clock.elapsed(), 800);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_GE(ticksAtResult, 40);  // 80 expected: the loop was never held
    EXPECT_EQ(result->code, QStringLiteral("no-keyring"));
    EXPECT_TRUE(result->message.contains(QStringLiteral("没有回答"))) << result->message.toStdString();
    // Closing the bus lets the keyring thread's connection fail, so the process can end.
}

}  // namespace
