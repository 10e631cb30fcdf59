// How a window reads, on small windows drawn for the case: a field is named after the label of
// its own row in its own box and page, never after one that only lines up with it elsewhere;
// Tab reads rows top to bottom and a group box whole where it stands.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "actions/reading.h"

namespace {

using forms::Kind;
using forms::Unit;

Unit unit(std::string_view name, Kind kind, forms::Rect rect, std::string_view caption = {},
          std::string_view parent = {}, int page = -1) {
    Unit u;
    u.name = name;
    u.kind = kind;
    u.rect = rect;
    u.caption = caption;
    u.parent = parent;
    u.page = page;
    return u;
}

// Two boxes side by side; the right one's field has no label of its own, though the left
// box's label stands on its line. Below them, a row of the window and a page's field whose
// label is on another page.
forms::Window sideBySide() {
    forms::Window window;
    window.id = 0x5201FFFFu;  // no button table knows it
    window.units = {
        unit("甲", Kind::GroupBox, {0, 0, 200, 60}, "甲组"),
        unit("乙", Kind::GroupBox, {220, 0, 200, 60}, "乙组"),
        unit("乙框", Kind::EditBox, {10, 20, 100, 20}, {}, "乙"),
        unit("甲标签", Kind::Label, {10, 20, 40, 20}, "伤害", "甲"),
        unit("甲框", Kind::EditBox, {60, 20, 100, 20}, {}, "甲"),
        unit("行标签", Kind::Label, {10, 80, 40, 20}, "等级"),
        unit("行框", Kind::EditBox, {60, 80, 100, 20}),
        unit("页一标签", Kind::Label, {10, 120, 40, 20}, "页一", {}, 1),
        unit("页零框", Kind::EditBox, {60, 120, 100, 20}, {}, {}, 0),
    };
    return window;
}

TEST(Reading, AFieldIsNamedOnlyFromItsOwnBoxAndPage) {
    const forms::Window window = sideBySide();
    const actions::Reading reading = actions::readingOf(window);
    ASSERT_EQ(reading.spoken.size(), window.units.size());
    EXPECT_EQ(reading.spoken[4].name, "伤害");  // 甲框: the label on its left in its box
    EXPECT_EQ(reading.spoken[2].name, "乙组");  // 乙框: no label in its box, so the box's title
    EXPECT_EQ(reading.spoken[6].name, "等级");  // 行框
    EXPECT_EQ(reading.spoken[8].name, "");      // 页零框: the label beside it is on page 1
}

TEST(Reading, TabReadsEachBoxWholeThenTheRowsBelow) {
    const actions::Reading reading = actions::readingOf(sideBySide());
    EXPECT_EQ(reading.order(-1), (std::vector<std::size_t>{4, 2, 6}));
    EXPECT_EQ(reading.order(0), (std::vector<std::size_t>{8}));
    EXPECT_EQ(reading.order(1), (std::vector<std::size_t>{}));  // a label takes no Tab
    EXPECT_TRUE(reading.order(2).empty());                      // pages the window lacks
    EXPECT_TRUE(reading.order(-2).empty());
}

}  // namespace
