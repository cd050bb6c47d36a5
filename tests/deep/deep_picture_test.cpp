// Whole deep pictures from the picture renderer: every pixel against a brute-force render, and
// the centre where it was asked for however deep.
#include "tests/deep/deep_fixture.h"

namespace {

// The colour of every pixel by brute force at the pixels' exact positions, in kBits of precision.
template <unsigned kBits>
std::string bruteForce(const DeepView& view, const char* magnification, std::int32_t width, std::int32_t height)
{
    std::string pixels;
    for (std::int32_t r = 0; r < height; ++r) {
        for (std::int32_t x = 0; x < width; ++x) pixels += colourOf(view, bruteCount<kBits>(view, magnification, width, height, x, r));
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
        return deepViewAt("1.3e-" + std::to_string(zeros), "1." + std::string(zeros - 1, '0') + "37", magnification, limit);
    };
    const DeepView a = view("1e100", 101, 400), b = view("1e300", 301, 1000), c = view("1e400", 401, 1300);
    EXPECT_TRUE(renderedPixels(a, 12, 9) == bruteForce<448>(a, "1e100", 12, 9));
    EXPECT_TRUE(renderedPixels(b, 12, 9) == bruteForce<1088>(b, "1e300", 12, 9));
    EXPECT_TRUE(renderedPixels(c, 12, 9) == bruteForce<1408>(c, "1e400", 12, 9));
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
        const std::string a = renderedPixels(deepViewAt(c.x, y, c.magnification, c.limit), width, height);
        const std::string b = renderedPixels(deepViewAt(c.shifted, y, c.magnification, c.limit), width, height);
        EXPECT_NE(a, b) << c.magnification;
        for (std::int32_t r = 0; r < height; ++r) {
            const std::size_t row = std::size_t(r) * width * 3;
            EXPECT_EQ(a.substr(row + 4 * 3, (width - 4) * 3), b.substr(row, (width - 4) * 3)) << c.magnification;
        }
    }
}
