// Bilinear approximation of the perturbation steps: a table of merged steps built from the
// reference orbit, so that a pixel whose difference is small enough skips many steps at once.
//
// One step from reference index m takes the difference z to 2 Z(m) z + z^2 + c (c the pixel's
// offset from the centre). While |z| is small against |2 Z(m)|, z^2 is negligible and the step
// is linear, z -> A z + B c with A = 2 Z(m), B = 1; two linear steps in a row are one linear
// step again, A = A2 A1, B = A2 B1 + B2. Each merged step keeps the radius below which a
// difference may enter it: for one step, tolerance x |A| (then |z^2| <= tolerance x |A z|);
// for a merge, the first step's radius, and the radius that keeps A1 z + B1 c within the
// second step's radius for every |c| up to the picture's largest offset.
//
// Level k holds the steps of 2^k reference steps that start at m = 1 + j 2^k (Z(0) = 0 makes
// the step from 0 non-linear); level 0, a single step, is left to the plain perturbation step,
// which costs the same and is exact. So the table holds about one entry per orbit value.
//
// Written for a number type T with +, -, *, /, <, sqrt and construction from double: doubles,
// and FloatExp past the exponent range of doubles, where A, B and the radii of a deep view's
// table lie far outside it.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <new>

template <class T>
struct BlaStep {
    T ar, ai;  // A: how the entering difference is carried
    T br, bi;  // B: how the pixel's offset adds up
    T radius;  // the largest |z| (as |re| + |im|) for which the step is taken
};

constexpr int kBlaMaxLevels = 32;

template <class T>
struct BlaTable {
    std::unique_ptr<BlaStep<T>[]> steps;  // level 1 first, then level 2, ...
    std::int64_t levelStart[kBlaMaxLevels];
    std::int64_t levelCount[kBlaMaxLevels];
    int levels = 0;  // levels 1 to levels - 1 are held; 0 or 1: no merged step at all
};

// The table's entries for an orbit whose last index is lastIndex: steps from m = 1 that end
// at lastIndex at the latest.
inline std::int64_t blaEntries(std::int64_t lastIndex)
{
    std::int64_t total = 0;
    for (std::int64_t count = (lastIndex - 1) / 2; count > 0; count /= 2) total += count;
    return total;
}

// Bytes the table of an orbit of `length` values takes: about one step a value.
inline std::uint64_t blaBytes(std::int64_t length, std::size_t stepBytes)
{
    return std::uint64_t(blaEntries(length - 1)) * stepBytes;
}

namespace bla_detail {

template <class T>
T magnitude(T re, T im)
{
    using std::sqrt;
    return sqrt(re * re + im * im);
}

// x then y.
template <class T>
BlaStep<T> merged(const BlaStep<T>& x, const BlaStep<T>& y, T largestOffset)
{
    BlaStep<T> s;
    s.ar = y.ar * x.ar - y.ai * x.ai;
    s.ai = y.ar * x.ai + y.ai * x.ar;
    s.br = (y.ar * x.br - y.ai * x.bi) + y.br;
    s.bi = (y.ar * x.bi + y.ai * x.br) + y.bi;
    // |A1 z + B1 c| <= |A1| |z| + |B1| |c| must stay within y's radius; |z| is measured as
    // |re| + |im| >= |z|, so the bound stays conservative. NaNs and infinities of far steps
    // give no valid radius.
    const T room = y.radius - magnitude(x.br, x.bi) * largestOffset;
    const T carried = magnitude(x.ar, x.ai);
    T radius = room > T(0) ? room / carried : T(0);
    if (!(radius < x.radius)) radius = x.radius;
    if (!(radius > T(0))) radius = T(0);
    s.radius = radius;
    return s;
}

// valueAt(m, re, im) gives Z(m).
template <class T, class ValueAt>
BlaStep<T> single(ValueAt& valueAt, const double* excess, std::int64_t m, T tolerance)
{
    BlaStep<T> s;
    T zr, zi;
    valueAt(m, zr, zi);
    s.ar = zr + zr;
    s.ai = zi + zi;
    s.br = T(1);
    s.bi = T(0);
    // |z^2| <= tolerance |A z| for |z| <= tolerance |A|; |re| + |im| <= that keeps |z| within it.
    s.radius = tolerance * magnitude(s.ar, s.ai);
    // Where Z(m + 1) lies near the escape circle, the escape test e + 2 Re(conj(Z) z) + |z|^2
    // is decided by the small terms, which the neglected z^2 would upset: below |e| / 8 the
    // sum keeps the sign of e (|2 Re(conj(Z) z)| <= 4 |z|), whatever the step's error.
    const T nearCircle = T(std::fabs(excess[m + 1])) / T(8);
    if (nearCircle < s.radius) s.radius = nearCircle;
    return s;
}

}  // namespace bla_detail

