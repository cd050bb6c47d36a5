// The row kernel on AVX2: four doubles per vector. Only this file is compiled for AVX2; it
// runs only where the processor and the OS support it (see row_kernels.cpp).
#include "row_kernels.h"

#if defined(__i386__) || defined(__x86_64__)

#include <cstdint>
#include <immintrin.h>

// AVX2 only, not FMA: no fused multiply-add can appear, whatever the compiler does.
#pragma GCC push_options
#pragma GCC target("avx2")
#include "row_kernel_loop.h"

namespace {

struct Avx2Lanes {
    using Vec = __m256d;
    using Cond = __m256d;
    using Count = __m256i;
    static constexpr int kLanes = 4;

    static Vec splat(double x) { return _mm256_set1_pd(x); }
    static Vec load(const double* p) { return _mm256_loadu_pd(p); }
    static void store(double* p, Vec v) { _mm256_storeu_pd(p, v); }
    static Vec add(Vec a, Vec b) { return _mm256_add_pd(a, b); }
    static Vec sub(Vec a, Vec b) { return _mm256_sub_pd(a, b); }
    static Vec mul(Vec a, Vec b) { return _mm256_mul_pd(a, b); }
    static Cond greater(Vec a, Vec b) { return _mm256_cmp_pd(a, b, _CMP_GT_OQ); }
    static Cond atLeast(Vec a, Vec b) { return _mm256_cmp_pd(a, b, _CMP_GE_OQ); }
    static Cond equal(Vec a, Vec b) { return _mm256_cmp_pd(a, b, _CMP_EQ_OQ); }
    static Cond either(Cond a, Cond b) { return _mm256_or_pd(a, b); }
    static Cond both(Cond a, Cond b) { return _mm256_and_pd(a, b); }
    static Cond unless(Cond a, Cond b) { return _mm256_andnot_pd(b, a); }
    static Cond never() { return _mm256_setzero_pd(); }
    static Cond lanes(std::uint32_t bits)
    {
        const __m256i laneBits = _mm256_setr_epi64x(1, 2, 4, 8);
        const __m256i chosen = _mm256_and_si256(_mm256_set1_epi64x(bits), laneBits);
        return _mm256_castsi256_pd(_mm256_cmpeq_epi64(chosen, laneBits));
    }
    static std::uint32_t bits(Cond c) { return std::uint32_t(_mm256_movemask_pd(c)); }
    static Vec select(Cond c, Vec a, Vec b) { return _mm256_blendv_pd(b, a, c); }
    static Count zeroCounts() { return _mm256_setzero_si256(); }
    // A true lane is all ones, -1 as an integer.
    static Count countUp(Count c, Cond up) { return _mm256_sub_epi64(c, _mm256_castpd_si256(up)); }
    static void storeCounts(std::int64_t* p, Count c) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), c); }
};

#if defined(__x86_64__)
constexpr int kVectors = 3;
#else
constexpr int kVectors = 2;
#endif

}  // namespace

// Windows enters code with a stack aligned to only 4 bytes; realign for the vector spills.
__attribute__((force_align_arg_pointer)) int rowPixelsAvx2(RenderJob& job, std::int32_t width, std::int32_t steps)
{
    return continueRowWith<Avx2Lanes, kVectors>(job, width, steps);
}

#pragma GCC pop_options

#endif
