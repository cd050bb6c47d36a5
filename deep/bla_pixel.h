// One pixel by perturbation with bilinear approximation: wherever the table holds a valid
// merged step at the pixel's reference index, the pixel takes the longest one; elsewhere a
// plain perturbation step. Rebases as the lanes do (where its value comes closer to 0 than its
// difference, or at the end of the reference), and decides escape from the reference's excess
// |Z|^2 - 4, so that a reference on the escape circle does not hide the pixels' escapes.
#pragma once

#include <atomic>
#include <cstdint>

#include "deep/bla_table.h"
#include "deep/floatexp.h"

struct BlaPicture {
    const double* reference;  // Z(0), Z(1), ... as (real, imaginary) pairs
    const double* excess;     // |Z(m)|^2 - 4 from the high-precision values
    std::int32_t lastIndex;   // of the reference's last value
    std::int32_t maxIterations;
    const BlaTable<double>* table;  // may hold no level
    const std::atomic<int>* stop;   // looked at about every million steps; may be null
    // Rebases where |Z + z|^2 < rebaseRatio |z|^2 (1: where the value comes closer to 0 than
    // the difference, as the lanes do).
    double rebaseRatio;
    int interiorCheck;  // ends pixels whose returns near 0 show an attracting cycle
    // The reference's own return near 0 (its smallest values come every checkPeriod steps):
    // pixels that follow it without rebasing return there too. 0: none.
    std::int32_t checkPeriod;
    // Past the exponent range of doubles (blaCountWide): the table with wide exponents, and the
    // reference values that doubles do not hold (the orbit's tiny table, in index order).
    const BlaTable<FloatExp>* wideTable;
    const std::int32_t* tinyIndex;
    const ComplexExp* tinyValue;
    std::int32_t tinyCount;
    // Where set, the turns of the pixel's loop (merged or plain steps) are added to it: what
    // the path's time grows with, for the choice of the path on a sample of pixels.
    std::int64_t* turns;
};

// The escape count of the pixel at (offsetR, offsetI) from the centre: below the limit for a
// pixel that escapes, the limit for one that does not; -1 once stop is set. Where error is
// given, the rounding error the pixel carried to its end goes there, as the lanes carry it
// (G in precise_pixel.h; a merged step carries it by |A|^2).
std::int32_t blaCount(const BlaPicture& picture, double offsetR, double offsetI, double* error = nullptr);

// The same past the exponent range of doubles: the pixel's difference held as doubles rescaled
// by a power of two of its own (as the rescaled lanes hold it), the merged steps and the steps
// from tiny reference values in FloatExp.
std::int32_t blaCountWide(const BlaPicture& picture, FloatExp offsetR, FloatExp offsetI);

// Whether Z + d lies outside the escape circle, from Z's excess e = |Z|^2 - 4:
// |Z + d|^2 - 4 = e + 2 Re(conj(Z) d) + |d|^2, whose terms are small where Z is on the circle.
inline int escapesFrom(const double* z, double excess, double dr, double di)
{
    return excess + 2.0 * (z[0] * dr + z[1] * di) + (dr * dr + di * di) > 0.0;
}
