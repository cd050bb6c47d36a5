// Whole deep pictures from the picture renderer: every pixel against a brute-force render, and
// the centre where it was asked for however deep.
#include <boost/multiprecision/cpp_bin_float.hpp>

#include "core/palette.h"
#include "deep/deep_render.h"
#include "files/view_fields.h"
#include "tests/test_support.h"

namespace {

template <unsigned kBits>
using Big = boost::multiprecision::number<boost::multiprecision::cpp_bin_float<kBits>, boost::multiprecision::et_off>;

DeepView viewOf(const std::string& x, const std::string& y, const char* magnification, std::int32_t limit)
{
    DeepView view = deepViewOf(testView(0, 0, 1, limit));
    std::string error;
    EXPECT_TRUE(setDeepField(view, kCenterX, x.c_str(), error) && setDeepField(view, kCenterY, y.c_str(), error) &&
                setDeepField(view, kMagnificationField, magnification, error)) << error;
    return view;
}

std::string render(const DeepView& view, std::int32_t width, std::int32_t height)
{
    std::string pixels(std::size_t(width) * height * 3, '\0');
    const FrameBuffer frame = {width, height, reinterpret_cast<std::uint8_t*>(&pixels[0])};
    const std::atomic<int> never{0};
    EXPECT_EQ(kDeepRendered, renderDeepView(view, frame, 2, never, kNoObserver, nullptr));
    return pixels;
}

// The colour of every pixel by brute force at the pixels' exact positions, in kBits of precision.
template <unsigned kBits>
std::string bruteForce(const DeepView& view, const char* magnification, std::int32_t width, std::int32_t height)
{
    using Big = ::Big<kBits>;
    Palette palette;
    buildPalette(paramsOf(view), palette);
    const Big step = Big(6) / (Big(magnification) * width), x0(view.centerX), y0(view.centerY);
    std::string pixels;
    for (std::int32_t r = 0; r < height; ++r) {
        for (std::int32_t x = 0; x < width; ++x) {
            const Big cr = x0 + step * (x - width / 2), ci = y0 + step * (r - height / 2);
            Big zr = 0, zi = 0;
            std::int32_t n = 0;
            for (; n < view.maxIterations; ++n) {
                const Big twoZrZi = 2 * zr * zi;
                zr = zr * zr - zi * zi + cr;
                zi = twoZrZi + ci;
                if (zr * zr + zi * zi > 4) break;
            }
            pixels += n < view.maxIterations ? bytesOf(palette.entries[n % 128]) : kInside;
        }
    }
    return pixels;
}

}  // namespace

// Next to c = i, a point of the boundary whose neighbours escape after more steps the closer
// they lie, the centre just outside the set: pixels escape at many counts, many after the
// centre's own orbit has ended, in the double path (1e100) and past the exponent of doubles.
TEST(DeepPicture, EveryPixelAgainstBruteForce)
{
    const auto view = [](const char* magnification, std::int32_t zeros, std::int32_t limit) {
        return viewOf("1.3e-" + std::to_string(zeros), "1." + std::string(zeros - 1, '0') + "37", magnification, limit);
    };
    const DeepView a = view("1e100", 101, 400), b = view("1e300", 301, 1000), c = view("1e400", 401, 1300);
    EXPECT_TRUE(render(a, 12, 9) == bruteForce<448>(a, "1e100", 12, 9));
    EXPECT_TRUE(render(b, 12, 9) == bruteForce<1088>(b, "1e300", 12, 9));
    EXPECT_TRUE(render(c, 12, 9) == bruteForce<1408>(c, "1e400", 12, 9));
}

// A centre four pixels to the right shows the same picture four columns to the left: the
// centre's digits far below those of the first precision tried are taken.
TEST(DeepPicture, CentredWhereAsked)
{
    const struct { const char* magnification; std::int32_t zeros, limit; const char* x, * shifted; } views[] = {
        {"1e400", 401, 1400, "1.3e-401", "8.8e-401"},
        {"1e1000", 1001, 3200, "1.3e-1001", "8.8e-1001"},
    };
    const std::int32_t width = 32, height = 8;
    for (const auto& c : views) {
        const std::string y = "1." + std::string(c.zeros - 1, '0') + "37";
        const std::string a = render(viewOf(c.x, y, c.magnification, c.limit), width, height);
        const std::string b = render(viewOf(c.shifted, y, c.magnification, c.limit), width, height);
        EXPECT_NE(a, b) << c.magnification;
        for (std::int32_t r = 0; r < height; ++r) {
            const std::size_t row = std::size_t(r) * width * 3;
            EXPECT_EQ(a.substr(row + 4 * 3, (width - 4) * 3), b.substr(row, (width - 4) * 3)) << c.magnification;
        }
    }
}
