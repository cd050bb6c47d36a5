// The escape-time loop of the vector row kernels, written once for any lane type. Each kernel
// source includes it after its `#pragma GCC target`, so that the loop is compiled for that
// instruction set. Everything here has internal linkage: a function shared with code built for
// plain SSE2 could otherwise be merged by the linker into one copy with wider instructions.
//
// A row goes through two stages. The quick pass (row_kernel_quick_pass.h) ends the pixels
// that escape within a few steps. The others go through the lane loop here, where a lane whose
// pixel ends takes the next waiting one, so that slow pixels do not leave lanes idle. The lane
// loop also ends orbits that repeat a saved value exactly (Brent's scheme): such an orbit is
// periodic and has stayed within the radius, so the plain loop would run to the limit.
//
// Every step is counted against the call's allowance; when it is spent, the orbits go back into
// the row state and the next call goes on from there, so that no call takes longer than its
// allowance whatever the iteration limit, and the pixels are the same however a row is cut.
//
// A lane type L provides:
//   Vec, Cond, Count     kLanes doubles, a per-lane condition, per-lane 64-bit counters
//   splat, load, store   a double in every lane; kLanes doubles from or to memory
//   add, sub, mul        IEEE double arithmetic, lane by lane, never fused
//   greater, atLeast, equal
//                        ordered comparisons (false for NaN)
//   either, both, unless or, and, and-not of conditions
//   never, lanes         the condition false in every lane; true in the lanes of a bit set
//   bits                 the condition as a bit set, bit i for lane i
//   select(c, a, b)      a in the lanes of c, b elsewhere
//   zeroCounts, countUp, storeCounts
//                        counters at 0; +1 in the lanes of a condition; to memory
#pragma once

#include <cstdint>

#include "render_job.h"
#include "row_kernel_common.h"
#include "row_kernel_quick_pass.h"

