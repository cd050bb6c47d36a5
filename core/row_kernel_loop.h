// The escape-time loop of the vector row kernels, written once for any lane type. Each kernel
// source includes it after its `#pragma GCC target`, so that the loop is compiled for that
// instruction set. Everything here has internal linkage: a function shared with code built for
// plain SSE2 could otherwise be merged by the linker into one copy with wider instructions.
//
// A lane type L provides:
//   Vec, Cond            a vector of kLanes doubles, and a per-lane condition
//   splat, add, sub, mul IEEE double arithmetic, lane by lane, never fused
//   greater, equal       ordered comparisons (false for NaN)
//   either, both, never  or / and of conditions, and the condition false in every lane
//   bits                 the condition as an integer, bit i for lane i
//   pick(bits, a, b)     a in the lanes of bits, b elsewhere
#pragma once

#include <cstdint>

#include "render_job.h"

namespace {

// Bounds the steps between saves of the orbit value, so that doubling it cannot overflow.
constexpr std::int32_t kMaxSaveInterval = std::int32_t(1) << 30;
// The first save comes after this many steps; saves end a run of the loop, so not too early.
constexpr std::int32_t kFirstSaveInterval = 32;
constexpr std::int32_t kNoLimit = 0x7FFFFFFF;

// The pixels of the row not yet given to a lane, in order, with the real part of the next
// one accumulated exactly as the plain loop does it.
struct RowFeed {
    std::int32_t next;  // the next pixel to start
    std::int32_t width;
    double cr;          // its real part
    double ci;          // the imaginary part of the whole row
};

// Per-slot bookkeeping, slot = vector * lanes + lane.
template <int kSlots>
struct Slots {
    std::int32_t pixel[kSlots];     // the pixel being computed, -1 for an idle slot
    std::int32_t left[kSlots];      // steps before the iteration limit is reached
    std::int32_t toSave[kSlots];    // steps before the orbit value is saved next
    std::int32_t interval[kSlots];  // the current distance between saves
};

inline void putPixel(std::uint8_t* out, std::int32_t x, const PixelColor& color)
{
    std::uint8_t* p = out + std::size_t(x) * kBytesPerPixel;
    p[0] = color.bytes[0];
    p[1] = color.bytes[1];
    p[2] = color.bytes[2];
}

inline int isNan(double value)
{
    return value != value;
}

// Takes the next pixel that needs iterating, or -1 at the end of the row. A NaN in c makes
// every orbit value NaN: the magnitude test never passes, so the plain loop would run to the
// limit; such pixels are written as inside right here.
inline std::int32_t takePixel(RowFeed& feed, const RenderJob& job, std::uint8_t* out, double& cr)
{
    while (feed.next < feed.width) {
        const std::int32_t x = feed.next;
        cr = feed.cr;
        feed.next = x + 1;
        feed.cr = feed.cr + job.stepX;
        if (!isNan(cr) && !isNan(feed.ci)) return x;
        putPixel(out, x, job.insideColor);
    }
    return -1;
}

// The steps every busy slot can take before one reaches its limit or its next save: at least
// 1, as both counts stay positive; 0 when every slot is idle. Counts are int32 and bounded by
// the limit, so they never overflow.
template <int kSlots>
std::int32_t stepsToNextEvent(const Slots<kSlots>& slots)
{
    std::int32_t n = kNoLimit;
    int busy = 0;
    for (int s = 0; s < kSlots; ++s) {
        if (slots.pixel[s] < 0) continue;
        busy = 1;
        if (slots.left[s] < n) n = slots.left[s];
        if (slots.toSave[s] < n) n = slots.toSave[s];
    }
    return busy ? n : 0;
}

template <class L, int V, bool kCycles>
struct LaneLoop {
    using Vec = typename L::Vec;
    static constexpr int kSlots = V * L::kLanes;

