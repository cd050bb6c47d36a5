// What the processor and the operating system offer to the row kernels, asked once via CPUID.
#pragma once

#include <cstdint>

struct CpuFeatures {
    std::int32_t sse2;    // 128-bit doubles
    std::int32_t avx2;    // 256-bit doubles, with the OS saving the YMM registers
    std::int32_t avx512;  // AVX-512F, with the OS saving the ZMM and mask registers
};

// The features of this machine; all zero on processors other than x86.
CpuFeatures detectCpuFeatures();
