// Pixels redone in double-double: the arithmetic against wide binary floating point, and
// pixels of a chaotic view whose escape step doubles cannot hold, against brute force.
#include "bench/deep_places.h"
#include "deep/bla_path.h"
#include "deep/double_double.h"
#include "deep/perturbation_render.h"
#include "deep/precise_pixel.h"
#include "tests/deep/deep_fixture.h"

static Big<256> wide(DoubleDouble a)
{
    return Big<256>(a.hi) + Big<256>(a.lo);
}

// Sums and products across exponents, with cancellation, to about 2^-104 of the result.
TEST(PrecisePixel, DoubleDoubleArithmetic)
{
    const struct { DoubleDouble a, b; } rows[] = {
        {{1.0, 0x1p-60}, {1.0, -0x1p-60}},
        {{-0.743643887037151, 1.2e-17}, {0.131825904205330, -3.4e-18}},
        {{3.0e-200, 1.1e-216}, {-7.0e150, 2.0e134}},
        {{1.0 / 3, 1.0 / 3 * 0x1p-54}, {-1.0 / 3, 0x1p-60}},
        {{0x1.fffffffffffffp-1, 0x1p-60}, {0x1.fffffffffffffp-1, -0x1p-59}},
    };
    for (const auto& row : rows) {
        const Big<256> a = wide(row.a), b = wide(row.b);
        const Big<256> sum = a + b, product = a * b;
        EXPECT_LE(abs(wide(row.a + row.b) - sum), abs(sum) * 0x1p-104 + 0x1p-1074) << row.a.hi << " + " << row.b.hi;
        EXPECT_LE(abs(wide(row.a - row.b) - (a - b)), abs(a - b) * 0x1p-104 + 0x1p-1074) << row.a.hi << " - " << row.b.hi;
        EXPECT_LE(abs(wide(row.a * row.b) - product), abs(product) * 0x1p-103) << row.a.hi << " * " << row.b.hi;
    }
}

// In the seahorse valley at 1e8 with limit 10,000, pixels whose orbits turn for thousands of
// steps round the valley's neutral point amplify their rounding past the escape step: in
// doubles these pixels took another count, on the lanes and on the merged steps. The first
// two also need their offsets from the centre to more than a double's bits.
TEST(PrecisePixel, SeahorsePixelsAgreeWithBruteForce)
{
    const DeepView view = deepViewAt("-0.743643887037151", "0.131825904205330", "1e8", 10000);
    const std::int32_t width = 200, height = 150;
    ReferenceOrbit orbit;
    const std::atomic<int> never{0};
    ASSERT_EQ(kOrbitDone, computeReferenceOrbit(view, 0, orbit, never, nullptr, nullptr));
    const std::string lanes = renderedPixels(view, width, height);
    BlaSettings settings = kBlaSettings;
    settings.choice = kBlaAlways;
    setBlaSettings(settings);
    const std::string merged = renderedPixels(view, width, height);
    setBlaSettings(kBlaSettings);
    const struct { std::int32_t x, r; } doubtful[] = {{158, 4}, {98, 28}, {30, 28}, {94, 9}};
    for (const auto& p : doubtful) {
        const std::int32_t truth = bruteCount<128>(view, "1e8", width, height, p.x, p.r);
        const std::size_t at = (std::size_t(p.r) * width + p.x) * 3;
        EXPECT_EQ(truth, perturbedCount(view, orbit, width, height, p.x, p.r)) << "pixel " << p.x << ", " << p.r;
        EXPECT_EQ(colourOf(view, truth), lanes.substr(at, 3)) << "lanes, pixel " << p.x << ", " << p.r;
        EXPECT_EQ(colourOf(view, truth), merged.substr(at, 3)) << "merged steps, pixel " << p.x << ", " << p.r;
    }
}

// Beside a deep minibrot every pixel passes near 0 once a period, where a step shrinks what it
// carries by |2 z|^2: the carried error stays far below doubt for nearly all of them (the pixels
// agree with brute force; see Bla.PixelsAgainstBruteForce), so nearly none is redone.
TEST(PrecisePixel, FewDoubtfulBesideADeepMinibrot)
{
    const DeepView view = deepViewAt(kDeepPlaces[0].centerX, kDeepPlaces[0].centerY, kDeepPlaces[0].magnification, 20000);
    ReferenceOrbit orbit;
    const std::atomic<int> never{0};
    ASSERT_EQ(kOrbitDone, computeReferenceOrbit(view, 0, orbit, never, nullptr, nullptr));
    BlaTable<double> table;
    BlaPicture picture = {};
    ASSERT_TRUE(prepareBlaPath(view, orbit, 64, 48, table, picture));
    const double step = double(pixelStep(view, 64));
    int doubtful = 0;
    for (std::int32_t r = 0; r < 48; ++r) {
        for (std::int32_t x = 0; x < 64; ++x) {
            double error = 0.0;
            blaCount(picture, (x - 32) * step, (r - 24) * step, &error);
            doubtful += error > kDoubtfulSquare;
        }
    }
    EXPECT_LE(doubtful, 3072 / 200);  // 0.5 %
}