namespace {

// The next pixel for a lane, or 0 when the segment has none left.
template <class L, int V>
int takeWaiting(RowState& row, WaitingPixel& pixel)
{
    while (row.waitingTaken == row.waitingCount) {
        if (row.nextPixel >= row.segmentEnd) return 0;
        quickPass<L, V>(row);
    }
    pixel = row.waiting[row.waitingTaken];
    row.waitingTaken = row.waitingTaken + 1;
    return 1;
}

template <class L, int V>
void updateFirstLimit(RowState& row)
{
    double first = kNever;
    for (int s = 0; s < Slots<L, V>::kCount; ++s) {
        if (row.limitAt[s] < first) first = row.limitAt[s];  // kNever for lanes without a pixel
    }
    row.firstLimitAt = first;
}

// Gives every lane without a pixel the next waiting one, while there are any.
template <class L, int V>
void refillLanes(RowState& row)
{
    for (int s = 0; s < Slots<L, V>::kCount; ++s) {
        if (row.pixel[s] >= 0) continue;
        WaitingPixel pixel;
        if (!takeWaiting<L, V>(row, pixel)) break;
        row.zr[s] = pixel.zr;
        row.zi[s] = pixel.zi;
        row.cr[s] = pixel.cr;
        row.savedR[s] = __builtin_nan("");
        row.savedI[s] = __builtin_nan("");
        row.pixel[s] = pixel.x;
        row.start[s] = row.clock - pixel.steps;
        row.limitAt[s] = row.start[s] + row.job->maxIterations;
        row.saveAt[s] = row.clock;  // at the next tick
        row.busy[s / L::kLanes] |= 1u << (s % L::kLanes);
    }
    row.ended = 0;
    row.idleSteps = 0;
    updateFirstLimit<L, V>(row);
}

// Writes the pixels of vector v's lanes in stopped (escaped on the step just taken, or
// inside) and takes the pixels from the lanes. Returns whether one of them had the first limit.
template <class L, int V>
int endLanes(RowState& row, int v, std::uint32_t stopped, std::uint32_t escaped)
{
    const RenderJob& job = *row.job;
    int hadFirstLimit = 0;
    for (std::uint32_t rest = stopped; rest != 0; rest &= rest - 1) {
        const int lane = __builtin_ctz(rest);
        const int s = v * L::kLanes + lane;
        if ((escaped >> lane) & 1) {
            // clock <= limitAt keeps j below the limit.
            const std::int32_t j = std::int32_t(row.clock - 1 - row.start[s]);
            putPixel(row.out, row.pixel[s], job.palette.entries[j & (kPaletteSize - 1)]);
        } else {
            putPixel(row.out, row.pixel[s], job.insideColor);
        }
        if (row.limitAt[s] == row.firstLimitAt) hadFirstLimit = 1;
        row.pixel[s] = -1;
        row.limitAt[s] = kNever;
        row.busy[v] &= ~(1u << lane);
        row.ended = row.ended + 1;
    }
    return hadFirstLimit;
}

// The lanes of vector v that reach the iteration limit at the current clock.
template <class L, int V>
std::uint32_t lanesAtLimit(const RowState& row, int v)
{
    std::uint32_t lanes = 0;
    for (int lane = 0; lane < L::kLanes; ++lane) {
        if (row.limitAt[v * L::kLanes + lane] == row.clock) lanes |= 1u << lane;
    }
    return lanes;
}

// Saves, at a tick of the clock, the orbit value of every busy lane that is due. Brent's
// scheme, with intervals that grow with the orbit's age (a sixteenth of it), so that any
// period is spanned in the end; the saves come often enough that a settled orbit is caught
// soon.
template <class L, int V>
void saveOrbits(RowState& row, const typename L::Vec (&zr)[V], const typename L::Vec (&zi)[V])
{
    using Vec = typename L::Vec;
    using Cond = typename L::Cond;
    const Vec now = L::splat(row.clock);
    const Vec sixteenth = L::splat(0.0625);
    const Vec shortest = L::splat(kTickSteps);
    for (int v = 0; v < V; ++v) {
        const int s = v * L::kLanes;
        const Cond due = L::both(L::atLeast(now, L::load(row.saveAt + s)), L::lanes(row.busy[v]));
        L::store(row.savedR + s, L::select(due, zr[v], L::load(row.savedR + s)));
        L::store(row.savedI + s, L::select(due, zi[v], L::load(row.savedI + s)));
        const Vec share = L::mul(L::sub(now, L::load(row.start + s)), sixteenth);
        const Vec interval = L::select(L::greater(share, shortest), share, shortest);
        L::store(row.saveAt + s, L::select(due, L::add(now, interval), L::load(row.saveAt + s)));
    }
}

// The lane loop over the current segment of the row: runs the lanes a step at a time, all
// together, until every lane is without a pixel (1) or the call has no steps left (0). The
// orbits stay in registers; a run of steps stops at a lane that escapes or repeats, a limit, a
// tick, when it is time to refill, or at the end of the call's steps.
template <class L, int V, bool kCycles>
int runLanes(RowState& row)
{
    using Vec = typename L::Vec;
    using Cond = typename L::Cond;
    const Vec ci = L::splat(row.ci);
    const Vec four = L::splat(4.0);
    // NaN stays NaN and passes no test: a lane without a pixel holds it.
    const Vec nan = L::splat(__builtin_nan(""));
    Vec zr[V], zi[V];
    for (int v = 0; v < V; ++v) {
        zr[v] = L::load(row.zr + v * L::kLanes);
        zi[v] = L::load(row.zi + v * L::kLanes);
    }
    while (row.firstLimitAt != kNever) {
        if (row.stepsLeft == 0) {
            for (int v = 0; v < V; ++v) {
                L::store(row.zr + v * L::kLanes, zr[v]);
                L::store(row.zi + v * L::kLanes, zi[v]);
            }
            return 0;
        }
        // n <= the limit, an int32.
        std::int32_t n = std::int32_t(row.firstLimitAt - row.clock);
        if (row.stepsLeft < n) n = row.stepsLeft;
        if (kCycles && kTickSteps - row.tickPhase < n) n = kTickSteps - row.tickPhase;
        if (row.ended > 0) {
            const std::int32_t untilRefill = (Slots<L, V>::kRefillAfter - row.idleSteps) / row.ended + 1;
            if (untilRefill < n) n = untilRefill;
        }
        std::int32_t k = 0;
        std::uint32_t events = 0;
        do {
            events = 0;
#pragma GCC unroll 8
            for (int v = 0; v < V; ++v) {
                const int s = v * L::kLanes;
                Cond c = stepOrbits<L>(zr[v], zi[v], L::load(row.cr + s), ci, four);
                if (kCycles) {
                    c = L::either(c, L::both(L::equal(zr[v], L::load(row.savedR + s)),
                                             L::equal(zi[v], L::load(row.savedI + s))));
                }
                // As bits at once: one vector register fewer in use (32-bit x86 has 8).
                events |= L::bits(c);
            }
            ++k;
        } while (events == 0 && k < n);
        row.clock = row.clock + k;
        row.stepsLeft = row.stepsLeft - k;
        row.idleSteps = row.idleSteps + row.ended * k;
        if (kCycles) row.tickPhase = (row.tickPhase + k) % kTickSteps;  // k <= kTickSteps

        const int limitReached = row.clock == row.firstLimitAt;
        if (events || limitReached) {
            int firstLimitEnded = 0;
            for (int v = 0; v < V; ++v) {
                // The same products and sum as in the loop, so the same verdicts.
                const std::uint32_t escaped =
                    L::bits(L::greater(L::add(L::mul(zr[v], zr[v]), L::mul(zi[v], zi[v])), four));
                // Equal values (not bits: -0 and +0 continue alike) mean that the orbit repeats,
                // and none of its values so far passed the magnitude test: it is bounded and
                // would reach the limit.
                std::uint32_t repeated = 0;
                if (kCycles) {
                    const int s = v * L::kLanes;
                    repeated = L::bits(L::both(L::equal(zr[v], L::load(row.savedR + s)),
                                               L::equal(zi[v], L::load(row.savedI + s))));
                }
                if (limitReached) repeated |= lanesAtLimit<L, V>(row, v);
                const std::uint32_t stopped = (escaped | repeated) & row.busy[v];
                if (stopped == 0) continue;
                firstLimitEnded |= endLanes<L, V>(row, v, stopped, escaped);
                const Cond gone = L::lanes(stopped);
                zr[v] = L::select(gone, nan, zr[v]);
                zi[v] = L::select(gone, nan, zi[v]);
            }
            if (firstLimitEnded) updateFirstLimit<L, V>(row);
        }
        // After the lanes that ended: a lane saved now would seem to repeat.
        if (kCycles && row.tickPhase == 0) saveOrbits<L, V>(row, zr, zi);
        if (row.idleSteps >= Slots<L, V>::kRefillAfter || row.firstLimitAt == kNever) {
            for (int v = 0; v < V; ++v) {
                L::store(row.zr + v * L::kLanes, zr[v]);
                L::store(row.zi + v * L::kLanes, zi[v]);
            }
            refillLanes<L, V>(row);
            for (int v = 0; v < V; ++v) {
                zr[v] = L::load(row.zr + v * L::kLanes);
                zi[v] = L::load(row.zi + v * L::kLanes);
            }
        }
    }
    return 1;
}

// Starts the pixels from row.nextPixel to the end of the next segment, with a fresh clock.
template <class L, int V>
void startSegment(RowState& row, std::int32_t width)
{
    row.segmentEnd = width - row.nextPixel > kSegmentWidth ? row.nextPixel + kSegmentWidth : width;
    row.clock = 0.0;
    row.tickPhase = 0;
    row.waitingCount = 0;
    row.waitingTaken = 0;
    for (int s = 0; s < Slots<L, V>::kCount; ++s) {
        row.zr[s] = __builtin_nan("");
        row.zi[s] = __builtin_nan("");
        row.cr[s] = 0.0;
        row.savedR[s] = __builtin_nan("");
        row.savedI[s] = __builtin_nan("");
        row.start[s] = 0.0;
        row.saveAt[s] = kNever;
        row.limitAt[s] = kNever;
        row.pixel[s] = -1;
    }
    for (int v = 0; v < V; ++v) row.busy[v] = 0;
    row.segmentActive = 1;
    refillLanes<L, V>(row);
}

// Continues the row that beginRow started in job.row, each pixel exactly as the plain loop
// would compute it, taking at most `steps` steps of the orbits; 1 when the row is complete.
template <class L, int V, bool kCycles>
int continueRow(RenderJob& job, std::int32_t width, std::int32_t steps)
{
    RowState& row = job.row;
    row.job = &job;
    row.stepsLeft = steps;
    if (job.maxIterations <= 0) {
        // No step is taken: every pixel has count 0, which is not below the limit.
        for (std::int32_t x = 0; x < width; ++x) putPixel(row.out, x, job.insideColor);
        return 1;
    }
    for (;;) {
        if (row.segmentActive) {
            if (!runLanes<L, V, kCycles>(row)) return 0;
            row.segmentActive = 0;
        }
        if (row.nextPixel >= width) return 1;
        startSegment<L, V>(row, width);
    }
}

// The kernel of lane type L: cycle checks chosen once per call.
template <class L, int V>
int continueRowWith(RenderJob& job, std::int32_t width, std::int32_t steps)
{
    return job.cycleChecks ? continueRow<L, V, true>(job, width, steps) : continueRow<L, V, false>(job, width, steps);
}

}  // namespace