// Builds the table of the reference whose values Z(m), the last one at lastIndex, valueAt(m, re,
// im) gives, with excess |Z(m)|^2 - 4 beside them, for a picture whose offsets from the centre
// are at most largestOffset in size; 0 when it does not fit in memory (the table is then empty).
template <class T, class ValueAt>
int buildBlaTableWith(ValueAt valueAt, const double* excess, std::int64_t lastIndex, T largestOffset, T tolerance,
                      BlaTable<T>& table)
{
    using bla_detail::merged;
    using bla_detail::single;
    table.levels = 0;
    const std::int64_t entries = blaEntries(lastIndex);
    if (entries == 0) return 1;
    table.steps.reset(new (std::nothrow) BlaStep<T>[std::size_t(entries)]);
    if (!table.steps) return 0;
    std::int64_t at = 0;
    int level = 1;
    for (std::int64_t count = (lastIndex - 1) / 2; count > 0 && level < kBlaMaxLevels; count /= 2, ++level) {
        table.levelStart[level] = at;
        table.levelCount[level] = count;
        BlaStep<T>* out = table.steps.get() + at;
        for (std::int64_t j = 0; j < count; ++j) {
            if (level == 1) {
                const std::int64_t m = 1 + 2 * j;
                out[j] = merged(single(valueAt, excess, m, tolerance), single(valueAt, excess, m + 1, tolerance),
                                largestOffset);
            } else {
                const BlaStep<T>* below = table.steps.get() + table.levelStart[level - 1];
                out[j] = merged(below[2 * j], below[2 * j + 1], largestOffset);
            }
        }
        at += count;
    }
    table.levels = level;
    return 1;
}

// The same from the reference's values in doubles (Z(0), Z(1), ... as pairs).
template <class T>
int buildBlaTable(const double* reference, const double* excess, std::int64_t lastIndex, T largestOffset, T tolerance,
                  BlaTable<T>& table)
{
    const auto valueAt = [reference](std::int64_t m, T& re, T& im) {
        re = T(reference[2 * m]);
        im = T(reference[2 * m + 1]);
    };
    return buildBlaTableWith(valueAt, excess, lastIndex, largestOffset, tolerance, table);
}

// The longest held step from reference index m (>= 1) that a difference of size `size`
// (|re| + |im|) may take and that takes at most `most` steps; its level (the step covers
// 2^level reference steps), or 0 when there is none.
template <class T>
inline int blaLevelAt(const BlaTable<T>& table, std::int64_t m, T size, std::int64_t most, const BlaStep<T>*& step)
{
    const std::uint64_t t = std::uint64_t(m - 1);
    int level = t == 0 ? table.levels - 1 : __builtin_ctzll(t);
    if (level > table.levels - 1) level = table.levels - 1;
    while (level > 0 && (std::int64_t(1) << level) > most) --level;
    for (; level > 0; --level) {
        const std::int64_t j = std::int64_t(t >> level);
        if (j >= table.levelCount[level]) continue;
        const BlaStep<T>& s = table.steps[std::size_t(table.levelStart[level] + j)];
        if (size < s.radius) {
            step = &s;
            return level;
        }
    }
    return 0;
}
