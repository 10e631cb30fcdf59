// Reading a plugin's folder from the disk: the hand-written folder beside this file (GBK and
// UTF-8 files side by side, a file the server cannot read, a subfolder) with a link and a pipe
// made at run time, which are skipped and said so and never waited on; files that cannot be
// read among those that can; a link or pipe put in a file's place after the listing; and the
// marks of a later reading.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <ostream>

#include "project/reading/folder_read.h"
#include "storage/file_stamp.h"
#include "support.h"

namespace project {

inline void PrintTo(const Skipped& s, std::ostream* out) {
    *out << s.path.toStdString() << ": " << s.why.toStdString();
}
inline void PrintTo(const FileChange& c, std::ostream* out) {
    *out << c.path.toStdString() << " " << static_cast<int>(c.change);
}

namespace {

using testing::filesOf;
using testing::linesOf;
using Lines = std::vector<std::string>;

// A copy of the hand-written folder in a scratch folder of its own.
class ReadingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(scratch_.isValid());
        root_ = scratch_.path() + QStringLiteral("/Quorvel");
        copy(QStringLiteral(QUORVEL_PLUGIN_FOLDER), root_);
    }

    static void copy(const QString& from, const QString& to) {
        ASSERT_TRUE(QDir().mkpath(to));
        for (const QFileInfo& item :
             QDir(from).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name)) {
            if (item.isDir())
                copy(item.filePath(), to + QLatin1Char('/') + item.fileName());
            else
                ASSERT_TRUE(QFile::copy(item.filePath(), to + QLatin1Char('/') + item.fileName()));
        }
    }

    QString path(const QString& relative) const { return root_ + QLatin1Char('/') + relative; }
    void link(const QString& target, const QString& relative) const {
        ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path(relative)).constData()), 0);
    }
    void fifo(const QString& relative) const {
        ASSERT_EQ(::mkfifo(QFile::encodeName(path(relative)).constData(), 0600), 0);
    }
    void write(const QString& relative, const QByteArray& bytes) const {
        QFile file(path(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    FolderRead read() const {
        LocalPlace place(root_);
        return readFolder(place);
    }

    QTemporaryDir scratch_;
    QString root_;
};

const char kPanel[] =
    "/socket load gems ruby 1 Steve\n"
    "/socket load gems sapphire 1 Steve\n"
    "/socket load gems diamond 2 Alex\n"
    "/attribute element fire 10\n"
    "/attribute element ice 10 2\n"
    "/attribute element earth 10\n";

TEST_F(ReadingTest, TheHandWrittenFolderWithEveryFinding) {
    link(path(QStringLiteral("sockets.yml")), QStringLiteral("linked.yml"));
    link(path(QStringLiteral("more")), QStringLiteral("archive"));
    link(QStringLiteral("nowhere"), QStringLiteral("more/dangling.yml"));
    fifo(QStringLiteral("pipe.yml"));  // nothing ever writes to it: a read of it would wait for ever
    fifo(QStringLiteral("more/log.pipe"));
    const FolderRead read = this->read();
    ASSERT_TRUE(read.ok()) << read.error.toStdString();
    EXPECT_EQ(read.place, root_);
    EXPECT_EQ(filesOf(read.folder), (Lines{
                                        "broken.yml element 1",
                                        "config.yaml other 2",
                                        "elements.yml element 3",
                                        "gems-extra.yml gem 3",
                                        "keylore.yml keylore 4",
                                        "sockets.yml gem 3",
                                        "more/extra.yml mixed 2",
                                    }));
    EXPECT_EQ(
        read.skipped,
        (QList<Skipped>{
            {QStringLiteral("archive"), QStringLiteral("这是符号链接，没有读取（编辑器不跟随文件夹里的链接）")},
            {QStringLiteral("linked.yml"), QStringLiteral("这是符号链接，没有读取（编辑器不跟随文件夹里的链接）")},
            {QStringLiteral("pipe.yml"), QStringLiteral("这不是普通文件（命名管道），没有读取")},
            {QStringLiteral("more/dangling.yml"),
             QStringLiteral("这是符号链接，没有读取（编辑器不跟随文件夹里的链接）")},
        }));
    const std::vector<PanelText> panels = {{"编辑框1", kPanel}};
    EXPECT_EQ(
        linesOf(check(read.folder, panels)),
        (Lines{
            "broken.yml:5:1 unreadable | 服务器无法读取这个文件：制表符（Tab）不能用于缩进或放在这里，请改用空格",
            "elements.yml:7 unknown-element ice | 元素“fire”的抗性写了元素“ice”，文件夹里没有文件定义这个元素",
            "elements.yml:10 duplicate-id water -> elements.yml:15 | "
            "识别名“water”在本文件第 15 行也有定义，服务器只保留后面的那个",
            "elements.yml:15 duplicate-id water -> elements.yml:10 | "
            "识别名“water”在本文件第 10 行也有定义，服务器只保留后面的那个",
            "gems-extra.yml:8 duplicate-id 1.0 -> sockets.yml:20 | 宝石识别名“1.0”在sockets.yml 第 20 行也有定义",
            "keylore.yml:1 duplicate-keylore heal -> keylore.yml:5 | "
            "关键lore“heal”和本文件第 5 行的“cure”是同一段 lore 文字“&a治疗”，两条都会在同一件物品上触发",
            "keylore.yml:5 duplicate-keylore cure -> keylore.yml:1 | "
            "关键lore“cure”和本文件第 1 行的“heal”是同一段 lore 文字“&a治疗”，两条都会在同一件物品上触发",
            "sockets.yml:19 mismatched-effect emerald | 宝石“emerald”的属性 Bonus_Base_Critical_Chance 和附加属性 "
            "Bonus_Scale_Critical_Damage 不对应（属性和附加属性需要对应：Bonus_Base_X 配 Bonus_Scale_X）",
            "sockets.yml:20 duplicate-id 1.0 -> gems-extra.yml:8 | "
            "宝石识别名“1.0”（写作“1.00”）在gems-extra.yml 第 8 行也有定义",
            "编辑框1:3 unknown-gem diamond | /socket load gems 写的宝石“diamond”，文件夹里没有文件定义这个宝石",
            "编辑框1:5 unknown-element ice | /attribute element 写的元素“ice”，文件夹里没有文件定义这个元素",
        }));
}

TEST_F(ReadingTest, EachFileDecodedAsAnOpenWouldWithItsStamp) {
    const FolderRead read = this->read();
    ASSERT_EQ(read.files.size(), 7);
    QStringList formats;
    for (const ReadFile& file : read.files) {
        formats.append(file.path + QLatin1Char(' ') + storage::encodingName(file.format.encoding) + QLatin1Char(' ') +
                       storage::lineEndName(file.format.lineEnd));
        EXPECT_EQ(file.stamp, storage::stampOf(path(file.path))) << file.path.toStdString();
        EXPECT_EQ(file.warning, QString()) << file.path.toStdString();
    }
    EXPECT_EQ(formats, (QStringList{
                           QStringLiteral("broken.yml UTF-8 LF"),
                           QStringLiteral("config.yaml UTF-8 LF"),
                           QStringLiteral("elements.yml UTF-8 LF"),
                           QStringLiteral("gems-extra.yml GBK LF"),
                           QStringLiteral("keylore.yml UTF-8 CRLF"),
                           QStringLiteral("sockets.yml UTF-8 LF"),
                           QStringLiteral("more/extra.yml UTF-8 LF"),
                       }));
    // The GBK file's Chinese as the server's UTF-8 reading of the editor's save would have it.
    EXPECT_EQ(testing::matchesOf(read.folder.find("黄玉")), (Lines{"gems-extra.yml:2 topaz gem"}));
    EXPECT_EQ(testing::matchesOf(read.folder.find("红宝石")), (Lines{"sockets.yml:2 ruby gem"}));
}

TEST_F(ReadingTest, FilesThatCannotBeReadAreToldAndTheRestRead) {
    // A file larger than an open reads (sparse: no bytes are written), and one with invalid bytes.
    write(QStringLiteral("big.yml"), "a: 1\n");
    ASSERT_EQ(::truncate(QFile::encodeName(path(QStringLiteral("big.yml"))).constData(), qint64{65} << 20), 0);
    // UTF-8 by its byte-order mark, with a byte UTF-8 has not.
    write(QStringLiteral("more/odd.yml"),
          "\xEF\xBB\xBF"
          "a: \"\xff\"\n");
    const bool root = ::geteuid() == 0;  // root reads whatever the modes say
    if (!root) {
        write(QStringLiteral("secret.yml"), "a: 1\n");
        ASSERT_EQ(::chmod(QFile::encodeName(path(QStringLiteral("secret.yml"))).constData(), 0), 0);
        ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("closed"))));
        write(QStringLiteral("closed/hidden.yml"), "a: 1\n");
        ASSERT_EQ(::chmod(QFile::encodeName(path(QStringLiteral("closed"))).constData(), 0), 0);
    }
    const FolderRead read = this->read();
    Lines expected = {
        "big.yml other 0 (无法打开：文件太大（65 MB），编辑器最多打开 64 MB)",
        "broken.yml element 1",
        "config.yaml other 2",
        "elements.yml element 3",
        "gems-extra.yml gem 3",
        "keylore.yml keylore 4",
        "sockets.yml gem 3",
        "more/extra.yml mixed 2",
        "more/odd.yml other 1",
    };
    if (!root) expected.insert(expected.begin() + 6, "secret.yml other 0 (无法打开：没有读取的权限)");
    EXPECT_EQ(filesOf(read.folder), expected);
    EXPECT_EQ(read.file(QStringLiteral("big.yml"))->error,
              QStringLiteral("无法打开：文件太大（65 MB），编辑器最多打开 64 MB"));
    EXPECT_FALSE(read.file(QStringLiteral("big.yml"))->stamp.exists);
    EXPECT_EQ(read.file(QStringLiteral("more/odd.yml"))->warning,
              storage::invalidBytesWarning(storage::decodeText(QByteArrayView("\xEF\xBB\xBF"
                                                                              "a: \"\xff\"\n"))));
    EXPECT_FALSE(read.file(QStringLiteral("more/odd.yml"))->warning.isEmpty());
    if (!root) {
        EXPECT_EQ(read.skipped, (QList<Skipped>{{QStringLiteral("closed"),
                                                 QStringLiteral("无法读取这个文件夹：没有读取这个文件夹的权限")}}));
        ::chmod(QFile::encodeName(path(QStringLiteral("closed"))).constData(), 0700);
    }
}

