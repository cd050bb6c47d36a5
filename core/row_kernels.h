// The row kernels: interchangeable ways of computing the pixels of one picture row. Each gives
// exactly the bytes of the plain per-pixel loop; the vector ones are just faster. A render
// uses the fastest one the processor offers, chosen when it begins.
#pragma once

#include <cstdint>

#include "render_job.h"

enum RowKernelId : std::int32_t {
    kRowKernelPlain = 0,   // escapeCount per pixel, the reference
    kRowKernelSse2 = 1,    // 2 lanes of doubles
    kRowKernelAvx2 = 2,    // 4 lanes
    kRowKernelAvx512 = 3,  // 8 lanes
    kRowKernelCount = 4
};

// Writes the width pixels of the row at job.rowY to job.writePos; changes nothing in job.
using RowKernel = void (*)(const RenderJob& job, std::int32_t width);

// Non-zero if the kernel exists in this build and this machine can run it.
int rowKernelSupported(std::int32_t id);

// The fastest supported kernel; the processor is asked only on the first call.
RowKernelId fastestRowKernel();

// The kernel for id; the plain one for ids that are not supported here.
RowKernel rowKernel(std::int32_t id);

// A short name for test and benchmark output: "plain", "sse2", "avx2", "avx512".
const char* rowKernelName(std::int32_t id);

// The kernels themselves.
void rowPixelsPlain(const RenderJob& job, std::int32_t width);
#if defined(__i386__) || defined(__x86_64__)
void rowPixelsSse2(const RenderJob& job, std::int32_t width);
void rowPixelsAvx2(const RenderJob& job, std::int32_t width);
void rowPixelsAvx512(const RenderJob& job, std::int32_t width);
#endif
