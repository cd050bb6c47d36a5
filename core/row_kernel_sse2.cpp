// The row kernel on SSE2: two doubles per vector. SSE2 belongs to every x86-64 processor and
// is required by the 32-bit Windows build, so this kernel runs everywhere the core does.
#include "row_kernels.h"

#if defined(__i386__) || defined(__x86_64__)

#include <cstdint>
#include <emmintrin.h>

#pragma GCC push_options
#pragma GCC target("sse2")
#include "row_kernel_loop.h"

namespace {

struct Sse2Lanes {
    using Vec = __m128d;
    using Cond = __m128d;
    using Count = __m128i;
    static constexpr int kLanes = 2;

    static Vec splat(double x) { return _mm_set1_pd(x); }
    static Vec load(const double* p) { return _mm_loadu_pd(p); }
    static void store(double* p, Vec v) { _mm_storeu_pd(p, v); }
    static Vec add(Vec a, Vec b) { return _mm_add_pd(a, b); }
    static Vec sub(Vec a, Vec b) { return _mm_sub_pd(a, b); }
    static Vec mul(Vec a, Vec b) { return _mm_mul_pd(a, b); }
    static Cond greater(Vec a, Vec b) { return _mm_cmpgt_pd(a, b); }
    static Cond atLeast(Vec a, Vec b) { return _mm_cmpge_pd(a, b); }
    static Cond equal(Vec a, Vec b) { return _mm_cmpeq_pd(a, b); }
    static Cond either(Cond a, Cond b) { return _mm_or_pd(a, b); }
    static Cond both(Cond a, Cond b) { return _mm_and_pd(a, b); }
    static Cond unless(Cond a, Cond b) { return _mm_andnot_pd(b, a); }
    static Cond never() { return _mm_setzero_pd(); }
    static Cond lanes(std::uint32_t bits)
    {
        return _mm_castsi128_pd(_mm_set_epi64x(-std::int64_t((bits >> 1) & 1), -std::int64_t(bits & 1)));
    }
    static std::uint32_t bits(Cond c) { return std::uint32_t(_mm_movemask_pd(c)); }
    static Vec select(Cond c, Vec a, Vec b) { return _mm_or_pd(_mm_and_pd(c, a), _mm_andnot_pd(c, b)); }
    static Count zeroCounts() { return _mm_setzero_si128(); }
    // A true lane is all ones, -1 as an integer.
    static Count countUp(Count c, Cond up) { return _mm_sub_epi64(c, _mm_castpd_si128(up)); }
    static void storeCounts(std::int64_t* p, Count c) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), c); }
};

// On x86-64 the 16 registers hold more vectors in flight than the 8 of 32-bit code.
#if defined(__x86_64__)
constexpr int kVectors = 4;
#else
constexpr int kVectors = 2;
#endif

}  // namespace

// Windows enters code with a stack aligned to only 4 bytes; realign for the vector spills.
__attribute__((force_align_arg_pointer)) int rowPixelsSse2(RenderJob& job, std::int32_t width, std::int32_t steps)
{
    return continueRowWith<Sse2Lanes, kVectors>(job, width, steps);
}

#pragma GCC pop_options

#endif
