// The palette, the renderer and its row kernels: the colours of escape counts, the mapping of
// pixels to the plane, how rows reach the frame, and every kernel against the plain loop.
#include <cstring>

#include "tests/test_support.h"

using Renderer = RecordingPlatform;

constexpr double kInf = __builtin_inf(), kNan = __builtin_nan("");

// Views where a kernel that is only nearly right shows it: centre, magnification, limit, picture size;
// for some, the palette entry that their first pixel takes (-1: the inside colour). In this order:
// - the benchmark views, with smaller limits and pictures;
// - limits at which the first steps and the wrap of the palette decide;
// - all outside, turned half round, tiny magnifications, the limit of double precision;
// - rows on the real axis, where orbits stay real and repeat soonest;
// - single pixels: counts at the edges of the escape test (|z1|^2 = 4 at c = 2 is not greater than 4;
//   |z|^2 stays at 4 for c = -2) and beyond the palette's 128 entries (counts 128 and 130), and
//   limits of 1 and below;
// - rows narrower than the lanes in flight, and widths between multiples of the lanes;
// - what a file may hold: magnifications of 0, infinite, NaN, huge and tiny; centres infinite, NaN,
//   huge and tiny; negative limits;
// - a row longer than the 2^20 pixels that the kernels take at a time;
// - orbits that creep through a narrow gap for millions of steps without repeating exactly: on the
//   real axis past the cusp at 1/4, and up the neck at -3/4 (complex orbits). Checked with cycle
//   checks and the program's slices only, to keep the run short.
struct View { double x, y, magnification; std::int32_t limit, width, height; int pixel = -2; };
const View kViews[] = {
    {0, 0, 1, 300, 640, 480}, {-0.743643887037151, 0.131825904205330, 5000, 1500, 320, 240},
    {-0.1, 0, 4, 2000, 160, 120}, {0, 0, 1, 5000, 160, 120}, {0, 0, 1, 0, 37, 23}, {0, 0, 1, 1, 37, 23},
    {0, 0, 1, 2, 37, 23}, {0, 0, 1, 7, 37, 23}, {0.2506, 0, 1000, 128, 37, 23}, {0.2506, 0, 1000, 129, 37, 23},
    {0.2506, 0, 1000, 130, 37, 23}, {3, 3, 2, 100, 37, 23}, {-0.5, 0, -1.5, 200, 65, 49}, {0, 0, 1e-300, 20, 7, 5},
    {-0.5, 0, 1e-3, 200, 37, 23}, {-0.743643887037151, 0.131825904205330, 1e13, 2000, 64, 48},
    {-0.75, 0, 2, 1000, 64, 48}, {-1, 0, 8, 3000, 63, 48}, {2, 0, 1, 300, 1, 1, 1}, {-2, 0, 1, 300, 1, 1, -1},
    {0.2505713, 0, 1, 1000, 1, 1, 0}, {0.2505543, 0, 1, 1000, 1, 1, 2}, {-3, -2.25, 1, 1, 1, 1, 0},
    {-1.875, 0, 1, 1, 1, 1, -1}, {0, 0, 1, 1, 1, 1, -1}, {-3, -2.25, 1, 0, 1, 1, -1}, {-3, -2.25, 1, -1, 1, 1, -1},
    {-3, -2.25, 1, INT32_MIN, 1, 1, -1}, {-0.75, 0.1, 3, 300, 1, 5}, {-0.75, 0.1, 3, 300, 3, 5},
    {-0.75, 0.1, 3, 300, 17, 5}, {-0.75, 0.1, 3, 300, 101, 7}, {-0.5, 0, 0, 50, 37, 23}, {0, 0, kNan, 50, 37, 23},
    {-0.5, 0.25, kInf, 50, 37, 23}, {0.3, 0, -kInf, 50, 37, 23}, {-0.5, 0, 1e308, 50, 37, 23}, {kInf, 0, 1, 5, 7, 5},
    {0, 0, 5e-324, 50, 37, 23}, {0, kNan, 1, 50, 37, 23}, {1e300, -1e300, 1e-310, -5, 7, 5},
    {-0.0, 5e-324, -1e308, 34, 7, 5}, {-1e-310, 1e308, 1e300, INT32_MIN, 7, 5}, {-0.5, 0.3, 1, 99, (1 << 20) + 37, 1},
    {0.25 + 3e-12, 0, 1.5e12, 3000000, 8, 1}, {-0.75, 1.6e-6, 1e7, 3000000, 1, 4},
};

