#include "documents/diff.h"

#include <gtest/gtest.h>

namespace {

using documents::Change;
using documents::lineDiff;

TEST(LineDiff, NamesEachChangeByTheLineOfTheOldText) {
    EXPECT_EQ(lineDiff("a\nb\nc\n", "a\nb\nc\n"), std::vector<Change>{});
    EXPECT_EQ(lineDiff("a\nb\nc\n", "a\nB\nc\n"), (std::vector<Change>{{2, {"b"}, {"B"}}}));
    EXPECT_EQ(lineDiff("a\nc\n", "a\nb\nc\n"), (std::vector<Change>{{2, {}, {"b"}}}));
    EXPECT_EQ(lineDiff("a\nb\nc\n", "a\nc\n"), (std::vector<Change>{{2, {"b"}, {}}}));
    EXPECT_EQ(lineDiff("a\nb", "a\nb\nc"), (std::vector<Change>{{3, {}, {"c"}}}));  // at the end
    EXPECT_EQ(lineDiff("", "x\n"), (std::vector<Change>{{1, {}, {"x"}}}));
    // Two changes apart, each on its own; a line moved is a removal and an insertion.
    EXPECT_EQ(lineDiff("1\n2\n3\n4\n5\n6\n", "1\n2x\n3\n4\n5x\n6\n"),
              (std::vector<Change>{{2, {"2"}, {"2x"}}, {5, {"5"}, {"5x"}}}));
    EXPECT_EQ(lineDiff("a\nb\nc\n", "b\nc\na\n"), (std::vector<Change>{{1, {"a"}, {}}, {4, {}, {"a"}}}));
}

TEST(LineDiff, ATooLargeDifferenceIsOneChangeOfTheMiddle) {
    std::string old;
    std::string now;
    for (int i = 0; i < 50; ++i) {
        old += "old" + std::to_string(i) + "\n";
        now += "new" + std::to_string(i) + "\n";
    }
    const std::vector<Change> changes = lineDiff("head\n" + old + "tail\n", "head\n" + now + "tail\n", 10);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].line, 2);
    EXPECT_EQ(changes[0].removed.size(), 50u);
    EXPECT_EQ(changes[0].added.size(), 50u);
    // Within the limit the same texts give the same one change, found line by line.
    EXPECT_EQ(lineDiff("head\n" + old + "tail\n", "head\n" + now + "tail\n"), changes);
}

}  // namespace
