// How the server names a key (String.valueOf of what SnakeYAML constructs): every expected name
// below is what SnakeYAML 1.33 with Bukkit's safe constructor gives for the key as written.
#include <gtest/gtest.h>

#include <string>

#include "yaml/check.h"
#include "yaml/key_name.h"
#include "yaml/scalar.h"

namespace {

struct NameCase {
    const char* written;
    const char* name;
};

class KeyNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(KeyNameTest, NamedAsTheServerNamesIt) {
    const NameCase& c = GetParam();
    EXPECT_EQ(yaml::keyName(c.written), std::optional<std::string>(c.name)) << c.written;
    // The check's list of identifiers names them the same way.
    const yaml::CheckResult check = yaml::checkConfiguration(std::string(c.written) + ":\n  a: 1\n");
    ASSERT_EQ(check.keys.size(), 1U) << c.written;
    EXPECT_EQ(check.keys[0].name, c.name) << c.written;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Written, KeyNameTest, testing::Values(
    //       written                          name
    NameCase{"ruby",                          "ruby"},
    NameCase{"0x1F",                          "31"},
    NameCase{"-0x1F",                         "-31"},
    NameCase{"!!int 0x_1F",                   "31"},
    NameCase{"010",                           "8"},
    NameCase{"0777",                          "511"},
    NameCase{"00",                            "0"},
    NameCase{"08",                            "08"},
    NameCase{"1_000",                         "1000"},
    NameCase{"-0b101",                        "-5"},
    NameCase{"-0",                            "0"},
    NameCase{"+5",                            "5"},
    NameCase{"2147483648",                    "2147483648"},
    NameCase{"-2147483649",                   "-2147483649"},
    NameCase{"99999999999999999999",          "99999999999999999999"},
    NameCase{"0xFFFFFFFFFFFFFFFFFFFFFFFF",    "79228162514264337593543950335"},
    NameCase{"1:20",                          "80"},
    NameCase{"-1:20",                         "-80"},
    NameCase{"190:20:30",                     "685230"},
    NameCase{"1000000:0:0:0:0:0:0",           "-2103181312"},  // Java's int arithmetic wraps
    NameCase{"1e2",                           "100.0"},
    NameCase{"100.0",                         "100.0"},
    NameCase{"1.0",                           "1.0"},
    NameCase{"1.00",                          "1.0"},
    NameCase{"1_0.5",                         "10.5"},
    NameCase{"0.5e-3",                        "5.0E-4"},
    NameCase{"1e7",                           "1.0E7"},
    NameCase{".inf",                          "Infinity"},
    NameCase{"-.Inf",                         "-Infinity"},
    NameCase{".NaN",                          "NaN"},
    NameCase{"\"1.0\"",                       "1.0"},
    NameCase{"'1.0'",                         "1.0"},
    NameCase{"\"0x1F\"",                      "0x1F"},
    NameCase{"!!str 010",                     "010"},
    NameCase{"\"a\\tb\"",                     "a\tb"},
    NameCase{"yes",                           "true"},
    NameCase{"Off",                           "false"},
    NameCase{"~",                             "null"},
    NameCase{"[a, 1]",                        "[a, 1]"},
    NameCase{"{a: 1, b: [x]}",                "{a=1, b=[x]}"}
));
// clang-format on

TEST(KeyNameTest, NotOneKey) {
    for (const char* written : {"", "a: b", "a #c", "a\nb", "*undefined", "\"open"})
        EXPECT_EQ(yaml::keyName(written), std::nullopt) << written;
    // SnakeYAML takes an implicit key of at most 1,024 characters.
    EXPECT_EQ(yaml::keyName(std::string(1024, 'k')), std::string(1024, 'k'));
    EXPECT_EQ(yaml::keyName(std::string(1025, 'k')), std::nullopt);
}

// What the editor writes as an identifier reads back as text: its name is the identifier itself.
TEST(KeyNameTest, AKeyTheEditorWritesIsNamedByItsText) {
    for (const char* id : {"0x1F", "010", "1_000", "1e2", "1.0", "yes", "~", "null", "1:20", "a b", "#1", "- x"})
        EXPECT_EQ(yaml::keyName(yaml::plainOrQuotedKey(id)), std::optional<std::string>(id)) << id;
}

TEST(KeyNameTest, JavaIntegerText) {
    EXPECT_EQ(yaml::javaIntegerText("0x1F"), "31");
    EXPECT_EQ(yaml::javaIntegerText("-0b0"), "0");
    EXPECT_EQ(yaml::javaIntegerText("1::2"), std::nullopt);  // Long.parseLong("") fails
    EXPECT_EQ(yaml::javaIntegerText("-2147483648:0"), "0");
    EXPECT_EQ(yaml::javaIntegerText("1:-5"), "55");
    EXPECT_EQ(yaml::javaIntegerText("-1000000:0:0:0:0:0:0"), std::nullopt);  // "--2103181312"
    EXPECT_EQ(yaml::javaIntegerText("0x"), std::nullopt);
    EXPECT_EQ(yaml::javaIntegerText("09"), std::nullopt);
    EXPECT_EQ(yaml::javaIntegerText(""), std::nullopt);
}

}  // namespace