// Whole rows, and slices that cut rows and single pixels at awkward places: one step, fewer steps
// than there are lanes, primes, the program's slices. Short slices only on small pictures.
const struct { std::int32_t steps, maxPixels; } kCuts[] = {
    {INT32_MAX, INT32_MAX}, {1, 1200}, {3, 20000}, {29, INT32_MAX}, {1009, INT32_MAX}, {kSliceSteps, 16}};

#if defined(__i386__)
// Calls kernel(job, width, steps) with the stack 4 bytes off the 16-byte alignment that compiled
// calls keep: Windows guarantees only 4 bytes when it calls into a program.
extern "C" int callWithStackOffBy4(RowKernel kernel, RenderJob* job, std::int32_t width, std::int32_t steps)
    __asm__("tavelin_callWithStackOffBy4");
__asm__(
    ".text\n"
    "tavelin_callWithStackOffBy4:\n"
    "  push %ebp\n"
    "  mov %esp, %ebp\n"
    "  and $-16, %esp\n"
    "  sub $8, %esp\n"  // with the three arguments and the return address: 16n + 8 at entry
    "  push 20(%ebp)\n"
    "  push 16(%ebp)\n"
    "  push 12(%ebp)\n"
    "  call *8(%ebp)\n"
    "  leave\n"
    "  ret\n");
#endif

// Everything a vector kernel must do alike, on a machine that can run it.
void checkKernel(std::int32_t kernel)
{
    if (!rowKernelSupported(kernel)) GTEST_SKIP() << "this machine cannot run " << rowKernelName(kernel);
    static std::string plain[sizeof kViews / sizeof *kViews];  // rendered once for all kernels
    for (const View& v : kViews) {
        const std::size_t i = &v - kViews;
        const ViewParams view = testView(v.x, v.y, v.magnification, v.limit);
        if (plain[i].empty()) plain[i] = TestRender(view, v.width, v.height).finish(kRowKernelPlain).memory;
        const bool deep = v.limit > 1000000;
        for (const auto& cut : kCuts) {
            if (std::int64_t(v.width) * v.height > cut.maxPixels || (deep && cut.steps < kSliceSteps)) continue;
            for (std::int32_t cycleChecks = 1; cycleChecks >= deep; --cycleChecks) {
                TestRender render(view, v.width, v.height);
                EXPECT_TRUE(render.finish(kernel, cycleChecks, cut.steps).memory == plain[i])
                    << "view " << i << ", slices of " << cut.steps << ", cycle checks " << cycleChecks;
            }
        }
    }
    // At the largest limit, orbits that repeat (c = -2, -1, 0) and orbits of NaN (after c = -inf -
    // inf i, which escapes at once) end at once, as inside: in a few of the program's slices.
    TestRender repeating(testView(-1, 1.125, 2, INT32_MAX), 3, 2), infinite(testView(-1, 0, 0, INT32_MAX), 3, 2);
    for (TestRender* render : {&repeating, &infinite}) {
        render->job.kernel = kernel;
        int slices = 1;
        while (slices < 100 && !renderSlice(render->job, render->frame, kSliceSteps)) ++slices;
        EXPECT_LT(slices, 100) << "slices of " << kSliceSteps << " steps";
    }
    EXPECT_EQ(kInside + kInside + kInside, repeating.pixels().substr(0, 9));
    EXPECT_EQ("\x10\x20\x30" + kInside + kInside, infinite.pixels().substr(0, 9));
    // A slice never advances an orbit by more than its allowance: every pixel here stays inside and,
    // without cycle checks, takes the whole limit, so the row takes at least limit / steps calls.
    TestRender bulb(testView(-1, 0, 1000, 100000), 40, 1);
    bulb.job.kernel = kernel;
    bulb.job.cycleChecks = 0;
    int calls = 1;
    while (!renderSlice(bulb.job, bulb.frame, 100)) ++calls;
    EXPECT_GE(calls, 1000);
#if defined(__i386__)
    TestRender row(testView(kViews[2].x, kViews[2].y, kViews[2].magnification, kViews[2].limit), 160, 120);
    beginRow(row.job, row.job.writePos);
    while (!callWithStackOffBy4(rowKernel(kernel), &row.job, 160, 1000)) {
    }
    EXPECT_EQ(plain[2].substr(kGuardBytes, 480), row.pixels().substr(0, 480)) << "stack off by 4";
#endif
}

