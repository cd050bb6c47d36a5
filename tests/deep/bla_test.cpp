// Merged perturbation steps: the table against stepping one by one, the choice of a step by
// its radius, and the escape test of a reference on the escape circle against brute force.
#include <cmath>
#include <complex>

#include "bench/deep_places.h"
#include "deep/bla_path.h"
#include "deep/bla_pixel.h"
#include "deep/floatexp.h"
#include "deep/perturbation_render.h"
#include "tests/deep/deep_fixture.h"

namespace {

using Complex = std::complex<long double>;

Complex referenceAt(const ReferenceOrbit& orbit, std::int64_t m)
{
    return Complex(orbit.values[2 * m], orbit.values[2 * m + 1]);
}

long double wide(double x)
{
    return x;
}

long double wide(FloatExp x)
{
    return std::ldexp(static_cast<long double>(x.mantissa), int(x.exponent));
}

// A difference inside a merged step's radius, stepped one by one (z -> 2 Z z + z^2 + c, in long
// doubles), ends where A z + B c puts it, to within the tolerance per step; at c = i (periodic:
// the orbit runs to the limit), for steps of 2 to 256 reference steps.
template <class T>
void expectMergedSteps(const char* magnification, long double largestOffset)
{
    const DeepView view = deepViewAt("0", "1", magnification, 3000);
    ReferenceOrbit orbit;
    const std::atomic<int> never{0};
    ASSERT_EQ(kOrbitDone, computeReferenceOrbit(view, 0, orbit, never, nullptr, nullptr));
    int e = 0;
    const T mantissa = T(double(std::frexp(largestOffset, &e)));
    const T offset = mantissa * T(std::ldexp(1.0, e / 2)) * T(std::ldexp(1.0, e - e / 2));
    BlaTable<T> table;
    ASSERT_TRUE(buildBlaTable<T>(orbit.values.get(), orbit.excess.get(), orbit.length - 1, offset, T(kBlaTolerance), table));
    ASSERT_GE(table.levels, 9);
    const struct { int level; std::int64_t j; } rows[] = {{1, 0}, {1, 7}, {2, 3}, {3, 11}, {5, 2}, {6, 9}, {8, 1}, {8, 5}};
    int taken = 0;
    for (const auto& row : rows) {
        const BlaStep<T>& s = table.steps[std::size_t(table.levelStart[row.level] + row.j)];
        const long double radius = wide(s.radius);
        if (!(radius > 0)) continue;
        ++taken;
        const std::int64_t from = 1 + row.j * (std::int64_t(1) << row.level);
        // A difference near the radius (A dominates) and one of the offsets' size (B does).
        for (const Complex start : {Complex(radius * 0.55L, -radius * 0.4L), Complex(largestOffset, largestOffset)}) {
            const Complex c(largestOffset * 0.6L, -largestOffset * 0.8L);
            Complex z = start;
            for (std::int64_t m = from; m < from + (std::int64_t(1) << row.level); ++m) {
                z = 2.0L * referenceAt(orbit, m) * z + z * z + c;
            }
            const Complex merged = Complex(wide(s.ar), wide(s.ai)) * start + Complex(wide(s.br), wide(s.bi)) * c;
            EXPECT_LE(std::abs(merged - z), 4 * kBlaTolerance * (1 << row.level) * std::abs(z))
                << magnification << ": level " << row.level << ", entry " << row.j;
        }
    }
    EXPECT_GE(taken, 6) << magnification;
}

}  // namespace

// In doubles at 1e200, and with wide exponents at 1e400, where the offsets, radii and B lie
// beyond doubles.
TEST(Bla, MergedStepsAgainstSingleSteps)
{
    expectMergedSteps<double>("1e200", 6e-200L);
    expectMergedSteps<FloatExp>("1e400", 6e-400L);
}

