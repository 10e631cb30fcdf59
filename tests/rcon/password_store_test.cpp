// The password store on a machine without a keyring, as the tests' main sets it up: no
// session bus, a home folder of the test's own. Every request must end quickly, say why in
// Chinese, and leave the password nowhere on disk.
#include <gtest/gtest.h>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <optional>

#include "rcon/password_store.h"
#include "wait.h"

namespace {

const QString kPassword = QStringLiteral("口令-Zq7-不应落盘");

struct Timed {
    rcon::KeyringResult result;
    qint64 ms = 0;
};

template <typename Start>
Timed run(Start start) {
    QObject waiter;
    std::optional<rcon::KeyringResult> result;
    QElapsedTimer clock;
    clock.start();
    start(&waiter, [&](const rcon::KeyringResult& r) { result = r; });
    EXPECT_FALSE(result.has_value());  // never inside the call
    EXPECT_TRUE(rcon_test::waitFor([&] { return result.has_value(); }, 60'000));
    return {result.value_or(rcon::KeyringResult{QStringLiteral("no callback"), {}, {}}), clock.elapsed()};
}

// Without a keyring every request answers by itself, long before the store's own time limit,
// and says there is no keyring, so the UI can say so and ask for the password next time.
TEST(PasswordStoreWithoutKeyring, EveryRequestFailsFastAndSaysWhy) {
    rcon::PasswordStore store;
    store.setTimeout(20'000);
    const Timed wrote =
        run([&](QObject* w, auto done) { store.write(QStringLiteral("mc.example.cn"), 25575, kPassword, w, done); });
    const Timed read = run([&](QObject* w, auto done) { store.read(QStringLiteral("mc.example.cn"), 25575, w, done); });
    const Timed removed =
        run([&](QObject* w, auto done) { store.remove(QStringLiteral("mc.example.cn"), 25575, w, done); });
    // A profile's secrets under keys of their own take the same way.
    const QString key = QStringLiteral("profile/lobby/ssh-password");
    const Timed wroteKey = run([&](QObject* w, auto done) { store.write(key, kPassword, w, done); });
    const Timed readKey = run([&](QObject* w, auto done) { store.read(key, w, done); });
    const Timed removedKey = run([&](QObject* w, auto done) { store.remove(key, w, done); });
    for (const Timed* t : {&wrote, &read, &removed, &wroteKey, &readKey, &removedKey}) {
        EXPECT_EQ(t->result.code, QStringLiteral("no-keyring")) << t->result.message.toStdString();
        EXPECT_TRUE(t->result.message.contains(QStringLiteral("没有可用的密钥环"))) << t->result.message.toStdString();
        // Said in the interface's language: no English word of the library's.
        EXPECT_FALSE(t->result.message.contains(QStringLiteral("Unknown error"))) << t->result.message.toStdString();
        EXPECT_LT(t->ms, 5000);
        EXPECT_TRUE(t->result.password.isEmpty());
    }
    EXPECT_TRUE(wrote.result.message.contains(QStringLiteral("下次连接时需要重新输入")));
    EXPECT_TRUE(wroteKey.result.message.contains(QStringLiteral("下次连接时需要重新输入")));
    EXPECT_EQ(rcon::PasswordStore::rconKey(QStringLiteral("mc.example.cn"), 25575),
              QStringLiteral("rcon/mc.example.cn:25575"));
}

TEST(PasswordStoreWithoutKeyring, PasswordIsWrittenNowhere) {
    rcon::PasswordStore store;
    run([&](QObject* w, auto done) { store.write(QStringLiteral("127.0.0.1"), 25575, kPassword, w, done); });
    // QtKeychain's fallback would be a settings file under the configuration folder; the
    // tests' home holds that folder, the data folder and the cache.
    const QString home = QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
    ASSERT_TRUE(home.startsWith(QDir::tempPath())) << home.toStdString();
    const QByteArray utf8 = kPassword.toUtf8();
    const QByteArray utf16(reinterpret_cast<const char*>(kPassword.utf16()), kPassword.size() * 2);
    QDirIterator files(home, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
        const QByteArray content = file.readAll();
        EXPECT_FALSE(content.contains(utf8) || content.contains(utf16)) << file.fileName().toStdString();
    }
}

TEST(PasswordStoreWithoutKeyring, GoneContextGetsNoCallback) {
    rcon::PasswordStore store;
    bool called = false;
    {
        QObject gone;
        store.read(QStringLiteral("127.0.0.1"), 25575, &gone, [&](const rcon::KeyringResult&) { called = true; });
    }
    std::optional<rcon::KeyringResult> after;
    QObject waiter;
    store.read(QStringLiteral("127.0.0.1"), 25576, &waiter, [&](const rcon::KeyringResult& r) { after = r; });
    ASSERT_TRUE(rcon_test::waitFor([&] { return after.has_value(); }, 60'000));
    EXPECT_FALSE(called);
}

}  // namespace
