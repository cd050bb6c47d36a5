#include "palette.h"

#include <cstring>

PixelColor pixelFromColorRef(ColorRef color)
{
    return PixelColor{{static_cast<std::uint8_t>(color >> 16), static_cast<std::uint8_t>(color >> 8),
                       static_cast<std::uint8_t>(color)}};
}

namespace {

// Adds the weighted anchor colour to one entry, truncating each byte as it is added.
void addWeighted(PixelColor& entry, ColorRef anchor, double weight)
{
    for (int i = 0; i < 3; ++i) {
        const unsigned channel = (anchor >> (8 * (2 - i))) & 0xFFu;
        const int sum = static_cast<int>(entry.bytes[i] + channel * weight);
        entry.bytes[i] = static_cast<std::uint8_t>(sum & 0xFF);
    }
}

int wrapEntry(int e)
{
    if (e >= kPaletteSize) return e % kPaletteSize;
    if (e < 0) return e + kPaletteSize;
    return e;
}

}  // namespace

// The products and sums are formed in double precision (SSE2 on every build). Where
// channel x (42 - q) / 42 is a whole number, this can give one more than extended-precision
// arithmetic would; for the default colours that touches entries 7, 14, 28, 56, 70, 77, 98
// and 112.
void buildPalette(const ViewParams& params, Palette& palette)
{
    std::memset(&palette, 0, sizeof palette);
    for (int p = 0; p < 3; ++p) {
        for (int q = 0; q < kPaletteSpacing; ++q) {
            const double weight = static_cast<double>(kPaletteSpacing - q) / kPaletteSpacing;
            const int centre = kPaletteSpacing * p;
            addWeighted(palette.entries[wrapEntry(centre + q)], params.colors[p], weight);
            if (q > 0) {
                addWeighted(palette.entries[wrapEntry(centre - q)], params.colors[p], weight);
            }
        }
    }
}
