// What the quick pass and the lane loop of the vector row kernels share: the step of the
// recurrence, and the state of a row while it is computed (the lanes, the pixels waiting for a
// lane, the stretch of the row not yet started). It belongs to the kernel loop; see
// row_kernel_loop.h for how it is compiled.
#pragma once

#include <cstdint>

#include "render_job.h"

namespace {

// Steps of the quick pass; a pixel that has not escaped by then is likely to run long.
constexpr std::int32_t kQuickSteps = 128;
// Orbit values are saved for the repeat test only every kTickSteps steps of the lane loop, for
// all lanes that are due at once.
constexpr std::int32_t kTickSteps = 16;
// The lane loop counts steps in doubles, which lanes can compare on every instruction set
// (SSE2 has no 64-bit integer compare); they are exact integers below 2^53. A row is worked
// in segments of at most this many pixels with a clock each, which stays below 2^20 * 2^31.
constexpr std::int32_t kSegmentWidth = std::int32_t(1) << 20;
constexpr double kNever = __builtin_inf();

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

// With only 8 vector registers (32-bit x86), the compiler's keeping the squares of one step
// for the next needs more registers than there are, and the spills lengthen every step. This
// empty statement hides that the squares are the same, so they are computed again.
template <class Vec>
inline void keepSquaresApart(Vec& zr, Vec& zi)
{
#if defined(__i386__)
    __asm__("" : "+x"(zr), "+x"(zi));
#else
    (void)zr;
    (void)zi;
#endif
}

// One step of the plain loop in every lane: z = z^2 + c, then whether |z|^2 > 4. The same
// IEEE operations in the same order, so the same numbers; 2.0 * zr is formed as zr + zr, which
// is the same number.
template <class L>
typename L::Cond stepOrbits(typename L::Vec& zr, typename L::Vec& zi, typename L::Vec cr, typename L::Vec ci,
                            typename L::Vec four)
{
    using Vec = typename L::Vec;
    keepSquaresApart(zr, zi);
    const Vec twoZr = L::add(zr, zr);
    const Vec nextZr = L::add(L::sub(L::mul(zr, zr), L::mul(zi, zi)), cr);
    zi = L::add(L::mul(twoZr, zi), ci);
    zr = nextZr;
    return L::greater(L::add(L::mul(zr, zr), L::mul(zi, zi)), four);
}

// A pixel that outlived the quick pass, with its orbit value after kQuickSteps steps.
struct WaitingPixel {
    std::int32_t x;
    double cr;
    double zr;
    double zi;
};

template <class L, int V>
struct RowState {
    static constexpr int kSlots = V * L::kLanes;  // slot = vector * kLanes + lane
    static_assert(kSlots <= 32, "lane bit sets are 32-bit");
    // Lanes that end wait for a new pixel until the steps lost to waiting lanes reach about
    // the cost of a refill, which interrupts the loop.
    static constexpr std::int32_t kRefillAfter = 24 * kSlots;

    // Per slot, loaded into vectors for a run of steps. savedR/savedI hold the orbit value of
    // the last save, NaN before the first one (NaN equals nothing). The clock counts the steps
    // of the lane loop; start is the clock value at which a slot's orbit would have been at
    // z0, so that its step count is clock - start.
    alignas(64) double zr[kSlots];
    alignas(64) double zi[kSlots];
    alignas(64) double cr[kSlots];
    alignas(64) double savedR[kSlots];
    alignas(64) double savedI[kSlots];
    alignas(64) double start[kSlots];
    alignas(64) double saveAt[kSlots];  // the clock value from which the next save is due
    double limitAt[kSlots];             // the clock value at which the iteration limit is reached
    std::int32_t pixel[kSlots];         // -1 while the lane has no pixel
    std::uint32_t busy[V];              // per vector, the lanes that have a pixel
    std::int32_t ended;                 // lanes that lost their pixel since the last refill
    std::int32_t idleSteps;             // steps those lanes have waited, summed
    double clock;
    std::int32_t tickPhase;             // clock modulo kTickSteps
    double firstLimitAt;                // the least limitAt of the busy slots, kNever if none

    // The survivors of the latest quick pass, waiting for lanes.
    WaitingPixel waiting[kSlots];
    std::int32_t waitingCount;
    std::int32_t waitingTaken;

    // The pixels of the current segment not yet through the quick pass: from nextPixel, whose
    // real part is nextCr (accumulated exactly as the plain loop does it), to segmentEnd.
    const RenderJob* job;
    std::uint8_t* out;
    std::int32_t nextPixel;
    std::int32_t segmentEnd;
    double nextCr;
    double ci;
};

}  // namespace
