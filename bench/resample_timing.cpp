// How long a dive's frame takes to resample from its two keyframes: 1280 x 720 frames from
// 2560 x 1440 keyframes, at depths through one octave, on one thread and on one per core.
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "dive/frame_resample.h"

int main()
{
    const std::int32_t width = 1280, height = 720;
    std::vector<std::uint8_t> outerBytes(std::size_t(4) * width * height * kBytesPerPixel);
    std::vector<std::uint8_t> innerBytes(outerBytes.size()), frameBytes(std::size_t(width) * height * kBytesPerPixel);
    for (std::size_t i = 0; i < outerBytes.size(); ++i) {
        outerBytes[i] = std::uint8_t(i * 7 % 251);
        innerBytes[i] = std::uint8_t(i * 13 % 241);
    }
    const FrameBuffer outer = {2 * width, 2 * height, outerBytes.data()};
    const FrameBuffer inner = {2 * width, 2 * height, innerBytes.data()};
    const FrameBuffer frame = {width, height, frameBytes.data()};
    const unsigned cores = std::thread::hardware_concurrency();
    for (const std::int32_t threads : {std::int32_t(1), std::int32_t(cores ? cores : 1)}) {
        const int frames = 32;
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < frames; ++i) resampleFrame(outer, &inner, double(i) / frames, frame, threads);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%ldx%ld frame, %ld thread(s): %.1f ms a frame\n", long(width), long(height), long(threads),
                    seconds / frames * 1000);
    }
}
