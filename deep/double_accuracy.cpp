#include "deep/double_accuracy.h"

#include <cmath>

#include "deep/deep_render.h"

namespace {

constexpr double kRounding = 0x1p-53;
constexpr std::int32_t kSampleColumns = 32, kSampleRows = 24;

// Whether the rounding error carried to the end of the orbit of c = (cr, ci) passes
// kDoubtfulError.
int doubtful(double cr, double ci, std::int32_t limit)
{
    double zr = cr, zi = ci;
    double error = kRounding * std::sqrt(cr * cr + ci * ci);
    // An orbit that comes back exactly to a value (looked for at steps 2^k, as the kernels'
    // cycle checks do) stays in its cycle up to the limit, with its error settled.
    double savedR = zr, savedI = zi;
    std::int32_t nextSave = 2;
    for (std::int32_t n = 1; n < limit && error <= kDoubtfulError; ++n) {
        const double zr2 = zr * zr, zi2 = zi * zi;
        if (zr2 + zi2 > 4.0) break;
        const double nextZr = zr2 - zi2 + cr, nextZi = 2.0 * zr * zi + ci;
        error = 2.0 * std::sqrt(zr2 + zi2) * error +
                kRounding * (2.0 * (zr2 + zi2) + std::sqrt(nextZr * nextZr + nextZi * nextZi));
        zr = nextZr;
        zi = nextZi;
        if (zr == savedR && zi == savedI) break;
        if (n == nextSave) {
            savedR = zr;
            savedI = zi;
            nextSave = nextSave < INT32_MAX / 2 ? 2 * nextSave : INT32_MAX;
        }
    }
    return error > kDoubtfulError;
}

}  // namespace

double doubleErrorShare(const DeepView& view, std::int32_t width, std::int32_t height)
{
    const ViewParams params = paramsOf(view);
    const double step = (6.0 / width) / params.magnification;
    const std::int32_t columns = width < kSampleColumns ? width : kSampleColumns;
    const std::int32_t rows = height < kSampleRows ? height : kSampleRows;
    double sum = 0.0;
    for (std::int32_t r = 0; r < rows; ++r) {
        for (std::int32_t i = 0; i < columns; ++i) {
            // The pixel in the middle of each cell of the grid.
            const std::int32_t x = std::int32_t((2 * i + 1) * std::int64_t(width) / (2 * columns));
            const std::int32_t y = std::int32_t((2 * r + 1) * std::int64_t(height) / (2 * rows));
            sum += doubtful(params.centerX + (x - width / 2) * step, params.centerY + (y - height / 2) * step,
                                view.maxIterations);
        }
    }
    return sum / (double(columns) * rows);
}