// A difference takes the longest step whose radius it is within, and a shorter one (or a
// single step, level 0) where a longer one would take it outside its radius; never more steps
// than it has left before the limit.
TEST(Bla, StepChosenByRadius)
{
    const DeepView view = deepViewAt("0", "1", "1e200", 3000);
    ReferenceOrbit orbit;
    const std::atomic<int> never{0};
    ASSERT_EQ(kOrbitDone, computeReferenceOrbit(view, 0, orbit, never, nullptr, nullptr));
    BlaTable<double> table;
    ASSERT_TRUE(buildBlaTable<double>(orbit.values.get(), orbit.excess.get(), orbit.length - 1, 6e-200, kBlaTolerance,
                                      table));
    ASSERT_GE(table.levels, 9);
    const std::int64_t m = 1 + 5 * 64;  // level 6 at most
    const BlaStep<double>& six = table.steps[std::size_t(table.levelStart[6] + 5)];
    const BlaStep<double>& five = table.steps[std::size_t(table.levelStart[5] + 10)];
    ASSERT_LT(six.radius, five.radius);  // otherwise the rows below prove nothing
    const struct { double size; std::int64_t most; int level; } rows[] = {
        {six.radius * 0.99, 1000, 6}, {six.radius * 1.01, 1000, 5}, {six.radius * 0.99, 63, 5},
        {five.radius * 1.01, 1000, -1}, {0.0, 1, 0},
    };
    for (const auto& row : rows) {
        const BlaStep<double>* step = nullptr;
        const int level = blaLevelAt(table, m, row.size, row.most, step);
        if (row.level >= 0) {
            EXPECT_EQ(row.level, level) << row.size << ", " << row.most;
        }
        EXPECT_TRUE(level < 5 || row.level >= 5) << row.size;
        if (level > 0) {
            EXPECT_LT(row.size, step->radius);
        }
    }
}

// Pixels against a brute-force render (in twice the centre's bits and more). The tip of the
// needle at 1e50: the reference -2 has the orbit 0, -2, 2, 2, ..., on the escape circle, where
// |Z + z|^2 rounds to 4 in doubles; from the excess, pixels escape at the step brute force says.
// Beside the period-133 minibrot at 1e99 (the benchmarks' first deep place) at limit 20 000:
// pixels inside, ended early by the interior check, and pixels that escape only after thousands
// of steps near the minibrot's edge, which an eager check would call inside.
TEST(Bla, PixelsAgainstBruteForce)
{
    const DeepPlace& place = kDeepPlaces[0];
    const struct { DeepView view; const char* magnification; std::vector<std::pair<int, int>> pixels; } views[] = {
        {deepViewAt("-2", "0", "1e50", 1000), "1e50", {{31, 24}, {33, 24}, {32, 25}, {32, 47}, {40, 30}, {20, 10}, {33, 23}}},
        {deepViewAt(place.centerX, place.centerY, place.magnification, 20000), place.magnification, {{40, 24}, {42, 24}, {46, 24}, {24, 24}, {50, 20}, {28, 12}}},
    };
    for (const auto& v : views) {
        const std::string pixels = renderedPixels(v.view, 64, 48);
        for (const auto& [x, r] : v.pixels) {
            const std::int32_t n = bruteCount<768>(v.view, v.magnification, 64, 48, x, r);
            EXPECT_EQ(colourOf(v.view, n), pixels.substr(std::size_t(r * 64 + x) * 3, 3)) << x << ", " << r << ": " << n;
        }
    }
}

// The path by expected cost at limit 20 000: the lanes where pixels escape within a few hundred
// steps (the 1e50 dive's view beside c = i), merged steps beside the period-133 minibrot, where
// a quarter of the pixels are inside and most others take thousands of steps, the lanes again in
// the seahorse valley at 1e20, whose pixels run thousands of steps in merged steps of a few each.
TEST(Bla, PathChosenByCost)
{
    const struct { const char *x, *y, *magnification; int merged; } rows[] = {
        {"1.3e-51", "1.0000000000000000000000000000000000000000000000000037", "1e50", 0},
        {kDeepPlaces[0].centerX, kDeepPlaces[0].centerY, kDeepPlaces[0].magnification, 1},
        {"-0.743643887037158704752191506114774", "0.131825904205311970493132056385139", "1e20", 0},
    };
    for (const auto& row : rows) {
        const DeepView view = deepViewAt(row.x, row.y, row.magnification, 20000);
        ReferenceOrbit orbit;
        const std::atomic<int> never{0};
        ASSERT_EQ(kOrbitDone, computeReferenceOrbit(view, 0, orbit, never, nullptr, nullptr));
        BlaTable<double> table;
        BlaPicture pixel = {};
        EXPECT_EQ(row.merged, prepareBlaPath(view, orbit, 64, 48, table, pixel)) << row.magnification;
    }
}
