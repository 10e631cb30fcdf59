#include "text/contrast.h"

#include <algorithm>
#include <cmath>

namespace text {
namespace {

double linear(std::uint8_t channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

struct Hsl {
    double h = 0;  // 0..6, in sixths of the colour wheel
    double s = 0;
    double l = 0;
};

Hsl toHsl(Rgb c) {
    const double r = c.r / 255.0;
    const double g = c.g / 255.0;
    const double b = c.b / 255.0;
    const double high = std::max({r, g, b});
    const double low = std::min({r, g, b});
    Hsl out;
    out.l = (high + low) / 2;
    const double range = high - low;
    if (range <= 0) return out;
    out.s = range / (1 - std::abs(2 * out.l - 1));
    if (high == r)
        out.h = std::fmod((g - b) / range + 6, 6);
    else if (high == g)
        out.h = (b - r) / range + 2;
    else
        out.h = (r - g) / range + 4;
    return out;
}

std::uint8_t channel(double value) { return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255)); }

Rgb toRgb(Hsl c) {
    const double chroma = (1 - std::abs(2 * c.l - 1)) * c.s;
    const double x = chroma * (1 - std::abs(std::fmod(c.h, 2) - 1));
    double r = 0;
    double g = 0;
    double b = 0;
    switch (static_cast<int>(c.h) % 6) {
    case 0: r = chroma, g = x; break;
    case 1: r = x, g = chroma; break;
    case 2: g = chroma, b = x; break;
    case 3: g = x, b = chroma; break;
    case 4: r = x, b = chroma; break;
    default: r = chroma, b = x; break;
    }
    const double m = c.l - chroma / 2;
    return {channel(r + m), channel(g + m), channel(b + m)};
}

// The lightness between from and to (to being 0 or 1, where the contrast is highest) that is
// nearest to from and still reaches the minimum; to itself when nothing nearer does.
Rgb search(Hsl colour, double to, Rgb background, double minimum) {
    double near = colour.l;
    double far = to;
    for (int step = 0; step < 40; ++step) {
        const double middle = (near + far) / 2;
        Hsl probe = colour;
        probe.l = middle;
        if (contrastRatio(toRgb(probe), background) >= minimum)
            far = middle;
        else
            near = middle;
    }
    colour.l = far;
    return toRgb(colour);
}

}  // namespace

double luminance(Rgb c) { return 0.2126 * linear(c.r) + 0.7152 * linear(c.g) + 0.0722 * linear(c.b); }

double contrastRatio(Rgb a, Rgb b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool legibleOn(Rgb colour, Rgb ground) { return contrastRatio(colour, ground) >= kLegibleContrast; }

Rgb readableOn(Rgb colour, Rgb background, double minimum) {
    if (contrastRatio(colour, background) >= minimum) return colour;
    const Hsl hsl = toHsl(colour);
    // Black and white are the ends of every hue's lightness: the contrast each end reaches
    // says which way can work.
    const bool darkBackground = contrastRatio({255, 255, 255}, background) >= contrastRatio({0, 0, 0}, background);
    const double first = darkBackground ? 1.0 : 0.0;
    Rgb found = search(hsl, first, background, minimum);
    if (contrastRatio(found, background) >= minimum) return found;
    found = search(hsl, 1.0 - first, background, minimum);
    if (contrastRatio(found, background) >= minimum) return found;
    return darkBackground ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
}

}  // namespace text
