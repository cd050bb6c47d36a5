// The command-line renderer's threads: views b and c at 1920 x 1440, rendered with one thread
// and with one per core, in turn in the same run; the best of three frames each, and the
// speed-up. Optional argument: the thread count to compare with one.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "bench_views.h"
#include "deep/picture_render.h"

namespace {

constexpr std::int32_t kWidth = 1920;
constexpr std::int32_t kHeight = 1440;
constexpr int kRounds = 3;

void ignoreProgress(std::int32_t, void*) {}

double renderSeconds(const BenchView& view, std::int32_t threads, std::vector<std::uint8_t>& pixels)
{
    const FrameBuffer frame = {kWidth, kHeight, pixels.data()};
    const std::atomic<int> never{0};
    const auto start = std::chrono::steady_clock::now();
    renderPicture(paramsOf(view), frame, threads, never, ignoreProgress, nullptr);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv)
{
    const unsigned cores = std::thread::hardware_concurrency();
    const std::int32_t threads = argc > 1 ? std::atoi(argv[1]) : std::int32_t(cores ? cores : 1);
    std::vector<std::uint8_t> pixels(std::size_t(kWidth) * kHeight * 3);
    std::printf("%d x %d, %u cores\n", kWidth, kHeight, cores);
    std::printf("%-4s %16s %16s %10s\n", "view", "1 thread ms", "threads ms", "speed-up");
    for (const int v : {1, 2}) {
        const BenchView& view = kBenchViews[v];
        double one = 1e300, many = 1e300;
        for (int round = 0; round < kRounds; ++round) {
            const double a = renderSeconds(view, 1, pixels);
            const double b = renderSeconds(view, threads, pixels);
            if (a < one) one = a;
            if (b < many) many = b;
        }
        std::printf("%-4s %16.1f %13.1f (%d) %9.2fx\n", view.name, 1e3 * one, 1e3 * many, int(threads), one / many);
        std::fflush(stdout);
    }
    return 0;
}
