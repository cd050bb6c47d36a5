#include "deep/colouring.h"

#include <cmath>
#include <cstdio>

PixelColor continuousColor(const Palette& palette, double position)
{
    const double wrapped = position - kPaletteSize * std::floor(position / kPaletteSize);
    const double whole = std::floor(wrapped);
    const double fraction = wrapped - whole;
    const int entry = int(whole) & (kPaletteSize - 1);  // wrapped can round up to kPaletteSize
    const PixelColor& a = palette.entries[entry];
    const PixelColor& b = palette.entries[(entry + 1) & (kPaletteSize - 1)];
    PixelColor mixed;
    for (int i = 0; i < 3; ++i) {
        mixed.bytes[i] = std::uint8_t(std::lround(a.bytes[i] + (b.bytes[i] - a.bytes[i]) * fraction));
    }
    return mixed;
}

double palettePosition(const Colouring& colouring, double count)
{
    const double knee = 1024.0 / std::log(2.0);
    return kPaletteSize * (colouring.density * std::log2(1.0 + count / knee) + colouring.phase);
}

std::string colouringText(const Colouring& colouring)
{
    if (!colouring.smooth) return "";
    char text[128];
    std::snprintf(text, sizeof text, "smooth = on\npalette-density = %.17g\npalette-phase = %.17g\n", colouring.density,
                  colouring.phase);
    return text;
}
