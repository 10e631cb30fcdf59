// Readable text colours: the contrast ratio of two colours as WCAG 2 defines it, and the
// colour nearest to a given one, of the same hue and saturation, that is readable on a given
// background. The form's colours keep their hue on any palette, light or dark.
#pragma once

#include <cstdint>

namespace text {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    bool operator==(const Rgb&) const = default;
};

// Relative luminance, 0 (black) to 1 (white).
double luminance(Rgb colour);

// (L1 + 0.05) / (L2 + 0.05) with L1 the lighter: 1 to 21.
double contrastRatio(Rgb a, Rgb b);

// The text colour WCAG AA asks for body text at least: 4.5:1.
inline constexpr double kReadableContrast = 4.5;

// Below this contrast a colour is lost on its ground: the game's black and dark blue on its
// dark tooltip (1.0 and 1.5), while its dark red, dark gray and dark purple (2.6 to 3.2) are
// dim but there to see.
inline constexpr double kLegibleContrast = 2.0;

// Whether text in the colour can be told from the ground at all.
bool legibleOn(Rgb colour, Rgb ground);

// What text lost on a dark ground stands on, drawn as the game draws its colours: the light
// gray of the game's own windows, on which every colour the ground loses reads at 4.5:1.
inline constexpr Rgb kLightBacking{0xC6, 0xC6, 0xC6};

// The colour itself when it is readable on the background; otherwise the same hue and
// saturation with the lightness changed as little as reaching the minimum allows: darker on
// a light background, lighter on a dark one (the other way when that way cannot reach it).
Rgb readableOn(Rgb colour, Rgb background, double minimum = kReadableContrast);

}  // namespace text
