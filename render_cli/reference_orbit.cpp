#include "reference_orbit.h"

#include <cmath>
#include <new>

#include <boost/multiprecision/cpp_bin_float.hpp>

#include "perturbation_render.h"

namespace {

// Binary floating point of a fixed number of bits; the orbit is computed in the narrowest of
// the widths below that holds the precision asked for.
template <unsigned kBits>
using Big = boost::multiprecision::number<
    boost::multiprecision::cpp_bin_float<kBits, boost::multiprecision::digit_base_2>, boost::multiprecision::et_off>;

// The widths the orbit is computed at; the widest serves 1e10000 (33,219 bits and the 64 more
// that precisionBitsFor asks for).
constexpr std::int32_t kWidths[] = {128, 256, 512, 1024, 2048, 4096, 8192, 16384, 24576, 34816};
constexpr std::int32_t kWidestBits = 34816;
constexpr std::int32_t kReportEvery = 1024;

struct OrbitRun {
    ReferenceOrbit& orbit;
    const std::atomic<int>& stop;
    OrbitProgress report;
    void* context;
    int keepTiny;  // whether the tiny table is kept
};

template <class Number>
FloatExp floatExpOf(const Number& x)
{
    int exponent = 0;
    const Number mantissa = boost::multiprecision::frexp(x, &exponent);
    return floatExp(mantissa.template convert_to<double>(), exponent);
}

template <unsigned kBits>
OrbitResult iterate(const DeepView& view, OrbitRun& run)
{
    const Big<kBits> cr(view.centerX), ci(view.centerY);
    Big<kBits> zr = 0, zi = 0;
    double* values = run.orbit.values.get();
    values[0] = 0.0;
    values[1] = 0.0;
    if (run.keepTiny) {  // Z(0) = 0: the first step is d^2 + e, without the 2 Z d that keeps d^2 small
        run.orbit.tinyIndex.push_back(0);
        run.orbit.tinyValue.push_back(ComplexExp{floatExp(0.0), floatExp(0.0)});
    }
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
        if (run.keepTiny && std::fabs(r) < kTinyReference && std::fabs(i) < kTinyReference) {
            run.orbit.tinyIndex.push_back(n);
            run.orbit.tinyValue.push_back(ComplexExp{floatExpOf(zr), floatExpOf(zi)});
        }
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
    case 16384: return iterate<16384>(view, run);
    case 24576: return iterate<24576>(view, run);
    default: return iterate<kWidestBits>(view, run);
    }
}

}  // namespace

std::int32_t precisionBitsFor(double magnificationLog2)
{
    // The centre to well below a pixel of the widest picture (2^20 pixels), with room to spare.
    const double needed = (magnificationLog2 > 0 ? magnificationLog2 : 0) + 64;
    for (std::int32_t bits : kWidths) {
        if (bits >= needed) return bits;
    }
    return kWidestBits;
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
    orbit.tinyIndex.clear();
    orbit.tinyValue.clear();
    const std::uint64_t bytes = orbitBytes(view.maxIterations);
    orbit.values.reset(bytes <= SIZE_MAX ? new (std::nothrow) double[std::size_t(bytes / sizeof(double))] : nullptr);
    if (!orbit.values) return kOrbitNoMemory;
    OrbitRun run = {orbit, stop, report, context, orbit.deepestLog2 > kWideExponentFromLog2};
    try {
        return iterateAt(orbit.precisionBits, view, run);
    } catch (const std::bad_alloc&) {
        return kOrbitNoMemory;
    } catch (...) {  // the texts are checked before: nothing else is expected
        return kOrbitNoMemory;
    }
}

int orbitServes(const ReferenceOrbit& orbit, const DeepView& view)
{
    return orbit.values && orbit.centerX == view.centerX && orbit.centerY == view.centerY &&
           view.maxIterations <= orbit.maxIterations &&
           magnificationLog2(view.magnification) <= orbit.deepestLog2;
}
