// The configuration check on the editor's own blocks, the selections it can leave empty,
// and typical hand edits: whole results compared as text.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "builders/socket/element_block.h"
#include "builders/socket/gem_block.h"
#include "builders/socket/key_lore.h"
#include "yaml/check.h"

namespace {

using builders::socket::ElementFields;
using builders::socket::GemFields;

// "valid entries", then one line per error (E), warning (W) and key (K).
std::string summary(const yaml::CheckResult& r) {
    std::string out = std::string(r.valid ? "valid " : "invalid ") + std::to_string(r.entries) + "\n";
    for (const auto& e : r.errors)
        out += "E " + std::to_string(e.line) + ":" + std::to_string(e.column) + " " + e.message + "\n";
    for (const auto& w : r.warnings)
        out += "W " + std::to_string(w.line) + ":" + std::to_string(w.column) + " " + w.message + "\n";
    for (const auto& k : r.keys) out += "K " + k.name + "@" + std::to_string(k.line) + "\n";
    return out;
}

std::string check(const std::string& text) { return summary(yaml::checkConfiguration(text)); }

GemFields gem(std::string id) {
    return {.id = std::move(id),
            .keylore = "K",
            .displayName = "N",
            .material = "M",
            .shiny = 0,
            .maxGrade = "5",
            .typeItem = 0,
            .baseSuccessRate = "80",
            .scaleSuccessRate = "-8",
            .bonusBase = 7,
            .bonusBaseValue = "10",
            .bonusScale = 7,
            .bonusScaleValue = "2.5",
            .kind = "W"};
}

ElementFields element(std::string id) {
    return {.id = std::move(id),
            .keylore = "火",
            .additionalDamage = "2",
            .percentDamage = "0.5",
            .toAttacker = {.potion = 0, .chance = "10", .duration = "40", .grade = "1"},
            .toVictims = {.potion = 13, .chance = "20", .duration = "60", .grade = "2"}};
}

TEST(Check, EditorBlocksAreValid) {
    const std::string text = builders::socket::gemBlock(gem("ruby")) + builders::socket::gemLoreLine("&7x") +
                             builders::socket::elementBlock(element("fire")) +
                             builders::socket::resistanceLine("water", "-20") +
                             builders::socket::keyLoreEntry("heal", "&a治疗", "heal %player%");
    EXPECT_EQ(check(text), "valid 3\nK ruby@1\nK fire@25\nK heal@41\n");
}

TEST(Check, EffectWithoutAttributeBreaksTheFile) {
    GemFields g = gem("ruby");
    g.bonusBase = -1;
    g.bonusScale = -1;
    EXPECT_EQ(check(builders::socket::gemBlock(g)),
              "invalid 1\n"
              "E 11:1 没有选择“属性”，数值单独成行，服务器无法读取此文件\n"
              "E 12:1 没有选择“附件属性”，数值单独成行，服务器无法读取此文件\n"
              "K ruby@1\n");
}

TEST(Check, EmptyEffectWithoutAttributeIsAWarning) {
    GemFields g = gem("ruby");
    g.bonusScale = -1;
    g.bonusScaleValue = "";
    EXPECT_EQ(check(builders::socket::gemBlock(g)), "valid 1\nW 12:0 没有选择“附件属性”，这一行效果是空的\nK ruby@1\n");
}

TEST(Check, PotionWithoutBuff) {
    ElementFields e = element("fire");
    e.toVictims.potion = 21;
    EXPECT_EQ(check(builders::socket::elementBlock(e)),
              "valid 1\nW 11:0 没有选择“对敌 BUFF名称”，这一药水效果不会生效\nK fire@1\n");
}

TEST(Check, GemFieldsLeftEmpty) {
    GemFields g = gem("ruby");
    g.material = "";
    g.shiny = -1;
    g.typeItem = 5;
    EXPECT_EQ(check(builders::socket::gemBlock(g)),
              "valid 1\n"
              "W 4:0 没有填写“物品ID”，“Material”的值是空的\n"
              "W 5:0 没有选择“附魔特效”，“Shiny”的值是空的\n"
              "W 7:0 没有选择“宝石种类”，“Type_Item”的值是空的\n"
              "K ruby@1\n");
    // Blanks after them change nothing; a Shiny mapping written by hand, or values, are no gem's empty fields.
    EXPECT_EQ(check("a:\n  Material: \"\" \n  Shiny:  \n  Type_Item: \"\"\r\n"),
              "valid 1\n"
              "W 2:0 没有填写“物品ID”，“Material”的值是空的\n"
              "W 3:0 没有选择“附魔特效”，“Shiny”的值是空的\n"
              "W 4:0 没有选择“宝石种类”，“Type_Item”的值是空的\n"
              "K a@1\n");
    EXPECT_EQ(check("a:\n  Shiny:\n    on: true\n  Material: \" \"\n  Type_Item: \"Armor\"\nb:\n  Shiny: false\n"),
              "valid 2\nK a@1\nK b@6\n");
}

TEST(Check, NumberFieldsHoldingOtherThings) {
    GemFields g = gem("ruby");
    g.maxGrade = "abc";
    g.baseSuccessRate = "";
    g.bonusBaseValue = "yes";
    const std::string text = builders::socket::gemBlock(g) + builders::socket::elementBlock(element("fire")) +
                             builders::socket::resistanceLine("water", "1:20") +
                             builders::socket::resistanceLine("ice", "1,5");
    EXPECT_EQ(check(text),
              "valid 2\n"
              "W 6:14 “Max_Grade”应为数字，服务器读到的是“abc”\n"
              "W 8:21 “Base_Success_Rate”的值是空的，应填数字\n"
              "W 11:28 “Bonus_Base_Max_Health”应为数字，服务器读到的是“yes”\n"
              // Written in quotes, so that the server does not read it as the base-60 number 80.
              "W 39:12 “water”应为数字，服务器读到的是“1:20”\n"
              "W 40:10 “ice”应为数字，服务器读到的是“1,5”\n"
              "K ruby@1\nK fire@24\n");
}

TEST(Check, DuplicateAndEmptyIdentifiers) {
    EXPECT_EQ(check("a:\n  x: 1\n\"\":\n  x: 2\n1:\n  x: 3\n\"1\":\n  x: 4\na:\n  x: 5\n"),
              "invalid 4\n"
              "E 3:1 识别名是空的\n"
              "W 7:1 识别名“1”与第 5 行重复，服务器只保留这一个，前面的会丢失\n"
              "W 9:1 识别名“a”与第 1 行重复，服务器只保留这一个，前面的会丢失\n"
              "K a@1\nK @3\nK 1@5\nK 1@7\nK a@9\n");
}

// Float keys are named as Java prints the double SnakeYAML makes of them, so forms the
// server reads as one number are one key (checked against SnakeYAML 1.33 on Java 17).
TEST(Check, FloatKeysThatReadAsOneNumberAreOneKey) {
    EXPECT_EQ(check("1.0: a\n1.00: b\n1e3: c\n100_0.0: d\n0.001: e\n1e7: f\n-0.0: g\n.5: h\n123456789.5: i\n"
                    "0.0001234: j\n1.5e-3: k\n.inf: l\n"),
              "valid 10\n"
              "W 2:1 识别名“1.0”与第 1 行重复，服务器只保留这一个，前面的会丢失\n"
              "W 4:1 识别名“1000.0”与第 3 行重复，服务器只保留这一个，前面的会丢失\n"
              "K 1.0@1\nK 1.0@2\nK 1000.0@3\nK 1000.0@4\nK 0.001@5\nK 1.0E7@6\nK -0.0@7\nK 0.5@8\n"
              "K 1.234567895E8@9\nK 1.234E-4@10\nK 0.0015@11\nK Infinity@12\n");
}

// What appending must not do to the entries a file has: every entry of the file before reads
// the same after, or is named.
TEST(Check, ChangedEntriesOfAnAppend) {
    const auto names = [](const std::string& before, const std::string& after) {
        std::string out;
        for (const yaml::TopLevelKey& key : yaml::changedEntries(before, after))
            out += key.name + "@" + std::to_string(key.line) + " ";
        return out;
    };
    const std::string file = "ruby:\n  a: 1\n  Lore:\n  - x\nsapphire: |\n  text\n";
    EXPECT_EQ(names(file, file + "emerald:\n  a: 2\n"), "");
    EXPECT_EQ(names(file, file + "  b: 2\n"), "sapphire@5 ");
    EXPECT_EQ(names("ruby:\n  a: 1\n", "ruby:\n  a: 1\n  b: 2\n"), "ruby@1 ");
    EXPECT_EQ(names("ruby:\n  a: 1\n", "ruby:\n  a: 1\nruby:\n  a: 2\n"), "ruby@1 ");
    EXPECT_EQ(names("1.0:\n  a: 1\n", "1.0:\n  a: 1\n1.00:\n  a: 2\n"), "1.0@1 ");
    EXPECT_EQ(names("a: &x [1, *x]\n", "a: &x [1, *x]\nb: 2\n"), "");  // a recursive alias ends
    EXPECT_EQ(names("a: [\n", "a: [\nb: 1\n"), "");                    // a file the server cannot read has no entries
}

// The last value of a file is a block scalar without a final line break: its header must strip
// the break that an append writes before the new text.
TEST(Check, ABlockScalarEndingTheFileKeepsItsValue) {
    const auto change = [](const std::string& text) {
        const std::optional<yaml::HeaderChange> c = yaml::keepLastBlockScalar(text);
        return c ? std::to_string(c->line) + ":" + std::to_string(c->column) + " " + c->from + " -> " + c->to : "none";
    };
    EXPECT_EQ(change("ruby:\n  Lore: |\n    第一行\n    第二行"), "2:9 | -> |-");
    EXPECT_EQ(change("宝石: >+2\n   text"), "1:5 >+2 -> >-2");
    EXPECT_EQ(change("a: &x !!str |2\n  text"), "1:13 |2 -> |2-");
    EXPECT_EQ(change("a: |-\n  text"), "none");
    EXPECT_EQ(change("a: |\n  text\n"), "none");
    EXPECT_EQ(change("a: \"text\""), "none");
    EXPECT_EQ(change("a: |\n  text\nb: 1"), "none");
}

struct ErrorCase {
    const char* name;
    std::string text;
    std::string result;
};

class CheckErrorTest : public testing::TestWithParam<ErrorCase> {};

TEST_P(CheckErrorTest, ReportsWhereAndWhat) { EXPECT_EQ(check(GetParam().text), GetParam().result); }

// clang-format off
INSTANTIATE_TEST_SUITE_P(HandEdits, CheckErrorTest, testing::Values(
    ErrorCase{"ColonBlank", "a:\r\n  b: x: y\r\n",
              "invalid 1\nE 2:7 值里含有“: ”（冒号加空格）或缩进不对；含冒号的值请加上双引号\nK a@1\n"},
    ErrorCase{"TabIndent", "a:\n\tb: 1\n",
              "invalid 1\nE 2:1 制表符（Tab）不能用于缩进或放在这里，请改用空格\nK a@1\n"},
    ErrorCase{"TabInPlainValue", "a:\n  b: x\ty\n  c: \"p\tq\"\n",
              "valid 1\nW 2:7 含有制表符（Tab），YAML 里请用空格\nK a@1\n"},
    ErrorCase{"UndefinedAlias", "a:\n  b: *fire\n",
              "invalid 1\nE 2:6 “*”引用了没有定义的锚点；以 * 开头的值请加上双引号\nK a@1\n"},
    ErrorCase{"AtSign", "a:\n  b: @x\n",
              "invalid 1\nE 2:6 值不能以“@”开头，请给整个值加上双引号\nK a@1\n"},
    ErrorCase{"BadIndent", "a:\n  b: 1\n c: 2\n",
              "invalid 1\nE 3:2 缩进不对：这一行与上面的层级对不齐\nK a@1\n"},
    ErrorCase{"TextAfterClosingQuote", "a:\n  b: \"红宝石\" x\n",
              "invalid 1\nE 2:12 引号后面还有文字：整个值都要写在引号里面（引号后面只能跟以“ #”开始的注释）\nK a@1\n"},
    ErrorCase{"TextAfterSingleQuote", "a:\n  - 'x' y\n",
              "invalid 1\nE 2:9 引号后面还有文字：整个值都要写在引号里面（引号后面只能跟以“ #”开始的注释）\nK a@1\n"},
    ErrorCase{"UnclosedQuote", "a:\n  b: \"x\n",
              "invalid 1\nE 3:1 引号没有闭合\nK a@1\n"},
    ErrorCase{"TopLevelList", "- a\n- b\n",
              "invalid 0\nE 1:0 文件最外层必须是“识别名:”开头的各项，而不是单个值或列表\n"},
    ErrorCase{"LineSeparatorCountsNoPanelLine", "a:\n  b: 1\u2028  c: x: y\n",
              "invalid 1\nE 2:14 值里含有“: ”（冒号加空格）或缩进不对；含冒号的值请加上双引号\nK a@1\n"},
    ErrorCase{"ControlCharacter", "a:\n  b: \x07\n",
              "invalid 0\nE 2:6 含有 YAML 不允许的控制字符 U+0007\n"},
    ErrorCase{"FindingsAfterTheErrorAreDropped", "a:\n  Max_Grade: x\nb: c: d\nc:\n  Max_Grade: y\n",
              "invalid 2\nE 3:5 值里含有“: ”（冒号加空格）或缩进不对；含冒号的值请加上双引号\n"
              "W 2:14 “Max_Grade”应为数字，服务器读到的是“x”\nK a@1\nK b@3\n"},
    ErrorCase{"Empty", "", "valid 0\n"},
    ErrorCase{"NullDocument", "~\n", "valid 0\n"}
), [](const testing::TestParamInfo<ErrorCase>& row) { return std::string(row.param.name); });
// clang-format on

}  // namespace
