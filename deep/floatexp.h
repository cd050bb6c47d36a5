// An extended-exponent number: a double mantissa and a separate 64-bit binary exponent, for the
// pixel offsets and the rare full-range steps of views past the exponent range of doubles (and
// of x87 long doubles). Values are kept normalised (0.5 <= |mantissa| < 1, or 0 with exponent
// 0), so that comparisons and conversions need no further work; the mantissa rounds as a
// double does, and the exponent never overflows in any picture (it stays within a few times
// 10^5). The vectorised lanes do not use it per step: they hold doubles rescaled by a power of
// two per pixel (see scaled_lanes.h) and fall back on this type where a double would not do.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

struct FloatExp {
    double mantissa;
    std::int64_t exponent;
    FloatExp() = default;
    FloatExp(double m, std::int64_t e) : mantissa(m), exponent(e) {}
    explicit FloatExp(double x);  // normalised
};

struct ComplexExp {
    FloatExp re, im;
};

// 2^e as a double, for e within the exponents of normal doubles (-1022 to 1023); built from
// its bits, as are the normalisations below: frexp and ldexp are calls, and these steps are many.
inline double powerOfTwo(int e)
{
    const std::uint64_t bits = std::uint64_t(1023 + e) << 52;
    double x;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

// mantissa x 2^exponent for any double mantissa, normalised.
inline FloatExp floatExp(double mantissa, std::int64_t exponent = 0)
{
    std::uint64_t bits;
    std::memcpy(&bits, &mantissa, sizeof bits);
    const int field = int(bits >> 52) & 0x7ff;
    if (field == 0 || field == 0x7ff) {  // 0, subnormal, infinite or NaN
        if (mantissa == 0.0 || !std::isfinite(mantissa)) return FloatExp{mantissa, 0};
        int shift = 0;
        const double m = std::frexp(mantissa, &shift);
        return FloatExp{m, exponent + shift};
    }
    bits = (bits & ~(std::uint64_t(0x7ff) << 52)) | (std::uint64_t(1022) << 52);
    double m;
    std::memcpy(&m, &bits, sizeof m);
    return FloatExp{m, exponent + field - 1022};
}

// x x 2^shift as a double: 0 below the smallest normal double (no slow subnormals), infinity
// above the largest.
inline double toDouble(FloatExp x, std::int64_t shift = 0)
{
    const std::int64_t e = x.exponent + shift;
    if (x.mantissa == 0.0 || e < -1021) return 0.0 * x.mantissa;
    if (e > 1024) return x.mantissa * HUGE_VAL;
    if (!std::isfinite(x.mantissa)) return x.mantissa;
    return (x.mantissa + x.mantissa) * powerOfTwo(int(e) - 1);  // both exact, and so the product
}

inline FloatExp::FloatExp(double x) : FloatExp(floatExp(x)) {}

inline FloatExp negated(FloatExp x)
{
    return FloatExp{-x.mantissa, x.exponent};
}

inline FloatExp operator*(FloatExp a, FloatExp b)
{
    return floatExp(a.mantissa * b.mantissa, a.exponent + b.exponent);
}

inline FloatExp operator+(FloatExp a, FloatExp b)
{
    if (a.mantissa == 0.0) return b;
    if (b.mantissa == 0.0) return a;
    if (a.exponent < b.exponent) {
        const FloatExp t = a;
        a = b;
        b = t;
    }
    // Past 60 bits apart the smaller one does not change the rounded sum.
    const std::int64_t apart = a.exponent - b.exponent;
    if (apart > 60) return a;
    return floatExp(a.mantissa + b.mantissa * powerOfTwo(-int(apart)), a.exponent);
}

inline FloatExp operator-(FloatExp a, FloatExp b)
{
    return a + negated(b);
}

// x x 2^shift, exactly.
inline FloatExp scaled(FloatExp x, std::int64_t shift)
{
    return x.mantissa == 0.0 ? x : FloatExp{x.mantissa, x.exponent + shift};
}

// Whether |a| < |b| (a and b normalised).
inline int smallerMagnitude(FloatExp a, FloatExp b)
{
    if (b.mantissa == 0.0) return 0;
    if (a.mantissa == 0.0) return 1;
    return a.exponent != b.exponent ? a.exponent < b.exponent : std::fabs(a.mantissa) < std::fabs(b.mantissa);
}

inline FloatExp operator/(FloatExp a, FloatExp b)
{
    return floatExp(a.mantissa / b.mantissa, a.exponent - b.exponent);
}

// Comparisons as numbers; a NaN compares false, an infinity (a division by 0) as itself.
inline bool operator<(FloatExp a, FloatExp b)
{
    if (!std::isfinite(a.mantissa) || !std::isfinite(b.mantissa)) return a.mantissa < b.mantissa;
    if (a.mantissa > 0.0 && b.mantissa > 0.0 && a.exponent != b.exponent) return a.exponent < b.exponent;
    return (b - a).mantissa > 0.0;
}

inline bool operator>(FloatExp a, FloatExp b)
{
    return b < a;
}

inline FloatExp fabs(FloatExp x)
{
    return FloatExp{std::fabs(x.mantissa), x.exponent};
}

inline FloatExp sqrt(FloatExp x)
{
    const std::int64_t odd = x.exponent & 1;  // so that the halved exponent is exact
    return floatExp(std::sqrt(std::ldexp(x.mantissa, int(odd))), (x.exponent - odd) / 2);
}

// Whether a > b as numbers.
inline int greater(FloatExp a, FloatExp b)
{
    const FloatExp difference = a - b;
    return difference.mantissa > 0.0;
}

inline ComplexExp operator+(ComplexExp a, ComplexExp b)
{
    return ComplexExp{a.re + b.re, a.im + b.im};
}

inline ComplexExp operator*(ComplexExp a, ComplexExp b)
{
    return ComplexExp{a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}

// |z|^2
inline FloatExp norm(ComplexExp z)
{
    return z.re * z.re + z.im * z.im;
}

// The larger exponent of z's parts (the smallest possible one for 0).
inline std::int64_t largerExponent(ComplexExp z)
{
    const std::int64_t re = z.re.mantissa != 0.0 ? z.re.exponent : INT64_MIN / 2;
    const std::int64_t im = z.im.mantissa != 0.0 ? z.im.exponent : INT64_MIN / 2;
    return re > im ? re : im;
}
