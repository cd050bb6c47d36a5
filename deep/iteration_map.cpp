#include "deep/iteration_map.h"

#include <cmath>
#include <vector>

#include "core/palette.h"
#include "core/render_job.h"

namespace {

constexpr double kLargeRadiusSquared = 65536.0;  // R = 2^8
constexpr double kStepsToLargeRadius = 3.0;      // 2^(2^3) = R

struct MapRows {
    double originX;
    double stepX;
    const double* rowYs;
    std::int32_t maxIterations;
    Palette palette;
    PixelColor insideColor;
    FrameBuffer frame;
    IterationMap map;
    const std::atomic<int>* stop;
};

// escapeCount's loop, step for step, that also gives the value that escaped. An orbit that
// comes back exactly to a value it had (kept at every power of two steps) repeats forever and
// never escapes: it ends there with the limit, as the vector kernels end such orbits.
std::int32_t escapeWithValue(double cr, double ci, std::int32_t maxIterations, double& zr, double& zi)
{
    zr = 0.0;
    zi = 0.0;
    double keptR = 0.0, keptI = 0.0;
    std::int32_t j = 0, nextKeep = 1;
    while (j < maxIterations) {
        const double nextZr = (zr * zr - zi * zi) + cr;
        const double nextZi = 2.0 * zr * zi + ci;
        zr = nextZr;
        zi = nextZi;
        if (zr * zr + zi * zi > 4.0) break;
        ++j;
        if (zr == keptR && zi == keptI) return maxIterations;
        if (j == nextKeep) {
            keptR = zr;
            keptI = zi;
            nextKeep = nextKeep < (INT32_MAX >> 1) ? nextKeep * 2 : INT32_MAX;
        }
    }
    return j;
}

int renderMapRow(std::int32_t row, void* context)
{
    const MapRows& rows = *static_cast<const MapRows*>(context);
    const std::size_t first = std::size_t(row) * rows.frame.width;
    std::uint8_t* out = rows.frame.bits + first * kBytesPerPixel;
    double cr = rows.originX;
    const double ci = rows.rowYs[row];
    for (std::int32_t x = 0; x < rows.frame.width; ++x) {
        if (rows.stop->load(std::memory_order_relaxed)) return 0;
        double zr = 0, zi = 0;
        const std::int32_t j = escapeWithValue(cr, ci, rows.maxIterations, zr, zi);
        const PixelColor& color = j < rows.maxIterations ? rows.palette.entries[j & (kPaletteSize - 1)] : rows.insideColor;
        for (int b = 0; b < kBytesPerPixel; ++b) out[std::size_t(x) * kBytesPerPixel + b] = color.bytes[b];
        if (j < rows.maxIterations) {
            recordEscape(rows.map, first + std::size_t(x), j, zr, zi, cr, ci);
        } else {
            recordInside(rows.map, first + std::size_t(x));
        }
        cr = cr + rows.stepX;  // accumulated, as the kernels do
    }
    return 1;
}

}  // namespace

double continuousCount(std::int32_t count, double zr, double zi, double cr, double ci)
{
    double steps = double(count) + 1.0;
    double magnitude = zr * zr + zi * zi;
    for (; magnitude <= kLargeRadiusSquared; magnitude = zr * zr + zi * zi) {
        const double nextZr = (zr * zr - zi * zi) + cr;
        zi = 2.0 * zr * zi + ci;
        zr = nextZr;
        steps += 1.0;
    }
    // log2|z| / log2 R, from 1 to about 2.
    const double continuous = steps - kStepsToLargeRadius - std::log2(0.5 * std::log2(magnitude) / 8.0);
    return continuous > 0 ? continuous : 0.0;
}

void recordEscape(const IterationMap& map, std::size_t p, std::int32_t count, double zr, double zi, double cr,
                  double ci)
{
    if (!map.fractions) {
        map.counts[p] = std::uint32_t(count);
        return;
    }
    const double continuous = continuousCount(count, zr, zi, cr, ci);
    const double whole = std::floor(continuous);
    const float fraction = float(continuous - whole);
    map.counts[p] = std::uint32_t(whole);
    map.fractions[p] = fraction < 1.0f ? fraction : std::nextafter(1.0f, 0.0f);
}

void recordInside(const IterationMap& map, std::size_t p)
{
    map.counts[p] = kNotEscaped;
    if (map.fractions) map.fractions[p] = 0.0f;
}

double mapCount(const IterationMap& map, std::size_t p)
{
    if (map.counts[p] == kNotEscaped) return -1.0;
    return double(map.counts[p]) + (map.fractions ? double(map.fractions[p]) : 0.0);
}

int renderMapWithDoubles(const ViewParams& params, const FrameBuffer& frame, const IterationMap& map,
                         std::int32_t threads, const std::atomic<int>& stop, RowsReport report, void* context)
{
    // renderPicture's geometry: square pixels, rows accumulated from the bottom.
    RenderJob setup = {};
    Selection unused = {};
    beginRender(params, setup, frame, unused);
    std::vector<double> rowYs(std::size_t(frame.height));
    double rowY = params.centerY - (frame.height / 2) * setup.stepX;
    for (double& y : rowYs) {
        y = rowY;
        rowY = rowY + setup.stepX;
    }
    MapRows rows = {setup.originX, setup.stepX, rowYs.data(), setup.maxIterations, setup.palette, setup.insideColor,
                    frame, map, &stop};
    return runRowWorkers(frame.height, threads, renderMapRow, &rows, stop, report, context);
}
