// What long work tells while it runs: a picture's rows, a dive's keyframes and frames, and
// phases that cannot be counted (the PNG encoder). The work calls its observer on its own
// thread about ten times a second; the terminal's progress line is one observer, tests and
// benchmarks have others or none.
#pragma once

#include <cstdint>

struct ProgressReport {
    double done;          // the share of the whole work done, 0 to 1
    const char* phase;    // work that is not counted ("encoding the PNG file"), or null
    std::int32_t rowsDone, rows;            // a picture's rows
    std::int32_t keyframesDone, keyframes;  // a dive's keyframes and frames
    std::int32_t framesDone, frames;
    double secondsLeft;   // a dive's estimate from what its parts cost so far; -1: from done
    const char* note;     // a line to show once before the work goes on, or null
};

struct ProgressObserver {
    void (*update)(const ProgressReport& report, void* context);  // null: nobody watches
    void* context;
};

constexpr ProgressObserver kNoObserver = {nullptr, nullptr};

inline void tell(const ProgressObserver& observer, const ProgressReport& report)
{
    if (observer.update) observer.update(report, observer.context);
}
