#include <cstring>
#include <random>
#include <vector>

#include "core/render_job.h"
#include "test_support.h"

namespace {

// A frame buffer with guard bytes on both sides, so that a stray write shows.
struct TestFrame {
    static constexpr size_t kGuard = 64;
    std::vector<std::uint8_t> memory;
    FrameBuffer frame;

    TestFrame(std::int32_t width, std::int32_t height)
        : memory(kGuard * 2 + size_t(width) * height * 3, 0xCD),
          frame{width, height, memory.data() + kGuard}
    {
    }
    bool guardsIntact() const
    {
        for (size_t i = 0; i < kGuard; ++i) {
            if (memory[i] != 0xCD || memory[memory.size() - 1 - i] != 0xCD) return false;
        }
        return true;
    }
    const std::uint8_t* pixel(int x, int row) const { return frame.bits + (size_t(row) * frame.width + x) * 3; }
};

// Colours that tell palette entries and the inside colour apart at a glance.
ViewParams distinctColours(ViewParams params)
{
    params.colors[0] = 0x00102030;
    params.colors[1] = 0x00405060;
    params.colors[2] = 0x00708090;
    params.colors[3] = 0x00ABCDEF;
    return params;
}

void renderAll(RenderJob& job, const FrameBuffer& frame)
{
    while (job.active) renderRow(job, frame);
}

bool isInside(const RenderJob& job, const std::uint8_t* pixel)
{
    return std::memcmp(pixel, job.insideColor.bytes, 3) == 0;
}

bool isEntry(const RenderJob& job, int entry, const std::uint8_t* pixel)
{
    return std::memcmp(pixel, job.palette.entries[entry].bytes, 3) == 0;
}

using Renderer = RecordingPlatform;

}  // namespace

TEST_F(Renderer, DefaultViewMapping)
{
    TestFrame test(640, 480);
    RenderJob job = {};
    Selection selection = {1, {3, 4}, {5, 6}};
    beginRender(distinctColours(kInitialViewParams), job, test.frame, selection);
    EXPECT_EQ(1, job.active);
    EXPECT_EQ(0, job.rowsDone);
    EXPECT_EQ(300, job.maxIterations);
    EXPECT_EQ(0.009375, job.stepX);
    EXPECT_EQ(0.009375, job.stepY);
    EXPECT_EQ(-3.0, job.originX);
    EXPECT_EQ(-2.25, job.rowY);
    EXPECT_EQ(test.frame.bits, job.writePos);
    EXPECT_EQ(0, selection.visible);

    renderAll(job, test.frame);
    EXPECT_TRUE(isEntry(job, 0, test.pixel(0, 0))) << "c = -3 - 2.25i escapes at once";
    EXPECT_TRUE(isInside(job, test.pixel(320, 240))) << "c = 0 never escapes";
}

TEST_F(Renderer, EscapeCountsAtTheBoundaryOfTheTest)
{
    EXPECT_EQ(1, escapeCount(2.0, 0.0, 300)) << "|z1|^2 = 4 is not greater than 4";
    EXPECT_EQ(300, escapeCount(-2.0, 0.0, 300)) << "|z|^2 stays at exactly 4";
    EXPECT_EQ(0, escapeCount(-3.0, -2.25, 300));
    EXPECT_EQ(0, escapeCount(0.0, 0.0, 0));
    EXPECT_EQ(0, escapeCount(0.0, 0.0, -5));
}

TEST_F(Renderer, CountsBeyondThePaletteWrapAround)
{
    // Real c just above 1/4 escapes slowly; find the points that escape at 128 and 130.
    double c128 = 0, c130 = 0;
    for (double c = 0.2502; c < 0.2600 && (c128 == 0 || c130 == 0); c += 1e-7) {
        const std::int32_t j = escapeCount(c, 0.0, 1000);
        if (j == 128 && c128 == 0) c128 = c;
        if (j == 130 && c130 == 0) c130 = c;
    }
    ASSERT_NE(0, c128);
    ASSERT_NE(0, c130);

    TestFrame test(2, 1);
    RenderJob job = {};
    Selection selection = {};
    beginRender(distinctColours(kInitialViewParams), job, test.frame, selection);
    job.originX = c128;
    job.stepX = c130 - c128;
    job.rowY = 0.0;
    job.maxIterations = 1000;
    renderRow(job, test.frame);
    EXPECT_TRUE(isEntry(job, 0, test.pixel(0, 0))) << "count 128 selects entry 0";
    EXPECT_TRUE(isEntry(job, 2, test.pixel(1, 0))) << "count 130 selects entry 2";
}

// A limit of 1 leaves only the points outside the radius-2 circle escaping, at count 0; a
// limit of 0 or below leaves none.
TEST_F(Renderer, IterationLimitsOfOneAndBelow)
{
    for (std::int32_t limit : {1, 0, -1, INT32_MIN}) {
        TestFrame test(640, 480);
        ViewParams params = distinctColours(kInitialViewParams);
        params.maxIterations = limit;
        RenderJob job = {};
        Selection selection = {};
        beginRender(params, job, test.frame, selection);
        renderAll(job, test.frame);
        EXPECT_EQ(limit == 1, isEntry(job, 0, test.pixel(0, 0))) << limit;  // c = -3 - 2.25i
        EXPECT_TRUE(isInside(job, test.pixel(120, 240))) << limit;          // c = -1.875
        EXPECT_TRUE(isInside(job, test.pixel(320, 240))) << limit;          // c = 0
    }
}

