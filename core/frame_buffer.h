// The picture's pixel memory as the core sees it: width x height pixels of three bytes (blue,
// green, red), the bottom row first, rows directly behind each other.
#pragma once

#include <cstdint>

constexpr std::int32_t kPictureWidth = 640;
constexpr std::int32_t kPictureHeight = 480;
constexpr int kBytesPerPixel = 3;

// Rows of the 640-pixel picture need no padding to the 4-byte alignment of bitmap rows.
static_assert(kPictureWidth * kBytesPerPixel % 4 == 0, "frame-buffer rows are gap-free");

struct FrameBuffer {
    std::int32_t width;
    std::int32_t height;
    std::uint8_t* bits;
};
