// The reference orbit of perturbation rendering: the orbit of a view's centre, computed once in
// arbitrary precision (Boost.Multiprecision's binary floating point, which builds on every
// target from headers alone) and stored in doubles. Pixels near the centre follow it as small
// differences in hardware floating point.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "deep/deep_view.h"
#include "deep/floatexp.h"
#include "deep/deep_view.h"

struct ReferenceOrbit {
    std::string centerX;  // the centre it belongs to, as the view's texts
    std::string centerY;
    std::int32_t maxIterations;  // the limit it was computed for
    std::int32_t precisionBits;  // the precision the centre was taken at
    double deepestLog2;          // the deepest magnification (log2) that precision serves
    // Z(0) = 0, Z(1) = c, ... as (real, imaginary) pairs, up to the first value outside the
    // radius 2 or up to Z(maxIterations); `length` values in all.
    std::unique_ptr<double[]> values;
    // What each of those doubles lacks of the high-precision value (Z(m) - values[m]), for the
    // pixels that are redone in double-double.
    std::unique_ptr<double[]> low;
    // |Z(m)|^2 - 4 for each value, from the high-precision values where Z(m) lies near the
    // escape circle (the doubles of Z(m) alone cannot tell there which side a pixel is on).
    std::unique_ptr<double[]> excess;
    std::int32_t length;
    // Where a double would not hold a value, or the step from it could not drop d^2 (both
    // parts below 2^-400 in size, 0 included: Z(0), and near the nucleus of a deep minibrot),
    // its index and the value with its own exponent, in index order. Kept only for orbits that
    // serve magnifications past the double lanes.
    std::vector<std::int32_t> tinyIndex;
    std::vector<ComplexExp> tinyValue;
};

// The index of the last orbit value a picture with this limit reads: the orbit's last, or the
// limit's where the orbit runs further.
inline std::int32_t lastIndexFor(const ReferenceOrbit& orbit, std::int32_t maxIterations)
{
    return orbit.length < maxIterations + 1 ? orbit.length - 1 : maxIterations;
}

// Values smaller than this in both parts go into the orbit's tiny table as well.
constexpr double kTinyReference = 0x1p-400;

// Called about every 1/100 of the work with the share done (0 to 1).
using OrbitProgress = void (*)(double done, void* context);

enum OrbitResult { kOrbitStopped = 0, kOrbitDone = 1, kOrbitNoMemory = 2, kOrbitBadCenter = 3 };

// Bits of precision that a view at magnification 2^log2 needs for its centre and orbit.
std::int32_t precisionBitsFor(double magnificationLog2);

// Bytes the orbit of a limit takes at most (it grows as it is computed, up to this).
std::uint64_t orbitBytes(std::int32_t maxIterations);

// Computes the orbit of view's centre for view's limit, at the precision that magnifications
// up to 2^deepestLog2 need (at least view's own). Stops early (kOrbitStopped) once stop is set;
// kOrbitNoMemory when the orbit does not fit in memory; kOrbitBadCenter when the arithmetic
// cannot take the centre texts (they are checked before: it is not expected).
OrbitResult computeReferenceOrbit(const DeepView& view, double deepestLog2, ReferenceOrbit& orbit,
                                  const std::atomic<int>& stop, OrbitProgress report, void* context);

// Whether orbit serves view: the same centre, a limit no higher, a magnification no deeper.
int orbitServes(const ReferenceOrbit& orbit, const DeepView& view);
