// The folder's index: each file's kind and count in the folder's order, the identifiers as the
// server names them, a file replaced as a save would, and finding entries by identifier, name
// or lore with the colour codes taken off.
#include <gtest/gtest.h>

#include "support.h"

namespace project {
namespace {

using testing::filesOf;
using testing::joined;
using testing::matchesOf;

const std::string kGems = joined({
    "ruby:",
    "  Keylore: \"&7镶嵌到武器\"",
    "  Display_Name: \"&c红宝石\"",
    "  Material: REDSTONE",
    "settings: 3",
    "Sapphire:",
    "  Display_Name: '&9&l蓝宝石'",
    "  Max_Grade: 5",
});

const std::string kElements = joined({
    "fire:",
    "  Keylore: \"&c火\"",
    "  Scale_Base_Additional_Damage: 2",
    "  Resistance:",
    "    water: -20",
});

const std::string kKeyLores = joined({
    "heal:",
    "  keylore: \"&a治疗\"",
    "  command:",
    "    - \"heal %player%\"",
});

const std::string kMixed = kGems.substr(0, kGems.find("settings")) + kKeyLores;

TEST(FolderTest, FilesInFolderOrderWithTheirKindAndCount) {
    const Folder folder({
        {"sockets.yml", kGems, ""},
        {"old/sockets-2023.yml", kGems, ""},
        {"elements.yml", kElements, ""},
        {"keylore.yml", kKeyLores, ""},
        {"mixed.yml", kMixed, ""},
        {"empty.yml", "", ""},
        {"config.yml", joined({"version: 3", "language: zh_CN"}), ""},
        {"a/b/deep.yml", kElements, ""},
        {"a/z.yml", kKeyLores, ""},
        {"Zebra.yml", kGems, ""},
        {"locked.yml", "", "无法打开：没有读取这个文件的权限"},
    });
    EXPECT_EQ(filesOf(folder), (std::vector<std::string>{
                                   "Zebra.yml gem 3",
                                   "config.yml other 2",
                                   "elements.yml element 1",
                                   "empty.yml other 0",
                                   "keylore.yml keylore 1",
                                   "locked.yml other 0 (无法打开：没有读取这个文件的权限)",
                                   "mixed.yml mixed 2",
                                   "sockets.yml gem 3",
                                   "a/z.yml keylore 1",
                                   "a/b/deep.yml element 1",
                                   "old/sockets-2023.yml gem 3",
                               }));
    EXPECT_EQ(folder.entryCount(), 17u);
    EXPECT_EQ(folder.file("a/z.yml")->kind, FileKind::KeyLore);
    EXPECT_EQ(folder.file("a/missing.yml"), nullptr);
    EXPECT_FALSE(folder.file("locked.yml")->readable());
    EXPECT_TRUE(folder.file("empty.yml")->readable());
}

TEST(FolderTest, OrderPutsAFoldersFilesBeforeItsSubfolders) {
    EXPECT_TRUE(inFolderOrder("z.yml", "a/a.yml"));
    EXPECT_FALSE(inFolderOrder("a/a.yml", "z.yml"));
    EXPECT_TRUE(inFolderOrder("a/z.yml", "a/b/a.yml"));
    EXPECT_TRUE(inFolderOrder("a/b/a.yml", "b/a.yml"));
    EXPECT_TRUE(inFolderOrder("a.yml", "b.yml"));
    EXPECT_FALSE(inFolderOrder("a.yml", "a.yml"));
    // A file and a folder of one name: the file is at the upper level.
    EXPECT_TRUE(inFolderOrder("old", "old/x.yml"));
}

TEST(FolderTest, ThePathGivenLastWins) {
    const Folder folder({{"sockets.yml", kGems, ""}, {"sockets.yml", kElements, ""}});
    EXPECT_EQ(filesOf(folder), (std::vector<std::string>{"sockets.yml element 1"}));
}

TEST(FolderTest, IdentifiersAsTheServerNamesThem) {
    const Folder folder({{"gems.yml",
                          joined({
                              "1.00:",
                              "  Display_Name: a",
                              "  Max_Grade: 1",
                              "0x1F:",
                              "  Display_Name: b",
                              "  Max_Grade: 1",
                              "'1.00':",
                              "  Display_Name: c",
                              "  Max_Grade: 1",
                              "yes:",
                              "  Display_Name: d",
                              "  Max_Grade: 1",
                          }),
                          ""}});
    std::vector<std::string> names;
    for (const entries::Entry& entry : folder.files()[0].entries()) names.push_back(entry.key);
    EXPECT_EQ(names, (std::vector<std::string>{"1.0", "31", "1.00", "true"}));
    EXPECT_EQ(matchesOf(folder.find("31")), (std::vector<std::string>{"gems.yml:4 0x1F gem"}));
    EXPECT_EQ(matchesOf(folder.find("1.0")), (std::vector<std::string>{"gems.yml:1 1.00 gem", "gems.yml:7 1.00 gem"}));
}

TEST(FolderTest, WithFileReplacesOneFileAndSharesTheRest) {
    const Folder before({{"sockets.yml", kGems, ""}, {"elements.yml", kElements, ""}});
    const Folder after = before.withFile(FileInput{"sockets.yml", kKeyLores, ""});
    EXPECT_EQ(filesOf(after), (std::vector<std::string>{"elements.yml element 1", "sockets.yml keylore 1"}));
    EXPECT_EQ(after.file("elements.yml")->index, before.file("elements.yml")->index);
    EXPECT_EQ(filesOf(before), (std::vector<std::string>{"elements.yml element 1", "sockets.yml gem 3"}));
    const Folder added = before.withFile(FileInput{"new/keylore.yml", kKeyLores, ""});
    EXPECT_EQ(filesOf(added),
              (std::vector<std::string>{"elements.yml element 1", "sockets.yml gem 3", "new/keylore.yml keylore 1"}));
}

class FindTest : public ::testing::Test {
protected:
    const Folder folder{{
        {"sockets.yml", kGems, ""},
        {"elements.yml", kElements, ""},
        {"keylore.yml", kKeyLores, ""},
        {"old/sockets.yml", kGems, ""},
        {"locked.yml", "", "无法打开"},
    }};
    std::vector<std::string> find(std::string_view text) const { return matchesOf(folder.find(text)); }
};

TEST_F(FindTest, ByNameWithTheCodesTakenOff) {
    EXPECT_EQ(find("红宝石"), (std::vector<std::string>{"sockets.yml:1 ruby gem", "old/sockets.yml:1 ruby gem"}));
    EXPECT_EQ(find("宝石"), (std::vector<std::string>{"sockets.yml:1 ruby gem", "sockets.yml:6 Sapphire gem",
                                                      "old/sockets.yml:1 ruby gem", "old/sockets.yml:6 Sapphire gem"}));
    // Codes in the text typed are taken off as well.
    EXPECT_EQ(find("&9蓝宝"),
              (std::vector<std::string>{"sockets.yml:6 Sapphire gem", "old/sockets.yml:6 Sapphire gem"}));
}

TEST_F(FindTest, ByIdentifierInEitherCase) {
    EXPECT_EQ(find("SAPP"), (std::vector<std::string>{"sockets.yml:6 Sapphire gem", "old/sockets.yml:6 Sapphire gem"}));
    EXPECT_EQ(find("fire"), (std::vector<std::string>{"elements.yml:1 fire element"}));
    EXPECT_EQ(find("settings"),
              (std::vector<std::string>{"sockets.yml:5 settings other", "old/sockets.yml:5 settings other"}));
}

TEST_F(FindTest, ByLore) {
    EXPECT_EQ(find("治疗"), (std::vector<std::string>{"keylore.yml:1 heal keylore"}));
    EXPECT_EQ(find("火"), (std::vector<std::string>{"elements.yml:1 fire element"}));
    // A gem's menu lore (Keylore) as well as its name.
    EXPECT_EQ(find("镶嵌到"), (std::vector<std::string>{"sockets.yml:1 ruby gem", "old/sockets.yml:1 ruby gem"}));
}

TEST_F(FindTest, CodesAloneOrAcrossTwoTextsFindNothing) {
    EXPECT_EQ(find("&c"), std::vector<std::string>{});
    EXPECT_EQ(find("§c"), std::vector<std::string>{});
    EXPECT_EQ(find("红宝石镶嵌"), std::vector<std::string>{});
    EXPECT_EQ(find("没有这个"), std::vector<std::string>{});
}

TEST_F(FindTest, EmptyTextFindsEveryEntryInOrder) {
    EXPECT_EQ(find(""), (std::vector<std::string>{
                            "elements.yml:1 fire element",
                            "keylore.yml:1 heal keylore",
                            "sockets.yml:1 ruby gem",
                            "sockets.yml:5 settings other",
                            "sockets.yml:6 Sapphire gem",
                            "old/sockets.yml:1 ruby gem",
                            "old/sockets.yml:5 settings other",
                            "old/sockets.yml:6 Sapphire gem",
                        }));
    const std::vector<Match> all = folder.find("");
    EXPECT_EQ(all[2].file, 3u);  // after locked.yml, which has none
    EXPECT_EQ(all[2].entry, 0u);
    EXPECT_EQ(folder.files()[all[7].file].entries()[all[7].entry].id, "Sapphire");
}

TEST(FolderTest, AnUnreadableFileIsListedByItsKeys) {
    const Folder folder(
        {{"broken.yml", joined({"ruby:", "  Display_Name: \"红", "  Max_Grade: 5", "jade:", "\tx: 1"}), ""}});
    const File& file = folder.files()[0];
    EXPECT_FALSE(file.readable());
    EXPECT_EQ(matchesOf(folder.find("")),
              (std::vector<std::string>{"broken.yml:1 ruby gem", "broken.yml:4 jade other"}));
}

}  // namespace
}  // namespace project
