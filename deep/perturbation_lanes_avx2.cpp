// The double perturbation lanes on AVX2 (not FMA: no fused multiply-add can appear). Run only
// where the processor and the system support it (rowKernelSupported).
#include <immintrin.h>

#pragma GCC push_options
#pragma GCC target("avx2")
#include "deep/perturbation_lanes_loop.h"
#include "deep/scaled_lanes_loop.h"

namespace {

struct Avx2Lanes {
    using Vec = __m256d;
    static constexpr int kLanes = 4;
    static Vec load(const double* p) { return _mm256_load_pd(p); }
    static void store(double* p, Vec v) { _mm256_store_pd(p, v); }
    static Vec splat(double x) { return _mm256_set1_pd(x); }
    static Vec add(Vec a, Vec b) { return _mm256_add_pd(a, b); }
    static Vec sub(Vec a, Vec b) { return _mm256_sub_pd(a, b); }
    static Vec mul(Vec a, Vec b) { return _mm256_mul_pd(a, b); }
    static std::uint32_t greaterBits(Vec a, Vec b) { return std::uint32_t(_mm256_movemask_pd(_mm256_cmp_pd(a, b, _CMP_GT_OQ))); }
    static std::uint32_t lessBits(Vec a, Vec b) { return std::uint32_t(_mm256_movemask_pd(_mm256_cmp_pd(a, b, _CMP_LT_OQ))); }
    // The pairs at at[0..3] + offset: lanes 0 and 2 in one register, 1 and 3 in the other, so
    // that unpacking within each half gives the lanes in order.
    static void parts(const double* const (&at)[kLanes], int offset, Vec& re, Vec& im)
    {
        const __m256d even = _mm256_set_m128d(_mm_loadu_pd(at[2] + offset), _mm_loadu_pd(at[0] + offset));
        const __m256d odd = _mm256_set_m128d(_mm_loadu_pd(at[3] + offset), _mm_loadu_pd(at[1] + offset));
        re = _mm256_unpacklo_pd(even, odd);
        im = _mm256_unpackhi_pd(even, odd);
    }
};

}  // namespace

__attribute__((force_align_arg_pointer)) std::int64_t runLanesAvx2(const double* reference, VectorLanes& lanes,
                                                                   double offsetI, std::int64_t clock,
                                                                   std::int64_t bound, StepValues& last)
{
    return runLanesWith<Avx2Lanes>(reference, lanes, offsetI, clock, bound, last);
}

// The rescaled lanes of views past the exponent range of doubles (deep/scaled_lanes.h).
__attribute__((force_align_arg_pointer)) std::int64_t runScaledAvx2(const double* reference, ScaledLanes& lanes,
                                                                     std::int64_t clock, std::int64_t bound,
                                                                     StepValues& last)
{
    return runScaledWith<Avx2Lanes>(reference, lanes, clock, bound, last);
}

#pragma GCC pop_options
