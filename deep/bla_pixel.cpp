#include "deep/bla_pixel.h"

#include <climits>
#include <cmath>

#include "deep/scaled_lanes.h"

namespace {

constexpr std::int64_t kStopCheckSteps = 1 << 20;

// Where the orbit is periodic and attracting, its returns near 0 come back after the same
// number of steps, and every k-th return (k the cycle's returns) nearer the one k before, with a
// derivative over the k returns below 1 in size. The derivative within a return is kept as a
// mantissa and a power of 2: it grows far past a double's range before the pass near 0 brings
// it back.
constexpr int kReturnsKept = 8;  // cycles of up to 4 returns, and the 4 returns before them

// V: the number type of the pixel's values (double, or FloatExp past the range of doubles).
template <class V>
struct Returns {
    double derivative;  // |dz(n) / dz(last return)|, times 2^exponent
    int exponent;
    std::int32_t lastN;  // the step of the last return
    int kept;            // returns held below, the latest first
    std::int32_t length[kReturnsKept];
    V zr[kReturnsKept], zi[kReturnsKept];
    double gain[kReturnsKept];  // the derivative over each return
};

template <class V>
void scaleDerivative(Returns<V>& r, double factor)
{
    r.derivative *= factor;
    if (r.derivative > 0x1p500 || r.derivative < 0x1p-500) {
        int e = 0;
        r.derivative = std::frexp(r.derivative, &e);
        r.exponent += e;
    }
}

template <class V>
void scaleDerivative(Returns<V>& r, FloatExp factor)
{
    r.exponent += int(factor.exponent);
    scaleDerivative(r, factor.mantissa);
}

// |re| + |im|, within a factor of sqrt(2) of |z| and free of the squares' underflow.
template <class V>
V size(V re, V im)
{
    using std::fabs;
    return fabs(re) + fabs(im);
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
template <class V>
int returnsInside(Returns<V>& r, std::int32_t n, V zr, V zi)
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
            size(zr - r.zr[k], zi - r.zi[k]) < V((1.0 - over) * 0x1p-10) * size(zr, zi)) {
            return 1;
        }
    }
    return 0;
}

// The pixel's difference in doubles, in the double range. Each kind of pixel takes a merged
// step (merge: 0 where it would end outside the circle, and the pixel stays), a plain step
// (plainStep: 1 where the pixel escapes), and tells whether it is due to rebase at m and its
// value there.
struct DoublePixel {
    using Number = double;
    const BlaPicture& picture;
    const BlaTable<double>& table;
    double offsetR, offsetI;
    double dr, di;
    double error;  // carried as the lanes carry it

    double size() const { return std::fabs(dr) + std::fabs(di); }

    int merge(const BlaStep<double>& step, std::int32_t m)
    {
        const double nr = (step.ar * dr - step.ai * di) + (step.br * offsetR - step.bi * offsetI);
        const double ni = (step.ar * di + step.ai * dr) + (step.br * offsetI + step.bi * offsetR);
        if (escapesFrom(picture.reference + 2 * std::size_t(m), picture.excess[m], nr, ni)) return 0;
        // |A|^2 alone may pass a double's range where the difference is tiny. The merged step's
        // own error is the table's tolerance, chosen against brute force; what is added here is
        // the rounding of its result, as for a plain step.
        const double carried = std::sqrt(error) * gain(step);
        dr = nr;
        di = ni;
        error = carried * carried + (dr * dr + di * di);
        return 1;
    }

    static double gain(const BlaStep<double>& step) { return magnitude(step.ar, step.ai); }

    // An attracting cycle proves the pixel inside whatever its rounding: nothing to redo.
    std::int32_t provenInside(std::int32_t limit)
    {
        error = 0.0;
        return limit;
    }

    // The plain step, as the lanes take it.
    int plainStep(std::int32_t m, Returns<double>* returns)
    {
        const double* z = picture.reference + 2 * std::size_t(m);
        const double twoZdR = z[0] + z[0] + dr;
        const double twoZdI = z[1] + z[1] + di;
        if (returns) scaleDerivative(*returns, 2.0 * magnitude(z[0] + dr, z[1] + di));
        const double nr = (twoZdR * dr - twoZdI * di) + offsetR;
        const double ni = (twoZdR * di + twoZdI * dr) + offsetI;
        // As the lanes carry it, from the value the step squares.
        const double wasR = z[0] + dr, wasI = z[1] + di;
        const double was = wasR * wasR + wasI * wasI, wasDifference = dr * dr + di * di;
        error = 4.0 * was * (error + wasDifference) + (nr * nr + ni * ni);
        if (escapesFrom(z + 2, picture.excess[m + 1], nr, ni)) return 1;
        dr = nr;
        di = ni;
        return 0;
    }