TEST(Sse2Kernel, MatchesThePlainLoop) { checkKernel(kRowKernelSse2); }
TEST(Avx2Kernel, MatchesThePlainLoop) { checkKernel(kRowKernelAvx2); }
TEST(Avx512Kernel, MatchesThePlainLoop) { checkKernel(kRowKernelAvx512); }

// The compiler's own reading of CPUID (which also asks the operating system) as a second opinion:
// renders use the fastest kernel the machine offers and never one it lacks; other ids give the
// plain loop.
TEST(RowKernels, RendersUseTheFastestKernelTheMachineOffers)
{
    const bool offered[] = {true, __builtin_cpu_supports("sse2") != 0, __builtin_cpu_supports("avx2") != 0,
                            __builtin_cpu_supports("avx512f") != 0};
    std::int32_t fastest = kRowKernelPlain;
    for (std::int32_t id = kRowKernelPlain; id < kRowKernelCount; ++id) {
        EXPECT_EQ(offered[id], rowKernelSupported(id) != 0) << rowKernelName(id);
        fastest = offered[id] ? id : fastest;
    }
    EXPECT_EQ(fastest, TestRender(kInitialViewParams, 4, 3).job.kernel);
    for (int id : {-1, 1, 2, 3, 4}) EXPECT_TRUE(rowKernelSupported(id) || rowKernel(id) == rowPixelsPlain) << id;
}