    Vec zr[V], zi[V], cr[V], savedR[V], savedI[V];
    Slots<kSlots> slots;
    RowFeed feed;
    const RenderJob* job;
    std::uint8_t* out;
};

// Starts the next pixel of the row in each lane of refill (bits of vector v), or idles it.
// An idle lane holds NaN, which stays NaN and never raises an event.
template <class L, int V, bool kCycles>
void refillLanes(LaneLoop<L, V, kCycles>& loop, int v, std::uint32_t refill)
{
    using Vec = typename L::Vec;
    const Vec nan = L::splat(__builtin_nan(""));
    std::uint32_t started = 0;
    for (std::uint32_t rest = refill; rest != 0; rest &= rest - 1) {
        const int lane = __builtin_ctz(rest);
        const int s = v * L::kLanes + lane;
        double cr = 0.0;
        const std::int32_t x = takePixel(loop.feed, *loop.job, loop.out, cr);
        loop.slots.pixel[s] = x;
        if (x < 0) {
            loop.slots.left[s] = kNoLimit;
            loop.slots.toSave[s] = kNoLimit;
            continue;
        }
        started |= 1u << lane;
        loop.cr[v] = L::pick(1u << lane, L::splat(cr), loop.cr[v]);
        loop.slots.left[s] = loop.job->maxIterations;
        loop.slots.toSave[s] = kCycles ? kFirstSaveInterval : kNoLimit;
        loop.slots.interval[s] = kFirstSaveInterval;
    }
    const Vec zero = L::splat(0.0);
    loop.zr[v] = L::pick(started, zero, L::pick(refill, nan, loop.zr[v]));
    loop.zi[v] = L::pick(started, zero, L::pick(refill, nan, loop.zi[v]));
    // NaN never equals anything: no repeat is found before the first save.
    loop.savedR[v] = L::pick(refill, nan, loop.savedR[v]);
    loop.savedI[v] = L::pick(refill, nan, loop.savedI[v]);
}

// Runs every lane up to n steps (n >= 1), stopping after the first step in which some lane
// escapes or repeats a saved value. Returns the steps taken.
template <class L, int V, bool kCycles>
std::int32_t iterate(LaneLoop<L, V, kCycles>& loop, std::int32_t n)
{
    using Vec = typename L::Vec;
    using Cond = typename L::Cond;
    const Vec ci = L::splat(loop.feed.ci);
    const Vec four = L::splat(4.0);
    Vec zr[V], zi[V], zr2[V], zi2[V];
#pragma GCC unroll 8
    for (int v = 0; v < V; ++v) {
        zr[v] = loop.zr[v];
        zi[v] = loop.zi[v];
        zr2[v] = L::mul(zr[v], zr[v]);
        zi2[v] = L::mul(zi[v], zi[v]);
    }
    std::int32_t k = 0;
    std::uint32_t events = 0;
    do {
        Cond any = L::never();
#pragma GCC unroll 8
        for (int v = 0; v < V; ++v) {
            // The plain loop's operations in its order; 2.0 * zr is formed as zr + zr, which
            // is the same number.
            const Vec twoZr = L::add(zr[v], zr[v]);
            zr[v] = L::add(L::sub(zr2[v], zi2[v]), loop.cr[v]);
            zi[v] = L::add(L::mul(twoZr, zi[v]), ci);
            zr2[v] = L::mul(zr[v], zr[v]);
            zi2[v] = L::mul(zi[v], zi[v]);
            any = L::either(any, L::greater(L::add(zr2[v], zi2[v]), four));
            if (kCycles) {
                any = L::either(any, L::both(L::equal(zr[v], loop.savedR[v]), L::equal(zi[v], loop.savedI[v])));
            }
        }
        ++k;
        events = L::bits(any);
    } while (events == 0 && k < n);
#pragma GCC unroll 8
    for (int v = 0; v < V; ++v) {
        loop.zr[v] = zr[v];
        loop.zi[v] = zi[v];
    }
    return k;
}

// After k steps: writes the pixels that ended, saves orbit values that are due, and gives
// the freed lanes new pixels.
template <class L, int V, bool kCycles>
void settleLanes(LaneLoop<L, V, kCycles>& loop, std::int32_t k)
{
    using Vec = typename L::Vec;
    const RenderJob& job = *loop.job;
    const Vec four = L::splat(4.0);
    for (int v = 0; v < V; ++v) {
        const Vec zr = loop.zr[v];
        const Vec zi = loop.zi[v];
        // The same products and sum as in the loop, so the same verdicts.
        const std::uint32_t escaped = L::bits(L::greater(L::add(L::mul(zr, zr), L::mul(zi, zi)), four));
        // Equal values (not bits: -0 and +0 continue alike) mean the orbit repeats, and none of
        // its values so far passed the magnitude test: it is bounded and would reach the limit.
        const std::uint32_t repeated =
            kCycles ? L::bits(L::both(L::equal(zr, loop.savedR[v]), L::equal(zi, loop.savedI[v]))) : 0;
        std::uint32_t refill = 0;
        std::uint32_t save = 0;
        for (int lane = 0; lane < L::kLanes; ++lane) {
            const int s = v * L::kLanes + lane;
            const std::int32_t x = loop.slots.pixel[s];
            if (x < 0) continue;
            const std::uint32_t bit = 1u << lane;
            if (escaped & bit) {
                // k - 1 steps of this run stayed within the radius; left >= k keeps j < limit.
                const std::int32_t j = (job.maxIterations - loop.slots.left[s]) + (k - 1);
                putPixel(loop.out, x, job.palette.entries[j & (kPaletteSize - 1)]);
                refill |= bit;
                continue;
            }
            loop.slots.left[s] -= k;
            if ((repeated & bit) || loop.slots.left[s] == 0) {
                putPixel(loop.out, x, job.insideColor);
                refill |= bit;
                continue;
            }
            if (!kCycles) continue;
            loop.slots.toSave[s] -= k;
            if (loop.slots.toSave[s] == 0) {
                // Brent: save at growing intervals, so any period is eventually spanned.
                const std::int32_t interval = loop.slots.interval[s];
                loop.slots.interval[s] = interval < kMaxSaveInterval ? interval * 2 : interval;
                loop.slots.toSave[s] = loop.slots.interval[s];
                save |= bit;
            }
        }
        if (save) {
            loop.savedR[v] = L::pick(save, zr, loop.savedR[v]);
            loop.savedI[v] = L::pick(save, zi, loop.savedI[v]);
        }
        if (refill) refillLanes(loop, v, refill);
    }
}

// Writes the row's width pixels to job.writePos, each exactly as the plain loop would.
template <class L, int V, bool kCycles>
void renderLanes(const RenderJob& job, std::int32_t width)
{
    std::uint8_t* const out = job.writePos;
    if (job.maxIterations <= 0) {
        // No step is taken: every pixel has count 0, which is not below the limit.
        for (std::int32_t x = 0; x < width; ++x) putPixel(out, x, job.insideColor);
        return;
    }
    LaneLoop<L, V, kCycles> loop;
    loop.feed = RowFeed{0, width, job.originX, job.rowY};
    loop.job = &job;
    loop.out = out;
    const typename L::Vec nan = L::splat(__builtin_nan(""));
    for (int v = 0; v < V; ++v) {
        loop.zr[v] = nan;
        loop.zi[v] = nan;
        loop.cr[v] = nan;
        loop.savedR[v] = nan;
        loop.savedI[v] = nan;
        refillLanes(loop, v, (std::uint32_t(1) << L::kLanes) - 1);
    }
    for (;;) {
        const std::int32_t n = stepsToNextEvent(loop.slots);
        if (n == 0) return;  // every slot idle: the row is done
        settleLanes(loop, iterate(loop, n));
    }
}

}  // namespace
