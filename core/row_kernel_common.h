// What the quick pass and the lane loop of the vector row kernels share: the step of the
// recurrence and the lane count; the row's state is a RowState in the job. It belongs to the
// kernel loop; see row_kernel_loop.h for how it is compiled.
#pragma once

#include <cstdint>

#include "render_job.h"
#include "row_state.h"

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

// How many lanes a kernel of V vectors of lane type L keeps in flight.
template <class L, int V>
struct Slots {
    static constexpr int kCount = V * L::kLanes;  // slot = vector * kLanes + lane
    static_assert(kCount <= kMaxSlots, "the row state holds the slots");
    static_assert(kCount <= 32, "lane bit sets are 32-bit");
    // Lanes that end wait for a new pixel until the steps lost to waiting lanes reach about
    // the cost of a refill, which interrupts the loop.
    static constexpr std::int32_t kRefillAfter = 24 * kCount;
};

}  // namespace
