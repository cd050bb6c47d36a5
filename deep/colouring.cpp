#include "colouring.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "render_cli/refusal.h"

namespace {

constexpr double kMaxDensity = 1000.0;

// A decimal number and nothing after it.
int parseNumber(const char* text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(value);
}

}  // namespace

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
    const double knee = kPaletteSize * colouring.density / std::log(2.0);
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

int setColouringField(Colouring& colouring, const char* name, const char* value, char* error, std::size_t size)
{
    error[0] = '\0';
    double number = 0;
    if (!std::strcmp(name, "smooth")) {
        if (std::strcmp(value, "on") && std::strcmp(value, "off")) return refuse(error, size, "bad smooth '%.40s': give on or off", value);
        colouring.smooth = !std::strcmp(value, "on");
    } else if (!std::strcmp(name, "palette-density")) {
        if (!parseNumber(value, number) || !(number > 0) || number > kMaxDensity) {
            return refuse(error, size, "bad palette density '%.40s': give a number above 0, at most 1000", value);
        }
        colouring.density = number;
    } else if (!std::strcmp(name, "palette-phase")) {
        if (!parseNumber(value, number) || number < 0 || number > 1) {
            return refuse(error, size, "bad palette phase '%.40s': give a number from 0 to 1", value);
        }
        colouring.phase = number;
    } else {
        return 0;
    }
    return 1;
}
