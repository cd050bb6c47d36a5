#include "bench_views.h"

#include <chrono>
#include <vector>

#include "core/frame_buffer.h"
#include "core/platform.h"
#include "core/render_job.h"
#include "core/row_kernels.h"
#include "core/selection.h"

const BenchView kBenchViews[kBenchViewCount] = {
    {"a", 0.0, 0.0, 1.0, 300},
    {"b", -0.743643887037151, 0.131825904205330, 5000.0, 5000},
    {"c", -0.1, 0.0, 4.0, 20000},
    {"d", 0.0, 0.0, 1.0, 100000},
    {"e", -2.0, 2.25e-6, 1e6, 200000000},
    {"f", -1.4011551890920506, 0.0, 1e6, 200000000},  // the Feigenbaum point
};

ViewParams paramsOf(const BenchView& view)
{
    ViewParams params = kInitialViewParams;
    params.centerX = view.centerX;
    params.centerY = view.centerY;
    params.magnification = view.magnification;
    params.maxIterations = view.maxIterations;
    return params;
}

namespace {

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

FrameTiming renderTimed(const BenchView& view, std::int32_t kernel, std::int32_t cycleChecks,
                        std::int32_t steps, double maxSeconds)
{
    static std::vector<std::uint8_t> bits(std::size_t(kPictureWidth) * kPictureHeight * kBytesPerPixel);
    const FrameBuffer frame{kPictureWidth, kPictureHeight, bits.data()};
    platform.requestRepaint = [](const PixelRect&) {};
    RenderJob job = {};
    Selection selection = {};
    beginRender(paramsOf(view), job, frame, selection);
    job.kernel = kernel;
    job.cycleChecks = cycleChecks;
    FrameTiming timing = {0.0, 0.0, 0};
    const auto frameStart = std::chrono::steady_clock::now();
    while (job.active && secondsSince(frameStart) < maxSeconds) {
        const auto callStart = std::chrono::steady_clock::now();
        if (kernel == kRowKernelPlain) {
            renderRowPlain(job, frame);
        } else if (steps == kWholeRows) {
            renderRow(job, frame);
        } else {
            renderSlice(job, frame, steps);
        }
        const double call = secondsSince(callStart);
        if (call > timing.longestCallSeconds) timing.longestCallSeconds = call;
    }
    timing.seconds = secondsSince(frameStart);
    timing.rowsDone = job.rowsDone;
    return timing;
}

double plainLoopSteps(const BenchView& view)
{
    const FrameBuffer frame{kPictureWidth, kPictureHeight, nullptr};
    RenderJob job = {};
    Selection selection = {};
    beginRender(paramsOf(view), job, frame, selection);
    double steps = 0.0;
    double ci = job.rowY;
    for (std::int32_t row = 0; row < kPictureHeight; ++row) {
        double cr = job.originX;
        for (std::int32_t x = 0; x < kPictureWidth; ++x) {
            const std::int32_t j = escapeCount(cr, ci, job.maxIterations);
            // An escaping orbit also takes the step on which it escapes.
            steps += j < job.maxIterations ? j + 1.0 : double(job.maxIterations);
            cr = cr + job.stepX;
        }
        ci = ci + job.stepY;
    }
    return steps;
}
