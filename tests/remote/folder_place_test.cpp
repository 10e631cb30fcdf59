// A plugin's folder on the server read as a place: listed and read from a thread that is not the
// session's (as the editor's folder reading does), each file refused on its own (a link, a pipe,
// a folder, a file over the limit, one gone) while the others are read, a name that is not UTF-8
// told rather than read under another name, and a session that goes away ending the wait.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <future>
#include <thread>

#include "remote/folder_place.h"
#include "remote_support.h"

namespace {

using namespace remote_test;

// Runs work on a thread of its own while this thread's event loop runs the session's answers.
template <typename Result>
Result offThread(const std::function<Result()>& work) {
    std::packaged_task<Result()> task(work);
    std::future<Result> result = task.get_future();
    std::thread thread(std::move(task));
    EXPECT_TRUE(rcon_test::waitFor(
        [&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 60'000));
    thread.join();
    return result.get();
}

TEST(RemoteFolderPlace, ListsAndReadsEachFileOnItsOwn) {
    REQUIRE_SSH_SERVER();
    const QString folder = server()->files() + QStringLiteral("/place");
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/sub")));
    writeFile(folder + QStringLiteral("/a.yml"), "a: 1\r\n");
    writeFile(folder + QStringLiteral("/sub/b.yml"), "b: \xe7\xba\xa2\n");
    writeFile(folder + QStringLiteral("/big.yml"), QByteArray(2000, 'x'));
    ASSERT_EQ(::symlink("a.yml", QFile::encodeName(folder + QStringLiteral("/link.yml")).constData()), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder + QStringLiteral("/pipe.yml")).constData(), 0600), 0);
    // A name in GBK ("红.yml"), made from its bytes.
    const int gbk = ::open((QFile::encodeName(folder) + "/\xba\xec.yml").constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(gbk, 0);
    ::close(gbk);
    // Qt cannot name it to remove it with the test's folder.
    struct Unlink {
        QByteArray path;
        ~Unlink() { ::unlink(path.constData()); }
    } gbkFile{QFile::encodeName(folder) + "/\xba\xec.yml"};

    auto reach = keyLogin(server()->fullPort());
    auto session = std::make_unique<remote::Session>(reach->settings);
    remote::FolderPlace place(session.get(), QStringLiteral("lobby:") + folder, local(folder));
    EXPECT_EQ(place.name(), QStringLiteral("lobby:") + folder);

    const project::PlaceListing listing = offThread<project::PlaceListing>([&] { return place.list({}); });
    ASSERT_TRUE(listing.error.isEmpty()) << listing.error.toStdString();
    std::map<QString, project::PlaceItem::Type> types;
    QString otherKind;
    for (const project::PlaceItem& item : listing.items) {
        types[item.name] = item.type;
        if (item.name.startsWith(QStringLiteral("pipe"))) otherKind = item.kind;
    }
    using Type = project::PlaceItem::Type;
    EXPECT_EQ(types[QStringLiteral("a.yml")], Type::File);
    EXPECT_EQ(types[QStringLiteral("sub")], Type::Folder);
    EXPECT_EQ(types[QStringLiteral("link.yml")], Type::Link);
    EXPECT_EQ(types[QStringLiteral("pipe.yml")], Type::Other);
    EXPECT_FALSE(otherKind.isEmpty());
    // The GBK name is shown as GBK and not offered as a file to read.
    EXPECT_EQ(types[QStringLiteral("红.yml")], Type::Other);
    EXPECT_EQ(offThread<project::PlaceListing>([&] { return place.list(QStringLiteral("sub")); }).items.size(), 1);

    const QList<project::PlaceRead> reads = offThread<QList<project::PlaceRead>>([&] {
        return place.read(
            {QStringLiteral("a.yml"), QStringLiteral("link.yml"), QStringLiteral("pipe.yml"), QStringLiteral("sub"),
             QStringLiteral("big.yml"), QStringLiteral("gone.yml"), QStringLiteral("sub/b.yml")},
            1000);
    });
    ASSERT_EQ(reads.size(), 7);
    EXPECT_EQ(reads[0].bytes, QByteArray("a: 1\r\n"));
    EXPECT_EQ(reads[0].size, 6);
    EXPECT_TRUE(reads[0].modified.isValid());
    for (int refused = 1; refused <= 5; ++refused) {
        EXPECT_FALSE(reads[refused].ok()) << refused;
        EXPECT_TRUE(reads[refused].bytes.isEmpty()) << refused;
    }
    EXPECT_TRUE(reads[4].error.contains(QStringLiteral("文件太大"))) << reads[4].error.toStdString();
    EXPECT_EQ(reads[6].bytes, QByteArray("b: \xe7\xba\xa2\n"));

    // The session gone: the reading waits no longer and tells why.
    session.reset();
    const QList<project::PlaceRead> after =
        offThread<QList<project::PlaceRead>>([&] { return place.read({QStringLiteral("a.yml")}, 1000); });
    ASSERT_EQ(after.size(), 1);
    EXPECT_FALSE(after[0].ok());
}

}  // namespace
