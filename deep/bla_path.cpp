#include "deep/bla_path.h"

#include <algorithm>
#include <cmath>

#include "platform/memory.h"
#include "deep/perturbation_render.h"
#include "deep/scaled_render.h"

namespace {

BlaSettings gSettings = kBlaSettings;
// A reference return counts where it comes this near 0, after at least this many steps.
constexpr double kNearZero = 0x1p-10;
constexpr std::int32_t kShortestReturn = 64;

// Whether a reference value up to the picture's last index lies so near the escape circle that
// only the excess decides a pixel's escape there.
int touchesEscapeCircle(const ReferenceOrbit& orbit, std::int32_t lastIndex)
{
    for (std::int32_t m = 0; m <= lastIndex; ++m) {
        if (std::fabs(orbit.excess[m]) < kEscapeCircleMargin) return 1;
    }
    return 0;
}

// The first index m >= 1 at which the reference comes within twice its smallest size of 0: where
// an attracting cycle returns near 0, its period (or a multiple). 0 where the reference never
// comes near 0 or returns so often that looking at every return would shorten the merged steps.
std::int32_t returnPeriod(const ReferenceOrbit& orbit, std::int32_t lastIndex)
{
    double smallest = HUGE_VAL;
    for (std::int32_t m = 1; m <= lastIndex; ++m) {
        const double size = std::fabs(orbit.values[2 * m]) + std::fabs(orbit.values[2 * m + 1]);
        smallest = size < smallest ? size : smallest;
    }
    for (std::int32_t m = 1; m <= lastIndex; ++m) {
        if (std::fabs(orbit.values[2 * m]) + std::fabs(orbit.values[2 * m + 1]) <= 2 * smallest) {
            return smallest < kNearZero && m >= kShortestReturn ? m : 0;
        }
    }
    return 0;
}

// The mean of count(x, r) over a grid of pixels spread over a width x height picture: the
// columns and rows in the middle of equal strips.
template <class Count>
double sampleMean(std::int32_t width, std::int32_t height, Count count)
{
    const std::int32_t across = width < kCostSampleSide ? width : kCostSampleSide;
    const std::int32_t down = height < kCostSampleSide ? height : kCostSampleSide;
    double sum = 0;
    for (std::int32_t j = 0; j < down; ++j) {
        for (std::int32_t i = 0; i < across; ++i) {
            sum += count(std::int32_t((2 * std::int64_t(i) + 1) * width / (2 * across)),
                         std::int32_t((2 * std::int64_t(j) + 1) * height / (2 * down)));
        }
    }
    return across > 0 && down > 0 ? sum / (double(across) * down) : 0.0;
}

}  // namespace

double sampledMeanSteps(const DeepView& view, const ReferenceOrbit& orbit, std::int32_t width, std::int32_t height)
{
    DeepView capped = view;
    capped.maxIterations = view.maxIterations < kCostSampleCap ? view.maxIterations : kCostSampleCap;
    return sampleMean(width, height, [&](std::int32_t x, std::int32_t r) {
        return perturbedCount(capped, orbit, width, height, x, r);
    });
}

void setBlaSettings(const BlaSettings& settings)
{
    gSettings = settings;
}

const BlaSettings& blaSettings()
{
    return gSettings;
}

