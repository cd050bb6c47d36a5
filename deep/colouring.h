// How a picture's escape counts become colours: the program's own way, a palette entry per
// whole count (entries repeat every 128 counts), or continuous colour, where the fractional
// (smooth) count picks a place on the same three-anchor palette, interpolated between its
// entries, so that neighbouring counts give neighbouring colours.
//
// Deep in a zoom neighbouring pixels differ by thousands of counts, and a palette that repeats
// every 128 of them gives noise. Continuous colour therefore goes by the logarithm of the
// count past the first thousand or so: the palette's place, in entries, is
//   128 x (density x log2(1 + count / K) + phase),  K = 1024 / ln 2 (about 1477),
// which moves density / 8 entries per count near 0 and `density` cycles per doubling of the
// count far from it, at any depth alike. The palette moves slowly with the count: in a dive
// the colours under each point then change little from frame to frame (half as much as the
// program's palette, see bench/README.md), and shallow pictures show broad bands instead of
// one band per 128 counts; a larger density gives more of them.
#pragma once

#include <cstdint>
#include <string>

#include "core/palette.h"

struct Colouring {
    std::int32_t smooth;  // 1: continuous colour; 0: the program's palette entries
    double density;       // palette cycles per doubling of the count (far from K)
    double phase;         // cycles added, from 0 to 1
};

constexpr Colouring kPlainColouring = {0, 1.0, 0.0};

// The colour of the continuous palette at `position` entries (any real number; the palette
// repeats every kPaletteSize entries): entries floor(position) and the next one mixed by the
// fraction, each channel rounded.
PixelColor continuousColor(const Palette& palette, double position);

// The palette position (in entries) of a continuous count under colouring.
double palettePosition(const Colouring& colouring, double count);

// The view-text lines of a colouring: none for the program's palette, so that views without
// continuous colour keep their texts.
std::string colouringText(const Colouring& colouring);
