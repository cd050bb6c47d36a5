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

// Continues the row in job.row (started by beginRow) for at most `steps` steps of its orbits;
// 1 when all its width pixels are written to job.row.out.
using RowKernel = int (*)(RenderJob& job, std::int32_t width, std::int32_t steps);

// Starts the row at job.rowY, its pixels to go to out.
void beginRow(RenderJob& job, std::uint8_t* out);

// Non-zero if the kernel exists in this build and this machine can run it.
int rowKernelSupported(std::int32_t id);

// The fastest supported kernel; the processor is asked only on the first call.
RowKernelId fastestRowKernel();

// The kernel for id; the plain one for ids that are not supported here.
RowKernel rowKernel(std::int32_t id);

// A short name for test and benchmark output: "plain", "sse2", "avx2", "avx512".
const char* rowKernelName(std::int32_t id);

// The kernels themselves. The plain loop always does the whole row, whatever `steps` says: it is
// the reference, kept as simple as the loop it stands for, and the program never renders with
// it (SSE2 belongs to every processor that the program runs on).
int rowPixelsPlain(RenderJob& job, std::int32_t width, std::int32_t steps);
#if defined(__i386__) || defined(__x86_64__)
int rowPixelsSse2(RenderJob& job, std::int32_t width, std::int32_t steps);
int rowPixelsAvx2(RenderJob& job, std::int32_t width, std::int32_t steps);
int rowPixelsAvx512(RenderJob& job, std::int32_t width, std::int32_t steps);
#endif
