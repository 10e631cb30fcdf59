// Identifiers as the server names them: "0x1F" is 31, "1.00" is 1.0. An edit never makes two
// entries one to the server, and of entries that already are one, the one the server keeps
// (the last) is the one found and edited; where another would come back into view, it says so.
#include <gtest/gtest.h>

#include "support.h"

namespace entries {
namespace {

using testing::outcome;

// A key-lore entry under a key as written.
std::string entry(std::string_view key, std::string_view lore) {
    return std::string(key) + ":\n  keylore: " + std::string(lore) + "\n  command:\n    - c\n";
}

const std::string kRuby = entry("ruby", "r");

TEST(IdentifiersTest, EachEntryCarriesTheServersName) {
    const std::string text = entry("0x1F", "a") + entry("010", "b") + entry("1_000", "c") + entry("1e2", "d") +
                             entry("\"1.0\"", "e") + entry("1.00", "f") + entry("'x y'", "g") + entry("yes", "h");
    std::vector<std::string> keys;
    for (const Entry& e : list(text).entries) keys.push_back(e.id + "=" + e.key);
    EXPECT_EQ(keys, (std::vector<std::string>{"0x1F=31", "010=8", "1_000=1000", "1e2=100.0", "1.0=1.0", "1.00=1.0",
                                              "x y=x y", "yes=true"}));
    // A text the server cannot read names its keys the same way.
    keys.clear();
    for (const Entry& e : list(text + "broken: \"\n").entries) keys.push_back(e.id + "=" + e.key);
    EXPECT_EQ(keys, (std::vector<std::string>{"0x1F=31", "010=8", "1_000=1000", "1e2=100.0", "1.0=1.0", "1.00=1.0",
                                              "x y=x y", "yes=true", "broken=broken"}));
}

// Renaming or duplicating onto a name the server already has is refused, however it is written.
TEST(IdentifiersTest, NoEditMakesTwoEntriesOne) {
    for (const auto& [written, name] : {std::pair{"0x1F", "31"}, std::pair{"010", "8"}, std::pair{"1_000", "1000"},
                                        std::pair{"1e2", "100.0"}, std::pair{"1.00", "1.0"}}) {
        const std::string text = kRuby + entry(written, "x");
        const EditResult renamed = rename(text, "ruby", name);
        EXPECT_EQ(renamed.refusal, Refusal::DuplicateKey) << written << " " << outcome(renamed);
        EXPECT_EQ(renamed.message, std::string("已有识别名为“") + name + "”的条目（第 5 行，写作“" + written + "”）");
        EXPECT_EQ(duplicate(text, "ruby", name).refusal, Refusal::DuplicateKey) << written;
        const LoadResult loaded = load(text, "ruby");
        ASSERT_TRUE(loaded.ok()) << loaded.message;
        actions::Inputs inputs = loaded.loaded.inputs;
        inputs.texts[0] = name;
        EXPECT_EQ(update(text, loaded.loaded, inputs).refusal, Refusal::DuplicateKey) << written;
    }
    // The same name as the entry's own, written otherwise: nothing else is that entry.
    const EditResult respelt = rename(entry("0x1F", "x"), "0x1F", "31");
    ASSERT_TRUE(respelt.ok()) << outcome(respelt);
    EXPECT_EQ(respelt.text, entry("\"31\"", "x"));
}

// "1.0:" and then "1.00:": the server keeps the second, so that is the one loaded and updated,
// by either spelling and by the name.
TEST(IdentifiersTest, TheEntryTheServerKeepsIsTheOneEdited) {
    const std::string text = entry("1.0", "first") + entry("1.00", "second");
    for (const char* id : {"1.0", "1.00"}) {
        const LoadResult loaded = load(text, id);
        ASSERT_TRUE(loaded.ok()) << loaded.message;
        EXPECT_EQ(loaded.loaded.line, 5) << id;
        EXPECT_EQ(loaded.loaded.inputs.texts[1], "second") << id;
        actions::Inputs inputs = loaded.loaded.inputs;
        inputs.texts[1] = "changed";
        const EditResult updated = update(text, loaded.loaded, inputs);
        ASSERT_TRUE(updated.ok()) << outcome(updated);
        EXPECT_EQ(updated.text, entry("1.0", "first") + entry("1.00", "\"changed\"")) << id;
        EXPECT_EQ(updated.line, 5);
    }
    const LoadResult byName = load(entry("0x1F", "x"), "31");
    ASSERT_TRUE(byName.ok()) << byName.message;
    EXPECT_EQ(byName.loaded.line, 1);
    EXPECT_EQ(insertListLine(text, "1.0", "    - d\n").text,
              entry("1.0", "first") + entry("1.00", "second") + "    - d\n");
    EXPECT_EQ(duplicate(text, "1.0", "z").text, text + entry("z", "second"));
}

// Deleting or renaming the entry the server keeps would bring the one it shadows back: refused,
// saying where that one is. An update that finds its entry shadowed since it was loaded refuses.
TEST(IdentifiersTest, WhereAnotherIsShadowed) {
    const std::string text = entry("1.0", "first") + kRuby + entry("1.00", "second");
    const EditResult removed = remove(text, "1.0");
    EXPECT_EQ(removed.refusal, Refusal::DuplicateKey) << outcome(removed);
    EXPECT_EQ(removed.message,
              "识别名“1.0”在第 1 行还有一个条目，服务器读的是第 9 行这一个；删除后服务器会改读第 1 行的。"
              "请先在文本里处理重复的识别名；没有改动文本");
    const EditResult renamed = rename(text, "1.00", "z");
    EXPECT_EQ(renamed.refusal, Refusal::DuplicateKey) << outcome(renamed);
    EXPECT_EQ(renamed.message,
              "识别名“1.0”在第 1 行还有一个条目，服务器读的是第 9 行这一个；改名后服务器会改读第 1 行的。"
              "请先在文本里处理重复的识别名；没有改动文本");
    // Renamed to the same name: the server reads as before.
    EXPECT_TRUE(rename(text, "1.00", "1.0").ok());

    const std::string alone = entry("1.0", "first") + kRuby;
    const LoadResult loaded = load(alone, "1.0");
    ASSERT_TRUE(loaded.ok()) << loaded.message;
    actions::Inputs inputs = loaded.loaded.inputs;
    inputs.texts[1] = "changed";
    const EditResult shadowed = update(alone + entry("1.00", "later"), loaded.loaded, inputs);
    EXPECT_EQ(shadowed.refusal, Refusal::DuplicateKey) << outcome(shadowed);
    EXPECT_EQ(shadowed.message,
              "条目“1.0”（第 1 行）被第 9 行的同名条目覆盖，服务器只读那一个；请重新载入。没有改动文本");
}

}  // namespace
}  // namespace entries
