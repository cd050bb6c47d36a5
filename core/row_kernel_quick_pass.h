// The quick pass of the vector row kernels: pixels in groups of as many as there are lanes,
// each group run in lockstep for its first steps. Most pixels outside the set end here, with
// little bookkeeping. It belongs to the kernel loop; see row_kernel_loop.h for how it is
// compiled.
#pragma once

#include <cstdint>

#include "row_kernel_common.h"

namespace {

// The quick pass over the next kSlots pixels of the row: writes those that end within
// kQuickSteps steps and queues the others in row.waiting. It takes no more steps than the call
// has left; with fewer, the survivors wait with the orbit value they reached.
template <class L, int V>
void quickPass(RowState& row)
{
    using Vec = typename L::Vec;
    using Cond = typename L::Cond;
    using Count = typename L::Count;
    constexpr int kSlots = Slots<L, V>::kCount;
    const RenderJob& job = *row.job;

    const std::int32_t first = row.nextPixel;
    const std::int32_t left = row.segmentEnd - first;
    const std::int32_t count = left < kSlots ? left : kSlots;
    double crs[kSlots];
    double nextCr = row.nextCr;
    const double stepX = job.stepX;
    for (std::int32_t s = 0; s < count; ++s) {
        crs[s] = nextCr;
        nextCr = nextCr + stepX;
    }
    for (std::int32_t s = count; s < kSlots; ++s) crs[s] = 0.0;
    row.nextPixel = first + count;
    row.nextCr = nextCr;

    const Vec ci = L::splat(row.ci);
    const Vec four = L::splat(4.0);
    Vec zr[V], zi[V], cr[V];
    Cond running[V];  // lanes that have not escaped
    Count steps[V];   // per lane: steps taken without escaping
#pragma GCC unroll 8
    for (int v = 0; v < V; ++v) {
        zr[v] = L::splat(0.0);
        zi[v] = L::splat(0.0);
        cr[v] = L::load(crs + v * L::kLanes);
        const std::int32_t used = count - v * L::kLanes;
        running[v] = L::lanes(used >= L::kLanes ? (1u << L::kLanes) - 1u : used > 0 ? (1u << used) - 1u : 0u);
        steps[v] = L::zeroCounts();
    }
    std::int32_t quickSteps = job.maxIterations < kQuickSteps ? job.maxIterations : kQuickSteps;
    if (row.stepsLeft < quickSteps) quickSteps = row.stepsLeft;
    std::int32_t stepsRun = 0;
    while (stepsRun < quickSteps) {
        ++stepsRun;
        Cond any = L::never();
#pragma GCC unroll 8
        for (int v = 0; v < V; ++v) {
            // Lanes that escaped go on computing; their count is fixed.
            running[v] = L::unless(running[v], stepOrbits<L>(zr[v], zi[v], cr[v], ci, four));
            steps[v] = L::countUp(steps[v], running[v]);
            any = L::either(any, running[v]);
        }
        if (L::bits(any) == 0) break;
    }

    double zrs[kSlots], zis[kSlots];
    std::int64_t counts[kSlots];
    std::uint32_t stillRunning = 0;
    for (int v = 0; v < V; ++v) {
        L::store(zrs + v * L::kLanes, zr[v]);
        L::store(zis + v * L::kLanes, zi[v]);
        L::storeCounts(counts + v * L::kLanes, steps[v]);
        stillRunning |= L::bits(running[v]) << (v * L::kLanes);
    }
    row.stepsLeft = row.stepsLeft - stepsRun;
    row.waitingCount = 0;
    row.waitingTaken = 0;
    for (std::int32_t s = 0; s < count; ++s) {
        const std::int32_t x = first + s;
        if (!((stillRunning >> s) & 1)) {
            const std::int32_t j = std::int32_t(counts[s]);  // below stepsRun <= the limit
            putPixel(row.out, x, job.palette.entries[j & (kPaletteSize - 1)]);
        } else if (stepsRun == job.maxIterations || isNan(zrs[s]) || isNan(zis[s]) || isNan(crs[s]) ||
                   isNan(row.ci)) {
            // At the limit; or NaN, which stays NaN and never passes the magnitude test, so
            // the plain loop would run to the limit.
            putPixel(row.out, x, job.insideColor);
        } else {
            row.waiting[row.waitingCount] = WaitingPixel{x, stepsRun, crs[s], zrs[s], zis[s]};
            row.waitingCount = row.waitingCount + 1;
        }
    }
}

}  // namespace
