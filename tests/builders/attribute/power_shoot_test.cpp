// The "/att Power SHOOT" line for every trigger and projectile index, no selection and
// indexes past either list.

#include <gtest/gtest.h>

#include <climits>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "builders/attribute/power_shoot.h"

namespace {

using builders::power_shoot::line;

// The combo box items in order, as the plugin's words.
constexpr std::string_view kTriggerWords[] = {"LEFT", "RIGHT", "SHIFT_LEFT", "SHIFT_RIGHT"};
constexpr std::string_view kProjectileWords[] = {
    "ARROW",          "SNOWBALL",     "EGG",   "FLAME_ARROW", "FLAME_BALL", "FLAME_EGG", "SMALL_FIREBALL",
    "LARGE_FIREBALL", "WITHER_SKULL", "Blink", "Fissure",     "Ice_Spikes", "Amaterasu", "Nero_Beam",
};

template <std::size_t N>
std::string_view word(const std::string_view (&words)[N], int index) {
    return index >= 0 && index < static_cast<int>(N) ? words[index] : std::string_view();
}

// Nothing selected, every index of the list and the first index past its end.
std::vector<int> indexesAround(int count) {
    std::vector<int> indexes;
    for (int i = -1; i <= count; ++i) indexes.push_back(i);
    return indexes;
}

class PowerShootTest : public testing::TestWithParam<std::tuple<int, int>> {
protected:
    int trigger() const { return std::get<0>(GetParam()); }
    int projectile() const { return std::get<1>(GetParam()); }

    // The words separated by single blanks, the cooldown last; a missing word takes its
    // blanks with it.
    std::string expected(std::string_view cooldown) const {
        std::string text = "/att Power SHOOT ";
        text += word(kTriggerWords, trigger());
        const std::string_view projectileWord = word(kProjectileWords, projectile());
        if (!projectileWord.empty()) text.append(" ").append(projectileWord).append(" ");
        text += cooldown;
        return text + "\r\n";
    }
};

TEST_P(PowerShootTest, BuildsTheLine) {
    EXPECT_EQ(line(trigger(), projectile(), "12"), expected("12"));
    EXPECT_EQ(line(trigger(), projectile(), ""), expected(""));
}

INSTANTIATE_TEST_SUITE_P(EveryIndex, PowerShootTest,
                         testing::Combine(testing::ValuesIn(indexesAround(std::size(kTriggerWords))),
                                          testing::ValuesIn(indexesAround(std::size(kProjectileWords)))),
                         [](const testing::TestParamInfo<std::tuple<int, int>>& row) {
                             const auto name = [](int index) {
                                 return index < 0 ? std::string("none") : std::to_string(index);
                             };
                             return "trigger_" + name(std::get<0>(row.param)) + "_projectile_" +
                                    name(std::get<1>(row.param));
                         });

TEST(PowerShoot, ArrowIsSeparatedFromTheCooldown) { EXPECT_EQ(line(0, 0, "5"), "/att Power SHOOT LEFT ARROW 5\r\n"); }

TEST(PowerShoot, MissingSelections) {
    EXPECT_EQ(line(-1, -1, ""), "/att Power SHOOT \r\n");
    EXPECT_EQ(line(-1, -1, "5"), "/att Power SHOOT 5\r\n");
    EXPECT_EQ(line(3, -1, "5"), "/att Power SHOOT SHIFT_RIGHT5\r\n");
    EXPECT_EQ(line(-1, 13, "5"), "/att Power SHOOT  Nero_Beam 5\r\n");
}

TEST(PowerShoot, FarOutOfRangeIndexesGiveEmptyPieces) {
    EXPECT_EQ(line(INT_MIN, INT_MAX, "5"), "/att Power SHOOT 5\r\n");
    EXPECT_EQ(line(INT_MAX, INT_MIN, "5"), "/att Power SHOOT 5\r\n");
}

TEST(PowerShoot, CooldownIsCopiedAsTyped) { EXPECT_EQ(line(1, 9, " 3 秒"), "/att Power SHOOT RIGHT Blink  3 秒\r\n"); }

}  // namespace