// The disk, with something done between the listing and the reads.
class Meddled : public LocalPlace {
public:
    Meddled(const QString& root, std::function<void()> meddle) : LocalPlace(root), meddle_(std::move(meddle)) {}
    QList<PlaceRead> read(const QStringList& paths, qint64 limit) override {
        meddle_();
        return LocalPlace::read(paths, limit);
    }

private:
    std::function<void()> meddle_;
};

TEST_F(ReadingTest, ALinkOrPipePutInAFilesPlaceIsRefusedNotFollowedNorWaitedOn) {
    Meddled place(root_, [&] {
        QFile::remove(path(QStringLiteral("sockets.yml")));
        fifo(QStringLiteral("sockets.yml"));
        QFile::remove(path(QStringLiteral("elements.yml")));
        link(path(QStringLiteral("keylore.yml")), QStringLiteral("elements.yml"));
        // A folder on the way swapped for a link to a folder with a file of the same name.
        ASSERT_TRUE(QDir(path(QStringLiteral("more"))).removeRecursively());
        ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("elsewhere"))));
        write(QStringLiteral("elsewhere/extra.yml"), "a: 1\n");
        link(path(QStringLiteral("elsewhere")), QStringLiteral("more"));
    });
    const FolderRead read = readFolder(place);
    EXPECT_EQ(filesOf(read.folder),
              (Lines{
                  "broken.yml element 1",
                  "config.yaml other 2",
                  "elements.yml other 0 (无法打开：这是符号链接，编辑器不跟随文件夹里的链接)",
                  "gems-extra.yml gem 3",
                  "keylore.yml keylore 4",
                  "sockets.yml other 0 (无法打开：这不是普通文件（命名管道）)",
                  "more/extra.yml other 0 (无法打开：所在的文件夹是符号链接，编辑器不跟随文件夹里的链接)",
              }));
}

