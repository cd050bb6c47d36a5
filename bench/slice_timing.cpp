// How the program's slices behave, on both builds: for each view, the fastest kernel renders in
// slices of kSliceSteps steps, as the program's loop does, and a row per call, in the same
// run. Printed: the frame time of each and their ratio, and the longest slice and row. Views
// e and f, whose rows take seconds, are rendered in slices only, for a few seconds.
#include <cstdio>
#include <cstring>
#include <cstdlib>

#include "bench_views.h"
#include "core/render_job.h"
#include "core/row_kernels.h"

namespace {

constexpr int kRounds = 15;              // frames of each kind, taken in turn
constexpr double kSlicedSeconds = 3.0;   // how long views e and f are rendered

struct Best {
    double frameSeconds = 1e300;  // the quickest frame
    double longestCallSeconds = 0.0;
};

void take(Best& best, const FrameTiming& timing)
{
    if (timing.seconds < best.frameSeconds) best.frameSeconds = timing.seconds;
    if (timing.longestCallSeconds > best.longestCallSeconds) best.longestCallSeconds = timing.longestCallSeconds;
}

}  // namespace

int main(int argc, char** argv)
{
    // Optional arguments: the views to run (e.g. "ae"), and the steps of a slice.
    const char* views = argc > 1 ? argv[1] : "abcdef";
    const std::int32_t steps = argc > 2 ? std::int32_t(std::atol(argv[2])) : kSliceSteps;
    const std::int32_t kernel = fastestRowKernel();
    std::printf("kernel %s, slices of %ld steps\n", rowKernelName(kernel), long(steps));
    std::printf("%-4s %14s %14s %9s %18s %16s\n", "view", "rows: frame ms", "slices: frame", "ratio",
                "longest slice ms", "longest row ms");
    for (int v = 0; v < kBenchViewCount; ++v) {
        const BenchView& view = kBenchViews[v];
        if (!std::strchr(views, view.name[0])) continue;
        if (v >= kWholeFrameViews) {
            const FrameTiming sliced = renderTimed(view, kernel, 1, steps, kSlicedSeconds);
            std::printf("%-4s %14s %14s %9s %18.2f %16s   (%d rows in %.1f s)\n", view.name, "-", "-", "-",
                        1e3 * sliced.longestCallSeconds, "-", int(sliced.rowsDone), sliced.seconds);
            std::fflush(stdout);
            continue;
        }
        renderTimed(view, kernel, 1);  // warms the caches up
        Best rows, slices;
        for (int round = 0; round < kRounds; ++round) {
            take(rows, renderTimed(view, kernel, 1));
            take(slices, renderTimed(view, kernel, 1, steps));
        }
        std::printf("%-4s %14.2f %14.2f %9.3f %18.2f %16.2f\n", view.name, 1e3 * rows.frameSeconds,
                    1e3 * slices.frameSeconds, slices.frameSeconds / rows.frameSeconds,
                    1e3 * slices.longestCallSeconds, 1e3 * rows.longestCallSeconds);
        std::fflush(stdout);
    }
    return 0;
}
