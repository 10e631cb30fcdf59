// Duplicate, remove, rename and list lines in place, and what every edit refuses: an unknown
// entry, an identifier that exists, a text the server cannot read, an entry gone since it was
// loaded. Line ends are the text's own.
#include <gtest/gtest.h>

#include "builders/socket/element_block.h"
#include "builders/socket/gem_block.h"
#include "builders/socket/key_lore.h"
#include "support.h"

namespace entries {
namespace {

using testing::crlf;
using testing::lf;
using testing::outcome;

const std::string kText =
    "# 技能\n"
    "heal:\n"
    "  keylore: \"&a治疗\"\n"
    "  command:\n"
    "    - \"heal %player%\"\n"
    "\n"
    "# 火焰\n"
    "火:\n"
    "  Keylore: \"&c火\"\n"
    "  Resistance:\n"
    "    water: -20\n"
    "\n";

class EditsTest : public ::testing::TestWithParam<bool> {
protected:
    // The sample in the parameter's line ends: CR LF when true.
    static std::string ends(const std::string& text) { return GetParam() ? crlf(text) : text; }
};

TEST_P(EditsTest, DuplicatePutsTheCopyRightAfterTheEntry) {
    const EditResult result = duplicate(ends(kText), "heal", "治疗2");
    ASSERT_TRUE(result.ok()) << outcome(result);
    EXPECT_EQ(result.text, ends("# 技能\nheal:\n  keylore: \"&a治疗\"\n  command:\n    - \"heal %player%\"\n"
                                "治疗2:\n  keylore: \"&a治疗\"\n  command:\n    - \"heal %player%\"\n"
                                "\n# 火焰\n火:\n  Keylore: \"&c火\"\n  Resistance:\n    water: -20\n\n"));
    EXPECT_EQ(result.line, 6);
    EXPECT_EQ(result.end, 9);
    // The last entry: its copy goes before the blank line that ends the text.
    EXPECT_EQ(duplicate(ends(kText), "火", "冰: x").text,
              ends("# 技能\nheal:\n  keylore: \"&a治疗\"\n  command:\n    - \"heal %player%\"\n"
                   "\n# 火焰\n火:\n  Keylore: \"&c火\"\n  Resistance:\n    water: -20\n"
                   "\"冰: x\":\n  Keylore: \"&c火\"\n  Resistance:\n    water: -20\n\n"));
}

TEST_P(EditsTest, RemoveTakesTheEntryLinesAndTheCommentAboveIt) {
    const EditResult result = remove(ends(kText), "heal");
    ASSERT_TRUE(result.ok()) << outcome(result);
    EXPECT_EQ(result.text, ends("\n# 火焰\n火:\n  Keylore: \"&c火\"\n  Resistance:\n    water: -20\n\n"));
    EXPECT_EQ(result.line, 2);
    EXPECT_EQ(result.end, 5);
}

TEST_P(EditsTest, RenameChangesTheKeyOnly) {
    const EditResult result = rename(ends(kText), "火", "fire #1");
    ASSERT_TRUE(result.ok()) << outcome(result);
    std::string wanted = ends(kText);
    wanted.replace(wanted.find("火:"), std::string("火").size(), "\"fire #1\"");
    EXPECT_EQ(result.text, wanted);
    EXPECT_EQ(rename(ends(kText), "火", "火").text, ends(kText));
}

TEST_P(EditsTest, ListLinesGoUnderTheirOwnEntry) {
    const EditResult command = insertListLine(ends(kText), "heal", builders::socket::keyLoreCommand("say 好"));
    ASSERT_TRUE(command.ok()) << outcome(command);
    std::string wanted = kText;
    wanted.insert(wanted.find("\n\n# 火焰") + 1, "    - \"say 好\"\n");
    EXPECT_EQ(command.text, ends(wanted));
    EXPECT_EQ(command.end, 6);

    const EditResult resistance = insertListLine(ends(kText), "火", builders::socket::resistanceLine("雷", "35"));
    ASSERT_TRUE(resistance.ok()) << outcome(resistance);
    EXPECT_EQ(resistance.text, ends(kText.substr(0, kText.size() - 1) + "    雷: 35\n\n"));
    EXPECT_EQ(insertListLine(ends(kText), "火", builders::socket::resistanceLine("water", "1")).refusal,
              Refusal::DuplicateKey);
}

TEST_P(EditsTest, Refusals) {
    const std::string text = ends(kText);
    EXPECT_EQ(duplicate(text, "none", "x").refusal, Refusal::UnknownEntry);
    EXPECT_EQ(duplicate(text, "heal", "火").refusal, Refusal::DuplicateKey);
    EXPECT_EQ(duplicate(text, "heal", "").refusal, Refusal::EmptyId);
    EXPECT_EQ(remove(text, "none").refusal, Refusal::UnknownEntry);
    EXPECT_EQ(rename(text, "none", "x").refusal, Refusal::UnknownEntry);
    EXPECT_EQ(rename(text, "heal", "").refusal, Refusal::EmptyId);
    const EditResult onto = rename(text, "heal", "火");
    EXPECT_EQ(onto.refusal, Refusal::DuplicateKey);
    EXPECT_EQ(code(onto.refusal), "duplicate-key");
    EXPECT_EQ(onto.message, "已有识别名为“火”的条目（第 8 行）");
    EXPECT_EQ(onto.text, "");
    EXPECT_EQ(insertListLine(text, "heal", "    - \"a\"\n    - \"b\"\n").refusal, Refusal::BadLine);
    EXPECT_EQ(insertListLine(text, "heal", "    x: 1\n").refusal, Refusal::BadLine);
    EXPECT_EQ(insertListLine(text, "火", "    - \"a\"\n").refusal, Refusal::BadLine);
    const LoadResult unknown = load(text, "none");
    EXPECT_EQ(unknown.refusal, Refusal::UnknownEntry);
    EXPECT_EQ(unknown.message, "没有识别名为“none”的条目");
}

INSTANTIATE_TEST_SUITE_P(LineEnds, EditsTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& crlf) { return crlf.param ? "CrLf" : "Lf"; });

TEST(EditsTest, TheLastEntryWithoutAFinalLineBreak) {
    const std::string text = "a:\n  keylore: \"x\"\n  command:\n    - \"y\"";
    EXPECT_EQ(duplicate(text, "a", "b").text, text + "\nb:\n  keylore: \"x\"\n  command:\n    - \"y\"");
    EXPECT_EQ(insertListLine(text, "a", builders::socket::keyLoreCommand("z")).text, text + "\n    - \"z\"");
    EXPECT_EQ(insertListLine(crlf(text), "a", builders::socket::keyLoreCommand("z")).text,
              crlf(text + "\n    - \"z\""));
    EXPECT_EQ(remove(text, "a").text, "");
    const LoadResult loaded = load(text, "a");
    ASSERT_TRUE(loaded.ok());
    actions::Inputs inputs = loaded.loaded.inputs;
    inputs.texts[2] = "w";
    EXPECT_EQ(update(text, loaded.loaded, inputs).text, "a:\n  keylore: \"x\"\n  command:\n    - \"w\"");
}

// A text of LF lines holding an entry in CR LF (a block pasted in as built): the entry's new
// lines end as its own lines do.
TEST(EditsTest, NewLinesEndAsTheEntrysOwn) {
    using builders::socket::keyLoreCommand;
    const std::string entry = builders::socket::keyLoreEntry("a", "x", "y");
    const std::string after = "b:\n  keylore: z\n  command: []\n";
    EXPECT_EQ(insertListLine("# LF\n" + entry + after, "a", keyLoreCommand("w")).text,
              "# LF\n" + entry + keyLoreCommand("w") + after);
    EXPECT_EQ(duplicate("# LF\n" + entry, "a", "c").text, "# LF\n" + entry + "c" + entry.substr(1));
}

// A list the entry does not have yet comes with its key; items take the list's own indentation.
TEST(EditsTest, ListLinesInHandWrittenLists) {
    const std::string text = "g:\n    Display_Name: n\n    Lores:\n        - 'a'\n    Material: m\n";
    const EditResult lore = insertListLine(text, "g", builders::socket::gemLoreLine("b"));
    ASSERT_TRUE(lore.ok()) << outcome(lore);
    EXPECT_EQ(lore.text, "g:\n    Display_Name: n\n    Lores:\n        - 'a'\n        - \"b\"\n    Material: m\n");

    const std::string element = "e:\n    Keylore: k\n    Potion_To_Victims: {}\n";
    const EditResult resistance = insertListLine(element, "e", builders::socket::resistanceLine("水", "5"));
    ASSERT_TRUE(resistance.ok()) << outcome(resistance);
    EXPECT_EQ(resistance.text, element + "    Resistance:\n        水: 5\n");

    const std::string keyLore = "k:\n  command:\n  keylore: x\n";
    const EditResult command = insertListLine(keyLore, "k", builders::socket::keyLoreCommand("c"));
    ASSERT_TRUE(command.ok()) << outcome(command);
    EXPECT_EQ(command.text, "k:\n  command:\n    - \"c\"\n  keylore: x\n");

    const std::string flow = "k:\n  command: [a]\n  keylore: x\n";
    EXPECT_EQ(insertListLine(flow, "k", builders::socket::keyLoreCommand("c")).refusal, Refusal::Unsupported);
}

TEST(EditsTest, DuplicatedThenUpdated) {
    const std::string text = lf(builders::socket::gemBlock({.id = "ruby",
                                                            .displayName = "&c红",
                                                            .shiny = 0,
                                                            .maxGrade = "5",
                                                            .typeItem = 0,
                                                            .bonusBase = 0,
                                                            .bonusScale = 0}));
    const EditResult copy = duplicate(text, "ruby", "ruby2");
    ASSERT_TRUE(copy.ok()) << outcome(copy);
    const Index index(copy.text);
    const LoadResult loaded = index.load("ruby2");
    ASSERT_TRUE(loaded.ok()) << loaded.message;
    EXPECT_EQ(loaded.loaded.line, 24);
    actions::Inputs inputs = loaded.loaded.inputs;
    inputs.texts[2] = "&9蓝";
    const EditResult updated = index.update(loaded.loaded, inputs);
    ASSERT_TRUE(updated.ok()) << outcome(updated);
    std::string wanted = copy.text;
    wanted.replace(wanted.rfind("&c红"), std::string("&c红").size(), "&9蓝");
    EXPECT_EQ(updated.text, wanted);
    EXPECT_EQ(updated.line, 24);
    EXPECT_EQ(updated.end, 46);
}

// What was loaded is looked for again in the text the update gets.
TEST(EditsTest, UpdateFindsTheEntryAgainOrRefuses) {
    const std::string text =
        lf(builders::socket::keyLoreEntry("a", "x", "y") + builders::socket::keyLoreEntry("b", "x", "y"));
    const LoadResult loaded = load(text, "b");
    ASSERT_TRUE(loaded.ok());
    actions::Inputs inputs = loaded.loaded.inputs;
    inputs.texts[1] = "z";

    // Lines added above it meanwhile: found where it now stands.
    const EditResult moved = update("# 新的注释\n" + text, loaded.loaded, inputs);
    ASSERT_TRUE(moved.ok()) << outcome(moved);
    EXPECT_EQ(moved.text, "# 新的注释\n" + text.substr(0, text.rfind('x')) + "z" + text.substr(text.rfind('x') + 1));
    EXPECT_EQ(moved.line, 6);

    const EditResult gone = update(remove(text, "b").text, loaded.loaded, inputs);
    EXPECT_EQ(gone.refusal, Refusal::UnknownEntry);
    EXPECT_EQ(gone.message, "条目“b”已不在文本中");

    const EditResult otherKind =
        update(text.substr(0, text.find("b:")) + "b:\n  Display_Name: n\n  Material: m\n", loaded.loaded, inputs);
    EXPECT_EQ(otherKind.refusal, Refusal::OtherEntry);

    const std::string broken = text + "c: \"\n";
    const EditResult refused = update(broken, loaded.loaded, inputs);
    EXPECT_EQ(refused.refusal, Refusal::InvalidYaml);
    EXPECT_EQ(refused.message, list(broken).message);
    EXPECT_EQ(code(refused.refusal), "invalid-yaml");
    for (const EditResult& edit : {duplicate(broken, "a", "z"), remove(broken, "a"), rename(broken, "a", "z"),
                                   insertListLine(broken, "a", builders::socket::keyLoreCommand("c"))}) {
        EXPECT_EQ(edit.refusal, Refusal::InvalidYaml);
        EXPECT_EQ(edit.text, "");
    }
}

TEST(EditsTest, OtherEntriesDoNotLoad) {
    const LoadResult other = load("a:\n  x: 1\n", "a");
    EXPECT_EQ(other.refusal, Refusal::OtherEntry);
    EXPECT_EQ(other.message, "“a”不是宝石、元素或技能条目，无法载入到页面");
    EXPECT_EQ(code(other.refusal), "other-entry");
}

}  // namespace
}  // namespace entries
