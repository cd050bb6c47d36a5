// Rendering by perturbation past the exponent range of doubles: the rescaled lanes of
// scaled_lanes.h, with the pixel offsets and the few steps that doubles cannot take (reference
// values below 2^-400: Z(0) = 0, and near the nucleus of a deep minibrot) in the extended-exponent type.
// Serves any magnification that the reference orbit's precision reaches (1e10000).
#pragma once

#include <atomic>
#include <cstdint>

#include "core/palette.h"
#include "deep/floatexp.h"
#include "deep/scaled_lanes.h"
#include "deep/deep_view.h"
#include "deep/reference_orbit.h"

// 6 / (width x magnification) and the offset (i - floor(pixels / 2)) x step of column or row
// i, at any depth.
FloatExp pixelStepExp(const DeepView& view, std::int32_t width);
inline FloatExp pixelOffsetExp(std::int32_t i, std::int32_t pixels, FloatExp step)
{
    return floatExp(double(i - pixels / 2)) * step;
}

struct ScaledPicture {
    const ReferenceOrbit* orbit;
    std::int32_t lastIndex;  // of the reference's last value used
    std::int32_t maxIterations;
    std::int32_t width;
    std::int32_t height;
    FloatExp step;
    Palette palette;
    PixelColor insideColor;
    std::uint8_t* bits;            // the picture's rows
    std::int32_t* counts;          // or, where not null, the row's escape counts from its first column on
    const std::atomic<int>* stop;  // may be null
    ScaledRun run;                 // the lanes for this processor
};

// Everything but bits, counts and stop, which the caller sets.
void setUpScaled(ScaledPicture& picture, const DeepView& view, const ReferenceOrbit& orbit, std::int32_t width,
                 std::int32_t height);

// A RowJob over a ScaledPicture: renders one row; 0 when stopped.
int renderScaledRow(std::int32_t row, void* context);

// The escape count of column x in row r, as renderScaledRow computes it.
std::int32_t scaledCount(const ScaledPicture& picture, std::int32_t x, std::int32_t r);
