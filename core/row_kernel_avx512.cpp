// The row kernel on AVX-512F: eight doubles per vector, conditions in mask registers. Only
// this file is compiled for AVX-512; it runs only where the processor and the OS support it
// (see row_kernels.cpp).
#include "row_kernels.h"

#if defined(__i386__) || defined(__x86_64__)

#include <cstdint>
#include <immintrin.h>

// AVX-512F has fused multiply-add instructions; -ffp-contract=off keeps the compiler from
// forming them out of the separate multiplies and adds below.
#pragma GCC push_options
#pragma GCC target("avx512f")
#include "row_kernel_loop.h"

namespace {

struct Avx512Lanes {
    using Vec = __m512d;
    using Cond = __mmask8;
    using Count = __m512i;
    static constexpr int kLanes = 8;

    static Vec splat(double x) { return _mm512_set1_pd(x); }
    static Vec load(const double* p) { return _mm512_loadu_pd(p); }
    static void store(double* p, Vec v) { _mm512_storeu_pd(p, v); }
    static Vec add(Vec a, Vec b) { return _mm512_add_pd(a, b); }
    static Vec sub(Vec a, Vec b) { return _mm512_sub_pd(a, b); }
    static Vec mul(Vec a, Vec b) { return _mm512_mul_pd(a, b); }
    static Cond greater(Vec a, Vec b) { return _mm512_cmp_pd_mask(a, b, _CMP_GT_OQ); }
    static Cond atLeast(Vec a, Vec b) { return _mm512_cmp_pd_mask(a, b, _CMP_GE_OQ); }
    static Cond equal(Vec a, Vec b) { return _mm512_cmp_pd_mask(a, b, _CMP_EQ_OQ); }
    static Cond either(Cond a, Cond b) { return Cond(a | b); }
    static Cond both(Cond a, Cond b) { return Cond(a & b); }
    static Cond unless(Cond a, Cond b) { return Cond(a & ~b); }
    static Cond never() { return 0; }
    static Cond lanes(std::uint32_t bits) { return Cond(bits); }
    static std::uint32_t bits(Cond c) { return c; }
    static Vec select(Cond c, Vec a, Vec b) { return _mm512_mask_mov_pd(b, c, a); }
    static Count zeroCounts() { return _mm512_setzero_si512(); }
    static Count countUp(Count c, Cond up) { return _mm512_mask_add_epi64(c, up, c, _mm512_set1_epi64(1)); }
    static void storeCounts(std::int64_t* p, Count c) { _mm512_storeu_si512(p, c); }
};

#if defined(__x86_64__)
constexpr int kVectors = 3;
#else
constexpr int kVectors = 2;
#endif

}  // namespace

// Windows enters code with a stack aligned to only 4 bytes; realign for the vector spills.
__attribute__((force_align_arg_pointer)) int rowPixelsAvx512(RenderJob& job, std::int32_t width, std::int32_t steps)
{
    return continueRowWith<Avx512Lanes, kVectors>(job, width, steps);
}

#pragma GCC pop_options

#endif
