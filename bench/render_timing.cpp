// The render benchmark of the Windows build, where Google Benchmark is not available: the same
// measurements as render_bench.cpp, printed as a table. Each kernel renders each view for at
// least half a second (at least once) after a first frame; the table gives the mean frame.
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "bench_views.h"
#include "core/row_kernels.h"

namespace {

struct Measured {
    double frameSeconds;
    double slowestRowSeconds;
};

Measured measure(const BenchView& view, std::int32_t kernel, std::int32_t cycleChecks)
{
    // The first frame warms caches up and is not counted, unless it alone takes long.
    const FrameTiming first = renderTimed(view, kernel, cycleChecks);
    if (first.seconds >= 0.5) return Measured{first.seconds, first.longestCallSeconds};
    double total = 0.0, slowestRows = 0.0;
    int frames = 0;
    while (frames == 0 || total < 0.5) {
        const FrameTiming timing = renderTimed(view, kernel, cycleChecks);
        total += timing.seconds;
        slowestRows += timing.longestCallSeconds;
        ++frames;
    }
    return Measured{total / frames, slowestRows / frames};
}

}  // namespace

int main(int argc, char** argv)
{
    // Optional argument: the views to run, e.g. "ab".
    const char* views = argc > 1 ? argv[1] : "abcd";
    std::printf("%-4s %-22s %12s %10s %14s %15s\n", "view", "kernel", "frame ms", "x plain", "steps/s",
                "slowest row ms");
    for (int v = 0; v < kWholeFrameViews; ++v) {
        const BenchView& view = kBenchViews[v];
        if (!std::strchr(views, view.name[0])) continue;
        const double steps = plainLoopSteps(view);
        double plainSeconds = 0.0;
        for (std::int32_t kernel = kRowKernelPlain; kernel < kRowKernelCount; ++kernel) {
            if (!rowKernelSupported(kernel)) continue;
            for (std::int32_t cycleChecks : {1, 0}) {
                if (kernel == kRowKernelPlain && !cycleChecks) continue;
                const Measured m = measure(view, kernel, cycleChecks);
                if (kernel == kRowKernelPlain) plainSeconds = m.frameSeconds;
                char name[32];
                std::snprintf(name, sizeof name, "%s%s", rowKernelName(kernel),
                              kernel != kRowKernelPlain && !cycleChecks ? " no cycle checks" : "");
                std::printf("%-4s %-22s %12.2f %10.1f %14.3e %15.3f\n", view.name, name, 1e3 * m.frameSeconds,
                            plainSeconds / m.frameSeconds, steps / m.frameSeconds, 1e3 * m.slowestRowSeconds);
                std::fflush(stdout);
            }
        }
    }
    return 0;
}
