#include "deep/reference_orbit.h"

#include <cmath>
#include <exception>
#include <new>

#include <boost/multiprecision/cpp_bin_float.hpp>

#include "platform/memory.h"

namespace {

// Binary floating point of a fixed number of bits; the orbit is computed in the narrowest of
// the widths below that holds the precision asked for.
template <unsigned kBits>
using Big = boost::multiprecision::number<
    boost::multiprecision::cpp_bin_float<kBits, boost::multiprecision::digit_base_2>, boost::multiprecision::et_off>;

constexpr std::int32_t kWidestBits = 16384;
constexpr std::int32_t kReportEvery = 1024;

struct OrbitRun {
    ReferenceOrbit& orbit;
    const std::atomic<int>& stop;
    OrbitProgress report;
    void* context;
};

template <unsigned kBits>
OrbitResult iterate(const DeepView& view, OrbitRun& run)
{
    const Big<kBits> cr(view.centerX), ci(view.centerY);
    Big<kBits> zr = 0, zi = 0;
    double* values = run.orbit.values.get();
    values[0] = 0.0;
    values[1] = 0.0;
    const std::int32_t limit = view.maxIterations;
    std::int32_t n = 1;
    for (; n <= limit; ++n) {
        if (n % kReportEvery == 0) {
            if (run.stop.load()) return kOrbitStopped;
            if (run.report && n % (limit / 100 + 1) < kReportEvery) run.report(double(n) / limit, run.context);
        }
        Big<kBits> twoZrZi = zr * zi;
        twoZrZi += twoZrZi;
        zr = zr * zr - zi * zi + cr;
        zi = twoZrZi + ci;
        const double r = zr.template convert_to<double>(), i = zi.template convert_to<double>();
        values[2 * n] = r;
        values[2 * n + 1] = i;
        if (r * r + i * i > 4.0) break;  // infinity too, for centres far outside
    }
    run.orbit.length = (n <= limit ? n : limit) + 1;
    return kOrbitDone;
}

OrbitResult iterateAt(std::int32_t bits, const DeepView& view, OrbitRun& run)
{
    switch (bits) {
    case 128: return iterate<128>(view, run);
    case 256: return iterate<256>(view, run);
    case 512: return iterate<512>(view, run);
    case 1024: return iterate<1024>(view, run);
    case 2048: return iterate<2048>(view, run);
    case 4096: return iterate<4096>(view, run);
    case 8192: return iterate<8192>(view, run);
    default: return iterate<kWidestBits>(view, run);
    }
}

}  // namespace

std::int32_t precisionBitsFor(double magnificationLog2)
{
    // The centre to well below a pixel of the widest picture (2^20 pixels), with room to spare.
    const double needed = (magnificationLog2 > 0 ? magnificationLog2 : 0) + 64;
    std::int32_t bits = 128;
    while (bits < needed && bits < kWidestBits) bits *= 2;
    return bits;
}

std::uint64_t orbitBytes(std::int32_t maxIterations)
{
    return (std::uint64_t(maxIterations) + 1) * 2 * sizeof(double);
}

OrbitResult computeReferenceOrbit(const DeepView& view, double deepestLog2, ReferenceOrbit& orbit,
                                  const std::atomic<int>& stop, OrbitProgress report, void* context)
{
    const double ownLog2 = magnificationLog2(view.magnification);
    orbit.deepestLog2 = deepestLog2 > ownLog2 ? deepestLog2 : ownLog2;
    orbit.precisionBits = precisionBitsFor(orbit.deepestLog2);
    orbit.centerX = view.centerX;
    orbit.centerY = view.centerY;
    orbit.maxIterations = view.maxIterations;
    orbit.length = 0;
    const std::uint64_t bytes = orbitBytes(view.maxIterations);
    orbit.values.reset(bytes <= SIZE_MAX && memoryAllows(bytes)
                           ? new (std::nothrow) double[std::size_t(bytes / sizeof(double))]
                           : nullptr);
    if (!orbit.values) return kOrbitNoMemory;
    OrbitRun run = {orbit, stop, report, context};
    try {
        return iterateAt(orbit.precisionBits, view, run);
    } catch (const std::bad_alloc&) {
        return kOrbitNoMemory;
    } catch (const std::exception&) {
        return kOrbitBadCenter;
    }
}

int orbitServes(const ReferenceOrbit& orbit, const DeepView& view)
{
    return orbit.values && orbit.centerX == view.centerX && orbit.centerY == view.centerY &&
           view.maxIterations <= orbit.maxIterations &&
           magnificationLog2(view.magnification) <= orbit.deepestLog2;
}
