#include "deep/bla_pixel.h"

#include <cmath>

namespace {

constexpr std::int64_t kStopCheckSteps = 1 << 20;

// Where the orbit is periodic and attracting, its returns near 0 come back after the same
// number of steps, and every k-th return (k the cycle's returns) nearer the one k before, with a
// derivative over the k returns below 1 in size. The derivative within a return is kept as a
// mantissa and a power of 2: it grows far past a double's range before the pass near 0 brings
// it back.
constexpr int kReturnsKept = 8;  // cycles of up to 4 returns, and the 4 returns before them

struct Returns {
    double derivative;  // |dz(n) / dz(last return)|, times 2^exponent
    int exponent;
    std::int32_t lastN;  // the step of the last return
    int kept;            // returns held below, the latest first
    std::int32_t length[kReturnsKept];
    double zr[kReturnsKept], zi[kReturnsKept];
    double gain[kReturnsKept];  // the derivative over each return
};

void scaleDerivative(Returns& r, double factor)
{
    r.derivative *= factor;
    if (r.derivative > 0x1p500 || r.derivative < 0x1p-500) {
        int e = 0;
        r.derivative = std::frexp(r.derivative, &e);
        r.exponent += e;
    }
}

// |re| + |im|, within a factor of sqrt(2) of |z| and free of the squares' underflow.
double size(double re, double im)
{
    return std::fabs(re) + std::fabs(im);
}

// |z| without the squares' underflow or overflow.
double magnitude(double re, double im)
{
    const double a = std::fabs(re), b = std::fabs(im);
    const double big = a > b ? a : b, small = a > b ? b : a;
    if (big == 0.0) return 0.0;
    const double ratio = small / big;
    return big * std::sqrt(1.0 + ratio * ratio);
}

// Whether the return at step n to the pixel's value (zr, zi) shows an attracting cycle of k
// returns: the last 2k returns of one length, the derivative over the last k and over the k
// before below 1, and the value so near the one k returns before that the cycle's point,
// |step| / (1 - derivative) away at most, lies well within the value's own size.
int returnsInside(Returns& r, std::int32_t n, double zr, double zi)
{
    const double gain = r.derivative * std::ldexp(1.0, r.exponent);
    for (int i = kReturnsKept - 1; i > 0; --i) {
        r.length[i] = r.length[i - 1];
        r.zr[i] = r.zr[i - 1];
        r.zi[i] = r.zi[i - 1];
        r.gain[i] = r.gain[i - 1];
    }
    r.length[0] = n - r.lastN;
    r.zr[0] = zr;
    r.zi[0] = zi;
    r.gain[0] = gain < 1e300 ? gain : 1e300;
    r.kept = r.kept < kReturnsKept ? r.kept + 1 : kReturnsKept;
    r.derivative = 1.0;
    r.exponent = 0;
    r.lastN = n;
    double over = 1.0, before = 1.0;
    for (int k = 1; 2 * k <= r.kept; ++k) {
        over *= r.gain[k - 1];
        before = 1.0;
        int sameLength = 1;
        for (int i = 0; i < 2 * k; ++i) sameLength &= r.length[i] == r.length[0];
        for (int i = k; i < 2 * k; ++i) before *= r.gain[i];
        if (sameLength && over < 1.0 && before < 1.0 &&
            size(zr - r.zr[k], zi - r.zi[k]) < (1.0 - over) * 0x1p-10 * size(zr, zi)) {
            return 1;
        }
    }
    return 0;
}

struct PixelState {
    double dr, di;   // the difference from Z(m)
    std::int32_t m;  // the reference index
    std::int32_t n;  // steps taken
    Returns returns;
};

// After a step that left the pixel inside the circle at n steps: takes its own value as the
// difference where it comes closer to 0 than rebaseRatio times the difference, or at the end
// of the reference; 1 when the return proves the pixel inside.
int rebaseIfDue(const BlaPicture& picture, PixelState& s)
{
    const double* z = picture.reference + 2 * std::size_t(s.m);
    const double zr = z[0] + s.dr, zi = z[1] + s.di;
    if (zr * zr + zi * zi < picture.rebaseRatio * (s.dr * s.dr + s.di * s.di) || s.m == picture.lastIndex) {
        s.dr = zr;
        s.di = zi;
        s.m = 0;
        return picture.interiorCheck && returnsInside(s.returns, s.n, zr, zi);
    }
    return picture.interiorCheck && picture.checkPeriod > 0 && s.m % picture.checkPeriod == 0 &&
           returnsInside(s.returns, s.n, zr, zi);
}

}  // namespace

std::int32_t blaCount(const BlaPicture& picture, double offsetR, double offsetI)
{
    PixelState s = {0.0, 0.0, 0, 0, Returns()};
    s.returns.derivative = 1.0;
    s.returns.exponent = 0;
    s.returns.lastN = 0;
    s.returns.kept = 0;
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
            std::int64_t most = std::int64_t(picture.maxIterations) - s.n;
            if (picture.interiorCheck && picture.checkPeriod > 0) {
                const std::int64_t toReturn = picture.checkPeriod - s.m % picture.checkPeriod;
                most = toReturn < most ? toReturn : most;
            }
            const int level = blaLevelAt(table, s.m, std::fabs(s.dr) + std::fabs(s.di), most, step);
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
                if (picture.interiorCheck) scaleDerivative(s.returns, magnitude(step->ar, step->ai));
                if (rebaseIfDue(picture, s)) return picture.maxIterations;
                continue;
            }
        }
        // The plain step, as the lanes take it.
        const double* z = picture.reference + 2 * std::size_t(s.m);
        const double twoZdR = z[0] + z[0] + s.dr;
        const double twoZdI = z[1] + z[1] + s.di;
        if (picture.interiorCheck) scaleDerivative(s.returns, 2.0 * magnitude(z[0] + s.dr, z[1] + s.di));
        const double dr = (twoZdR * s.dr - twoZdI * s.di) + offsetR;
        const double di = (twoZdR * s.di + twoZdI * s.dr) + offsetI;
        s.m = s.m + 1;
        if (escapesFrom(z + 2, picture.excess[s.m], dr, di)) return s.n;
        s.dr = dr;
        s.di = di;
        s.n = s.n + 1;
        if (s.n == picture.maxIterations) return s.n;
        if (rebaseIfDue(picture, s)) return picture.maxIterations;
    }
}
