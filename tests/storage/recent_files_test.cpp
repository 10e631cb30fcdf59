#include "storage/recent_files.h"

#include "scratch.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

namespace {

using storage::loadRecentFiles;
using storage::withRecentFile;

class RecentFilesTest : public testing::Test {
protected:
    RecentFilesTest() {
        for (int i = 0; i < 12; ++i) scratch::write(file(i), "a: 1\n");
    }
    QString file(int i) const { return dir_.filePath(QStringLiteral("socket%1.yml").arg(i)); }
    QString store() const { return dir_.filePath("recent.json"); }
    QTemporaryDir dir_;
};

TEST_F(RecentFilesTest, PutsTheNewestFirstWithoutDuplicates) {
    QStringList list;
    for (int i = 0; i < 3; ++i) list = withRecentFile(list, file(i));
    EXPECT_EQ(list, (QStringList{file(2), file(1), file(0)}));
    // The same file written another way moves to the front instead of appearing twice.
    list = withRecentFile(list, dir_.path() + "/./sub/../socket0.yml");
    EXPECT_EQ(list, (QStringList{file(0), file(2), file(1)}));
}

TEST_F(RecentFilesTest, KeepsTheTenMostRecent) {
    QStringList list;
    for (int i = 0; i < 12; ++i) list = withRecentFile(list, file(i));
    ASSERT_EQ(list.size(), storage::kMaxRecentFiles);
    EXPECT_EQ(list.first(), file(11));
    EXPECT_EQ(list.last(), file(2));
}

TEST_F(RecentFilesTest, StoresTheListAndDropsFilesThatAreGone) {
    ASSERT_TRUE(storage::rememberRecentFile(store(), file(0)).ok());
    ASSERT_TRUE(storage::rememberRecentFile(store(), file(1)).ok());
    ASSERT_TRUE(storage::rememberRecentFile(store(), file(2)).ok());
    EXPECT_EQ(loadRecentFiles(store()), (QStringList{file(2), file(1), file(0)}));
    QFile::remove(file(1));
    EXPECT_EQ(loadRecentFiles(store()), (QStringList{file(2), file(0)}));
}

TEST_F(RecentFilesTest, ADamagedStoreIsAnEmptyList) {
    scratch::write(store(), "{\"files\": [\"");
    EXPECT_EQ(loadRecentFiles(store()), QStringList());
    scratch::write(store(), "{\"files\": [3, null, \"\"]}");
    EXPECT_EQ(loadRecentFiles(store()), QStringList());
    EXPECT_EQ(loadRecentFiles(dir_.filePath("none.json")), QStringList());
    ASSERT_TRUE(storage::rememberRecentFile(store(), file(5)).ok());  // and it can start over
    EXPECT_EQ(loadRecentFiles(store()), QStringList{file(5)});
}

}  // namespace
