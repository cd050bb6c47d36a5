#include "bla_path.h"

#include <cmath>

#include "render_cli/perturbation_render.h"

namespace {

BlaChoice gChoice = kBlaByLimit;
double gTolerance = kBlaTolerance;

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

void setBlaChoice(BlaChoice choice, double tolerance)
{
    gChoice = choice;
    gTolerance = tolerance > 0 ? tolerance : kBlaTolerance;
}

int prepareBlaPath(const DeepView& view, const ReferenceOrbit& orbit, std::int32_t width, std::int32_t height,
                   BlaTable<double>& table)
{
    table.levels = 0;
    if (!orbit.excess || gChoice == kBlaNever) return 0;
    const std::int32_t lastIndex = orbit.length < view.maxIterations + 1 ? orbit.length - 1 : view.maxIterations;
    const int onCircle = touchesEscapeCircle(orbit, lastIndex);
    if (!onCircle && gChoice == kBlaByLimit && view.maxIterations < kBlaFromLimit) return 0;
    const double step = std::fabs(double(pixelStep(view, width)));
    const double largestOffset = std::hypot(double(width / 2), double(height / 2)) * step;
    const int built = buildBlaTable<double>(orbit.values.get(), orbit.excess.get(), lastIndex, largestOffset, gTolerance, table);
    return built || onCircle;
}
