// The lanes of the double perturbation loop: kVectorLanes pixels whose differences are stepped
// together in vector registers, compiled once for SSE2 and once for AVX2 (chosen by CPUID).
#pragma once

#include <cstdint>

constexpr int kVectorLanes = 16;

// A lane's step count and reference index follow from the clock (the steps its row has taken)
// and the clock values at which they were 0, so that a run of steps needs no per-lane
// bookkeeping until one lane escapes, rebases, reaches the limit or the end of the reference.
struct VectorLanes {
    alignas(32) double dr[kVectorLanes];  // the differences from the reference values
    alignas(32) double di[kVectorLanes];
    alignas(32) double offsetR[kVectorLanes];  // the pixels' offsets from the centre
    // The rounding error each pixel carries, as G in precise_pixel.h: 2^-53 sqrt(G).
    alignas(32) double error[kVectorLanes];
    std::int64_t start[kVectorLanes];   // the clock at which the pixel's step count was 0
    std::int64_t mStart[kVectorLanes];  // the clock at which its reference index was 0
    std::int32_t x[kVectorLanes];       // its column; -1 for a lane without a pixel
};

// The values of the last step of a run, per lane; on entry to a run, |z|^2 and |d|^2 of each
// lane's current value and difference, from which the run carries the error on.
struct StepValues {
    alignas(32) double zr[kVectorLanes];  // the pixels' own values
    alignas(32) double zi[kVectorLanes];
    alignas(32) double magnitude[kVectorLanes];            // |z|^2
    alignas(32) double differenceMagnitude[kVectorLanes];  // |d|^2
};

// Steps all lanes from clock until a lane escapes (|z|^2 > 4) or comes closer to 0 than its
// difference, or the clock reaches bound; leaves the last step's values in last and returns the
// clock after the run. reference holds Z(0), Z(1), ... as (real, imaginary) pairs; offsetI is
// the row's imaginary offset. Each step: d <- (2 Z(m) + d) d + offset, z = Z(m + 1) + d, and
// the carried error G <- 4 |z|^2 (G + |d|^2) + |d'|^2 from the value z and difference d
// before the step and d' after it.
using LaneRun = std::int64_t (*)(const double* reference, VectorLanes& lanes, double offsetI, std::int64_t clock,
                                 std::int64_t bound, StepValues& last);

std::int64_t runLanesSse2(const double* reference, VectorLanes& lanes, double offsetI, std::int64_t clock,
                          std::int64_t bound, StepValues& last);
std::int64_t runLanesAvx2(const double* reference, VectorLanes& lanes, double offsetI, std::int64_t clock,
                          std::int64_t bound, StepValues& last);
