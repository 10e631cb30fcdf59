// Readable colours: the WCAG ratio, and the nearest colour of the same hue that reaches it.
#include "text/contrast.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

using text::contrastRatio;
using text::readableOn;
using text::Rgb;

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kLightWindow{0xef, 0xef, 0xef};
constexpr Rgb kDarkWindow{0x35, 0x35, 0x35};
constexpr Rgb kDarkBase{0x2a, 0x2a, 0x2a};

// The hue of a colour in degrees, for colours with one.
double hueOf(Rgb c) {
    const double r = c.r / 255.0, g = c.g / 255.0, b = c.b / 255.0;
    const double high = std::max({r, g, b}), low = std::min({r, g, b});
    const double range = high - low;
    double h = high == r ? std::fmod((g - b) / range + 6, 6) : high == g ? (b - r) / range + 2 : (r - g) / range + 4;
    return h * 60;
}

TEST(Contrast, RatiosAsWcagGivesThem) {
    EXPECT_NEAR(contrastRatio(kBlack, kWhite), 21.0, 1e-9);
    EXPECT_NEAR(contrastRatio(kWhite, kWhite), 1.0, 1e-9);
    EXPECT_NEAR(contrastRatio(Rgb{255, 0, 0}, kWhite), 4.0, 0.01);
    EXPECT_NEAR(contrastRatio(Rgb{0, 0x80, 0}, kWhite), 5.14, 0.01);
    EXPECT_DOUBLE_EQ(contrastRatio(kWhite, Rgb{0x77, 0x77, 0x77}), contrastRatio(Rgb{0x77, 0x77, 0x77}, kWhite));
}

// On the game's dark grounds (the tooltip's, the reply panel's) only black and dark blue of the
// sixteen colours cannot be told from the ground; they get the light backing, the others none.
TEST(Contrast, OnlyColoursLostOnTheGroundNeedABacking) {
    constexpr std::uint32_t kSixteen[] = {0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA,
                                          0xFFAA00, 0xAAAAAA, 0x555555, 0x5555FF, 0x55FF55, 0x55FFFF,
                                          0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF};
    for (const Rgb ground : {Rgb{0x10, 0x00, 0x10}, Rgb{0x1d, 0x1d, 0x1d}}) {
        std::vector<std::uint32_t> backed;
        for (const std::uint32_t rgb : kSixteen) {
            const Rgb colour{static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
                             static_cast<std::uint8_t>(rgb)};
            if (!text::legibleOn(colour, ground)) {
                backed.push_back(rgb);
                EXPECT_GE(contrastRatio(colour, text::kLightBacking), text::kReadableContrast) << std::hex << rgb;
            }
        }
        EXPECT_EQ(backed, (std::vector<std::uint32_t>{0x000000, 0x0000AA}));
    }
}

TEST(Contrast, AReadableColourStaysAsItIs) {
    EXPECT_EQ(readableOn(Rgb{0, 0x80, 0}, kWhite), (Rgb{0, 0x80, 0}));
    EXPECT_EQ(readableOn(Rgb{0x40, 0x40, 0x40}, kLightWindow), (Rgb{0x40, 0x40, 0x40}));
    EXPECT_EQ(readableOn(kBlack, kWhite), kBlack);
}

TEST(Contrast, TheFormsColoursKeepTheirHueAndBecomeReadableOnLightAndDark) {
    const Rgb formColours[] = {
        {0xff, 0x00, 0x00}, {0x00, 0x80, 0x00}, {0xff, 0x80, 0xc0}, {0x80, 0x80, 0x80}, {0x40, 0x40, 0x40}};
    const Rgb backgrounds[] = {kWhite, kLightWindow, kDarkWindow, kDarkBase, kBlack, {0x1e, 0x1e, 0x2e}};
    for (const Rgb& colour : formColours) {
        for (const Rgb& background : backgrounds) {
            const Rgb drawn = readableOn(colour, background);
            SCOPED_TRACE(testing::Message() << int(colour.r) << "," << int(colour.g) << "," << int(colour.b) << " on "
                                            << int(background.r));
            EXPECT_GE(contrastRatio(drawn, background), text::kReadableContrast);
            const bool grey = colour.r == colour.g && colour.g == colour.b;
            if (grey) {
                EXPECT_TRUE(drawn.r == drawn.g && drawn.g == drawn.b);
            } else {
                EXPECT_NEAR(hueOf(drawn), hueOf(colour), 2.0);
            }
        }
    }
}

TEST(Contrast, TheChangeIsTheSmallestThatReachesTheMinimum) {
    // Red on white needs to be only a little darker; on a dark background, lighter.
    const Rgb onWhite = readableOn(Rgb{255, 0, 0}, kWhite);
    EXPECT_LT(onWhite.r, 255);
    EXPECT_GT(onWhite.r, 0xd8);
    EXPECT_LT(contrastRatio(Rgb{static_cast<std::uint8_t>(onWhite.r + 2), 0, 0}, kWhite), text::kReadableContrast);
    const Rgb onDark = readableOn(Rgb{255, 0, 0}, kDarkBase);
    EXPECT_EQ(onDark.r, 255);
    EXPECT_GT(onDark.g, 0);
    EXPECT_EQ(onDark.g, onDark.b);
    // A grey midway between black and white on a mid-grey background goes to whichever end
    // reaches the minimum.
    const Rgb mid{0x77, 0x77, 0x77};
    EXPECT_GE(contrastRatio(readableOn(mid, mid), mid), text::kReadableContrast);
}

}  // namespace
