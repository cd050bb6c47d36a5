// How a picture's escape counts become colours: the program's own way, a palette entry per
// whole count (entries repeat every 128 counts), or continuous colour, where the fractional
// (smooth) count picks a place on the same three-anchor palette, interpolated between its
// entries, so that neighbouring counts give neighbouring colours.
//
// Deep in a zoom neighbouring pixels differ by thousands of counts, and a palette that repeats
// every 128 of them gives noise. Continuous colour therefore goes by the logarithm of the
// count past the first few hundred: the palette's place, in entries, is
//   128 x (density x log2(1 + count / K) + phase),  K = 128 x density / ln 2,
// which moves one entry per count near 0, as the program's palette does, and `density` cycles
// per doubling of the count far from it, at any depth alike.
#pragma once

#include <cstdint>
#include <string>

#include "core/palette.h"

struct Colouring {
    std::int32_t smooth;  // 1: continuous colour; 0: the program's palette entries
    double density;       // palette cycles per doubling of the count
    double phase;         // cycles added, from 0 to 1
};

constexpr Colouring kPlainColouring = {0, 2.0, 0.0};

// The colour of the continuous palette at `position` entries (any real number; the palette
// repeats every kPaletteSize entries): entries floor(position) and the next one mixed by the
// fraction, each channel rounded.
PixelColor continuousColor(const Palette& palette, double position);

// The palette position (in entries) of a continuous count under colouring.
double palettePosition(const Colouring& colouring, double count);

// The view-text lines of a colouring: none for the program's palette, so that views without
// continuous colour keep their texts.
std::string colouringText(const Colouring& colouring);
