// The vector row kernels against the plain per-pixel loop: whole frames, byte for byte, over
// views chosen where a kernel that is only nearly right shows it.
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/render_job.h"
#include "core/row_kernels.h"
#include "test_support.h"

namespace {

struct View {
    const char* name;
    double centerX;
    double centerY;
    double magnification;
    std::int32_t maxIterations;
    std::int32_t width;
    std::int32_t height;
};

constexpr double kInf = __builtin_inf();
constexpr double kNan = __builtin_nan("");

const View kViews[] = {
    // The benchmark views, with smaller limits and pictures.
    {"whole set", 0.0, 0.0, 1.0, 300, 640, 480},
    {"seahorse valley", -0.743643887037151, 0.131825904205330, 5000.0, 1500, 320, 240},
    {"cardioid", -0.1, 0.0, 4.0, 2000, 160, 120},
    {"whole set, high limit", 0.0, 0.0, 1.0, 5000, 160, 120},
    // Limits at which the first steps and the wrap of the palette decide.
    {"limit 0", 0.0, 0.0, 1.0, 0, 37, 23},
    {"limit 1", 0.0, 0.0, 1.0, 1, 37, 23},
    {"limit 2", 0.0, 0.0, 1.0, 2, 37, 23},
    {"limit 7", 0.0, 0.0, 1.0, 7, 37, 23},
    {"cusp, limit 128", 0.2506, 0.0, 1000.0, 128, 37, 23},
    {"cusp, limit 129", 0.2506, 0.0, 1000.0, 129, 37, 23},
    {"cusp, limit 130", 0.2506, 0.0, 1000.0, 130, 37, 23},
    // Where the plane is shown oddly.
    {"all outside", 3.0, 3.0, 2.0, 100, 37, 23},
    {"turned half round", -0.5, 0.0, -1.5, 200, 65, 49},
    {"tiny magnification", -0.5, 0.0, 1e-3, 200, 37, 23},
    {"magnification 1e-300", 0.0, 0.0, 1e-300, 200, 37, 23},
    {"limit of double precision", -0.743643887037151, 0.131825904205330, 1e13, 2000, 64, 48},
    // Rows exactly on the real axis, where orbits stay real and repeat soonest.
    {"real axis", -0.75, 0.0, 2.0, 1000, 64, 48},
    {"period-2 bulb", -1.0, 0.0, 8.0, 3000, 63, 48},
    // Rows narrower than the lanes in flight, and widths between multiples of the lanes.
    {"width 1", -0.75, 0.1, 3.0, 300, 1, 5},
    {"width 3", -0.75, 0.1, 3.0, 300, 3, 5},
    {"width 17", -0.75, 0.1, 3.0, 300, 17, 5},
    {"width 101", -0.75, 0.1, 3.0, 300, 101, 7},
    // What a parameter file may hold.
    {"magnification 0", -0.5, 0.0, 0.0, 50, 37, 23},
    {"magnification +inf", -0.5, 0.25, kInf, 50, 37, 23},
    {"magnification -inf", 0.3, 0.0, -kInf, 50, 37, 23},
    {"magnification NaN", 0.0, 0.0, kNan, 50, 37, 23},
    {"magnification 1e308", -0.5, 0.0, 1e308, 50, 37, 23},
    {"magnification 5e-324", 0.0, 0.0, 5e-324, 50, 37, 23},
    {"centre +inf", kInf, 0.0, 1.0, 50, 37, 23},
    {"centre NaN", 0.0, kNan, 1.0, 50, 37, 23},
    // A row longer than the 2^20 pixels that the kernels take at a time.
    {"very wide row", -0.5, 0.3, 1.0, 200, (1 << 20) + 37, 1},
};

ViewParams paramsOf(const View& view)
{
    ViewParams params = kInitialViewParams;
    params.centerX = view.centerX;
    params.centerY = view.centerY;
    params.magnification = view.magnification;
    params.maxIterations = view.maxIterations;
    // Colours that tell palette entries and the inside colour apart.
    params.colors[0] = 0x00102030;
    params.colors[1] = 0x00405060;
    params.colors[2] = 0x00708090;
    params.colors[3] = 0x00ABCDEF;
    return params;
}

constexpr std::size_t kGuard = 64;
constexpr std::int32_t kWholeRows = 0;

// The frame of view as kernel renders it (kRowKernelPlain: through renderRowPlain), a row per
// call or in slices of `steps` steps, with guard bytes on both sides.
std::vector<std::uint8_t> renderFrame(const View& view, std::int32_t kernel, std::int32_t cycleChecks,
                                      std::int32_t steps = kWholeRows)
{
    std::vector<std::uint8_t> memory(kGuard * 2 + std::size_t(view.width) * view.height * 3, 0xCD);
    const FrameBuffer frame{view.width, view.height, memory.data() + kGuard};
    RenderJob job = {};
    Selection selection = {};
    beginRender(paramsOf(view), job, frame, selection);
    job.kernel = kernel;
    job.cycleChecks = cycleChecks;
    while (job.active) {
        if (kernel == kRowKernelPlain) {
            renderRowPlain(job, frame);
        } else if (steps == kWholeRows) {
            renderRow(job, frame);
        } else {
            renderSlice(job, frame, steps);
        }
    }
    return memory;
}

// Each view's frame from the plain loop, rendered once for all the kernel tests.
const std::vector<std::uint8_t>& plainFrame(std::size_t index)
{
    static std::vector<std::vector<std::uint8_t>> frames(sizeof kViews / sizeof kViews[0]);
    if (frames[index].empty()) frames[index] = renderFrame(kViews[index], kRowKernelPlain, 1);
    return frames[index];
}

// Where two frames first differ, as "x,row", or "guard bytes" when outside the picture.
std::string firstDifference(const View& view, const std::vector<std::uint8_t>& expected,
                            const std::vector<std::uint8_t>& actual)
{
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (expected[i] == actual[i]) continue;
        if (i < kGuard || i >= expected.size() - kGuard) return "guard bytes";
        const std::size_t pixel = (i - kGuard) / 3;
        return std::to_string(pixel % view.width) + "," + std::to_string(pixel / view.width);
    }
    return "nowhere";
}

