#include "frame_resample.h"

#include <cmath>
#include <thread>
#include <vector>

namespace {

// A footprint spans at most 4 keyframe pixels (the inner keyframe right at a keyframe's
// magnification), so it touches at most 6.
constexpr int kMaxTaps = 6;

// The keyframe pixels under one frame pixel along one axis, and their shares of it.
struct Taps {
    std::int32_t first;
    std::int32_t count;
    float weights[kMaxTaps];
    int inside;  // the footprint lies wholly within the keyframe
};

// Frame pixel i spans [centre - scale/2, centre + scale/2] in keyframe pixel units, where
// keyframe pixel j spans [j - 1/2, j + 1/2]; each keyframe pixel weighs what it overlaps.
Taps tapsOf(std::int32_t i, std::int32_t frameSize, std::int32_t keySize, double scale)
{
    const double centre = keySize / 2 + (i - frameSize / 2) * scale;
    const double edge = keySize - 0.5;
    const double low = centre - scale / 2, high = centre + scale / 2;
    Taps taps = {};
    taps.inside = low >= -0.5 && high <= edge;
    const double from = low < -0.5 ? -0.5 : low, to = high > edge ? edge : high;
    taps.first = std::int32_t(std::floor(from + 0.5));
    float total = 0;
    for (std::int32_t j = taps.first; j + 0.5 > from && j - 0.5 < to && taps.count < kMaxTaps; ++j) {
        const double overlap = std::fmin(to, j + 0.5) - std::fmax(from, j - 0.5);
        taps.weights[taps.count++] = float(overlap);
        total += float(overlap);
    }
    for (int t = 0; t < taps.count; ++t) taps.weights[t] /= total;
    return taps;
}

struct AxisTaps {
    std::vector<Taps> columns;
    std::vector<Taps> rows;
};

AxisTaps axisTaps(const FrameBuffer& key, const FrameBuffer& frame, double scale)
{
    AxisTaps taps;
    for (std::int32_t i = 0; i < frame.width; ++i) taps.columns.push_back(tapsOf(i, frame.width, key.width, scale));
    for (std::int32_t r = 0; r < frame.height; ++r) taps.rows.push_back(tapsOf(r, frame.height, key.height, scale));
    return taps;
}

void averagePixel(const FrameBuffer& key, const Taps& column, const Taps& row, std::uint8_t* pixel)
{
    float sums[3] = {0, 0, 0};
    for (int y = 0; y < row.count; ++y) {
        const std::uint8_t* line = key.bits + (std::size_t(row.first + y) * key.width + column.first) * kBytesPerPixel;
        for (int x = 0; x < column.count; ++x) {
            const float weight = row.weights[y] * column.weights[x];
            for (int c = 0; c < 3; ++c) sums[c] += weight * line[x * kBytesPerPixel + c];
        }
    }
    for (int c = 0; c < 3; ++c) pixel[c] = std::uint8_t(sums[c] > 254.5f ? 255 : sums[c] + 0.5f);
}

struct Sources {
    const FrameBuffer* outer;
    const FrameBuffer* inner;
    AxisTaps outerTaps;
    AxisTaps innerTaps;
};

void resampleRows(const Sources& sources, const FrameBuffer& frame, std::int32_t firstRow, std::int32_t endRow)
{
    for (std::int32_t r = firstRow; r < endRow; ++r) {
        std::uint8_t* pixel = frame.bits + std::size_t(r) * frame.width * kBytesPerPixel;
        for (std::int32_t i = 0; i < frame.width; ++i, pixel += kBytesPerPixel) {
            const Taps& innerColumn = sources.innerTaps.columns[std::size_t(i)];
            const Taps& innerRow = sources.innerTaps.rows[std::size_t(r)];
            if (sources.inner && innerColumn.inside && innerRow.inside) {
                averagePixel(*sources.inner, innerColumn, innerRow, pixel);
            } else {
                averagePixel(*sources.outer, sources.outerTaps.columns[std::size_t(i)],
                             sources.outerTaps.rows[std::size_t(r)], pixel);
            }
        }
    }
}

}  // namespace

void resampleFrame(const FrameBuffer& outer, const FrameBuffer* inner, double depth, const FrameBuffer& frame,
                   std::int32_t threads)
{
    // Keyframe pixels per frame pixel: 2 at the keyframe's own magnification, down to 1 an
    // octave deeper; twice that in the inner keyframe.
    const double scale = 2 * std::exp2(-depth);
    const Sources sources = {&outer, inner, axisTaps(outer, frame, scale), axisTaps(outer, frame, 2 * scale)};
    std::vector<std::thread> workers;
    const std::int32_t share = (frame.height + threads - 1) / threads;
    for (std::int32_t first = share; first < frame.height; first += share) {
        const std::int32_t end = first + share < frame.height ? first + share : frame.height;
        workers.emplace_back(resampleRows, std::cref(sources), std::cref(frame), first, end);
    }
    resampleRows(sources, frame, 0, share < frame.height ? share : frame.height);
    for (std::thread& worker : workers) worker.join();
}
