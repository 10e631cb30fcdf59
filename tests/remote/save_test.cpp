// The save that never leaves a half file, against the real sshd: byte for byte, someone else's
// change, a server without posix-rename, links, folders, modes, stale temporary files, and a
// link cut at every step of the way.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>

#include "remote_support.h"

namespace {

using namespace remote_test;

QString folderFor(const char* name) {
    const QString folder = server()->files() + u'/' + QString::fromLatin1(name);
    QDir().mkpath(folder);
    return folder;
}

unsigned modeOf(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode : 0;
}

QStringList namesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// Bytes are bytes at this layer: whatever the encoding, line ends or mark, they come back as sent.
TEST(RemoteSave, OpenAndSaveByteForByte) {
    REQUIRE_SSH_SERVER();
    const QString folder = folderFor("bytes");
    auto reach = keyLogin(server()->fullPort());
    remote::Session session(reach->settings);
    const QByteArray texts[] = {
        "gems:\n  红宝石:\n    name: \"§c红宝石\"\n",
        "gems:\r\n  name: \"\xba\xec\xb1\xa6\xca\xaf\"\r\n",  // GBK
        "\xef\xbb\xbfsockets:\r\n  a: 1\r\n",                 // a byte-order mark
        "mixed\r\nends\nand a lone \r CR",
        "",
        QByteArray(700 * 1024, '\0') + "binary\xff\xfe",  // several requests each way
    };
    const QString path = folder + QStringLiteral("/sockets.yml");
    writeFile(path, "start: 0\n");
    QByteArray expected = "start: 0\n";
    for (const QByteArray& text : texts) {
        const remote::FileRead opened = read(session, local(path));
        ASSERT_TRUE(opened.ok()) << opened.message.toStdString();
        EXPECT_EQ(opened.bytes, expected);
        const remote::SaveOutcome saved = save(session, local(path), text, {.expected = opened.bytes, .force = false});
        ASSERT_TRUE(saved.ok()) << saved.message.toStdString();
        EXPECT_EQ(saved.state, remote::FileState::New);
        EXPECT_FALSE(saved.viaBackup);  // this server has posix-rename
        EXPECT_EQ(saved.stamp.size, text.size());
        EXPECT_EQ(readFile(path), text);
        expected = text;
    }
    // Nothing is left beside it: no temporary file, no backup.
    EXPECT_EQ(namesIn(folder), QStringList({QStringLiteral("sockets.yml")}));
    // A new file.
    const remote::SaveOutcome made = save(session, local(folder) + "/new.yml", "made: 1\n");
    ASSERT_TRUE(made.ok()) << made.message.toStdString();
    EXPECT_EQ(readFile(folder + QStringLiteral("/new.yml")), QByteArray("made: 1\n"));
}

// Another client writes between the open and the save: nothing is written, the user gets what
// the server holds now, and a forced save writes over it.
TEST(RemoteSave, AChangeByAnotherClientIsRefusedThenForced) {
    REQUIRE_SSH_SERVER();
    const QString path = folderFor("changed") + QStringLiteral("/a.yml");
    writeFile(path, "a: 1\n");
    auto reach = keyLogin(server()->fullPort());
    remote::Session session(reach->settings);
    remote::Session other(reach->settings);
    const remote::FileRead opened = read(session, local(path));
    ASSERT_TRUE(opened.ok());
    ASSERT_TRUE(save(other, local(path), "a: 2 (theirs)\n").ok());

    const remote::SaveOutcome refused = save(session, local(path), "a: 3 (mine)\n", {.expected = opened.bytes});
    EXPECT_EQ(refused.code, QStringLiteral("changed-on-server")) << refused.message.toStdString();
    EXPECT_EQ(refused.state, remote::FileState::Old);
    EXPECT_EQ(refused.current, QByteArray("a: 2 (theirs)\n"));
    EXPECT_TRUE(refused.existed);
    EXPECT_EQ(readFile(path), QByteArray("a: 2 (theirs)\n"));

    const remote::SaveOutcome forced =
        save(session, local(path), "a: 3 (mine)\n", {.expected = opened.bytes, .force = true});
    ASSERT_TRUE(forced.ok()) << forced.message.toStdString();
    EXPECT_EQ(readFile(path), QByteArray("a: 3 (mine)\n"));

    // The bytes last saved are the new base: a save against them goes through.
    EXPECT_TRUE(save(session, local(path), "a: 4\n", {.expected = QByteArray("a: 3 (mine)\n")}).ok());
    // A file removed on the server is a change too.
    QFile::remove(path);
    const remote::SaveOutcome gone = save(session, local(path), "a: 5\n", {.expected = QByteArray("a: 4\n")});
    EXPECT_EQ(gone.code, QStringLiteral("changed-on-server"));
    EXPECT_FALSE(gone.existed);
    EXPECT_FALSE(QFile::exists(path));
}

// A hosting panel's server refuses a rename onto an existing name and offers no posix-rename:
// the old file becomes NAME.bak (an older one removed first) and the new one takes the name.
TEST(RemoteSave, APanelServerWithoutPosixRenameKeepsTheOldTextAsBak) {
    REQUIRE_SSH_SERVER();
    if (server()->panelUser().isEmpty()) GTEST_SKIP() << server()->panelProblem().toStdString();
    auto reach = passwordLogin();
    remote::Session session(reach->settings);
    const QByteArray path = "gems.yml";  // from the login folder, as panel users see it
    const QString onDisk = server()->panelHome() + QStringLiteral("/gems.yml");
    ASSERT_TRUE(save(session, path, "v: 1\n").ok());
    ::chmod(QFile::encodeName(onDisk).constData(), 0664);
    for (const char* text : {"v: 2\n", "v: 3\n"}) {
        const remote::FileRead opened = read(session, path);
        ASSERT_TRUE(opened.ok()) << opened.message.toStdString();
        const remote::SaveOutcome saved = save(session, path, text, {.expected = opened.bytes});
        ASSERT_TRUE(saved.ok()) << saved.message.toStdString();
        EXPECT_TRUE(saved.viaBackup);
        EXPECT_EQ(readFile(onDisk), QByteArray(text));
        EXPECT_EQ(readFile(onDisk + QStringLiteral(".bak")), opened.bytes);
        EXPECT_EQ(modeOf(onDisk) & 07777, 0664u);
    }
    EXPECT_EQ(namesIn(server()->panelHome()),
              QStringList({QStringLiteral("gems.yml"), QStringLiteral("gems.yml.bak")}));
}

TEST(RemoteSave, TheModeIsKept) {
    REQUIRE_SSH_SERVER();
    const QString folder = folderFor("modes");
    auto reach = keyLogin(server()->fullPort());
    remote::Session session(reach->settings);
    for (const unsigned mode : {0600u, 0664u, 0755u, 0640u}) {
        const QString path = folder + QStringLiteral("/m%1.yml").arg(mode, 0, 8);
        writeFile(path, "x\n");
        ::chmod(QFile::encodeName(path).constData(), mode);
        const remote::SaveOutcome saved = save(session, local(path), "y\n", {.expected = QByteArray("x\n")});
        ASSERT_TRUE(saved.ok()) << saved.message.toStdString();
        EXPECT_EQ(modeOf(path), 0100000u | mode) << std::oct << mode;
        EXPECT_EQ(saved.stamp.permissions, mode);
    }
    // A file nobody may write is left alone, as a local save leaves it.
    const QString locked = folder + QStringLiteral("/locked.yml");
    writeFile(locked, "x\n");
    ::chmod(QFile::encodeName(locked).constData(), 0444);
    const remote::SaveOutcome refused = save(session, local(locked), "y\n", {.expected = QByteArray("x\n")});
    EXPECT_EQ(refused.code, QStringLiteral("permission-denied"));
    EXPECT_EQ(refused.message, QStringLiteral("无法写入：文件是只读的（权限 0444）：") + locked);
    EXPECT_EQ(readFile(locked), QByteArray("x\n"));
}

// A link is followed to its file, which is written, and stays a link; a folder or a pipe where
// the file should be is refused before anything is written.
TEST(RemoteSave, ThroughALinkAndOntoAFolder) {
    REQUIRE_SSH_SERVER();
    const QString folder = folderFor("links");
    QDir().mkpath(folder + QStringLiteral("/real"));
    writeFile(folder + QStringLiteral("/real/gems.yml"), "old\n");
    ASSERT_EQ(::symlink("real/gems.yml", QFile::encodeName(folder + QStringLiteral("/gems.yml")).constData()), 0);
    ASSERT_EQ(::symlink("gems.yml", QFile::encodeName(folder + QStringLiteral("/again.yml")).constData()), 0);
    auto reach = keyLogin(server()->fullPort());
    remote::Session session(reach->settings);
    const remote::SaveOutcome saved =
        save(session, local(folder) + "/again.yml", "new\n", {.expected = QByteArray("old\n")});
    ASSERT_TRUE(saved.ok()) << saved.message.toStdString();
    EXPECT_EQ(readFile(folder + QStringLiteral("/real/gems.yml")), QByteArray("new\n"));
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/gems.yml")).isSymLink());
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/again.yml")).isSymLink());
    EXPECT_EQ(namesIn(folder + QStringLiteral("/real")), QStringList({QStringLiteral("gems.yml")}));

    QDir().mkpath(folder + QStringLiteral("/plugins.yml"));
    const remote::SaveOutcome onFolder = save(session, local(folder) + "/plugins.yml", "x\n");
    EXPECT_EQ(onFolder.code, QStringLiteral("not-regular"));
    EXPECT_TRUE(onFolder.message.contains(QStringLiteral("这是一个文件夹"))) << onFolder.message.toStdString();
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder + QStringLiteral("/pipe.yml")).constData(), 0600), 0);
    const remote::SaveOutcome onPipe = save(session, local(folder) + "/pipe.yml", "x\n");
    EXPECT_EQ(onPipe.code, QStringLiteral("not-regular"));
    EXPECT_TRUE(namesIn(folder + QStringLiteral("/plugins.yml")).isEmpty());
    EXPECT_FALSE(namesIn(folder).join(u' ').contains(QStringLiteral("quorvel-tmp")));
}

