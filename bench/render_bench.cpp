// Google Benchmark of the row kernels on the four views: frame time, plain-loop steps per
// second, the slowest row, and the speed-up over the plain loop measured in the same run.
#include <benchmark/benchmark.h>

#include <initializer_list>
#include <string>

#include "bench_views.h"
#include "core/row_kernels.h"

namespace {

double plainFrameSeconds[kBenchViewCount];

void renderFrames(benchmark::State& state, int view, std::int32_t kernel, std::int32_t cycleChecks)
{
    const BenchView& v = kBenchViews[view];
    static double steps[kBenchViewCount];
    if (steps[view] == 0.0) steps[view] = plainLoopSteps(v);
    double total = 0.0, slowestRows = 0.0;
    for (auto _ : state) {
        const FrameTiming timing = renderTimed(v, kernel, cycleChecks);
        state.SetIterationTime(timing.seconds);
        total += timing.seconds;
        slowestRows += timing.longestCallSeconds;
    }
    const double frames = double(state.iterations());
    if (kernel == kRowKernelPlain) plainFrameSeconds[view] = total / frames;
    state.counters["steps/s"] = benchmark::Counter(steps[view] * frames / total);
    state.counters["slowest_row_ms"] = benchmark::Counter(1e3 * slowestRows / frames);
    if (plainFrameSeconds[view] > 0.0) {
        state.counters["x_plain"] = benchmark::Counter(plainFrameSeconds[view] / (total / frames));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    for (int view = 0; view < kWholeFrameViews; ++view) {
        for (std::int32_t kernel = kRowKernelPlain; kernel < kRowKernelCount; ++kernel) {
            if (!rowKernelSupported(kernel)) continue;
            for (std::int32_t cycleChecks : {1, 0}) {
                if (kernel == kRowKernelPlain && !cycleChecks) continue;
                std::string name = std::string(kBenchViews[view].name) + "/" + rowKernelName(kernel);
                if (kernel != kRowKernelPlain && !cycleChecks) name += "/no_cycle_checks";
                benchmark::RegisterBenchmark(name.c_str(), renderFrames, view, kernel, cycleChecks)
                    ->UseManualTime()
                    ->Unit(benchmark::kMillisecond);
            }
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