// Whole rows, and slices that cut rows and single pixels at awkward places: one step, fewer
// steps than there are lanes, primes. The smallest only on small pictures, to keep the run short.
const struct {
    std::int32_t steps;
    std::int32_t maxPixels;
} kCuts[] = {{kWholeRows, INT32_MAX}, {1, 1200}, {3, 20000}, {29, INT32_MAX}, {1009, INT32_MAX}};

void expectMatchesPlainLoop(std::int32_t kernel)
{
    for (std::size_t i = 0; i < sizeof kViews / sizeof kViews[0]; ++i) {
        const View& view = kViews[i];
        for (const auto& cut : kCuts) {
            if (std::int64_t(view.width) * view.height > cut.maxPixels) continue;
            for (std::int32_t cycleChecks : {1, 0}) {
                const std::vector<std::uint8_t> frame = renderFrame(view, kernel, cycleChecks, cut.steps);
                EXPECT_TRUE(frame == plainFrame(i))
                    << rowKernelName(kernel) << (cycleChecks ? "" : " without cycle checks") << ", slices of "
                    << cut.steps << " steps, " << view.name << ": first difference at "
                    << firstDifference(view, plainFrame(i), frame);
            }
        }
    }
}

using RenderKernels = RecordingPlatform;
// One suite per kernel, so that CTest shows a kernel this machine cannot run as skipped.
using Sse2Kernel = RecordingPlatform;
using Avx2Kernel = RecordingPlatform;
using Avx512Kernel = RecordingPlatform;

}  // namespace

TEST_F(Sse2Kernel, MatchesThePlainLoop)
{
    if (!rowKernelSupported(kRowKernelSse2)) GTEST_SKIP() << "this processor has no SSE2";
    expectMatchesPlainLoop(kRowKernelSse2);
}

TEST_F(Avx2Kernel, MatchesThePlainLoop)
{
    if (!rowKernelSupported(kRowKernelAvx2)) GTEST_SKIP() << "this processor or OS has no AVX2";
    expectMatchesPlainLoop(kRowKernelAvx2);
}

TEST_F(Avx512Kernel, MatchesThePlainLoop)
{
    if (!rowKernelSupported(kRowKernelAvx512)) GTEST_SKIP() << "this processor or OS has no AVX-512";
    expectMatchesPlainLoop(kRowKernelAvx512);
}

#if defined(__i386__) || defined(__x86_64__)
// The compiler's own reading of CPUID (which also asks the OS) as a second opinion: a wrong bit
// would run a kernel the machine lacks, or leave a faster one unused.
TEST_F(RenderKernels, DetectionAgreesWithTheCompiler)
{
    __builtin_cpu_init();
    EXPECT_EQ(__builtin_cpu_supports("sse2") != 0, rowKernelSupported(kRowKernelSse2) != 0);
    EXPECT_EQ(__builtin_cpu_supports("avx2") != 0, rowKernelSupported(kRowKernelAvx2) != 0);
    EXPECT_EQ(__builtin_cpu_supports("avx512f") != 0, rowKernelSupported(kRowKernelAvx512) != 0);
}
#endif

// A kernel this machine cannot run must not be run: renderRow falls back to the plain loop.
TEST_F(RenderKernels, UnsupportedKernelsFallBackToThePlainLoop)
{
    const View& view = kViews[2];
    for (std::int32_t kernel : {std::int32_t(kRowKernelAvx512), std::int32_t(kRowKernelCount), std::int32_t(-1)}) {
        if (rowKernelSupported(kernel)) continue;
        EXPECT_TRUE(renderFrame(view, kernel, 1) == plainFrame(2)) << kernel;
    }
    EXPECT_TRUE(rowKernelSupported(fastestRowKernel()));
}

