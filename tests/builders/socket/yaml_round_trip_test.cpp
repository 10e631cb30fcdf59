// The generated YAML read back by a YAML parser: every value the user typed between
// double quotes comes back exactly as typed, whatever characters it holds.
#include <gtest/gtest.h>
#include <yaml-cpp/yaml.h>

#include <string>
#include <vector>

#include "builders/socket/element_block.h"
#include "builders/socket/gem_block.h"
#include "builders/socket/key_lore.h"

namespace {

using namespace builders::socket;

struct Typed {
    const char* name;
    std::string text;
};

std::ostream& operator<<(std::ostream& out, const Typed& t) { return out << t.name; }

// clang-format off
const Typed kTyped[] = {
    {"Plain",          "&6红宝石"},
    {"Empty",          ""},
    {"Quotes",         "say \"hi\" \"\""},
    {"Backslashes",    "C:\\gems\\ \\n \\\" end\\"},
    {"Chinese",        "镶嵌宝石 ※ ！，。「」"},
    {"Controls",       "\x01\x07\x08\x0B\x0C\x1B[0m\x7F\u0080\u009F"},
    {"Nul",            std::string("a\0b", 3)},
    {"LineBreaks",     "one\r\ntwo\nthree\rfour"},
    {"UnicodeBreaks",  "a\u0085b\u2028c\u2029d"},
    {"Tabs",           "\tlead\tand trail\t"},
    {"Blanks",         "  lead and trail  "},
    {"YamlIndicators", "# {a: [b]} &x *y ! | > % @ ` - ? 'q'"},
    {"ByteOrderMark",  "\uFEFFbom\uFFFE\uFFFF"},
    {"Astral",         "\U0001F48E \U0010FFFF"},
};
// clang-format on

auto typedName = [](const testing::TestParamInfo<Typed>& row) { return std::string(row.param.name); };

std::vector<std::string> strings(const YAML::Node& sequence) {
    std::vector<std::string> out;
    for (const YAML::Node& item : sequence) out.push_back(item.as<std::string>());
    return out;
}

class GemRoundTripTest : public testing::TestWithParam<Typed> {};

TEST_P(GemRoundTripTest, QuotedValuesParseBackAsTyped) {
    const std::string& v = GetParam().text;
    const GemFields gem{.id = "红宝石_1",
                        .keylore = "K" + v,
                        .displayName = "N" + v,
                        .material = "M" + v,
                        .shiny = 1,
                        .maxGrade = "5",
                        .typeItem = 1,
                        .baseSuccessRate = "80",
                        .scaleSuccessRate = "-8",
                        .bonusBase = 7,
                        .bonusBaseValue = "10",
                        .bonusScale = 7,
                        .bonusScaleValue = "2.5",
                        .kind = "W" + v};
    const std::string text = gemBlock(gem) + gemLoreLine("X" + v) + gemLoreLine("");

    YAML::Node doc;
    ASSERT_NO_THROW(doc = YAML::Load(text)) << text;
    ASSERT_TRUE(doc.IsMap());
    ASSERT_EQ(doc.size(), 1u);
    const YAML::Node g = doc["红宝石_1"];
    ASSERT_TRUE(g.IsMap());
    EXPECT_EQ(g.size(), 10u);
    EXPECT_EQ(g["Keylore"].as<std::string>(), "K" + v);
    EXPECT_EQ(g["Display_Name"].as<std::string>(), "N" + v);
    EXPECT_EQ(g["Material"].as<std::string>(), "M" + v);
    EXPECT_EQ(g["Shiny"].as<std::string>(), "false");
    EXPECT_EQ(g["Max_Grade"].as<std::string>(), "5");
    EXPECT_EQ(g["Type_Item"].as<std::string>(), "Armor");
    EXPECT_EQ(g["Base_Success_Rate"].as<std::string>(), "80");
    EXPECT_EQ(g["Scale_Success_Rate"].as<std::string>(), "-8");
    const YAML::Node effect = g["Effect"];
    ASSERT_TRUE(effect.IsMap());
    EXPECT_EQ(effect.size(), 2u);
    EXPECT_EQ(effect["Bonus_Base_Max_Health"].as<std::string>(), "10");
    EXPECT_EQ(effect["Bonus_Scale_Max_Health"].as<std::string>(), "2.5");
    const std::vector<std::string> lores = {
        "&8&l&m---------------------",
        "&e※ &7种类: W" + v,
        "&e※ &7等级: &f{grade}",
        "&e※ &7适合物品: &f{type_item}",
        "&e※ &7成功几率: &a{success_rate}% &8&l| &7失败几率: &c{failure_rate}%",
        "&8&l&m---------------------",
        "&8&l[&4&l!&8&l] &7效果:",
        "&9&l>> &b增加最大血量 {max_health}",
        "",
        "&2提示: &a将它放到物品上来镶嵌！",
        "X" + v,
        "",
    };
    EXPECT_EQ(strings(g["Lores"]), lores);
}

INSTANTIATE_TEST_SUITE_P(Values, GemRoundTripTest, testing::ValuesIn(kTyped), typedName);

class ElementRoundTripTest : public testing::TestWithParam<Typed> {};

TEST_P(ElementRoundTripTest, KeyloreAndResistancesParseBackAsTyped) {
    const std::string& v = GetParam().text;
    const ElementFields element{
        .id = "fire",
        .keylore = "K" + v,
        .additionalDamage = "2",
        .percentDamage = "0.5",
        .toAttacker = {.potion = 0, .chance = "10", .duration = "40", .grade = "1"},
        .toVictims = {.potion = 13, .chance = "20", .duration = "60", .grade = "2"},
    };
    const std::string text = elementBlock(element) + resistanceLine("water", "-20") + resistanceLine("雷电", "35");

    YAML::Node doc;
    ASSERT_NO_THROW(doc = YAML::Load(text)) << text;
    ASSERT_EQ(doc.size(), 1u);
    const YAML::Node e = doc["fire"];
    ASSERT_TRUE(e.IsMap());
    EXPECT_EQ(e.size(), 6u);
    EXPECT_EQ(e["Keylore"].as<std::string>(), "K" + v);
    EXPECT_EQ(e["Scale_Base_Additional_Damage"].as<std::string>(), "2");
    EXPECT_EQ(e["Scale_Base_Percent_Damage"].as<std::string>(), "0.5");
    const YAML::Node attacker = e["Potion_To_Attacker"];
    ASSERT_EQ(attacker.size(), 1u);
    EXPECT_EQ(attacker["STRENGTH"]["Scale_Chance"].as<std::string>(), "10");
    EXPECT_EQ(attacker["STRENGTH"]["Scale_Duration"].as<std::string>(), "40");
    EXPECT_EQ(attacker["STRENGTH"]["Grade"].as<std::string>(), "1");
    const YAML::Node victims = e["Potion_To_Victims"];
    ASSERT_EQ(victims.size(), 1u);
    EXPECT_EQ(victims["WITHER"]["Scale_Chance"].as<std::string>(), "20");
    EXPECT_EQ(victims["WITHER"]["Scale_Duration"].as<std::string>(), "60");
    EXPECT_EQ(victims["WITHER"]["Grade"].as<std::string>(), "2");
    const YAML::Node resistance = e["Resistance"];
    ASSERT_TRUE(resistance.IsMap());
    EXPECT_EQ(resistance.size(), 2u);
    EXPECT_EQ(resistance["water"].as<std::string>(), "-20");
    EXPECT_EQ(resistance["雷电"].as<std::string>(), "35");
}

INSTANTIATE_TEST_SUITE_P(Values, ElementRoundTripTest, testing::ValuesIn(kTyped), typedName);

class KeyLoreRoundTripTest : public testing::TestWithParam<Typed> {};

TEST_P(KeyLoreRoundTripTest, LoreAndCommandsParseBackAsTyped) {
    const std::string& v = GetParam().text;
    const std::string text = keyLoreEntry("heal", "L" + v, "C" + v) + keyLoreCommand("D" + v) + keyLoreCommand("");
    YAML::Node doc;
    ASSERT_NO_THROW(doc = YAML::Load(text)) << text;
    ASSERT_EQ(doc.size(), 1u);
    ASSERT_EQ(doc["heal"].size(), 2u);
    EXPECT_EQ(doc["heal"]["keylore"].as<std::string>(), "L" + v);
    EXPECT_EQ(strings(doc["heal"]["command"]), (std::vector<std::string>{"C" + v, "D" + v, ""}));
}

INSTANTIATE_TEST_SUITE_P(Values, KeyLoreRoundTripTest, testing::ValuesIn(kTyped), typedName);

}  // namespace
