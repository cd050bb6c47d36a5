// What the render benchmarks measure: 640 x 480 views rendered with one kernel, a row per call
// or in slices as the program renders them, timed per frame and per call.
#pragma once

#include <cstdint>

#include "core/view_params.h"

struct BenchView {
    const char* name;
    double centerX;
    double centerY;
    double magnification;
    std::int32_t maxIterations;
};

// a-d: the views of the kernel benchmarks; e and f: views near the boundary whose rows take
// seconds and whose orbits do not repeat, measured in slices only.
constexpr int kBenchViewCount = 6;
constexpr int kWholeFrameViews = 4;
extern const BenchView kBenchViews[kBenchViewCount];

// The view's record: the initial one with the view's centre, magnification and limit.
ViewParams paramsOf(const BenchView& view);

struct FrameTiming {
    double seconds;             // the frame, or the part of it rendered in the time allowed
    double longestCallSeconds;  // the longest row (whole rows) or slice
    std::int32_t rowsDone;
};

constexpr std::int32_t kWholeRows = 0;

// Renders view with kernel (kRowKernelPlain: renderRowPlain), cycle checks on or off, a row
// per call (steps == kWholeRows) or in slices of `steps` steps, until the frame is done or
// maxSeconds have passed.
FrameTiming renderTimed(const BenchView& view, std::int32_t kernel, std::int32_t cycleChecks,
                        std::int32_t steps = kWholeRows, double maxSeconds = 1e300);

// The steps the plain loop takes for the whole frame of view: the measure of work that
// iterations per second refer to, whatever a kernel skips.
double plainLoopSteps(const BenchView& view);
