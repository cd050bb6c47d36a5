#include "bla_path.h"

#include <cmath>

#include "platform/available_memory.h"
#include "render_cli/perturbation_render.h"

namespace {

BlaSettings gSettings = kBlaSettings;

// Whether a reference value up to the picture's last index lies so near the escape circle that
// only the excess decides a pixel's escape there.
int touchesEscapeCircle(const ReferenceOrbit& orbit, std::int32_t lastIndex)
{
    for (std::int32_t m = 0; m <= lastIndex; ++m) {
        if (std::fabs(orbit.excess[m]) < kEscapeCircleMargin) return 1;
    }
    return 0;
}

}  // namespace

void setBlaSettings(const BlaSettings& settings)
{
    gSettings = settings;
}

int prepareBlaPath(const DeepView& view, const ReferenceOrbit& orbit, std::int32_t width, std::int32_t height,
                   BlaTable<double>& table, BlaPicture& pixel)
{
    table.levels = 0;
    pixel.table = &table;
    pixel.rebaseRatio = gSettings.rebaseRatio;
    pixel.interiorCheck = gSettings.interiorCheck;
    if (!orbit.excess || gSettings.choice == kBlaNever) return 0;
    const std::int32_t lastIndex = orbit.length < view.maxIterations + 1 ? orbit.length - 1 : view.maxIterations;
    const int onCircle = touchesEscapeCircle(orbit, lastIndex);
    if (!onCircle && gSettings.choice == kBlaByLimit && view.maxIterations < kBlaFromLimit) return 0;
    const double step = std::fabs(double(pixelStep(view, width)));
    const double largestOffset = std::hypot(double(width / 2), double(height / 2)) * step;
    // The table is left out where it does not fit: the lanes need none.
    const int fits = blaBytes(lastIndex + 1, sizeof(BlaStep<double>)) <= availableMemoryBytes();
    const int built = fits && buildBlaTable<double>(orbit.values.get(), orbit.excess.get(), lastIndex, largestOffset, gSettings.tolerance, table);
    return built || onCircle;
}