TEST_F(Renderer, RowsInvalidateFromTheirScreenLineToTheBottom)
{
    TestFrame test(640, 480);
    RenderJob job = {};
    Selection selection = {};
    ViewParams params = kInitialViewParams;
    params.maxIterations = 8;
    beginRender(params, job, test.frame, selection);
    renderAll(job, test.frame);

    ASSERT_EQ(480u, repaints.size());
    const PixelRect& first = repaints.front();
    const PixelRect& last = repaints.back();
    EXPECT_EQ((std::vector<int>{0, 479, 640, 480}), (std::vector<int>{first.left, first.top, first.right, first.bottom}));
    EXPECT_EQ((std::vector<int>{0, 0, 640, 480}), (std::vector<int>{last.left, last.top, last.right, last.bottom}));
    EXPECT_EQ(0, job.active);
    EXPECT_EQ(480, job.rowsDone);
    EXPECT_EQ(test.frame.bits + 921600, job.writePos);
    EXPECT_TRUE(test.guardsIntact());
}

TEST_F(Renderer, BeginRenderDuringARenderStartsAgainFromTheBottom)
{
    TestFrame test(64, 48);
    RenderJob job = {};
    Selection selection = {};
    beginRender(distinctColours(kInitialViewParams), job, test.frame, selection);
    for (int i = 0; i < 30; ++i) renderRow(job, test.frame);
    const std::vector<std::uint8_t> before(test.memory);

    ViewParams other = distinctColours(kInitialViewParams);
    other.maxIterations = 0;  // every pixel inside: easy to tell the new rows apart
    beginRender(other, job, test.frame, selection);
    EXPECT_EQ(0, job.rowsDone);
    EXPECT_EQ(test.frame.bits, job.writePos);
    for (int i = 0; i < 10; ++i) renderRow(job, test.frame);
    for (int x = 0; x < 64; ++x) EXPECT_TRUE(isInside(job, test.pixel(x, 9)));
    const size_t rowBytes = 64 * 3;
    EXPECT_TRUE(std::equal(before.begin() + TestFrame::kGuard + 10 * rowBytes, before.end(),
                           test.memory.begin() + TestFrame::kGuard + 10 * rowBytes))
        << "rows above the new row keep the interrupted render's pixels";
}

// A row reaches the frame, and asks for a repaint, only when it is complete; a render begun
// while a row is half done starts afresh from the bottom.
TEST_F(Renderer, SlicesShowOnlyWholeRows)
{
    TestFrame test(64, 48);
    ViewParams slow = distinctColours(kInitialViewParams);
    slow.centerX = -1.0;  // every pixel inside the period-2 bulb
    slow.magnification = 100.0;
    slow.maxIterations = 5000;
    RenderJob job = {};
    Selection selection = {};
    beginRender(slow, job, test.frame, selection);
    job.cycleChecks = 0;  // every pixel needs the whole limit
    const std::vector<std::uint8_t> untouched(test.memory);
    int calls = 1;
    for (; !renderSlice(job, test.frame, 1000); ++calls) {
        ASSERT_TRUE(test.memory == untouched) << "call " << calls;
        ASSERT_TRUE(repaints.empty());
    }
    EXPECT_GE(calls, 5);
    EXPECT_EQ(1, job.rowsDone);
    EXPECT_EQ(1u, repaints.size());
    for (int x = 0; x < 64; ++x) EXPECT_TRUE(isInside(job, test.pixel(x, 0)));

    EXPECT_EQ(0, renderSlice(job, test.frame, 1000));  // the next row, half done
    EXPECT_TRUE(std::equal(untouched.begin() + TestFrame::kGuard + 64 * 3, untouched.end(),
                           test.memory.begin() + TestFrame::kGuard + 64 * 3));
    ViewParams outside = distinctColours(kInitialViewParams);
    outside.centerX = 10.0;  // every pixel escapes at once
    beginRender(outside, job, test.frame, selection);
    EXPECT_EQ(1, renderSlice(job, test.frame, 1000));
    for (int x = 0; x < 64; ++x) EXPECT_TRUE(isEntry(job, 0, test.pixel(x, 0))) << x;
}

// Whatever a file or the fields hold, a render writes exactly width x height pixels and ends.
TEST_F(Renderer, ArbitraryRecordsRenderSafely)
{
    std::mt19937 random(20261206);
    const double specials[] = {0.0, -0.0, 1.0 / 0.0, -1.0 / 0.0, 0.0 / 0.0, 1e308, -1e308, 5e-324, 1e-300};
    for (int round = 0; round < 200; ++round) {
        ViewParams params;
        auto* bytes = reinterpret_cast<std::uint8_t*>(&params);
        for (size_t i = 0; i < sizeof params; ++i) bytes[i] = static_cast<std::uint8_t>(random());
        if (round % 2) params.magnification = specials[random() % 9];
        if (round % 3 == 0) params.centerX = specials[random() % 9];
        params.maxIterations = static_cast<std::int32_t>(random() % 40) - 5;

        TestFrame test(37, 23);
        RenderJob job = {};
        Selection selection = {};
        beginRender(params, job, test.frame, selection);
        int rows = 0;
        while (job.active && rows < 1000) {
            renderRow(job, test.frame);
            ++rows;
        }
        EXPECT_EQ(23, rows);
        EXPECT_EQ(test.frame.bits + 37 * 23 * 3, job.writePos);
        EXPECT_TRUE(test.guardsIntact());
    }
}