// With the limit at its largest, orbits that repeat and orbits of NaN must still end quickly,
// and as inside. The first rows, left to right: c = -2 (0, -2, 2, 2, ...), c = -1 (0, -1, 0,
// ...) and c = 0; with magnification 0: c = -inf - inf i, which escapes at once, then c with
// a NaN real part twice.
TEST_F(RenderKernels, RepeatingAndNanOrbitsEndAtTheLargestLimit)
{
    const View repeating = {"repeating", -1.0, 1.125, 2.0, INT32_MAX, 3, 2};  // first row at 0
    const View infinite = {"magnification 0", -1.0, 0.0, 0.0, INT32_MAX, 3, 2};
    for (std::int32_t kernel = kRowKernelSse2; kernel < kRowKernelCount; ++kernel) {
        if (!rowKernelSupported(kernel)) continue;
        RenderJob job = {};
        Selection selection = {};
        std::uint8_t bits[18] = {};
        const FrameBuffer frame{3, 2, bits};

        beginRender(paramsOf(repeating), job, frame, selection);
        job.kernel = kernel;
        renderRow(job, frame);
        for (int x = 0; x < 3; ++x) EXPECT_EQ(0, std::memcmp(bits + 3 * x, job.insideColor.bytes, 3)) << kernel << " " << x;

        beginRender(paramsOf(infinite), job, frame, selection);
        job.kernel = kernel;
        renderRow(job, frame);
        EXPECT_EQ(0, std::memcmp(bits, job.palette.entries[0].bytes, 3)) << kernel;
        for (int x = 1; x < 3; ++x) EXPECT_EQ(0, std::memcmp(bits + 3 * x, job.insideColor.bytes, 3)) << kernel << " " << x;
    }
}

#if defined(__i386__)

// Calls kernel(job, width, steps) with the stack 4 bytes off the 16-byte alignment that
// compiled calls keep: Windows guarantees only 4 bytes when it calls into a program.
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
    "  mov %ebp, %esp\n"
    "  pop %ebp\n"
    "  ret\n");

TEST_F(RenderKernels, KernelsRunOnAStackAlignedToFourBytes)
{
    const View& view = kViews[2];
    for (std::int32_t kernel = kRowKernelSse2; kernel < kRowKernelCount; ++kernel) {
        if (!rowKernelSupported(kernel)) continue;
        std::vector<std::uint8_t> memory(kGuard * 2 + std::size_t(view.width) * view.height * 3, 0xCD);
        const FrameBuffer frame{view.width, view.height, memory.data() + kGuard};
        RenderJob job = {};
        Selection selection = {};
        beginRender(paramsOf(view), job, frame, selection);
        for (std::int32_t row = 0; row < view.height; ++row) {
            beginRow(job, job.writePos);
            while (!callWithStackOffBy4(rowKernel(kernel), &job, view.width, 1000)) {
            }
            job.writePos += std::size_t(view.width) * 3;
            job.rowY = job.rowY + job.stepY;
        }
        EXPECT_TRUE(memory == plainFrame(2)) << rowKernelName(kernel);
    }
}

#endif

// A slice never advances an orbit by more than its allowance: every pixel of this view stays
// inside and, without cycle checks, needs the whole limit, so each row must take at least
// limit / steps calls, however many lanes the kernel has.
TEST_F(RenderKernels, SlicesTakeNoMoreStepsThanAllowed)
{
    const View deep = {"inside the period-2 bulb", -1.0, 0.0, 1000.0, 100000, 40, 2};
    constexpr std::int32_t kSteps = 100;  // fewer than the quick pass takes
    for (std::int32_t kernel = kRowKernelSse2; kernel < kRowKernelCount; ++kernel) {
        if (!rowKernelSupported(kernel)) continue;
        std::vector<std::uint8_t> bits(std::size_t(deep.width) * deep.height * 3);
        const FrameBuffer frame{deep.width, deep.height, bits.data()};
        RenderJob job = {};
        Selection selection = {};
        beginRender(paramsOf(deep), job, frame, selection);
        job.kernel = kernel;
        job.cycleChecks = 0;
        for (int row = 0; row < deep.height; ++row) {
            int calls = 1;
            while (!renderSlice(job, frame, kSteps)) ++calls;
            EXPECT_GE(calls, deep.maxIterations / kSteps) << rowKernelName(kernel) << ", row " << row;
        }
        for (std::size_t i = 0; i < bits.size(); i += 3) {
            ASSERT_EQ(0, std::memcmp(&bits[i], job.insideColor.bytes, 3)) << rowKernelName(kernel);
        }
    }
}
