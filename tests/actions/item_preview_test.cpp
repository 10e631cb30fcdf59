// What the previews draw for the fields that land on an item, and the gem read back from the
// block the gem page builds, with the lore lines added after it.
#include "actions/item_preview.h"

#include <gtest/gtest.h>

#include "actions/action.h"
#include "builders/socket/gem_block.h"
#include "builders/socket/key_lore.h"
#include "forms/windows.h"

namespace text {
void PrintTo(const Run& run, std::ostream* out) {
    *out << '{' << hexColour(run.style.rgb) << (run.style.bold ? "l" : "") << (run.style.italic ? "o" : "") << " \""
         << run.text << "\"}";
}
}  // namespace text

namespace {

using text::Line;
using text::Run;

Run run(std::string text, std::uint32_t rgb, bool bold = false, bool italic = false, bool strike = false) {
    text::Style style;
    style.rgb = rgb;
    style.bold = bold;
    style.italic = italic;
    style.strikethrough = strike;
    return Run{std::move(text), style};
}

constexpr std::uint32_t kPurple = 0xAA00AA, kWhite = 0xFFFFFF, kRed = 0xFF5555, kYellow = 0xFFFF55, kGray = 0xAAAAAA,
                        kDarkGray = 0x555555, kGold = 0xFFAA00;

const actions::PreviewField& row(std::string_view field) {
    const actions::PreviewField* found = actions::previewField(forms::kMainWindowId, field);
    EXPECT_NE(found, nullptr) << field;
    return *found;
}

// Every previewed field is one that a builder button reads, so its text really lands
// somewhere; the gem's 种类 line starts as the block writes it.
TEST(PreviewFields, NameTheFieldsThatLandOnAnItem) {
    for (const actions::PreviewField& field : actions::previewFields())
        EXPECT_NE(actions::readerOf(field.window, field.field), nullptr) << field.field;
    EXPECT_EQ(actions::previewFields().size(), 8u);
    EXPECT_EQ(actions::previewField(forms::kMainWindowId, "编辑框2"), nullptr);
    EXPECT_EQ(actions::previewField(forms::kPassiveSkillWindowId, "编辑框26"), nullptr);
}

TEST(PreviewFields, NamesLoreAndTheKindLine) {
    EXPECT_EQ(actions::previewLines(row("编辑框98"), "剑"), std::vector<Line>{{run("剑", kWhite, false, true)}});
    EXPECT_EQ(actions::previewLines(row("编辑框61"), "&6&l红宝石"), std::vector<Line>{{run("红宝石", kGold, true)}});
    EXPECT_EQ(actions::previewLines(row("编辑框96"), "R&Z"), std::vector<Line>{{run("R&Z", kPurple, false, true)}});
    EXPECT_EQ(actions::previewLines(row("编辑框68"), "镶嵌宝石"),
              (std::vector<Line>{{run("※ ", kYellow), run("种类: 镶嵌宝石", kGray)}}));
    EXPECT_EQ(actions::previewLines(row("编辑框68"), ""),
              (std::vector<Line>{{run("※ ", kYellow), run("种类: ", kGray)}}));
    for (std::string_view lore : {"编辑框60", "编辑框69", "编辑框82", "编辑框26"})
        EXPECT_EQ(actions::previewLines(row(lore), "&cx"), std::vector<Line>{{run("x", kRed)}}) << lore;
    EXPECT_EQ(actions::previewLines(row("编辑框26"), ""), std::vector<Line>{{}});
}

builders::socket::GemFields ruby() {
    builders::socket::GemFields gem;
    gem.id = "Ruby";
    gem.displayName = "&c红宝石 \"I\"";
    gem.kind = "镶嵌\\宝石";
    gem.maxGrade = "tr: ue";  // numbers the user is still typing do not blank the item
    return gem;
}

const std::vector<std::string> kFixedLore = {
    "&8&l&m---------------------",
    "&e※ &7种类: 镶嵌\\宝石",
    "&e※ &7等级: &f{grade}",
    "&e※ &7适合物品: &f{type_item}",
    "&e※ &7成功几率: &a{success_rate}% &8&l| &7失败几率: &c{failure_rate}%",
    "&8&l&m---------------------",
    "&8&l[&4&l!&8&l] &7效果:",
    "&9&l>> &b增加最大血量 {max_health}",
    "",
    "&2提示: &a将它放到物品上来镶嵌！",
};

TEST(GemItem, ReadsNameAndLoreBackAsTyped) {
    const actions::Item item = actions::gemItem(builders::socket::gemBlock(ruby()), "");
    EXPECT_EQ(item.name, "&c红宝石 \"I\"");
    EXPECT_EQ(item.lore, kFixedLore);
    EXPECT_TRUE(item.addedLinesRead);
}

TEST(GemItem, ShowsBeforeTheKeyIsTyped) {
    builders::socket::GemFields gem = ruby();
    gem.id = "";
    EXPECT_EQ(actions::gemItem(builders::socket::gemBlock(gem), "").lore, kFixedLore);
    gem.id = "a: b";
    EXPECT_EQ(actions::gemItem(builders::socket::gemBlock(gem), "").name, "&c红宝石 \"I\"");
}

TEST(GemItem, TakesTheLinesAddedRightAfterTheBlock) {
    const std::string added = "\n" + builders::socket::gemLoreLine("&d\"附加\" #1") +
                              builders::socket::gemLoreLine("") + "Other_Gem:\n  - \"not ours\"\n";
    const actions::Item item = actions::gemItem(builders::socket::gemBlock(ruby()), added);
    std::vector<std::string> lore = kFixedLore;
    lore.emplace_back("&d\"附加\" #1");
    lore.emplace_back("");
    EXPECT_EQ(item.lore, lore);
    EXPECT_TRUE(item.addedLinesRead);
}

TEST(GemItem, LinesThatBreakTheFileAreLeftOutAndSaid) {
    const actions::Item item = actions::gemItem(builders::socket::gemBlock(ruby()), "\n  - \"open\n  - [\n");
    EXPECT_EQ(item.lore, kFixedLore);
    EXPECT_FALSE(item.addedLinesRead);
}

TEST(GemItem, TheBlockEndsWithItsLastLine) {
    EXPECT_EQ(actions::gemBlockLastLine(), "  - \"&2提示: &a将它放到物品上来镶嵌！\"");
    const std::string block = builders::socket::gemBlock(ruby());
    EXPECT_TRUE(std::string_view(block).ends_with(std::string(actions::gemBlockLastLine()) + "\r\n"));
}

TEST(GemItem, LinesAreTheNameThenTheLore) {
    actions::Item item;
    item.name = "&6&l红宝石 &f{grade}";
    item.lore = {"&8&l&m---", "", "x"};
    EXPECT_EQ(actions::itemLines(item), (std::vector<Line>{{run("红宝石 ", kGold, true), run("{grade}", kWhite)},
                                                           {run("---", kDarkGray, true, false, true)},
                                                           {},
                                                           {run("x", kPurple, false, true)}}));
    EXPECT_EQ(actions::itemLines(actions::Item{}), std::vector<Line>{{}});
}

}  // namespace
