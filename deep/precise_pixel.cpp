#include "deep/precise_pixel.h"

#include <cmath>

namespace {

constexpr std::int32_t kStopCheckSteps = 1 << 20;

// The offset of column or row i from the centre: (i - floor(pixels / 2)) x step, exactly but
// for the last rounding.
DoubleDouble offsetOf(std::int32_t i, std::int32_t pixels, DoubleDouble step)
{
    const double k = double(i - pixels / 2);
    const DoubleDouble p = twoProduct(k, step.hi);
    return fastTwoSum(p.hi, p.lo + k * step.lo);
}

DoubleDouble referencePart(const PrecisePicture& picture, std::size_t at)
{
    return DoubleDouble{picture.reference[at], picture.low[at]};
}

DoubleDouble twice(DoubleDouble a)
{
    return DoubleDouble{a.hi + a.hi, a.lo + a.lo};
}

// |z|^2 > 4: in doubles where they tell (their rounding is far below the margin), in
// double-double within it.
int escapes(DoubleDouble zr, DoubleDouble zi)
{
    const double near = zr.hi * zr.hi + zi.hi * zi.hi - 4.0;
    if (near > 0x1p-40 || near < -0x1p-40) return near > 0.0;
    return greater(zr * zr + zi * zi, DoubleDouble{4.0, 0.0});
}

}  // namespace

PrecisePicture precisePictureOf(const DeepView& view, const ReferenceOrbit& orbit, std::int32_t width,
                                std::int32_t height)
{
    // 6 / (width x mantissa) to double-double: one correction of the double quotient.
    const DoubleDouble divisor = twoProduct(double(width), view.magnification.mantissa);
    const double q = 6.0 / divisor.hi;
    const DoubleDouble rest = DoubleDouble{6.0, 0.0} - divisor * DoubleDouble{q, 0.0};
    DoubleDouble step = fastTwoSum(q, rest.hi / divisor.hi);
    const int exponent = int(-view.magnification.exponent);
    step = DoubleDouble{std::ldexp(step.hi, exponent), std::ldexp(step.lo, exponent)};
    return PrecisePicture{orbit.values.get(), orbit.low.get(), lastIndexFor(orbit, view.maxIterations),
                          view.maxIterations, width, height, step, nullptr};
}

// The lanes' step, rebase and escape in double-double: d <- (2 Z(m) + d) d + offset, and the
// pixel's value Z(m + 1) + d, whose |.|^2 against 4 decides escape to the last bit.
PixelEnd preciseEnd(const PrecisePicture& picture, std::int32_t x, std::int32_t r)
{
    const DoubleDouble offsetR = offsetOf(x, picture.width, picture.step);
    const DoubleDouble offsetI = offsetOf(r, picture.height, picture.step);
    DoubleDouble dr = {0.0, 0.0}, di = {0.0, 0.0};
    std::int32_t m = 0;
    for (std::int32_t n = 0;; ++n) {
        if ((n & (kStopCheckSteps - 1)) == kStopCheckSteps - 1 && picture.stop && picture.stop->load()) {
            return PixelEnd{-1, 0.0, 0.0};
        }
        const std::size_t at = 2 * std::size_t(m);
        const DoubleDouble twoZdR = twice(referencePart(picture, at)) + dr;
        const DoubleDouble twoZdI = twice(referencePart(picture, at + 1)) + di;
        const DoubleDouble nr = (twoZdR * dr - twoZdI * di) + offsetR;
        const DoubleDouble ni = (twoZdR * di + twoZdI * dr) + offsetI;
        ++m;
        const DoubleDouble zr = referencePart(picture, at + 2) + nr;
        const DoubleDouble zi = referencePart(picture, at + 3) + ni;
        if (escapes(zr, zi)) return PixelEnd{n, zr.hi, zi.hi};
        if (n + 1 == picture.maxIterations) return PixelEnd{n + 1, 0.0, 0.0};
        if (zr.hi * zr.hi + zi.hi * zi.hi < nr.hi * nr.hi + ni.hi * ni.hi || m == picture.lastIndex) {
            dr = zr;
            di = zi;
            m = 0;
        } else {
            dr = nr;
            di = ni;
        }
    }
}
