// An edit changes its own entry and nothing else, as the server reads the text: anchors stay on
// the values that carry them and copies carry none, an entry ends where the server's reading of
// it ends, a result the server cannot read (or reads otherwise) is refused, comments and blank
// lines outside the changed value stay, and a deleted entry takes the comment above it.
#include <gtest/gtest.h>

#include <functional>

#include "builders/socket/key_lore.h"
#include "samples.h"
#include "support.h"
#include "yaml/check.h"
#include "yaml/document.h"

namespace entries {
namespace {

using testing::crlf;
using testing::joined;
using testing::outcome;

// Loads the entry, lets `change` set its fields, updates.
EditResult changed(const std::string& text, std::string_view id, const std::function<void(actions::Inputs&)>& change) {
    const LoadResult loaded = load(text, id);
    if (!loaded.ok()) return {.refusal = loaded.refusal, .message = loaded.message, .text = {}, .line = 0, .end = 0};
    actions::Inputs inputs = loaded.loaded.inputs;
    change(inputs);
    return update(text, loaded.loaded, inputs);
}

// The value the server reads at a path of top-level key and keys below it, as text; "(none)"
// when the text does not read or has nothing there.
std::string readAt(const std::string& text, std::initializer_list<std::string_view> path) {
    const yaml::Document doc = yaml::read(text);
    if (doc.error || !doc.root) return "(none)";
    std::size_t node = *doc.root;
    for (const std::string_view key : path) {
        bool found = false;
        for (const auto& [k, v] : yaml::entries(doc, node)) {
            if (doc.node(k).kind == yaml::NodeKind::Scalar && doc.value(doc.node(k)) == key) {
                node = v;
                found = true;
            }
        }
        if (!found) return "(none)";
    }
    const yaml::Node& n = doc.node(node);
    if (n.kind != yaml::NodeKind::Scalar) return "(collection)";
    return std::string(doc.value(n));
}

std::size_t count(std::string_view text, std::string_view part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// Two gems: sap's name, Shiny and grade are ruby's, through anchors.
const std::string kAnchored = joined({
    "ruby:",
    "  Display_Name: &dn RUBY   # 名字",
    "  Material: REDSTONE",
    "  Shiny: &s true",
    "  Effect:",
    "    Bonus_Base_Additional_Damage: &d 10",
    "sap:",
    "  Display_Name: *dn",
    "  Material: LAPIS",
    "  Shiny: *s",
    "  Max_Grade: *d",
});

TEST(AnchorsTest, AnUpdateKeepsTheAnchorOnTheValueThatCarriesIt) {
    const EditResult result = changed(kAnchored, "ruby", [](actions::Inputs& in) { in.texts[2] = "&9蓝"; });
    ASSERT_TRUE(result.ok()) << outcome(result);
    std::string wanted = kAnchored;
    wanted.replace(wanted.find("&dn RUBY"), std::string("&dn RUBY").size(), "&dn \"&9蓝\"");
    EXPECT_EQ(result.text, wanted);
    EXPECT_EQ(readAt(result.text, {"sap", "Display_Name"}), "&9蓝");
    EXPECT_EQ(readAt(result.text, {"sap", "Shiny"}), "true");
    const EditResult shiny = changed(kAnchored, "ruby", [](actions::Inputs& in) { in.selections[0] = 1; });
    ASSERT_TRUE(shiny.ok()) << outcome(shiny);
    EXPECT_EQ(readAt(shiny.text, {"sap", "Shiny"}), "false");

    // An anchored value emptied would take its anchor with it: refused, and nothing changes.
    const EditResult emptied = changed(kAnchored, "ruby", [](actions::Inputs& in) {
        in.selections[2] = -1;
        in.texts[7] = "";
    });
    EXPECT_EQ(emptied.refusal, Refusal::Unsupported) << outcome(emptied);
    EXPECT_EQ(emptied.text, "");
    EXPECT_EQ(emptied.message,
              "第 1 行起的条目里的锚点 &d 改写后会丢失（别处的 *d 引用它），无法逐行改写；没有改动文本");

    // An anchor before the identifier stays before it when the identifier changes.
    const std::string keyed = "&k " + kAnchored;
    const EditResult renamed = rename(keyed, "ruby", "ruby2");
    ASSERT_TRUE(renamed.ok()) << outcome(renamed);
    EXPECT_EQ(renamed.text, "&k ruby2" + kAnchored.substr(4));
    const EditResult byPage = changed(keyed, "ruby", [](actions::Inputs& in) { in.texts[0] = "ruby3"; });
    ASSERT_TRUE(byPage.ok()) << outcome(byPage);
    EXPECT_EQ(byPage.text, "&k ruby3" + kAnchored.substr(4));
}

TEST(AnchorsTest, ACopyCarriesNoAnchor) {
    const std::string text = joined({
        "base: &b",
        "  Material: STONE",
        "  Max_Grade: 3",
        "child:",
        "  <<: *b",
        "  Display_Name: c",
    });
    const EditResult copy = duplicate(text, "base", "base2");
    ASSERT_TRUE(copy.ok()) << outcome(copy);
    EXPECT_EQ(copy.text, joined({
                             "base: &b",
                             "  Material: STONE",
                             "  Max_Grade: 3",
                             "base2:",
                             "  Material: STONE",
                             "  Max_Grade: 3",
                             "child:",
                             "  <<: *b",
                             "  Display_Name: c",
                         }));
    EXPECT_EQ(count(copy.text, "&b"), 1U);

    // Anchors inside the entry, on a key, a value and a list item: the copy has none of them, and
    // its aliases read the original's values.
    const std::string inside = crlf(joined({
        "&g g:",
        "  Display_Name: &n N   # 名字",
        "  Keylore: *n",
        "  Lores:",
        "    - &l \"a\"",
        "    - *l",
    }));
    const EditResult bare = duplicate(inside, "g", "g2");
    ASSERT_TRUE(bare.ok()) << outcome(bare);
    EXPECT_EQ(bare.text, inside + crlf(joined({
                                      "g2:",
                                      "  Display_Name: N   # 名字",
                                      "  Keylore: *n",
                                      "  Lores:",
                                      "    - \"a\"",
                                      "    - *l",
                                  })));
    EXPECT_EQ(readAt(bare.text, {"g2", "Keylore"}), "N");

    // An alias that would name another anchor of that name in the copy: refused.
    const std::string redefined = joined({"g:", "  Display_Name: &n A", "  Keylore: *n", "  Material: &n B"});
    const EditResult otherwise = duplicate(redefined, "g", "g2");
    EXPECT_EQ(otherwise.refusal, Refusal::Unsupported) << outcome(otherwise);
    EXPECT_EQ(otherwise.text, "");
}

// A "|+" value keeps the empty lines after it, and a "|" value's line may start with "#": both
// are the entry's, in the list and in every edit.
const std::string kBlocks = joined({
    "keep:",
    "  keylore: x",
    "  command:",
    "    - |+",
    "      say a",
    "",
    "",
    "hash:",
    "  keylore: y",
    "  command:",
    "    - |",
    "      say b",
    "      # not a comment",
    "",
    "# a comment",
    "next:",
    "  keylore: z",
    "  command: []",
});

TEST(BlockEndsTest, AnEntryEndsWhereTheServerReadsItsEnd) {
    std::vector<std::string> ends;
    for (const Entry& e : list(kBlocks).entries)
        ends.push_back(e.id + " " + std::to_string(e.line) + "-" + std::to_string(e.end));
    EXPECT_EQ(ends, (std::vector<std::string>{"keep 1-7", "hash 8-13", "next 16-18"}));

    const EditResult keep = duplicate(kBlocks, "keep", "kept");
    ASSERT_TRUE(keep.ok()) << outcome(keep);
    EXPECT_EQ(keep.text, joined({"keep:", "  keylore: x", "  command:", "    - |+", "      say a", "", "",
                                 "kept:", "  keylore: x", "  command:", "    - |+", "      say a", "", ""}) +
                             kBlocks.substr(kBlocks.find("hash:")));
    EXPECT_EQ(keep.line, 8);
    EXPECT_EQ(keep.end, 14);

    const EditResult hash = duplicate(kBlocks, "hash", "hashed");
    ASSERT_TRUE(hash.ok()) << outcome(hash);
    const std::string hashBlock = "  keylore: y\n  command:\n    - |\n      say b\n      # not a comment\n";
    EXPECT_EQ(hash.text, kBlocks.substr(0, kBlocks.find("\n# a comment")) + "hashed:\n" + hashBlock +
                             kBlocks.substr(kBlocks.find("\n# a comment")));

    // A key the entry lacks goes above the next one and the comments over it, not into the "|"
    // value before them.
    const std::string custom =
        joined({"g:", "  Custom: |", "    x", "    # y", "  # 名字", "  Display_Name: n", "  Material: m"});
    const EditResult keylore = changed(custom, "g", [](actions::Inputs& in) { in.texts[1] = "k"; });
    ASSERT_TRUE(keylore.ok()) << outcome(keylore);
    EXPECT_EQ(keylore.text, joined({"g:", "  Custom: |", "    x", "    # y", "  Keylore: \"k\"", "  # 名字",
                                    "  Display_Name: n", "  Material: m"}));

    // A command added goes after the kept empty lines, which stay the value's.
    const EditResult added = insertListLine(kBlocks, "keep", builders::socket::keyLoreCommand("say c"));
    ASSERT_TRUE(added.ok()) << outcome(added);
    EXPECT_EQ(added.text,
              kBlocks.substr(0, kBlocks.find("hash:")) + "    - \"say c\"\n" + kBlocks.substr(kBlocks.find("hash:")));
}

// Every edit answers invalid-yaml, and changes nothing, when the server could not read its
// result; and refuses when another entry would read otherwise.
TEST(UnreadableResultsTest, RefusedAndNothingChanged) {
    const EditResult gone = remove(kAnchored, "ruby");
    EXPECT_EQ(gone.refusal, Refusal::InvalidYaml) << outcome(gone);
    EXPECT_EQ(gone.text, "");
    EXPECT_EQ(
        gone.message,
        "删除后服务器无法读取这段配置：第 2 行：“*”引用了没有定义的锚点；以 * 开头的值请加上双引号。没有改动文本");

    // With another anchor of that name before it, sap would read that one's value.
    const std::string earlier =
        joined({"opal:", "  Display_Name: &dn OPAL", "  Material: QUARTZ", "  Shiny: &s false", "  Max_Grade: &d 2"}) +
        kAnchored;
    const EditResult rebound = remove(earlier, "ruby");
    EXPECT_EQ(rebound.refusal, Refusal::Unsupported) << outcome(rebound);
    EXPECT_EQ(rebound.message, "删除后第 12 行的条目“sap”会被服务器读成别的值；没有改动文本");

    // The empty lines after a deleted entry would join the "|+" value before it.
    const std::string afterKeep = kBlocks.substr(0, kBlocks.find("hash:")) + "gone:\n  keylore: g\n  command: []\n\n" +
                                  kBlocks.substr(kBlocks.find("hash:"));
    const EditResult joinedKeep = remove(afterKeep, "gone");
    EXPECT_EQ(joinedKeep.refusal, Refusal::Unsupported) << outcome(joinedKeep);
    EXPECT_EQ(remove(afterKeep, "hash").refusal, Refusal::None);

    // SnakeYAML takes an implicit key of at most 1,024 characters.
    const std::string text = builders::socket::keyLoreEntry("heal", "x", "y");
    for (const std::size_t size : {std::size_t{1024}, std::size_t{1025}}) {
        const std::string id(size, 'k');
        const Refusal wanted = size > 1024 ? Refusal::InvalidYaml : Refusal::None;
        const EditResult renamed = rename(text, "heal", id);
        EXPECT_EQ(renamed.refusal, wanted) << size << " " << outcome(renamed);
        const EditResult copied = duplicate(text, "heal", id);
        EXPECT_EQ(copied.refusal, wanted) << size << " " << outcome(copied);
        EXPECT_EQ(changed(text, "heal", [&](actions::Inputs& in) { in.texts[0] = id; }).refusal, wanted) << size;
        if (size > 1024) {
            EXPECT_EQ(renamed.text, "");
            EXPECT_EQ(copied.text, "");
        }
    }
    const EditResult longKey = insertListLine(testing::kElement, "fire", "    " + std::string(1025, 'w') + ": 1\r\n");
    EXPECT_EQ(longKey.refusal, Refusal::InvalidYaml) << outcome(longKey);
}

// An update changes the value's own lines: a comment after a tab, the blank line after a folded
// value, the comment on a block value's header line and the lines between a key and a value
// written below it all stay.
TEST(CommentsKeptTest, EverythingButTheValue) {
    const std::string tab = joined({"jade:", "  Display_Name: n", "  Max_Grade: 3\t# tab comment"});
    const EditResult grade = changed(tab, "jade", [](actions::Inputs& in) { in.texts[4] = "7"; });
    ASSERT_TRUE(grade.ok()) << outcome(grade);
    EXPECT_EQ(grade.text, joined({"jade:", "  Display_Name: n", "  Max_Grade: 7\t# tab comment"}));
    // After a quoted value the server takes no tab before a comment: a space takes its place.
    const EditResult quoted = changed(tab, "jade", [](actions::Inputs& in) { in.texts[4] = "0x1F"; });
    ASSERT_TRUE(quoted.ok()) << outcome(quoted);
    EXPECT_EQ(quoted.text, joined({"jade:", "  Display_Name: n", "  Max_Grade: \"0x1F\" # tab comment"}));

    const std::string folded = joined({
        "jade:",
        "  Display_Name: >-   # 名字",
        "    &a翡",
        "    翠",
        "",
        "  # 材料",
        "  Material: JADE",
        "",
        "  Max_Grade: |",
        "    3",
        "",
    });
    const EditResult name = changed(folded, "jade", [](actions::Inputs& in) { in.texts[2] = "&b翡翠"; });
    ASSERT_TRUE(name.ok()) << outcome(name);
    EXPECT_EQ(name.text, joined({
                             "jade:",
                             "  Display_Name: \"&b翡翠\"   # 名字",
                             "",
                             "  # 材料",
                             "  Material: JADE",
                             "",
                             "  Max_Grade: |",
                             "    3",
                             "",
                         }));

    const std::string below = joined({
        "jade:",
        "  Display_Name:   # 名字",
        "",
        "    # 在聊天里显示",
        "    '&a翡翠'   # 绿色",
        "  Material: JADE",
    });
    const EditResult moved = changed(below, "jade", [](actions::Inputs& in) { in.texts[2] = "&b翡翠"; });
    ASSERT_TRUE(moved.ok()) << outcome(moved);
    EXPECT_EQ(moved.text, joined({
                              "jade:",
                              "  Display_Name:   # 名字",
                              "",
                              "    # 在聊天里显示",
                              "    \"&b翡翠\"   # 绿色",
                              "  Material: JADE",
                          }));
}

// A deleted entry takes the comment lines right above it, up to a blank line or another
// entry's line; the reply's lines are the entry's own.
TEST(DeleteTest, TakesTheCommentAboveIt) {
    const std::string text = joined({
        "a:",
        "  keylore: x",
        "  command:",
        "    - |",
        "      say",
        "      # a's own line",
        "# about b",
        "  # more about b",
        "b:",
        "  keylore: y",
        "  command: []",
        "",
        "# about c, apart",
        "",
        "c:",
        "  keylore: z",
        "  command: []",
        "# after c",
    });
    const EditResult b = remove(text, "b");
    ASSERT_TRUE(b.ok()) << outcome(b);
    EXPECT_EQ(b.line, 9);
    EXPECT_EQ(b.end, 11);
    EXPECT_EQ(b.text, joined({"a:", "  keylore: x", "  command:", "    - |", "      say", "      # a's own line", "",
                              "# about c, apart", "", "c:", "  keylore: z", "  command: []", "# after c"}));
    const EditResult c = remove(crlf(text), "c");
    ASSERT_TRUE(c.ok()) << outcome(c);
    EXPECT_EQ(c.line, 15);
    EXPECT_EQ(c.end, 17);
    EXPECT_EQ(c.text, crlf(text.substr(0, text.find("c:\n")) + "# after c\n"));
}

// A byte order mark belongs to the text, not to its first entry: a copy of that entry does not
// carry it, and deleting the entry (or the comment above it) leaves it.
TEST(DeleteTest, TheByteOrderMarkStays) {
    const std::string bom = "\xEF\xBB\xBF";
    const std::string sap = "sap:\n  keylore: b\n  command: []\n";
    const std::string text = bom + "ruby:\n  keylore: a\n  command: []\n" + sap;
    const EditResult copy = duplicate(text, "ruby", "r2");
    ASSERT_TRUE(copy.ok()) << outcome(copy);
    EXPECT_EQ(copy.text, bom + "ruby:\n  keylore: a\n  command: []\nr2:\n  keylore: a\n  command: []\n" + sap);
    EXPECT_EQ(remove(text, "ruby").text, bom + sap);
    EXPECT_EQ(remove(bom + "# ruby\nruby:\n  keylore: a\n  command: []\n" + sap, "ruby").text, bom + sap);
}

}  // namespace
}  // namespace entries
