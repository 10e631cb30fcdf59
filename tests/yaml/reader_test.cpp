// The reader against SnakeYAML's recorded answers for the corpus, yaml-cpp's answers kept
// for comparison, and the two line counts of a position.
#include <gtest/gtest.h>
#include <yaml-cpp/yaml.h>

#include <string>

#include "corpus.h"
#include "dump.h"
#include "yaml/document.h"

namespace {

using yaml::testing::CorpusCase;

class CorpusTest : public testing::TestWithParam<CorpusCase> {};

TEST_P(CorpusTest, ReadsAsSnakeYaml) {
    EXPECT_EQ(yaml::testing::dump(yaml::read(GetParam().document)), GetParam().snake);
}

// yaml-cpp follows YAML 1.2: recorded to show where it parts from the server's reader.
TEST_P(CorpusTest, YamlCppAsRecorded) {
    std::string outcome;
    try {
        const YAML::Node node = YAML::Load(GetParam().document);
        outcome = node.IsMap() || node.IsNull() ? "ok" : "notmap";
    } catch (const YAML::Exception& e) {
        outcome = "error " + std::to_string(e.mark.line) + ":" + std::to_string(e.mark.column);
    }
    EXPECT_EQ(outcome, GetParam().yamlcpp);
}

INSTANTIATE_TEST_SUITE_P(Documents, CorpusTest, testing::ValuesIn(yaml::testing::corpus()),
                         [](const testing::TestParamInfo<CorpusCase>& row) { return row.param.name; });

struct MarkCase {
    const char* name;
    std::string document;
    int line, column, textLine, textColumn;
};

class ErrorMarkTest : public testing::TestWithParam<MarkCase> {};

// YAML lines end at every YAML 1.1 break; the panel's lines only at LF.
TEST_P(ErrorMarkTest, CountsBothKindsOfLine) {
    const MarkCase& c = GetParam();
    const yaml::Document doc = yaml::read(c.document);
    ASSERT_TRUE(doc.error.has_value());
    const yaml::Mark& m = doc.error->mark;
    EXPECT_EQ((std::vector<int>{m.line, m.column, m.textLine, m.textColumn}),
              (std::vector<int>{c.line, c.column, c.textLine, c.textColumn}));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Breaks, ErrorMarkTest, testing::Values(
    MarkCase{"Lf",             "a: 1\nb: c: d\n",              2, 5, 2, 5},
    MarkCase{"CrLf",           "a: 1\r\nb: c: d\r\n",          2, 5, 2, 5},
    MarkCase{"CrAlone",        "a: 1\rb: c: d\r",              2, 5, 1, 10},
    MarkCase{"NextLine",       "a: 1\u0085b: c: d\n",          2, 5, 1, 10},
    MarkCase{"LineSeparator",  "x: 1\n红: 1\u2028b: c: d\n",   3, 5, 2, 10},
    MarkCase{"ByteOrderMark",  "\uFEFFa: b: c\n",              1, 5, 1, 6},
    MarkCase{"ChineseColumns", "名字: 红宝石: 1\n",            1, 8, 1, 8}
), [](const testing::TestParamInfo<MarkCase>& row) { return std::string(row.param.name); });
// clang-format on

// An error leaves the nodes composed before it, for findings before the error.
TEST(Reader, KeepsTheTreeBeforeAnError) {
    const yaml::Document doc = yaml::read("a: 1\nb: [2, 3]\nc: d: e\n");
    ASSERT_TRUE(doc.error.has_value());
    ASSERT_TRUE(doc.root.has_value());
    EXPECT_EQ(yaml::testing::dumpNode(doc, *doc.root),
              "{!!str p\"a\": !!int p\"1\", !!str p\"b\": [!!int p\"2\", !!int p\"3\"], !!str p\"c\": !!str p\"d\"}");
}

// Merges and duplicates as SnakeYAML constructs them: the last duplicate wins, explicit
// keys win over merged ones.
TEST(Reader, EntriesFollowMergeAndDuplicateRules) {
    const yaml::Document doc = yaml::read("b: &b {x: 1, y: 2}\nm:\n  y: 3\n  <<: *b\n  z: 4\n  z: 5\n");
    ASSERT_FALSE(doc.error.has_value());
    const auto top = doc.children(doc.node(*doc.root));
    std::string got;
    for (const auto& [key, value] : yaml::entries(doc, top[3]))
        got += std::string(doc.value(doc.node(key))) + "=" + std::string(doc.value(doc.node(value))) + " ";
    EXPECT_EQ(got, "y=3 x=1 z=5 ");
}

}  // namespace

// A version number too long for the server's int is refused as it refuses it, and reading
// it adds no more digits once past the limit (the fuzzer found the sum overflowing).
TEST(Reader, RefusesADirectiveNumberPastTheIntRange) {
    for (const std::string& text :
         {"%YAML 1." + std::string(60, '4') + "\n---\na: 1\n", "%YAML " + std::string(30, '9') + ".1\n---\na: 1\n",
          std::string("%YAML 1.2147483648\n")}) {
        const yaml::Document doc = yaml::read(text);
        EXPECT_TRUE(doc.error.has_value()) << text;
    }
    EXPECT_FALSE(yaml::read("%YAML 1.1\n---\na: 1\n").error.has_value());
}
