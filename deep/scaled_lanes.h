// The lanes of the rescaled perturbation loop, for views past the exponent range of doubles:
// each pixel's difference d from the reference is held as S x w, with S = 2^scale a power of
// two of its own (kept beside the lanes, any size) and w a double of size about 1, and its
// offset e from the centre as S x u. A step of d <- (2 Z + d) d + e becomes
//     w <- (2 Z + s w) w + u,   with s = S as a double (0 where S is below 2^-900),
// two multiplications more than the double lanes, so that the lanes stay vectorised at any
// depth. Dropping s w where s is 0 changes nothing: |d| < 2^-560 there, and the reference
// values stepped here are at least 2^-400 in size (smaller ones, and 0, are stepped with the
// full exponent, see scaled_render.cpp). A lane with S = 1 (s = 1) steps exactly as the double
// lanes do. A run ends where a lane escapes, comes closer to 0 than its difference, or its w
// leaves [low, high] in size, so that S can be moved to keep w near 1.
#pragma once

#include <cstdint>

#include "deep/floatexp.h"
#include "deep/perturbation_lanes.h"

struct ScaledLanes {
    alignas(32) double wr[kVectorLanes];  // the differences over their scale S
    alignas(32) double wi[kVectorLanes];
    alignas(32) double ur[kVectorLanes];  // the offsets from the centre over S
    alignas(32) double ui[kVectorLanes];
    alignas(32) double s[kVectorLanes];     // S, or 0 where it is below 2^-960
    alignas(32) double high[kVectorLanes];  // the bounds of |w|^2 that end a run
    alignas(32) double low[kVectorLanes];
    std::int64_t start[kVectorLanes];   // the clock at which the pixel's step count was 0
    std::int64_t mStart[kVectorLanes];  // the clock at which its reference index was 0
    std::int32_t x[kVectorLanes];       // its column; -1 for a lane without a pixel
};

// Steps all lanes from clock until an event or until clock reaches bound; last receives the
// pixels' values z = Z + s w, |z|^2 and |s w|^2 of the last step. Returns the clock after the
// run. reference holds Z(0), Z(1), ... as (real, imaginary) pairs.
using ScaledRun = std::int64_t (*)(const double* reference, ScaledLanes& lanes, std::int64_t clock,
                                   std::int64_t bound, StepValues& last);

std::int64_t runScaledSse2(const double* reference, ScaledLanes& lanes, std::int64_t clock, std::int64_t bound,
                           StepValues& last);
std::int64_t runScaledAvx2(const double* reference, ScaledLanes& lanes, std::int64_t clock, std::int64_t bound,
                           StepValues& last);

// A pixel's difference d and offset e held as S x w and S x u, with S = 2^scale suited to them:
// S = 1 (plain doubles, as in the double lanes) from |d| or |e| at 2^-300 on, else the larger
// exponent of the two; and the bounds of |w|^2 past which S must move.
struct ScaledDifference {
    double wr, wi, ur, ui;
    double s;  // S as a double, 0 where it is below 2^-960
    double low, high;
    std::int64_t scale;
};

ScaledDifference scaledFor(const ComplexExp& d, const ComplexExp& offset);
