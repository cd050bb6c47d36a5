// The double perturbation lanes on SSE2, which every processor the programs run on has.
#include <emmintrin.h>

#pragma GCC push_options
#pragma GCC target("sse2")
#include "deep/perturbation_lanes_loop.h"
#include "deep/scaled_lanes_loop.h"

namespace {

struct Sse2Lanes {
    using Vec = __m128d;
    static constexpr int kLanes = 2;
    static Vec load(const double* p) { return _mm_load_pd(p); }
    static void store(double* p, Vec v) { _mm_store_pd(p, v); }
    static Vec splat(double x) { return _mm_set1_pd(x); }
    static Vec add(Vec a, Vec b) { return _mm_add_pd(a, b); }
    static Vec sub(Vec a, Vec b) { return _mm_sub_pd(a, b); }
    static Vec mul(Vec a, Vec b) { return _mm_mul_pd(a, b); }
    static std::uint32_t greaterBits(Vec a, Vec b) { return std::uint32_t(_mm_movemask_pd(_mm_cmpgt_pd(a, b))); }
    static std::uint32_t lessBits(Vec a, Vec b) { return std::uint32_t(_mm_movemask_pd(_mm_cmplt_pd(a, b))); }
    // The pairs at at[0] + offset and at[1] + offset.
    static void parts(const double* const (&at)[kLanes], int offset, Vec& re, Vec& im)
    {
        const __m128d a = _mm_loadu_pd(at[0] + offset), b = _mm_loadu_pd(at[1] + offset);
        re = _mm_unpacklo_pd(a, b);
        im = _mm_unpackhi_pd(a, b);
    }
};

}  // namespace

// Windows enters code with a stack aligned to only 4 bytes; realign for the vector spills.
__attribute__((force_align_arg_pointer)) std::int64_t runLanesSse2(const double* reference, VectorLanes& lanes,
                                                                   double offsetI, std::int64_t clock,
                                                                   std::int64_t bound, StepValues& last)
{
    return runLanesWith<Sse2Lanes>(reference, lanes, offsetI, clock, bound, last);
}

// The rescaled lanes of views past the exponent range of doubles (deep/scaled_lanes.h).
__attribute__((force_align_arg_pointer)) std::int64_t runScaledSse2(const double* reference, ScaledLanes& lanes,
                                                                     std::int64_t clock, std::int64_t bound,
                                                                     StepValues& last)
{
    return runScaledWith<Sse2Lanes>(reference, lanes, clock, bound, last);
}

#pragma GCC pop_options