TEST_F(ReadingTest, AFolderThatIsNotThere) {
    LocalPlace place(path(QStringLiteral("missing")));
    const FolderRead read = readFolder(place);
    EXPECT_EQ(read.error, QStringLiteral("文件夹不存在"));
    EXPECT_TRUE(read.folder.files().empty());
    LocalPlace file(path(QStringLiteral("sockets.yml")));
    EXPECT_EQ(readFolder(file).error, QStringLiteral("这不是文件夹"));
}

TEST_F(ReadingTest, ALaterReadingMarksWhatChanged) {
    const FolderRead before = read();
    write(QStringLiteral("config.yaml"), "language: en_US\n");
    write(QStringLiteral("more/new.yml"), "a: 1\n");
    ASSERT_TRUE(QFile::remove(path(QStringLiteral("broken.yml"))));
    // Written again with the same bytes: no change.
    QFile sockets(path(QStringLiteral("sockets.yml")));
    ASSERT_TRUE(sockets.open(QIODevice::ReadOnly));
    write(QStringLiteral("sockets.yml"), sockets.readAll());
    ASSERT_EQ(::truncate(QFile::encodeName(path(QStringLiteral("elements.yml"))).constData(), qint64{65} << 20), 0);
    LocalPlace place(root_);
    const FolderRead now = readFolder(place, &before);
    EXPECT_EQ(changesSince(before, now), (QList<FileChange>{
                                             {QStringLiteral("config.yaml"), Change::Changed},
                                             {QStringLiteral("elements.yml"), Change::Changed},
                                             {QStringLiteral("more/new.yml"), Change::Added},
                                             {QStringLiteral("broken.yml"), Change::Removed},
                                         }));
    EXPECT_EQ(changesSince(now, now), QList<FileChange>{});
    // Files as they were keep their index; the others are indexed again.
    EXPECT_EQ(now.folder.file("sockets.yml")->index, before.folder.file("sockets.yml")->index);
    EXPECT_EQ(now.file(QStringLiteral("gems-extra.yml"))->format.encoding, storage::Encoding::Gbk);
    EXPECT_EQ(now.folder.file("gems-extra.yml")->index, before.folder.file("gems-extra.yml")->index);
    EXPECT_NE(now.folder.file("config.yaml")->index, before.folder.file("config.yaml")->index);
    EXPECT_EQ(now.folder.file("config.yaml")->entries()[0].id, "language");
    EXPECT_EQ(filesOf(now.folder), (Lines{
                                       "config.yaml other 1",
                                       "elements.yml other 0 (无法打开：文件太大（65 MB），编辑器最多打开 64 MB)",
                                       "gems-extra.yml gem 3",
                                       "keylore.yml keylore 4",
                                       "sockets.yml gem 3",
                                       "more/extra.yml mixed 2",
                                       "more/new.yml other 1",
                                   }));
}

