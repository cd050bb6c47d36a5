// What the render benchmarks measure: four 640 x 480 views, rendered whole with one kernel,
// timed per row.
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

constexpr int kBenchViewCount = 4;
extern const BenchView kBenchViews[kBenchViewCount];

struct FrameTiming {
    double seconds;         // the whole frame
    double slowestRowSeconds;
};

// Renders view once with kernel (kRowKernelPlain: renderRowPlain), cycle checks on or off.
FrameTiming renderTimed(const BenchView& view, std::int32_t kernel, std::int32_t cycleChecks);

// The steps the plain loop takes for the whole frame of view: the measure of work that
// iterations per second refer to, whatever a kernel skips.
double plainLoopSteps(const BenchView& view);