namespace {

// The steps that the merged steps' loop takes a turn (a merged or a plain step each) on the
// same grid of pixels as sampledMeanSteps, counted to kTurnSampleCap steps: where pixels'
// differences grow fast, merged steps are short, however long the pixels run.
template <class CountAt>
double sampledStepsPerTurn(const BlaPicture& pixel, std::int32_t width, std::int32_t height, CountAt countAt)
{
    std::int64_t turns = 0;
    double steps = 0;
    BlaPicture capped = pixel;
    capped.maxIterations = pixel.maxIterations < kTurnSampleCap ? pixel.maxIterations : kTurnSampleCap;
    capped.turns = &turns;
    sampleMean(width, height, [&](std::int32_t x, std::int32_t r) {
        steps += countAt(capped, x, r);
        return 0.0;
    });
    return turns > 0 ? steps / double(turns) : 0.0;
}

// Builds the table of the picture's largest offset, in T from the values that valueAt gives,
// where the merged steps pay by their expected cost: pixels that run long (the lanes' steps on
// a sample), and that take enough steps a turn of the merged steps' loop on the same sample
// (one turn costs about kBlaTurnCost lane steps), or a reference on the escape circle.
template <class T, class ValueAt, class CountAt>
int preparePath(const DeepView& view, const ReferenceOrbit& orbit, std::int32_t width, std::int32_t height,
                T largestOffset, ValueAt valueAt, CountAt countAt, BlaTable<T>& table, BlaPicture& pixel)
{
    table.levels = 0;
    pixel.rebaseRatio = gSettings.rebaseRatio;
    pixel.interiorCheck = gSettings.interiorCheck;
    pixel.checkPeriod = 0;
    pixel.turns = nullptr;
    if (!orbit.excess || gSettings.choice == kBlaNever) return 0;
    const std::int32_t lastIndex = lastIndexFor(orbit, view.maxIterations);
    pixel.reference = orbit.values.get();
    pixel.excess = orbit.excess.get();
    pixel.lastIndex = lastIndex;
    pixel.maxIterations = view.maxIterations;
    const int onCircle = touchesEscapeCircle(orbit, lastIndex);
    const int byCost = !onCircle && gSettings.choice == kBlaByCost;
    const double laneSteps = byCost && view.maxIterations >= kBlaFromMeanSteps ? sampledMeanSteps(view, orbit, width, height) : 0.0;
    if (byCost && laneSteps < kBlaFromMeanSteps) return 0;
    pixel.checkPeriod = returnPeriod(orbit, lastIndex);
    // The table is left out where it does not fit: the lanes need none.
    const int fits = blaBytes(lastIndex + 1, sizeof(BlaStep<T>)) <= availableMemory();
    const int built = fits && buildBlaTableWith<T>(valueAt, orbit.excess.get(), lastIndex, largestOffset,
                                                   T(gSettings.tolerance), table);
    if (built && byCost && sampledStepsPerTurn(pixel, width, height, countAt) < kBlaTurnCost) {
        table.levels = 0;
        return 0;
    }
    return built || onCircle;
}

}  // namespace

int prepareBlaPath(const DeepView& view, const ReferenceOrbit& orbit, std::int32_t width, std::int32_t height,
                   BlaTable<double>& table, BlaPicture& pixel)
{
    pixel.table = &table;
    const double step = std::fabs(double(pixelStep(view, width)));
    const double largestOffset = std::hypot(double(width / 2), double(height / 2)) * step;
    const double* reference = orbit.values.get();
    const auto valueAt = [reference](std::int64_t m, double& re, double& im) {
        re = reference[2 * m];
        im = reference[2 * m + 1];
    };
    const long double pixelSize = pixelStep(view, width);
    const auto countAt = [=](const BlaPicture& picture, std::int32_t x, std::int32_t r) {
        return blaCount(picture, double(pixelOffset(x, width, pixelSize)), double(pixelOffset(r, height, pixelSize)));
    };
    return preparePath(view, orbit, width, height, largestOffset, valueAt, countAt, table, pixel);
}

int prepareWideBlaPath(const DeepView& view, const ReferenceOrbit& orbit, std::int32_t width, std::int32_t height,
                       BlaTable<FloatExp>& table, BlaPicture& pixel)
{
    pixel.wideTable = &table;
    pixel.tinyIndex = orbit.tinyIndex.data();
    pixel.tinyValue = orbit.tinyValue.data();
    pixel.tinyCount = std::int32_t(orbit.tinyIndex.size());
    const FloatExp largestOffset =
        fabs(pixelStepExp(view, width)) * FloatExp(std::hypot(double(width / 2), double(height / 2)));
    const auto valueAt = [&orbit](std::int64_t m, FloatExp& re, FloatExp& im) {
        const auto at = std::lower_bound(orbit.tinyIndex.begin(), orbit.tinyIndex.end(), std::int32_t(m));
        if (at != orbit.tinyIndex.end() && *at == m) {
            const ComplexExp& z = orbit.tinyValue[std::size_t(at - orbit.tinyIndex.begin())];
            re = z.re;
            im = z.im;
            return;
        }
        re = FloatExp(orbit.values[2 * m]);
        im = FloatExp(orbit.values[2 * m + 1]);
    };
    const FloatExp pixelSize = pixelStepExp(view, width);
    const auto countAt = [=](const BlaPicture& picture, std::int32_t x, std::int32_t r) {
        return blaCountWide(picture, pixelOffsetExp(x, width, pixelSize), pixelOffsetExp(r, height, pixelSize));
    };
    return preparePath(view, orbit, width, height, largestOffset, valueAt, countAt, table, pixel);
}
