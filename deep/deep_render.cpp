#include "deep/deep_render.h"

#include <cmath>
#include <cstdlib>

#include "core/palette.h"
#include "deep/double_accuracy.h"
#include "deep/iteration_map.h"
#include "deep/map_render.h"
#include "deep/perturbation_render.h"
#include "deep/picture_render.h"

namespace {

// The share of the progress bar that a reference orbit computed here takes: its time against
// the pixels', estimated from measured rates (bench/deep_speed.cpp merged, orbit column: about
// 1.5 ns a step per bit of precision on one thread; pixels at about 1 ns a step, an estimated
// 2000 steps each at most, on all threads).
constexpr double kOrbitSecondsPerStepBit = 1.5e-9;
constexpr double kPixelSecondsPerStep = 1e-9;
constexpr double kPixelStepsEstimate = 2000;

double orbitShare(const DeepView& view, const FrameBuffer& frame, std::int32_t threads)
{
    const double bits = precisionBitsFor(magnificationLog2(view.magnification));
    const double orbit = double(view.maxIterations) * bits * kOrbitSecondsPerStepBit;
    const double steps = view.maxIterations < kPixelStepsEstimate ? view.maxIterations : kPixelStepsEstimate;
    const double pixels = double(frame.width) * frame.height * steps * kPixelSecondsPerStep / (threads > 0 ? threads : 1);
    const double share = orbit / (orbit + pixels);
    return share < 0.01 ? 0.01 : share > 0.95 ? 0.95 : share;
}

struct ProgressShare {
    const ProgressObserver* observer;
    double before;  // the share done before this stage
    double share;   // this stage's share
    std::int32_t rows;
};

void reportOrbit(double done, void* context)
{
    const ProgressShare& share = *static_cast<const ProgressShare*>(context);
    ProgressReport report = {share.before + share.share * done, nullptr, 0, share.rows, 0, 0, 0, 0, -1, nullptr};
    tell(*share.observer, report);
}

void reportRows(std::int32_t rowsDone, void* context)
{
    const ProgressShare& share = *static_cast<const ProgressShare*>(context);
    ProgressReport report = {share.before + share.share * rowsDone / share.rows, nullptr, rowsDone, share.rows,
                             0, 0, 0, 0, -1, nullptr};
    tell(*share.observer, report);
}

// Where the accumulated positions of `pixels` columns (or rows) stray from the exact ones,
// in pixels at most; center is the double of the centre text.
long double accumulatedStray(const std::string& centerText, double center, double step, long double exactStep,
                             std::int32_t pixels)
{
    const long double exactCenter = std::strtold(centerText.c_str(), nullptr);
    double position = center - (pixels / 2) * step;
    long double stray = 0;
    for (std::int32_t i = 0; i < pixels; ++i) {
        const long double off = (static_cast<long double>(position) - center) + (center - exactCenter) -
                                pixelOffset(i, pixels, exactStep);
        if (std::fabs(off) > stray) stray = std::fabs(off);
        position = position + step;
    }
    return stray / std::fabs(exactStep);
}

void fillInside(const DeepView& view, const FrameBuffer& frame)
{
    const PixelColor inside = pixelFromColorRef(view.colors[3]);
    for (std::size_t i = 0; i < std::size_t(frame.width) * frame.height; ++i) {
        for (int b = 0; b < kBytesPerPixel; ++b) frame.bits[i * kBytesPerPixel + b] = inside.bytes[b];
    }
}

DeepResult resultOf(int rendered)
{
    return rendered == kNoThread ? kDeepNoThread : rendered ? kDeepRendered : kDeepStopped;
}

}  // namespace

DeepResult deepResultOf(OrbitResult result)
{
    switch (result) {
    case kOrbitDone: return kDeepRendered;
    case kOrbitNoMemory: return kDeepNoMemory;
    case kOrbitBadCenter: return kDeepBadCenter;
    default: return kDeepStopped;
    }
}

ViewParams paramsOf(const DeepView& view)
{
    ViewParams params = kInitialViewParams;
    params.centerX = std::strtod(view.centerX.c_str(), nullptr);
    params.centerY = std::strtod(view.centerY.c_str(), nullptr);
    const Magnification& m = view.magnification;
    // ldexp rounds to the nearest double, subnormal ones too, and overflows to infinity.
    params.magnification = m.exponent > 1100 ? HUGE_VAL : m.exponent < -1100 ? 0.0 : std::ldexp(m.mantissa, int(m.exponent));
    params.maxIterations = view.maxIterations;
    for (int i = 0; i < 4; ++i) params.colors[i] = view.colors[i];
    return params;
}

int rendersWithDoubles(const DeepView& view, std::int32_t width, std::int32_t height)
{
    if (magnificationLog2(view.magnification) > kPerturbationFromLog2) return 0;
    const ViewParams params = paramsOf(view);
    if (!isDrawableView(params)) return 0;
    if (!view.programPixels && doubleErrorShare(view, width, height) > kDoubleErrorShare) return 0;
    // The steps and first positions as the double kernels take them (square pixels).
    const double step = (6.0 / width) / params.magnification;
    const long double exactStep = pixelStep(view, width);
    return accumulatedStray(view.centerX, params.centerX, step, exactStep, width) <= 0.25L &&
           accumulatedStray(view.centerY, params.centerY, step, exactStep, height) <= 0.25L;
}

DeepResult renderDeepView(const DeepView& view, const FrameBuffer& frame, std::int32_t threads,
                          const std::atomic<int>& stop, const ProgressObserver& observer,
                          const ReferenceOrbit* orbit, const IterationMap* map)
{
    if (view.colouring.smooth && !map) return renderContinuousColour(view, frame, threads, stop, observer, orbit);
    ProgressShare share = {&observer, 0.0, 1.0, frame.height};
    if (rendersWithDoubles(view, frame.width, frame.height)) {
        if (map) return resultOf(renderMapWithDoubles(paramsOf(view), frame, *map, threads, stop, reportRows, &share));
        return resultOf(renderPicture(paramsOf(view), frame, threads, stop, reportRows, &share));
    }
    if (view.maxIterations <= 0) {  // no step is taken: nothing escapes
        fillInside(view, frame);
        for (std::size_t p = 0; map && p < std::size_t(frame.width) * frame.height; ++p) recordInside(*map, p);
        return kDeepRendered;
    }
    ReferenceOrbit own;
    if (!orbit || !orbitServes(*orbit, view)) {
        const double orbitPart = orbitShare(view, frame, threads);
        share.share = orbitPart;
        const OrbitResult result =
            computeReferenceOrbit(view, magnificationLog2(view.magnification), own, stop, reportOrbit, &share);
        if (result != kOrbitDone) return deepResultOf(result);
        orbit = &own;
        share.before = orbitPart;
        share.share = 1.0 - orbitPart;
    }
    return resultOf(renderPerturbed(view, *orbit, frame, threads, stop, reportRows, &share, map));
}