// What an interrupted save left is cleared by the next one; a folder in its way is refused.
TEST(RemoteSave, AStaleTemporaryFileIsClearedByTheNextSave) {
    REQUIRE_SSH_SERVER();
    const QString folder = folderFor("stale");
    const QString path = folder + QStringLiteral("/a.yml");
    writeFile(path, "old\n");
    writeFile(folder + QStringLiteral("/.a.yml.quorvel-tmp"), "half a fi");
    auto reach = keyLogin(server()->fullPort());
    remote::Session session(reach->settings);
    ASSERT_TRUE(save(session, local(path), "new\n", {.expected = QByteArray("old\n")}).ok());
    EXPECT_EQ(namesIn(folder), QStringList({QStringLiteral("a.yml")}));
    EXPECT_EQ(readFile(path), QByteArray("new\n"));

    QDir().mkpath(folder + QStringLiteral("/.a.yml.quorvel-tmp"));
    const remote::SaveOutcome blocked = save(session, local(path), "newer\n", {.expected = QByteArray("new\n")});
    EXPECT_EQ(blocked.code, QStringLiteral("failed"));
    EXPECT_TRUE(blocked.message.contains(QStringLiteral("被一个文件夹占用"))) << blocked.message.toStdString();
    EXPECT_EQ(readFile(path), QByteArray("new\n"));
}

