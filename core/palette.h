// The colour table of a render: 128 entries faded between three anchor colours.
#pragma once

#include <cstdint>

#include "view_params.h"

constexpr int kPaletteSize = 128;    // escape counts are taken modulo this
constexpr int kPaletteSpacing = 42;  // entries between anchors, and length of each fade

// Three pixel bytes in frame-buffer order: blue, green, red.
struct PixelColor {
    std::uint8_t bytes[3];
};
static_assert(sizeof(PixelColor) == 3, "a pixel of the frame buffer");

struct Palette {
    PixelColor entries[kPaletteSize];
};
static_assert(sizeof(Palette) == kPaletteSize * 3, "128 entries of 3 bytes");

// The pixel bytes of a COLORREF, unweighted; bits 24-31 are ignored.
PixelColor pixelFromColorRef(ColorRef color);

// Fills the palette from colors[0..2] of params.
void buildPalette(const ViewParams& params, Palette& palette);
