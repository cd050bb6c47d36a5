#include <cstdio>
#include <cstring>
#include <string>

#include "core/selection.h"
#include "core/x87_control.h"
#include "test_support.h"

namespace {

ViewParams viewAt(double x, double y, double magnification)
{
    ViewParams params = kInitialViewParams;
    params.centerX = x;
    params.centerY = y;
    params.magnification = magnification;
    params.maxIterations = 777;
    params.colors[3] = 0x01020304;
    params.reserved[2] = 9;
    return params;
}

// A text that tells every double apart, so that a failure shows the last bits.
std::string exact(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

bool sameBytes(const ViewParams& a, const ViewParams& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

TEST(ZoomGeometryTest, ConstrainAspectTable)
{
    const struct {
        MousePoint anchor, in, out;
    } cases[] = {
        {{100, 100}, {200, 150}, {166, 150}}, {{100, 100}, {150, 200}, {150, 137}},
        {{100, 100}, {40, 10}, {40, 55}},     {{0, 0}, {30, 30}, {39, 30}},
        {{10, 10}, {20, 19}, {21, 19}},       {{630, 0}, {639, 9}, {641, 9}},
        {{5, 0}, {0, 5}, {-1, 5}},            {{10, 10}, {200, 10}, {10, 10}},
        {{10, 10}, {10, 200}, {10, 10}},      {{0, 0}, {639, 479}, {638, 479}},
        {{639, 479}, {0, 0}, {1, 0}},         {{100, 100}, {100, 100}, {100, 100}},
    };
    for (const auto& c : cases) {
        MousePoint corner = c.in;
        constrainAspect(c.anchor, corner);
        EXPECT_EQ(c.out.x, corner.x) << "anchor " << c.anchor.x << "," << c.anchor.y << " corner " << c.in.x << "," << c.in.y;
        EXPECT_EQ(c.out.y, corner.y) << "anchor " << c.anchor.x << "," << c.anchor.y << " corner " << c.in.x << "," << c.in.y;
    }
}

// The width from a height is the truncated product with the double just below 4/3.
TEST(ZoomGeometryTest, WidthFromHeightIsOneLessOnMultiplesOfThree)
{
    const struct {
        int dy, dx;
    } cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 5}, {9, 11}, {300, 399}, {480, 639}, {32767, 43689}};
    for (const auto& c : cases) {
        MousePoint corner = {static_cast<std::int16_t>(c.dy), static_cast<std::int16_t>(c.dy)};
        constrainAspect(MousePoint{0, 0}, corner);
        EXPECT_EQ(static_cast<std::int16_t>(c.dx), corner.x) << "dy " << c.dy;
    }
}

// Exact to the last bit, whatever precision the thread's x87 unit is set to (Windows starts
// threads other than the first with 53 bits, which would make long double round like double).
TEST(ZoomGeometryTest, ViewFromSelectionExamples)
{
    const struct {
        ViewParams current;
        MousePoint a, b;
        double x, y, magnification;
    } cases[] = {
        {viewAt(0, 0, 1), {0, 0}, {320, 240}, -1.5, 1.125, 2.0},
        {viewAt(0, 0, 1), {320, 240}, {0, 0}, -1.5, 1.125, 2.0},
        {viewAt(0, 0, 2), {0, 0}, {320, 240}, -0.75, 0.5625, 4.0},
        {viewAt(0, 0, 1), {0, 0}, {3, 3}, -2.9859375, 2.2359375, 213.33333333333334},
        {viewAt(0, 0, -1), {0, 0}, {320, 240}, 1.5, -1.125, -2.0},
        {viewAt(0, 0, 1), {100, 100}, {166, 150}, -1.753125, 1.078125, 9.6969696969696972},
        {viewAt(0, 0, 1), {200, 100}, {120, 160}, -1.5, 1.03125, 8.0},
        // Drags (0, 66)-(123, 143) and (0, 33)-(123, 110), shaped: doubles would round the
        // products and give y 1.2703125000000002 and 1.5796874999999999.
        {viewAt(0, 0, 1), {0, 66}, {102, 143}, -2.5218750000000001, 1.2703125, 6.2745098039215685},
        {viewAt(0, 0, 1), {0, 33}, {102, 110}, -2.5218750000000001, 1.5796875000000001, 6.2745098039215685},
        // The steps too are divided with 64 bits before they are stored: divided in doubles
        // they give -1.6281249999999998 and 0.99999999999999978.
        {viewAt(0, 0, 1.5), {0, 35}, {119, 125}, -1.628125, 1.0, 8.0672268907563023},
    };
    constexpr int kCases = sizeof cases / sizeof cases[0];
    for (const std::uint16_t precision : {kX87Precision64, kX87Precision53}) {
        ViewParams results[kCases];
        const std::uint16_t saved = x87ControlWord();
        setX87ControlWord(withX87Precision(saved, precision));
        for (int i = 0; i < kCases; ++i) {
            viewFromSelection(cases[i].current, results[i], cases[i].a, cases[i].b, 640, 480);
        }
        const std::uint16_t after = x87ControlWord();
        setX87ControlWord(saved);
        EXPECT_EQ(withX87Precision(saved, precision), after) << "the caller's precision is restored";
        for (int i = 0; i < kCases; ++i) {
            const ViewParams& r = results[i];
            const auto& c = cases[i];
            const std::string label =
                "row " + std::to_string(i) + (precision == kX87Precision53 ? ", 53-bit x87" : "");
            EXPECT_EQ(exact(c.x), exact(r.centerX)) << label;
            EXPECT_EQ(exact(c.y), exact(r.centerY)) << label;
            EXPECT_EQ(exact(c.magnification), exact(r.magnification)) << label;
            EXPECT_EQ(777, r.maxIterations);
            EXPECT_EQ(0x01020304u, r.colors[3]);
            EXPECT_EQ(9, r.reserved[2]);
        }
    }
}

TEST(ZoomGeometryTest, BandsWithoutAreaOrFiniteViewGiveTheCurrentView)
{
    const struct {
        ViewParams current;
        MousePoint a, b;
    } cases[] = {
        {viewAt(0.25, -0.5, 3), {100, 100}, {200, 100}},
        {viewAt(0.25, -0.5, 3), {100, 100}, {100, 300}},
        {viewAt(0.25, -0.5, 3), {7, 7}, {7, 7}},
        {viewAt(0.25, -0.5, 1e307), {0, 0}, {4, 3}},  // the magnification would overflow
    };
    for (const auto& c : cases) {
        ViewParams result;
        viewFromSelection(c.current, result, c.a, c.b, 640, 480);
        EXPECT_TRUE(sameBytes(c.current, result)) << c.a.x << "," << c.a.y << " " << c.b.x << "," << c.b.y;
    }
}