// Palette entries as 0xBBGGRR, the order of the pixel bytes. A table filled before must not show
// through; the colours' high bytes count for nothing. Then the entries that pixels take.
TEST(Palette, EntriesAndThePixelsThatTakeThem)
{
    const struct { ColorRef anchors[3]; std::vector<std::pair<int, std::uint32_t>> entries; } cases[] = {
        {{0x00804000, 0x00C0FF80, 0x00FFFFFF},
         {{0, 0x804000}, {1, 0x804403}, {21, 0xA09F40}, {41, 0xBEF97C}, {42, 0xC0FF80}, {43, 0xC1FE82},
          {63, 0xDFFEBF}, {83, 0xFCFEFB}, {84, 0xFFFFFF}, {85, 0xF8F8F8}, {86, 0xF2F2F2}, {87, 0xEFEDEC},
          {106, 0xB59779}, {125, 0x7C4106}, {126, 0x793C00}, {127, 0x7C3E00}}},
        // Red alone fades out before the other anchors.
        {{0x000000FF, 0, 0}, {{0, 0xFF}, {1, 0xF8}, {127, 0xF8}, {41, 6}, {87, 6}, {126, 0xF2}, {42, 0}, {86, 0}}},
        // Each weighted contribution is truncated as it is added.
        {{0xFFFFFF, 0xFFFFFF, 0xFFFFFF},
         {{0, 0xFFFFFF}, {84, 0xFFFFFF}, {1, 0xFEFEFE}, {127, 0xF8F8F8}, {86, 0xF2F2F2}}},
        {{0, 0, 0}, {{0, 0}, {1, 0}, {64, 0}, {127, 0}}},
        {{0xFF000000, 0x7F000000, 0x01000000}, {{1, 0}, {20, 0}, {64, 0}, {100, 0}, {127, 0}}},
    };
    for (const auto& c : cases) {
        const ViewParams params = {0, 0, 1, 1, {c.anchors[0], c.anchors[1], c.anchors[2], 0}, {}};
        Palette palette;
        std::memset(&palette, 0xAB, sizeof palette);
        buildPalette(params, palette);
        for (const auto& [entry, bgr] : c.entries) {
            const std::uint8_t* bytes = palette.entries[entry].bytes;
            EXPECT_EQ(bgr, std::uint32_t(bytes[0] << 16 | bytes[1] << 8 | bytes[2]))
                << "case " << &c - cases << ", entry " << entry;
        }
    }
    // The plain loop's colours of the single pixels among the views above.
    for (const View& v : kViews) {
        TestRender render(testView(v.x, v.y, v.magnification, v.limit), 1, 1);
        const std::uint8_t* entry = render.job.palette.entries[v.pixel & 127].bytes;
        const std::string expected = v.pixel == -1 ? kInside : std::string(entry, entry + 3);
        EXPECT_TRUE(v.pixel == -2 || render.finish(kRowKernelPlain).pixels() == expected)
            << "view " << &v - kViews;
    }
}

// The default view's mapping. Rows go from the bottom up, each into the frame only when it is
// complete, asking then for the rectangle from its screen line down to the bottom edge to be
// repainted. A render begun during another starts again at the bottom: a half-done row is dropped,
// the rows above keep the pixels of the interrupted render.
TEST_F(Renderer, RowsFromTheBottomUp)
{
    const ViewParams initial = testView(0, 0, 1, 300);
    TestRender render(initial, 640, 480);
    RenderJob& job = render.job;
    const std::vector<double> mapping = {job.stepX, job.stepY, job.originX, job.rowY};
    EXPECT_EQ((std::vector<double>{0.009375, 0.009375, -3, -2.25}), mapping);
    EXPECT_EQ(0, render.selection.visible);
    for (int row = 0; row < 30; ++row) renderSlice(job, render.frame, INT32_MAX);
    const std::string before = render.pixels();
    beginRender(testView(-1, 0, 100, 5000), job, render.frame, render.selection);  // every pixel inside
    job.cycleChecks = 0;  // every pixel takes the whole limit
    int calls = 1;
    for (; !renderSlice(job, render.frame, 10000); ++calls) ASSERT_TRUE(render.pixels() == before) << calls;
    EXPECT_GE(calls, 5);
    EXPECT_EQ(31u, repaints.size());
    EXPECT_NE(before.substr(0, 1920), render.pixels().substr(0, 1920));
    EXPECT_EQ(0, renderSlice(job, render.frame, 10000));  // the next row, half done
    beginRender(initial, job, render.frame, render.selection);
    EXPECT_EQ(render.frame.bits, job.writePos);
    renderSlice(job, render.frame, INT32_MAX);
    EXPECT_TRUE(render.pixels().substr(1920) == before.substr(1920));
    render.finish(job.kernel, 1, kSliceSteps);
    EXPECT_TRUE(render.memory == TestRender(initial, 640, 480).finish(kRowKernelPlain).memory);
    EXPECT_TRUE(job.rowsDone == 480 && job.writePos == render.frame.bits + 921600) << job.rowsDone;
    EXPECT_EQ(bytesOf(PixelRect{0, 479, 640, 480}), bytesOf(repaints[31]));
    EXPECT_EQ(bytesOf(PixelRect{0, 0, 640, 480}), bytesOf(repaints.back()));
}
