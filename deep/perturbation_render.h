// Rendering by perturbation: every pixel iterates its difference from the reference orbit of
// the view's centre in hardware floating point, so that views far past the precision of
// doubles render at about the speed of the double kernels.
//
// With d the pixel's difference from the reference value Z(m) and e its offset from the
// centre, a step is d <- (2 Z(m) + d) d + e and m <- m + 1; the pixel's own value is Z(m) + d.
// Where that value comes closer to 0 than d itself, or the reference ends (escaped, or at its
// limit) before the pixel does, the pixel takes its own value as d and the reference starts
// again at Z(0) = 0 (rebasing): the difference stays small compared with the value, so that
// no pixel loses its precision and no second reference is needed.
#pragma once

#include <atomic>
#include <cstdint>

#include "core/frame_buffer.h"
#include "deep/deep_view.h"
#include "deep/reference_orbit.h"
#include "deep/row_workers.h"

// Up to this magnification the differences are doubles; past it (where a double's exponent
// would soon underflow) doubles rescaled per pixel by a power of two of their own, with the
// offsets in an extended-exponent type (deep/scaled_render.h), at any depth.
constexpr double kWideExponentFromLog2 = 963.0;  // 2^963 ~ 1e290

// The lanes past kWideExponentFromLog2: the rescaled doubles, or, for comparison in the
// benchmarks, the scalar x87 long doubles that rendered there before (up to 1e4900).
enum WideLanes { kScaledLanes, kX87Lanes };

// The offset from the centre of column or row i in a picture `pixels` wide or high with the
// given step: (i - floor(pixels / 2)) x step, the same for every pixel, never accumulated.
inline long double pixelOffset(std::int32_t i, std::int32_t pixels, long double step)
{
    return static_cast<long double>(i - pixels / 2) * step;
}

// 6 / (width x magnification), the signed distance between neighbouring pixels.
long double pixelStep(const DeepView& view, std::int32_t width);

// Renders view into frame by perturbation from orbit (which serves view) on `threads`
// threads; 1 when complete, 0 when stopped, kNoThread when no thread could be started. With
// map, the pixels' counts (and continuous counts) go there too.
struct IterationMap;
int renderPerturbed(const DeepView& view, const ReferenceOrbit& orbit, const FrameBuffer& frame,
                    std::int32_t threads, const std::atomic<int>& stop, RowsReport report, void* context,
                    const IterationMap* map = nullptr, WideLanes wide = kScaledLanes);

// The escape count of one pixel (column x, row r of a width x height picture) as the lanes
// compute it, without merged steps: below the limit for a pixel that escapes, the limit for one
// that does not.
// For checking the renderer against other ways of computing the same pixel.
std::int32_t perturbedCount(const DeepView& view, const ReferenceOrbit& orbit, std::int32_t width,
                            std::int32_t height, std::int32_t x, std::int32_t r, WideLanes wide = kScaledLanes);
