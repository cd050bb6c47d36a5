// What the deep tests share: a view from its texts, the renderer's picture of it, and the escape
// count of one of its pixels by brute force in Boost's binary floating point.
#pragma once

#include <boost/multiprecision/cpp_bin_float.hpp>

#include <string>

#include "core/palette.h"
#include "deep/deep_render.h"
#include "files/view_fields.h"
#include "tests/test_support.h"

template <unsigned kBits>
using Big = boost::multiprecision::number<boost::multiprecision::cpp_bin_float<kBits>, boost::multiprecision::et_off>;

inline DeepView deepViewAt(const std::string& x, const std::string& y, const char* magnification, std::int32_t limit)
{
    DeepView view = deepViewOf(testView(0, 0, 1, limit));
    std::string error;
    EXPECT_TRUE(setDeepField(view, kCenterX, x.c_str(), error) && setDeepField(view, kCenterY, y.c_str(), error) &&
                setDeepField(view, kMagnificationField, magnification, error)) << error;
    return view;
}

inline std::string renderedPixels(const DeepView& view, std::int32_t width, std::int32_t height)
{
    std::string pixels(std::size_t(width) * height * 3, '\0');
    const FrameBuffer frame = {width, height, reinterpret_cast<std::uint8_t*>(&pixels[0])};
    const std::atomic<int> never{0};
    EXPECT_EQ(kDeepRendered, renderDeepView(view, frame, 2, never, kNoObserver, nullptr));
    return pixels;
}

template <unsigned kBits>
std::int32_t bruteAt(const Big<kBits>& cr, const Big<kBits>& ci, std::int32_t limit)
{
    Big<kBits> zr = 0, zi = 0;
    std::int32_t n = 0;
    for (; n < limit; ++n) {
        const Big<kBits> twoZrZi = 2 * zr * zi;
        zr = zr * zr - zi * zi + cr;
        zi = twoZrZi + ci;
        if (zr * zr + zi * zi > 4) break;
    }
    return n;
}

// The escape count of pixel (x, r) of a width x height picture of view, at its exact position.
template <unsigned kBits>
std::int32_t bruteCount(const DeepView& view, const char* magnification, std::int32_t width, std::int32_t height,
                        std::int32_t x, std::int32_t r)
{
    const Big<kBits> step = Big<kBits>(6) / (Big<kBits>(magnification) * width);
    return bruteAt<kBits>(Big<kBits>(view.centerX) + step * (x - width / 2),
                          Big<kBits>(view.centerY) + step * (r - height / 2), view.maxIterations);
}

// The pixel bytes of a count in view's palette.
inline std::string colourOf(const DeepView& view, std::int32_t count)
{
    Palette palette;
    buildPalette(paramsOf(view), palette);
    return count < view.maxIterations ? bytesOf(palette.entries[count % kPaletteSize]) : kInside;
}
