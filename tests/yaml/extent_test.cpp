// Where a top-level entry ends as the server reads it, and the anchors the reader lists. An
// entry's lines alone read as the entry reads in the whole text, and one line fewer does not:
// both are checked with the reader for every case, besides the line itself.
#include <gtest/gtest.h>

#include <string>

#include "yaml/check.h"
#include "yaml/document.h"

namespace {

struct EndCase {
    const char* name;
    std::string text;  // "a" first, and what follows it
    int end;           // the last line of "a"
};

// The text's first `lines` lines.
std::string head(const std::string& text, int lines) {
    std::size_t at = 0;
    for (int i = 0; i < lines && at != std::string::npos; ++i) {
        at = text.find('\n', at);
        if (at != std::string::npos) ++at;
    }
    return text.substr(0, at);
}

// Whether the entry reads otherwise in after, or after does not read at all.
bool changes(const std::string& before, const std::string& after, const std::string& name) {
    if (!yaml::read(after).loads()) return true;
    for (const yaml::TopLevelKey& key : yaml::changedEntries(before, after))
        if (key.name == name) return true;
    return false;
}

class EntryEndTest : public testing::TestWithParam<EndCase> {};

TEST_P(EntryEndTest, EndsWhereTheServerReadsItsEnd) {
    const EndCase& c = GetParam();
    const yaml::CheckResult check = yaml::checkConfiguration(c.text);
    ASSERT_TRUE(check.valid) << c.text;
    ASSERT_FALSE(check.keys.empty());
    EXPECT_EQ(check.keys[0].end, c.end);
    EXPECT_FALSE(changes(c.text, head(c.text, c.end), "a")) << "the entry's lines alone read otherwise";
    EXPECT_TRUE(changes(c.text, head(c.text, c.end - 1), "a")) << "the entry's last line is not its own";
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Texts, EntryEndTest, testing::Values(
    EndCase{"KeptEmptyLines",        "a:\n  v: |+\n    x\n\n\nb: 1\n",                 5},
    EndCase{"KeptToTheEnd",          "a:\n  v: |+\n    x\n\n",                          4},
    EndCase{"HashLineOfALiteral",    "a:\n  v: |\n    x\n    # y\n\n# c\nb: 1\n",      4},
    EndCase{"FoldedStripped",        "a:\n  v: >-\n    x\n\n  # c\nb: 1\n",            3},
    EndCase{"ExplicitIndentation",   "a:\n  v: |2\n     x\n   \n\nb: 1\n",             3},
    EndCase{"BlanksBeyondIndent",    "a:\n  v: |2\n    x\n      \n\nb: 1\n",           4},
    EndCase{"AnchorAboveTheHeader",  "a:\n  v: &x\n    |\n    y\n\nb: 1\n",            4},
    EndCase{"CrLf",                  "a:\r\n  v: |\r\n    x\r\n    # y\r\n\r\nb: 1\r\n", 4},
    EndCase{"PlainOnTwoLines",       "a:\n  v: x\n    y\n\nb: 1\n",                   3},
    EndCase{"QuotedOverABlankLine",  "a:\n  v: \"x\n\n    y\"\n# c\nb: 1",             4},
    EndCase{"Flow",                  "a: [1,\n  2]\n# c\nb: 1\n",                      2},
    EndCase{"AliasLast",             "a:\n  w: &r 1\n  v:\n    - 0\n    - *r\nb: 1\n",   5}
), [](const testing::TestParamInfo<EndCase>& row) { return row.param.name; });
// clang-format on

TEST(AnchorsListedTest, EveryAnchorWithItsNodeAndPlace) {
    const yaml::Document doc = yaml::read("a: &x 1\nb: [&y 2, *x]\n&k c: !!str &z 3\n");
    ASSERT_TRUE(doc.loads());
    std::vector<std::string> rows;
    for (const yaml::Anchor& anchor : doc.anchors) {
        rows.push_back(anchor.name + " " + std::string(doc.value(doc.node(anchor.node))) + " " +
                       std::to_string(anchor.start.textLine) + ":" + std::to_string(anchor.start.textColumn) + "-" +
                       std::to_string(anchor.end.textColumn));
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"x 1 1:4-6", "y 2 2:5-7", "k c 3:1-3", "z 3 3:13-15"}));
}

}  // namespace
