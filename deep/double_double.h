// Double-double numbers: an unevaluated sum hi + lo of two doubles with |lo| <= ulp(hi) / 2,
// about 106 bits of mantissa from SSE2 doubles alone. Built from the error-free
// transformations of Knuth (two-sum) and Dekker (two-product by splitting): the same bits on
// every build, since contraction into fused multiply-adds is off everywhere.
#pragma once

struct DoubleDouble {
    double hi, lo;
};

inline DoubleDouble fastTwoSum(double a, double b)  // |a| >= |b| or a == 0
{
    const double s = a + b;
    return DoubleDouble{s, b - (s - a)};
}

inline DoubleDouble twoSum(double a, double b)
{
    const double s = a + b, bPart = s - a;
    return DoubleDouble{s, (a - (s - bPart)) + (b - bPart)};
}

// a = high + low with each half of 26 bits or fewer, so that products of halves are exact.
inline void splitDouble(double a, double& high, double& low)
{
    const double t = 134217729.0 * a;  // 2^27 + 1
    high = t - (t - a);
    low = a - high;
}

inline DoubleDouble twoProduct(double a, double b)
{
    const double p = a * b;
    double ah, al, bh, bl;
    splitDouble(a, ah, al);
    splitDouble(b, bh, bl);
    return DoubleDouble{p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

inline DoubleDouble operator+(DoubleDouble a, DoubleDouble b)
{
    const DoubleDouble s = twoSum(a.hi, b.hi), t = twoSum(a.lo, b.lo);
    const DoubleDouble u = fastTwoSum(s.hi, s.lo + t.hi);
    return fastTwoSum(u.hi, u.lo + t.lo);
}

inline DoubleDouble operator-(DoubleDouble a)
{
    return DoubleDouble{-a.hi, -a.lo};
}

inline DoubleDouble operator-(DoubleDouble a, DoubleDouble b)
{
    return a + -b;
}

inline DoubleDouble operator*(DoubleDouble a, DoubleDouble b)
{
    const DoubleDouble p = twoProduct(a.hi, b.hi);
    return fastTwoSum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

// Whether a > b (both normalised, as the operations leave them).
inline int greater(DoubleDouble a, DoubleDouble b)
{
    return a.hi > b.hi || (a.hi == b.hi && a.lo > b.lo);
}
