#include "deep/reference_orbit.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <new>

#include <boost/multiprecision/cpp_bin_float.hpp>

#include "deep/perturbation_render.h"
#include "platform/memory.h"

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
// Values the orbit holds at first; it doubles whenever it is full, up to the limit.
constexpr std::int64_t kFirstCapacity = 1 << 16;
// Where |Z|^2 from doubles is this near 4, the excess is computed in full precision.
constexpr double kNearCircle = 0x1p-20;
// Each value: its two doubles, the two parts they lack, and the excess.
constexpr std::uint64_t kDoublesPerValue = 5;

struct OrbitRun {
    ReferenceOrbit& orbit;
    const std::atomic<int>& stop;
    OrbitProgress report;
    void* context;
    std::int64_t capacity;  // values the arrays hold
    int keepTiny;           // whether the tiny table is kept
};

// Makes room for values up to index n; 0 when memory runs out.
int reserveUpTo(OrbitRun& run, std::int64_t n, std::int64_t limit)
{
    if (n < run.capacity) return 1;
    std::int64_t capacity = run.capacity * 2 < limit + 1 ? run.capacity * 2 : limit + 1;
    const std::uint64_t bytes = std::uint64_t(capacity) * kDoublesPerValue * sizeof(double);
    // The copies need the old arrays besides; what the system cannot give without paging is refused.
    if (bytes > SIZE_MAX || !memoryAllows(bytes)) return 0;
    std::unique_ptr<double[]> values(new (std::nothrow) double[std::size_t(capacity) * 2]);
    std::unique_ptr<double[]> low(new (std::nothrow) double[std::size_t(capacity) * 2]);
    std::unique_ptr<double[]> excess(new (std::nothrow) double[std::size_t(capacity)]);
    if (!values || !low || !excess) return 0;
    std::copy(run.orbit.values.get(), run.orbit.values.get() + 2 * run.capacity, values.get());
    std::copy(run.orbit.low.get(), run.orbit.low.get() + 2 * run.capacity, low.get());
    std::copy(run.orbit.excess.get(), run.orbit.excess.get() + run.capacity, excess.get());
    run.orbit.values = std::move(values);
    run.orbit.low = std::move(low);
    run.orbit.excess = std::move(excess);
    run.capacity = capacity;
    return 1;
}

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
    run.orbit.values[0] = 0.0;
    run.orbit.values[1] = 0.0;
    run.orbit.low[0] = 0.0;
    run.orbit.low[1] = 0.0;
    run.orbit.excess[0] = -4.0;
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
        if (!reserveUpTo(run, n, limit)) return kOrbitNoMemory;
        run.orbit.values[2 * n] = r;
        run.orbit.values[2 * n + 1] = i;
        run.orbit.low[2 * n] = Big<kBits>(zr - r).template convert_to<double>();
        run.orbit.low[2 * n + 1] = Big<kBits>(zi - i).template convert_to<double>();
        double excess = r * r + i * i - 4.0;
        if (std::fabs(excess) < kNearCircle) excess = Big<kBits>(zr * zr + zi * zi - 4).template convert_to<double>();
        run.orbit.excess[n] = excess;
        if (run.keepTiny && std::fabs(r) < kTinyReference && std::fabs(i) < kTinyReference) {
            run.orbit.tinyIndex.push_back(n);
            run.orbit.tinyValue.push_back(ComplexExp{floatExpOf(zr), floatExpOf(zi)});
        }
        if (excess > 0.0) break;  // infinity too, for centres far outside
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
    return (std::uint64_t(maxIterations) + 1) * kDoublesPerValue * sizeof(double);
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
    const std::int64_t capacity = kFirstCapacity < view.maxIterations + std::int64_t(1) ? kFirstCapacity
                                                                                     : view.maxIterations + std::int64_t(1);
    orbit.values.reset(new (std::nothrow) double[std::size_t(capacity) * 2]);
    orbit.low.reset(new (std::nothrow) double[std::size_t(capacity) * 2]);
    orbit.excess.reset(new (std::nothrow) double[std::size_t(capacity)]);
    if (!orbit.values || !orbit.low || !orbit.excess) return kOrbitNoMemory;
    OrbitRun run = {orbit, stop, report, context, capacity, orbit.deepestLog2 > kWideExponentFromLog2};
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
