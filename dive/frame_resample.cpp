#include "dive/frame_resample.h"

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

// Bytes as floats, looked up: faster than converting each.
struct ByteValues {
    float values[256];
    constexpr ByteValues() : values()
    {
        for (int i = 0; i < 256; ++i) values[i] = float(i);
    }
};
constexpr ByteValues kByteValues;

// Keyframe rows already filtered across, each the frame's width wide: a frame row needs up
// to kMaxTaps neighbouring keyframe rows, and the next frame row mostly the same ones, so each
// keyframe row is filtered across once. Slots are taken by row number modulo their count.
constexpr int kCachedRows = 8;

struct RowCache {
    const FrameBuffer* key;
    const AxisTaps* taps;
    std::int32_t frameWidth;
    std::int32_t rows[kCachedRows];
    std::vector<float> values;  // kCachedRows rows of frameWidth pixels of 3 channels
};

void startCache(RowCache& cache, const FrameBuffer* key, const AxisTaps* taps, std::int32_t frameWidth)
{
    cache.key = key;
    cache.taps = taps;
    cache.frameWidth = frameWidth;
    for (std::int32_t& row : cache.rows) row = -1;
    cache.values.assign(std::size_t(kCachedRows) * frameWidth * 3, 0.0f);
}

// Keyframe row keyRow filtered across, for the columns whose footprint lies in the keyframe
// (or all of them, for the outer keyframe, whose footprints are clipped to it).
const float* filteredRow(RowCache& cache, std::int32_t keyRow, int insideOnly)
{
    const int slot = keyRow % kCachedRows;
    float* out = &cache.values[std::size_t(slot) * cache.frameWidth * 3];
    if (cache.rows[slot] == keyRow) return out;
    cache.rows[slot] = keyRow;
    const std::uint8_t* line = cache.key->bits + std::size_t(keyRow) * cache.key->width * kBytesPerPixel;
    for (std::int32_t i = 0; i < cache.frameWidth; ++i, out += 3) {
        const Taps& column = cache.taps->columns[std::size_t(i)];
        if (insideOnly && !column.inside) continue;
        const std::uint8_t* pixel = line + std::size_t(column.first) * kBytesPerPixel;
        float blue = 0, green = 0, red = 0;
        for (int x = 0; x < column.count; ++x, pixel += kBytesPerPixel) {
            const float weight = column.weights[x];
            blue += weight * kByteValues.values[pixel[0]];
            green += weight * kByteValues.values[pixel[1]];
            red += weight * kByteValues.values[pixel[2]];
        }
        out[0] = blue;
        out[1] = green;
        out[2] = red;
    }
    return out - std::size_t(cache.frameWidth) * 3;
}

// Frame pixel i of the rows given, filtered down, into pixel.
void filterDown(const float* const* rows, const Taps& row, std::int32_t i, std::uint8_t* pixel)
{
    for (int c = 0; c < 3; ++c) {
        float sum = 0;
        for (int y = 0; y < row.count; ++y) sum += row.weights[y] * rows[y][std::size_t(i) * 3 + c];
        pixel[c] = std::uint8_t(sum > 254.5f ? 255 : sum < 0 ? 0 : sum + 0.5f);
    }
}

struct Sources {
    const FrameBuffer* outer;
    const FrameBuffer* inner;
    AxisTaps outerTaps;
    AxisTaps innerTaps;
};

void resampleRows(const Sources& sources, const FrameBuffer& frame, std::int32_t firstRow, std::int32_t endRow)
{
    RowCache outer, inner;
    startCache(outer, sources.outer, &sources.outerTaps, frame.width);
    if (sources.inner) startCache(inner, sources.inner, &sources.innerTaps, frame.width);
    for (std::int32_t r = firstRow; r < endRow; ++r) {
        const Taps& outerRow = sources.outerTaps.rows[std::size_t(r)];
        const Taps& innerRow = sources.innerTaps.rows[std::size_t(r)];
        const int useInner = sources.inner && innerRow.inside;
        const float* outerRows[kMaxTaps];
        const float* innerRows[kMaxTaps];
        for (int y = 0; y < outerRow.count; ++y) outerRows[y] = filteredRow(outer, outerRow.first + y, 0);
        for (int y = 0; useInner && y < innerRow.count; ++y) innerRows[y] = filteredRow(inner, innerRow.first + y, 1);
        std::uint8_t* pixel = frame.bits + std::size_t(r) * frame.width * kBytesPerPixel;
        for (std::int32_t i = 0; i < frame.width; ++i, pixel += kBytesPerPixel) {
            if (useInner && sources.innerTaps.columns[std::size_t(i)].inside) {
                filterDown(innerRows, innerRow, i, pixel);
            } else {
                filterDown(outerRows, outerRow, i, pixel);
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