TEST(ReadLimitsTest, FilesPastTheFoldersLimitAreToldNotRead) {
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QByteArray hundred = "a: \"" + QByteArray(93, 'x') + "\"\n";  // 100 bytes
    for (const char* name : {"b.yml", "a.yml", "sub/c.yml", "big.yml"}) {
        QDir().mkpath(scratch.path() + QStringLiteral("/sub"));
        QFile file(scratch.path() + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArrayView(name) == "big.yml" ? hundred + hundred : hundred);
    }
    LocalPlace place(scratch.path());
    // big.yml is over the file's limit: refused, and not counted against the folder's.
    const FolderRead read = readFolder(place, nullptr, {.file = 150, .folder = 250});
    EXPECT_EQ(filesOf(read.folder),
              (Lines{
                  "a.yml other 1",
                  "b.yml other 1",
                  "big.yml other 0 (无法打开：文件太大（0.0 MB），编辑器最多打开 0.0 MB)",
                  "sub/c.yml other 0 (无法打开：文件夹里的 YAML 文件一共超过 0 MB，这个文件没有读取)",
              }));
}

TEST(PathInFolderTest, OnlyFilesInTheFolderOrBelow) {
    const QString folder = QStringLiteral("/srv/mc/plugins/Quorvel");
    EXPECT_EQ(pathInFolder(folder, folder + QStringLiteral("/sockets.yml")), QStringLiteral("sockets.yml"));
    EXPECT_EQ(pathInFolder(folder + QStringLiteral("/"), folder + QStringLiteral("/old/./2023/../x.yml")),
              QStringLiteral("old/x.yml"));
    EXPECT_EQ(pathInFolder(folder, QStringLiteral("/srv/mc/plugins/Quorvel2/sockets.yml")), QString());
    EXPECT_EQ(pathInFolder(folder, QStringLiteral("/srv/mc/plugins/sockets.yml")), QString());
    EXPECT_EQ(pathInFolder(folder, folder + QStringLiteral("/../Quorvel/a.yml")), QStringLiteral("a.yml"));
    EXPECT_EQ(pathInFolder(folder, folder), QString());
    EXPECT_EQ(pathInFolder(folder, QStringLiteral("/srv/mc/plugins/Quorvel/..hidden.yml")),
              QStringLiteral("..hidden.yml"));
}

}  // namespace
}  // namespace project