TEST(RemoteSave, ACancelledSaveLeavesTheFileAsItWas) {
    REQUIRE_SSH_SERVER();
    const QString folder = folderFor("cancel");
    const QString path = folder + QStringLiteral("/a.yml");
    const QByteArray old(2 << 20, 'o');
    writeFile(path, old);
    server()->setStall(4096);  // the save gets as far as its first reads, then the server is silent
    auto reach = keyLogin(server()->cutPort());
    remote::Session session(reach->settings);
    std::optional<remote::SaveOutcome> outcome;
    QObject context;
    const auto id = session.save(local(path), QByteArray(3 << 20, 'n'), {.expected = old}, &context,
                                 [&](const remote::SaveOutcome& r) { outcome = r; });
    ASSERT_TRUE(rcon_test::waitFor([&] { return session.state() == remote::Session::State::Connected; }, 60'000));
    session.cancel(id);
    ASSERT_TRUE(rcon_test::waitFor([&] { return outcome.has_value(); }, 60'000));
    server()->setCut(-1, true);
    EXPECT_EQ(outcome->code, QStringLiteral("cancelled"));
    EXPECT_EQ(outcome->state, remote::FileState::Old);
    EXPECT_EQ(readFile(path), old);
    // And the next save, cancelled as soon as it is asked, writes nothing either.
    std::optional<remote::SaveOutcome> second;
    session.cancel(
        session.save(local(path), "x", {.expected = old}, &context, [&](const remote::SaveOutcome& r) { second = r; }));
    ASSERT_TRUE(rcon_test::waitFor([&] { return second.has_value(); }, 60'000));
    EXPECT_EQ(second->code, QStringLiteral("cancelled"));
    EXPECT_EQ(readFile(path), old);
}

// The link dropped at every step of a save, with and without posix-rename: whatever the step,
// the old text is whole under NAME or NAME.bak, NAME is never a partial text, the state told is
// the state on disk, and the next save clears what was left and succeeds.
class CutLink : public testing::TestWithParam<bool> {};

TEST_P(CutLink, AtEveryStepOfASaveTheOldTextStaysWhole) {
    REQUIRE_SSH_SERVER();
    const bool posix = GetParam();
    const QString folder = folderFor(posix ? "cut-posix" : "cut-bak");
    const QString path = folder + QStringLiteral("/sockets.yml");
    const QString bak = path + QStringLiteral(".bak");
    // Large enough for several writes and reads each way.
    QByteArray old;
    QByteArray fresh;
    for (int i = 0; i < 12000; ++i) {
        old += "old-line-" + QByteArray::number(i) + ": 旧的内容\r\n";
        fresh += "new-line-" + QByteArray::number(i) + ": 新的内容\n";
    }
    const auto reset = [&] {
        for (const QString& name : namesIn(folder)) QFile::remove(folder + u'/' + name);
        writeFile(path, old);
    };
    reset();
    server()->setCut(-1, posix);
    auto reach = keyLogin(server()->cutPort());
    {
        remote::Session session(reach->settings);
        ASSERT_TRUE(save(session, local(path), fresh, {.expected = old}).ok());
    }
    const QList<qint64> starts = server()->cutLog();
    ASSERT_GT(starts.size(), 12);
    // The link gone just before each request: the server has done every request before it, and the
    // answer to the last of those may be lost on the way (a request cut in its middle is not done
    // at all, as one cut before it).
    std::vector<qint64> limits(starts.begin(), starts.end());
    limits.push_back(starts.last() + 4096);  // ... and just after the last
    std::set<remote::FileState> seen;
    for (const qint64 limit : limits) {
        reset();
        server()->setCut(limit, posix);
        remote::Session session(reach->settings);
        const remote::SaveOutcome cut = save(session, local(path), fresh, {.expected = old});
        const QByteArray name = readFile(path);
        const QByteArray backup = readFile(bak);
        const std::string where =
            "cut at " + std::to_string(limit) + ": " + cut.code.toStdString() + " " + cut.message.toStdString();
        seen.insert(cut.state);
        // NAME is never a partial text, and the old text is whole somewhere until the new one is in place.
        EXPECT_TRUE(name == old || name == fresh || name == "<missing>") << where;
        EXPECT_TRUE(name == fresh || name == old || backup == old) << where;
        if (cut.ok()) {
            EXPECT_EQ(cut.state, remote::FileState::New) << where;
            EXPECT_EQ(name, fresh) << where;
        } else {
            EXPECT_EQ(cut.code, QStringLiteral("dropped")) << where;
            switch (cut.state) {
            case remote::FileState::Old: EXPECT_EQ(name, old) << where; break;
            case remote::FileState::New: ADD_FAILURE() << "a failed save told New: " << where; break;
            case remote::FileState::Bak:
                EXPECT_EQ(backup, old) << where;
                EXPECT_NE(name, old) << where;
                break;
            case remote::FileState::Unknown: break;  // one of two whole states, checked above
            }
        }
        // The next save, over a whole link, clears what was left and writes the file.
        server()->setCut(-1, posix);
        remote::Session next(reach->settings);
        const remote::FileRead now = read(next, local(path));
        const QByteArray base = now.ok() ? now.bytes : QByteArray();
        const remote::SaveOutcome again =
            save(next, local(path), fresh, {.expected = now.ok() ? std::optional(base) : std::nullopt});
        ASSERT_TRUE(again.ok()) << where << " / then: " << again.message.toStdString();
        EXPECT_EQ(readFile(path), fresh) << where;
        EXPECT_FALSE(namesIn(folder).join(u' ').contains(QStringLiteral("quorvel-tmp"))) << where;
    }
    // The cuts reached every state a save passes through.
    EXPECT_TRUE(seen.contains(remote::FileState::Old));
    EXPECT_TRUE(seen.contains(remote::FileState::New));
    EXPECT_TRUE(seen.contains(remote::FileState::Unknown));
    if (!posix) {
        EXPECT_TRUE(seen.contains(remote::FileState::Bak));
    }
}

INSTANTIATE_TEST_SUITE_P(RemoteSave, CutLink, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& row) {
                             return row.param ? std::string("PosixRename") : std::string("RenameAndBak");
                         });

}  // namespace