    void value(std::int32_t m, double& zr, double& zi) const
    {
        const double* z = picture.reference + 2 * std::size_t(m);
        zr = z[0] + dr;
        zi = z[1] + di;
    }

    int rebaseDue(std::int32_t m) const
    {
        double zr, zi;
        value(m, zr, zi);
        return zr * zr + zi * zi < picture.rebaseRatio * (dr * dr + di * di);
    }

    void rebase(std::int32_t m, double& zr, double& zi)
    {
        value(m, zr, zi);
        dr = zr;
        di = zi;
    }
};

// Past the exponent range of doubles: the difference d and offset e as S w and S u with S a
// power of two of the pixel's own (see scaled_lanes.h), the plain step in doubles as the
// rescaled lanes take it; merged steps, and steps from reference values below 2^-400 (which
// doubles do not hold), in FloatExp.
struct WidePixel {
    using Number = FloatExp;
    const BlaPicture& picture;
    const BlaTable<FloatExp>& table;
    FloatExp offsetR, offsetI;
    ScaledDifference held;
    std::int32_t tinyAt;  // the first entry of the tiny table at or after the pixel's index

    ComplexExp difference() const
    {
        return ComplexExp{floatExp(held.wr, held.scale), floatExp(held.wi, held.scale)};
    }

    void place(const ComplexExp& d) { held = scaledFor(d, ComplexExp{offsetR, offsetI}); }

    // The first tiny reference index from m on (m never falls between rebases).
    std::int32_t tinyFrom(std::int32_t m)
    {
        while (tinyAt < picture.tinyCount && picture.tinyIndex[tinyAt] < m) ++tinyAt;
        return tinyAt < picture.tinyCount ? picture.tinyIndex[tinyAt] : INT32_MAX;
    }

    ComplexExp referenceAt(std::int32_t m)
    {
        if (tinyFrom(m) == m) return picture.tinyValue[tinyAt];
        const double* z = picture.reference + 2 * std::size_t(m);
        return ComplexExp{FloatExp(z[0]), FloatExp(z[1])};
    }

    FloatExp size() const { return floatExp(std::fabs(held.wr) + std::fabs(held.wi), held.scale); }

    int merge(const BlaStep<FloatExp>& step, std::int32_t m)
    {
        const ComplexExp next = ComplexExp{step.ar, step.ai} * difference() +
                                ComplexExp{step.br, step.bi} * ComplexExp{offsetR, offsetI};
        if (escapesFrom(picture.reference + 2 * std::size_t(m), picture.excess[m], toDouble(next.re),
                        toDouble(next.im))) {
            return 0;
        }
        place(next);
        return 1;
    }

    static FloatExp gain(const BlaStep<FloatExp>& step) { return bla_detail::magnitude(step.ar, step.ai); }

    static std::int32_t provenInside(std::int32_t limit) { return limit; }

    // Where a scaled difference meets a tiny reference value, the step in FloatExp (a plain
    // difference, at least 2^-400, does not feel it: the lanes' rule).
    int plainStep(std::int32_t m, Returns<FloatExp>* returns)
    {
        if (held.scale != 0 && tinyFrom(m) <= m + 1) return extendedStep(m, returns);
        const double* z = picture.reference + 2 * std::size_t(m);
        const double twoZdR = z[0] + z[0] + held.s * held.wr;
        const double twoZdI = z[1] + z[1] + held.s * held.wi;
        if (returns) scaleDerivative(*returns, 2.0 * magnitude(z[0] + held.s * held.wr, z[1] + held.s * held.wi));
        const double nr = (twoZdR * held.wr - twoZdI * held.wi) + held.ur;
        const double ni = (twoZdR * held.wi + twoZdI * held.wr) + held.ui;
        if (escapesFrom(z + 2, picture.excess[m + 1], held.s * nr, held.s * ni)) return 1;
        held.wr = nr;
        held.wi = ni;
        const double sizeNow = nr * nr + ni * ni;
        if (sizeNow > held.high || sizeNow < held.low) place(difference());
        return 0;
    }

    int extendedStep(std::int32_t m, Returns<FloatExp>* returns)
    {
        const ComplexExp z0 = referenceAt(m), z1 = referenceAt(m + 1), d = difference();
        if (returns) scaleDerivative(*returns, scaled(sqrt(norm(z0 + d)), 1));
        const ComplexExp twoZd = {scaled(z0.re, 1) + d.re, scaled(z0.im, 1) + d.im};
        const ComplexExp next = twoZd * d + ComplexExp{offsetR, offsetI};
        if (greater(norm(z1 + next), FloatExp(4.0))) return 1;
        place(next);
        return 0;
    }

    void value(std::int32_t m, FloatExp& zr, FloatExp& zi)
    {
        const ComplexExp z = referenceAt(m) + difference();
        zr = z.re;
        zi = z.im;
    }

