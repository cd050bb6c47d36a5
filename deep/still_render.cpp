#include "deep/still_render.h"

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "deep/map_render.h"

DeepResult renderStill(const DeepView& view, const FrameBuffer& frame, std::int32_t samples, const IterationMap* map,
                       std::int32_t threads, const std::atomic<int>& stop, const ProgressObserver& observer)
{
    if (map) return renderViewAndMap(view, frame, *map, threads, stop, observer, nullptr);
    if (samples <= 1) return renderDeepView(view, frame, threads, stop, observer, nullptr);
    const std::uint64_t bytes = std::uint64_t(frame.width) * std::uint64_t(frame.height) * std::uint64_t(samples) *
                                std::uint64_t(samples) * kBytesPerPixel;
    std::unique_ptr<std::uint8_t[]> pixels(bytes <= SIZE_MAX / 2 ? new (std::nothrow) std::uint8_t[std::size_t(bytes)]
                                                                  : nullptr);
    if (!pixels) return kDeepNoMemory;
    const FrameBuffer fine = {frame.width * samples, frame.height * samples, pixels.get()};
    const DeepResult result = renderDeepView(view, fine, threads, stop, observer, nullptr);
    if (result == kDeepRendered) averageSamples(fine, samples, frame);
    return result;
}

void averageSamples(const FrameBuffer& fine, std::int32_t samples, const FrameBuffer& frame)
{
    const std::uint32_t count = std::uint32_t(samples) * std::uint32_t(samples);
    std::vector<std::uint32_t> sums(std::size_t(frame.width) * kBytesPerPixel);
    for (std::int32_t r = 0; r < frame.height; ++r) {
        std::fill(sums.begin(), sums.end(), 0u);
        for (std::int32_t s = 0; s < samples; ++s) {
            const std::uint8_t* in = fine.bits + std::size_t(r * samples + s) * fine.width * kBytesPerPixel;
            for (std::int32_t x = 0; x < fine.width; ++x) {
                std::uint32_t* sum = &sums[std::size_t(x / samples) * kBytesPerPixel];
                for (int b = 0; b < kBytesPerPixel; ++b) sum[b] += in[std::size_t(x) * kBytesPerPixel + b];
            }
        }
        std::uint8_t* out = frame.bits + std::size_t(r) * frame.width * kBytesPerPixel;
        for (std::size_t i = 0; i < sums.size(); ++i) out[i] = std::uint8_t((sums[i] + count / 2) / count);
    }
}
