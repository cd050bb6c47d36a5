#include "cpu_features.h"

#if defined(__i386__) || defined(__x86_64__)

#include <cpuid.h>

namespace {

// XCR0: which register states the operating system saves on a context switch. A processor
// may have AVX while the OS does not save the wide registers; then they must not be used.
std::uint64_t enabledRegisterStates()
{
    std::uint32_t low = 0, high = 0;
    // The xgetbv mnemonic, written out so that no target option is needed for this file.
    __asm__ volatile(".byte 0x0f, 0x01, 0xd0" : "=a"(low), "=d"(high) : "c"(0));
    return (std::uint64_t(high) << 32) | low;
}

constexpr std::uint64_t kSseYmmStates = 0x06;     // XMM and upper YMM halves
constexpr std::uint64_t kZmmStates = 0xE0;        // opmask, upper ZMM halves, ZMM16-31

}  // namespace

CpuFeatures detectCpuFeatures()
{
    CpuFeatures features = {0, 0, 0};
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return features;
    features.sse2 = (edx >> 26) & 1;
    const unsigned osxsave = (ecx >> 27) & 1;
    const unsigned avx = (ecx >> 28) & 1;
    if (!osxsave || !avx) return features;

    const std::uint64_t states = enabledRegisterStates();
    if ((states & kSseYmmStates) != kSseYmmStates) return features;
    if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return features;
    features.avx2 = (ebx >> 5) & 1;
    const unsigned avx512f = (ebx >> 16) & 1;
    features.avx512 = features.avx2 && avx512f && (states & kZmmStates) == kZmmStates;
    return features;
}

#else

CpuFeatures detectCpuFeatures()
{
    return CpuFeatures{0, 0, 0};
}

#endif
