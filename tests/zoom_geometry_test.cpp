#include <cmath>
#include <cstring>

#include "core/selection.h"
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
        {viewAt(0, 0, 1), {0, 0}, {3, 3}, -2.9859375, 2.2359375, 640.0 / 3},
        {viewAt(0, 0, -1), {0, 0}, {320, 240}, 1.5, -1.125, -2.0},
        {viewAt(0, 0, 1), {100, 100}, {166, 150}, -1.753125, 1.078125, 640.0 / 66},
        {viewAt(0, 0, 1), {200, 100}, {120, 160}, -1.5, 1.03125, 8.0},
    };
    for (const auto& c : cases) {
        ViewParams result;
        viewFromSelection(c.current, result, c.a, c.b, 640, 480);
        // Exact binary fractions where the example's numbers are; a few ulps elsewhere.
        EXPECT_DOUBLE_EQ(c.x, result.centerX);
        EXPECT_DOUBLE_EQ(c.y, result.centerY);
        EXPECT_DOUBLE_EQ(c.magnification, result.magnification);
        EXPECT_EQ(777, result.maxIterations);
        EXPECT_EQ(0x01020304u, result.colors[3]);
        EXPECT_EQ(9, result.reserved[2]);
    }
    ViewParams result;
    viewFromSelection(viewAt(0, 0, 1), result, {0, 0}, {320, 240}, 640, 480);
    EXPECT_EQ(-1.5, result.centerX);
    EXPECT_EQ(1.125, result.centerY);
    EXPECT_EQ(2.0, result.magnification);
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