    int rebaseDue(std::int32_t m)
    {
        if (held.scale != 0 && tinyFrom(m) == m) {
            const ComplexExp d = difference();
            return norm(referenceAt(m) + d) < FloatExp(picture.rebaseRatio) * norm(d);
        }
        const double* z = picture.reference + 2 * std::size_t(m);
        const double dr = held.s * held.wr, di = held.s * held.wi;
        const double zr = z[0] + dr, zi = z[1] + di;
        return zr * zr + zi * zi < picture.rebaseRatio * (dr * dr + di * di);
    }

    void rebase(std::int32_t m, FloatExp& zr, FloatExp& zi)
    {
        value(m, zr, zi);
        place(ComplexExp{zr, zi});
        tinyAt = 0;
    }
};

template <class V>
struct PixelState {
    std::int32_t m;  // the reference index
    std::int32_t n;  // steps taken
    Returns<V> returns;
};

// After a step that left the pixel inside the circle at n steps: takes its own value as the
// difference where it comes closer to 0 than rebaseRatio times the difference, or at the end
// of the reference; 1 when the return proves the pixel inside.
template <class P, class V>
int rebaseIfDue(const BlaPicture& picture, P& pixel, PixelState<V>& s)
{
    V zr, zi;
    if (pixel.rebaseDue(s.m) || s.m == picture.lastIndex) {
        pixel.rebase(s.m, zr, zi);
        s.m = 0;
        return picture.interiorCheck && returnsInside(s.returns, s.n, zr, zi);
    }
    if (!(picture.interiorCheck && picture.checkPeriod > 0 && s.m % picture.checkPeriod == 0)) return 0;
    pixel.value(s.m, zr, zi);
    return returnsInside(s.returns, s.n, zr, zi);
}

// The loop's turns, added to the picture's count (where it keeps one) however the loop ends.
struct TurnCount {
    std::int64_t* to;
    std::int64_t count;
    ~TurnCount()
    {
        if (to) *to += count;
    }
};

template <class P>
std::int32_t countWith(const BlaPicture& picture, P& pixel)
{
    using T = typename P::Number;
    PixelState<T> s;
    s.m = 0;
    s.n = 0;
    s.returns.derivative = 1.0;
    s.returns.exponent = 0;
    s.returns.lastN = 0;
    s.returns.kept = 0;
    // Below this count no merged step is tried: one ended outside the circle, and the steps
    // it spanned are taken one by one to find the escape's own step.
    std::int32_t plainUntil = 0;
    TurnCount turns = {picture.turns, 0};
    for (;;) {
        if ((++turns.count & (kStopCheckSteps - 1)) == 0 && picture.stop && picture.stop->load()) return -1;
        if (s.m > 0 && s.n >= plainUntil) {
            const BlaStep<T>* step = nullptr;
            std::int64_t most = std::int64_t(picture.maxIterations) - s.n;
            if (picture.interiorCheck && picture.checkPeriod > 0) {
                const std::int64_t toReturn = picture.checkPeriod - s.m % picture.checkPeriod;
                most = toReturn < most ? toReturn : most;
            }
            const int level = blaLevelAt(pixel.table, s.m, pixel.size(), most, step);
            if (level > 0) {
                const std::int32_t length = std::int32_t(1) << level;
                if (!pixel.merge(*step, s.m + length)) {
                    plainUntil = s.n + length;
                    continue;
                }
                s.m += length;
                s.n += length;
                if (s.n == picture.maxIterations) return s.n;
                if (picture.interiorCheck) scaleDerivative(s.returns, P::gain(*step));
                if (rebaseIfDue(picture, pixel, s)) return pixel.provenInside(picture.maxIterations);
                continue;
            }
        }
        if (pixel.plainStep(s.m, picture.interiorCheck ? &s.returns : nullptr)) return s.n;
        s.m = s.m + 1;
        s.n = s.n + 1;
        if (s.n == picture.maxIterations) return s.n;
        if (rebaseIfDue(picture, pixel, s)) return pixel.provenInside(picture.maxIterations);
    }
}

}  // namespace

std::int32_t blaCount(const BlaPicture& picture, double offsetR, double offsetI, double* error)
{
    DoublePixel pixel = {picture, *picture.table, offsetR, offsetI, 0.0, 0.0, 0.0};
    const std::int32_t count = countWith(picture, pixel);
    if (error) *error = pixel.error;
    return count;
}

std::int32_t blaCountWide(const BlaPicture& picture, FloatExp offsetR, FloatExp offsetI)
{
    WidePixel pixel = {picture, *picture.wideTable, offsetR, offsetI, ScaledDifference(), 0};
    pixel.place(ComplexExp{FloatExp(0.0), FloatExp(0.0)});
    return countWith(picture, pixel);
}
