#include "row_kernels.h"

#include "cpu_features.h"

namespace {

CpuFeatures machineFeatures()
{
    static const CpuFeatures features = detectCpuFeatures();
    return features;
}

}  // namespace

int rowKernelSupported(std::int32_t id)
{
    const CpuFeatures features = machineFeatures();
    switch (id) {
    case kRowKernelPlain: return 1;
    case kRowKernelSse2: return features.sse2;
    case kRowKernelAvx2: return features.avx2;
    case kRowKernelAvx512: return features.avx512;
    default: return 0;
    }
}

RowKernelId fastestRowKernel()
{
    if (rowKernelSupported(kRowKernelAvx512)) return kRowKernelAvx512;
    if (rowKernelSupported(kRowKernelAvx2)) return kRowKernelAvx2;
    if (rowKernelSupported(kRowKernelSse2)) return kRowKernelSse2;
    return kRowKernelPlain;
}

RowKernel rowKernel(std::int32_t id)
{
    // An unsupported id would run instructions the processor lacks: fall back, never fault.
    if (!rowKernelSupported(id)) return rowPixelsPlain;
#if defined(__i386__) || defined(__x86_64__)
    switch (id) {
    case kRowKernelSse2: return rowPixelsSse2;
    case kRowKernelAvx2: return rowPixelsAvx2;
    case kRowKernelAvx512: return rowPixelsAvx512;
    default: break;
    }
#endif
    return rowPixelsPlain;
}

const char* rowKernelName(std::int32_t id)
{
    switch (id) {
    case kRowKernelPlain: return "plain";
    case kRowKernelSse2: return "sse2";
    case kRowKernelAvx2: return "avx2";
    case kRowKernelAvx512: return "avx512";
    default: return "unknown";
    }
}
