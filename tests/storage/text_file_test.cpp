#include "storage/text_file.h"

#include "scratch.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

#include <optional>
#include <ostream>

namespace {

using storage::DiskChange;
using storage::Encoding;
using storage::LineEnd;
using storage::TextFormat;

const QByteArray kGbkGem("\xB1\xA6\xCA\xAF");  // 宝石
const QByteArray kGbkRed("\xBA\xEC");          // 红
const QByteArray kBom("\xEF\xBB\xBF");

class TextFileTest : public testing::Test {
protected:
    QString path(const QString& name) const { return dir_.filePath(name); }
    QTemporaryDir dir_;
};

TEST_F(TextFileTest, ReopensWithTheOtherEncoding) {
    const QString file = path("socket.yml");
    scratch::write(file, "a: 1\n" + kGbkGem + "\n");
    EXPECT_EQ(storage::openTextFile(file).decoded.format.encoding, Encoding::Gbk);
    const storage::OpenedFile asUtf8 = storage::openTextFile(file, Encoding::Utf8);
    EXPECT_EQ(asUtf8.decoded.format.encoding, Encoding::Utf8);
    EXPECT_EQ(asUtf8.decoded.invalidLine, 2);
    EXPECT_EQ(storage::openTextFile(file, Encoding::Gbk).decoded.text, QString("a: 1\n宝石\n"));
    EXPECT_EQ(storage::openTextFile(path("none.yml")).error, "无法打开：文件不存在：" + path("none.yml"));
}

struct AppendCase {
    const char* name;
    std::optional<QByteArray> old;  // nullopt: no file yet
    QString block;
    QByteArray expected;
};

std::ostream& operator<<(std::ostream& out, const AppendCase& c) { return out << c.name; }

class AppendTest : public testing::TestWithParam<AppendCase> {};

// The block joins the file in the file's own encoding and line ends; the old bytes stay
// as they were (backed up), a line break is added only where one is missing.
TEST_P(AppendTest, WritesTheOldBytesThenTheBlock) {
    const AppendCase& c = GetParam();
    QTemporaryDir dir;
    const QString file = dir.filePath("socket.yml");
    if (c.old) scratch::write(file, *c.old);
    const storage::AppendPlan plan = storage::planAppend(file, c.block);
    ASSERT_EQ(plan.error, QString());
    EXPECT_EQ(plan.bytes, c.expected);
    EXPECT_EQ(scratch::read(file), c.old.value_or("<missing>"));  // planning writes nothing

    ASSERT_EQ(storage::writeAppend(file, plan).error, QString());
    EXPECT_EQ(scratch::read(file), c.expected);
    EXPECT_EQ(scratch::read(storage::backupPath(file)), c.old.value_or("<missing>"));
}

const QString kBlock = "ruby:\r\n  Keylore: \"红\"\r\n";  // as the builders write it

// clang-format off
INSTANTIATE_TEST_SUITE_P(Files, AppendTest, testing::Values(
    AppendCase{"GbkCrLfNoFinalBreak", "a: " + kGbkRed + "\r\nb: 2", "宝石:\n",
               "a: " + kGbkRed + "\r\nb: 2\r\n" + kGbkGem + ":\r\n"},
    AppendCase{"GbkWithFinalBreak", kGbkRed + "\r\n", kBlock,
               kGbkRed + "\r\nruby:\r\n  Keylore: \"" + kGbkRed + "\"\r\n"},
    AppendCase{"Utf8LfGetsLf", QByteArray("a: 1\nb: 2\n"), kBlock,
               "a: 1\nb: 2\nruby:\n  Keylore: \"红\"\n"},
    AppendCase{"Utf8LfNoFinalBreak", QByteArray("a: 1\nb: 红"), kBlock,
               "a: 1\nb: 红\nruby:\n  Keylore: \"红\"\n"},
    AppendCase{"BomNotRepeated", kBom + "a: 1\r\n", kBlock, kBom + "a: 1\r\n" + kBlock.toUtf8()},
    AppendCase{"BomOnly", kBom, kBlock, kBom + kBlock.toUtf8()},
    AppendCase{"EmptyFile", QByteArray(""), "ruby:\n", "ruby:\r\n"},
    AppendCase{"NoFileYet", std::nullopt, "ruby:\n", "ruby:\r\n"},
    AppendCase{"InvalidBytesKept", kBom + "a: \xFF\n", "b: 2\n", kBom + "a: \xFF\nb: 2\n"}
), [](const testing::TestParamInfo<AppendCase>& row) { return std::string(row.param.name); });
// clang-format on

// The editor tells a file it cannot read (an error of the disk) from a block it cannot
// encode (the user's text), and finds the file's old content in the plan for its checks.
TEST_F(TextFileTest, APlanSaysWhetherTheFileOrTheBlockFailedAndKeepsTheOldBytes) {
    QDir(dir_.path()).mkdir("folder.yml");
    const storage::AppendPlan folder = storage::planAppend(path("folder.yml"), u"b: 2\n");
    EXPECT_TRUE(folder.readFailed);
    EXPECT_FALSE(folder.ok());
    const QString file = path("socket.yml");
    scratch::write(file, kGbkRed + "\r\n");
    const storage::AppendPlan emoji = storage::planAppend(file, u"b: \"😀\"\n");
    EXPECT_FALSE(emoji.ok());
    EXPECT_FALSE(emoji.readFailed);
    const storage::AppendPlan plan = storage::planAppend(file, u"b: 2\n");
    ASSERT_TRUE(plan.ok());
    EXPECT_EQ(plan.oldBytes().toByteArray(), kGbkRed + "\r\n");
    EXPECT_EQ(storage::planAppend(path("none.yml"), u"b: 2\n").oldBytes().toByteArray(), QByteArray());
}

TEST_F(TextFileTest, AppendRefusesWhenTheFileChangedSinceThePlan) {
    const QString file = path("socket.yml");
    scratch::write(file, "a: 1\r\n");
    const storage::AppendPlan plan = storage::planAppend(file, u"b: 2\n");
    scratch::write(file, "a: 9\r\n");  // same size, other content
    EXPECT_EQ(storage::writeAppend(file, plan).error, "无法追加：文件在读取之后被改动过，请重新追加：" + file);
    EXPECT_EQ(scratch::read(file), "a: 9\r\n");

    const storage::AppendPlan fresh = storage::planAppend(path("new.yml"), u"b: 2\n");
    scratch::write(path("new.yml"), "c: 3\r\n");  // appeared meanwhile
    EXPECT_FALSE(storage::writeAppend(path("new.yml"), fresh).ok());
    EXPECT_EQ(scratch::read(path("new.yml")), "c: 3\r\n");
}

TEST_F(TextFileTest, TellsHowTheFileChangedOnDisk) {
    const QString file = path("socket.yml");
    scratch::write(file, "a: 1\r\n");
    const storage::FileStamp stamp = storage::stampOf(file);
    EXPECT_EQ(stamp, storage::stampOf(file, QByteArray("a: 1\r\n")));
    EXPECT_EQ(storage::changeOnDisk(file, stamp), DiskChange::None);

    QFile touched(file);
    ASSERT_TRUE(touched.open(QIODevice::ReadWrite));
    ASSERT_TRUE(touched.setFileTime(stamp.modified.addSecs(-60), QFileDevice::FileModificationTime));
    touched.close();
    EXPECT_EQ(storage::changeOnDisk(file, stamp), DiskChange::TimeOnly);

    scratch::write(file, "a: 2\r\n");  // same size: only the hash tells
    ASSERT_TRUE(touched.open(QIODevice::ReadWrite));
    ASSERT_TRUE(touched.setFileTime(stamp.modified, QFileDevice::FileModificationTime));
    touched.close();
    EXPECT_EQ(storage::changeOnDisk(file, stamp), DiskChange::Content);

    QFile::remove(file);
    EXPECT_EQ(storage::changeOnDisk(file, stamp), DiskChange::Removed);
    const storage::FileStamp none = storage::stampOf(file);
    EXPECT_FALSE(none.exists);
    EXPECT_EQ(storage::changeOnDisk(file, none), DiskChange::None);
    scratch::write(file, "");
    EXPECT_EQ(storage::changeOnDisk(file, none), DiskChange::Content);
}

}  // namespace
