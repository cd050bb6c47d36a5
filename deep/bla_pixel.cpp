#include "bla_pixel.h"

#include <cmath>

namespace {

constexpr std::int64_t kStopCheckSteps = 1 << 20;

struct PixelState {
    double dr, di;   // the difference from Z(m)
    std::int32_t m;  // the reference index
    std::int32_t n;  // steps taken
};

// After a step that left the pixel inside the circle at n steps: takes its own value as the
// difference where it comes closer to 0 than the difference, or at the end of the reference.
void rebaseIfDue(const BlaPicture& picture, PixelState& s)
{
    const double* z = picture.reference + 2 * std::size_t(s.m);
    const double zr = z[0] + s.dr, zi = z[1] + s.di;
    if (zr * zr + zi * zi < s.dr * s.dr + s.di * s.di || s.m == picture.lastIndex) {
        s.dr = zr;
        s.di = zi;
        s.m = 0;
    }
}

}  // namespace

std::int32_t blaCount(const BlaPicture& picture, double offsetR, double offsetI)
{
    PixelState s = {0.0, 0.0, 0, 0};
    const BlaTable<double>& table = *picture.table;
    // Below this count no merged step is tried: one ended outside the circle, and the steps
    // it spanned are taken one by one to find the escape's own step.
    std::int32_t plainUntil = 0;
    std::int64_t sinceCheck = 0;
    for (;;) {
        if (++sinceCheck == kStopCheckSteps) {
            if (picture.stop && picture.stop->load()) return -1;
            sinceCheck = 0;
        }
        if (s.m > 0 && s.n >= plainUntil) {
            const BlaStep<double>* step = nullptr;
            const int level = blaLevelAt(table, s.m, std::fabs(s.dr) + std::fabs(s.di),
                                         std::int64_t(picture.maxIterations) - s.n, step);
            if (level > 0) {
                const std::int32_t length = std::int32_t(1) << level;
                const double dr = (step->ar * s.dr - step->ai * s.di) + (step->br * offsetR - step->bi * offsetI);
                const double di = (step->ar * s.di + step->ai * s.dr) + (step->br * offsetI + step->bi * offsetR);
                const std::int32_t m = s.m + length;
                if (escapesFrom(picture.reference + 2 * std::size_t(m), picture.excess[m], dr, di)) {
                    plainUntil = s.n + length;
                    continue;
                }
                s.dr = dr;
                s.di = di;
                s.m = m;
                s.n += length;
                if (s.n == picture.maxIterations) return s.n;
                rebaseIfDue(picture, s);
                continue;
            }
        }
        // The plain step, as the lanes take it.
        const double* z = picture.reference + 2 * std::size_t(s.m);
        const double twoZdR = z[0] + z[0] + s.dr;
        const double twoZdI = z[1] + z[1] + s.di;
        const double dr = (twoZdR * s.dr - twoZdI * s.di) + offsetR;
        const double di = (twoZdR * s.di + twoZdI * s.dr) + offsetI;
        s.m = s.m + 1;
        if (escapesFrom(z + 2, picture.excess[s.m], dr, di)) return s.n;
        s.dr = dr;
        s.di = di;
        s.n = s.n + 1;
        if (s.n == picture.maxIterations) return s.n;
        rebaseIfDue(picture, s);
    }
}
