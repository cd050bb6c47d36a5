// A pixel again by perturbation in double-double, with its offset from the centre and the
// reference values to about 106 bits: for the pixels whose rounding error the double lanes
// carry far enough to make their escape step uncertain. In a chaotic stretch (the seahorse
// valley at limit 10,000, for one) an orbit can amplify its own rounding, or that of its
// offset, 10^20-fold before it escapes.
#pragma once

#include <atomic>
#include <cstdint>

#include "deep/deep_view.h"
#include "deep/double_double.h"
#include "deep/reference_orbit.h"

// The lanes carry, per pixel, G with 2^-53 sqrt(G) the rounding error of its value, summed in
// squares (roundings are independent). A step from value z = Z + d squares z, so the error
// carried into it grows by |2 z|^2; the step adds the rounding of (2 Z + d) d, with Z's own
// (|d| <= |z| between rebases), and of the sum: G <- 4 |z|^2 (G + |d|^2) + |d'|^2, d' the
// new difference.
// A pixel whose G passes kDoubtfulSquare at its end is redone. Measured against brute force
// (bench/README.md): every pixel that the lanes got wrong had a carried error of 0.025 or more.
constexpr double kDoubtfulError = 0.005;
constexpr double kDoubtfulSquare = (kDoubtfulError * 0x1p53) * (kDoubtfulError * 0x1p53);

struct PrecisePicture {
    const double* reference;  // Z(0), Z(1), ... as (real, imaginary) pairs of doubles
    const double* low;        // what each lacks of the exact value
    std::int32_t lastIndex;   // of the reference's last value
    std::int32_t maxIterations;
    std::int32_t width, height;
    DoubleDouble step;              // 6 / (width x magnification)
    const std::atomic<int>* stop;  // looked at about every million steps; may be null
};

PrecisePicture precisePictureOf(const DeepView& view, const ReferenceOrbit& orbit, std::int32_t width,
                                std::int32_t height);

// The pixel's end: its count as the lanes give it (-1 once stop is set) and, where it
// escapes, its value after the escaping step.
struct PixelEnd {
    std::int32_t count;
    double zr, zi;
};

PixelEnd preciseEnd(const PrecisePicture& picture, std::int32_t x, std::int32_t r);
