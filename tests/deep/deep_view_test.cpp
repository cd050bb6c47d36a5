// Deep views: their texts, and their pixels against a brute-force render in Boost's binary
// floating point, computed here.
#include "deep/decimal.h"
#include "deep/perturbation_render.h"
#include "files/view_text_file.h"
#include "tests/deep/deep_fixture.h"

// The counts of the whole picture, and the picture that renderDeepView makes.
static std::vector<std::int32_t> perturbedCounts(const DeepView& view, std::int32_t width, std::int32_t height,
                                                 std::string& pixels)
{
    ReferenceOrbit orbit;
    const std::atomic<int> never{0};
    EXPECT_EQ(kOrbitDone, computeReferenceOrbit(view, 0, orbit, never, nullptr, nullptr));
    std::vector<std::int32_t> counts;
    for (std::int32_t r = 0; r < height; ++r) {
        for (std::int32_t x = 0; x < width; ++x) counts.push_back(perturbedCount(view, orbit, width, height, x, r));
    }
    pixels.assign(std::size_t(width) * height * 3, '\0');
    const FrameBuffer frame = {width, height, reinterpret_cast<std::uint8_t*>(&pixels[0])};
    EXPECT_TRUE(renderPerturbed(view, orbit, frame, 3, never, [](std::int32_t, void*) {}, nullptr));
    return counts;
}


// Texts of any length and exponent are taken; anything else is refused with a reason.
TEST(DeepView, TextsAndRefusals)
{
    const struct { DeepField field; const char* text; int taken; } fields[] = {
        {kCenterX, "-1.74006238257933990522084416706582563165", 1}, {kCenterY, "+.5e-1000", 1},
        {kCenterX, "1.", 1}, {kCenterX, "", 0}, {kCenterX, "1e", 0}, {kCenterX, "e5", 0}, {kCenterX, "1.2.3", 0},
        {kCenterY, "nan", 0}, {kCenterY, "inf", 0}, {kCenterY, " 1", 0}, {kCenterY, "1 ", 0}, {kCenterY, "0x10", 0},
        {kCenterY, "1e999999999999999999999", 0}, {kCenterX, "1e100000", 1}, {kCenterX, "1e100001", 0},
        {kCenterX, "1e1000009", 0}, {kMagnificationField, "2.5e1000", 1},
        {kMagnificationField, "-1e10000", 1}, {kMagnificationField, "1e10001", 0}, {kMagnificationField, "0", 0},
        {kMagnificationField, "0.000e7", 0}, {kLimit, "2147483647", 1}, {kLimit, "2147483648", 0}, {kLimit, "0", 1},
        {kLimit, "-1", 0}, {kLimit, "12a", 0}, {kColors, "0x123456,0xabcdef,0x000000", 1},
        {kColors, "0x123456,0xABCDEF,0x000000,0xFFFFFF", 1}, {kColors, "0x123456,0xABCDEF", 0},
        {kColors, "0x12345,0xABCDEF,0x000000", 0}, {kColors, "0x123456,0xABCDEG,0x000000", 0},
    };
    for (const auto& c : fields) {
        DeepView view = deepViewOf(kInitialViewParams);
        const std::string before = viewText(view);
        std::string error;
        EXPECT_EQ(c.taken, setDeepField(view, c.field, c.text, error)) << c.text;
        EXPECT_TRUE(c.taken ? error.empty() : error.find('\n') == error.npos && !error.empty() && viewText(view) == before)
            << c.text << ": " << error;
    }
    // The longest centre text taken, and one character more.
    for (const std::size_t length : {kMaxDecimalLength, kMaxDecimalLength + 1}) {
        DeepView view = deepViewOf(kInitialViewParams);
        std::string error;
        EXPECT_EQ(length == kMaxDecimalLength, setDeepField(view, kCenterX, ("0." + std::string(length - 2, '1')).c_str(), error));
    }
    // The magnification: doubles exactly where they reach, its log2 beyond; a view text reads back
    // as the same view.
    DeepView view = deepViewAt("-1.7400623825793399052208441670658256", "1e-30", "2.5e1000", 100000);
    EXPECT_NEAR(1000 * std::log2(10.0) + std::log2(2.5), magnificationLog2(view.magnification), 1e-9);
    std::string error;
    EXPECT_TRUE(setDeepField(view, kColors, "0x123456,0xABCDEF,0x000000", error));
    EXPECT_EQ(0x563412u, view.colors[0]);
    DeepView read = deepViewOf(kInitialViewParams);
    const std::string text = viewText(view);
    ASSERT_TRUE(parseViewText(text.data(), text.size(), read, error)) << error;
    EXPECT_EQ(text, viewText(read));
    EXPECT_NEAR(magnificationLog2(view.magnification), magnificationLog2(read.magnification), 1e-12);
    const ViewParams shallow = testView(-0.743643887037151, 1e-300, 4.9e-324 * 3, 7);
    EXPECT_EQ(bytesOf(paramsOf(deepViewOf(shallow))).substr(0, 28), bytesOf(shallow).substr(0, 28));
    EXPECT_FALSE(parseViewText("limit = 5\nzoom = 2\n", 19, read, error));
    EXPECT_EQ("line 2: give name = value", error);
}

// A view file is a parameter file only where it cannot be a text and has a parameter file's name
// or size; a text may begin with a BOM, hold UTF-8 comments and end its lines with CR; what is
// neither, or sets no field, is refused with one line. A limit below 0 is the window program's
// picture of limit 0, and its view text reads back.
TEST(DeepView, ViewFileKinds)
{
    ViewParams negative = testView(0.5, 0, 2, -7);
    const std::string binary = bytesOf(testView(0.25, 0, 2, 9)), text = "center-x = 0.25\nlimit = 9\n";
    const struct { const char* name; std::string bytes; const char* refusal; std::int32_t limit = 9; } files[] = {
        {"a.vwp", binary, nullptr}, {"a.dat", binary, nullptr}, {"a.vwp", binary.substr(0, 8), nullptr, 300},
        {"a.vwp", bytesOf(negative), nullptr, 0}, {"a.vwp", text, nullptr}, {"a.dat", text, nullptr},
        {"a.txt", "\xEF\xBB\xBF# \xE8\xA6\x96\xE7\x82\xB9\r\n" + text, nullptr},
        {"a.txt", "# c\rcenter-x = 0.25\rlimit = 9", nullptr}, {"a.txt", "center-x = 0.25\r\n\r\nlimit = 9\r\n", nullptr},
        {"a.txt", binary, "line 1: byte 0x00"}, {"a.dat", "\xEF\xBB\xBF" + binary.substr(3), "line 1: byte 0x00"},
        {"a.dat", binary + "x", "line 1: byte 0x00"}, {"a.txt", text + '\0', "line 3: byte 0x00"},
        {"a.txt", "# caf\xE9\n" + text, "line 1: byte 0xE9"}, {"a.txt", "center-x = 0.2\xE9\n", "line 1: byte 0xE9"},
        {"a.txt", "# \xC0\xAF\n" + text, "line 1: byte 0xC0"}, {"a.vwp", "# \x1B[2J, the screen wiped\n" + text, "line 1: byte 0x1B"},
        {"a.vwp", binary + binary, "line 1: byte 0x00"},
        {"a.vwp", "center-x = 0.25\nlimt = 9\n", "line 2: give name"}, {"a.txt", "", "is empty"},
        {"a.vwp", "", "is empty"}, {"a.txt", "# a\n\n", "no field"},
    };
    for (const auto& c : files) {
        const std::string path = tempPath(c.name);
        writeWholeFile(path, c.bytes);
        DeepView view = deepViewOf(kInitialViewParams);
        std::string error;
        const int read = readViewFile(path.c_str(), view, error);
        EXPECT_EQ(!c.refusal, read) << &c - files << ": " << error;
        if (!read) {
            EXPECT_TRUE(c.refusal && error.find(c.refusal) != error.npos && error.find('\n') == error.npos) << error;
            continue;
        }
        EXPECT_EQ(c.limit, view.maxIterations) << &c - files;
        EXPECT_EQ(c.limit ? 0.25 : 0.5, std::stod(view.centerX)) << &c - files;
        const std::string saved = viewText(view);
        DeepView again = deepViewOf(kInitialViewParams);
        EXPECT_TRUE(parseViewText(saved.data(), saved.size(), again, error) && viewText(again) == saved) << error;
    }
}

// Pixels of deep views against brute force: near a minibrot, where a pixel's orbit passes
// closer to 0 than its difference from the reference (pixel 16, 2 needs rebasing), and at c = i
// past 1e300, with differences in long doubles. The renderer's picture shows the same counts.
TEST(DeepView, PixelsAgainstBruteForce)
{
    const std::string zeros(400, '0');
    const DeepView nearMinibrot = deepViewAt("-1.7497591763054340195180836669193386176104014432972926126988", "0", "1e9", 3000);
    const DeepView pastDoubles = deepViewAt("1.3e-401", "1." + zeros + "37", "1e400", 700);
    const struct { const DeepView& view; const char* magnification; std::int32_t x0, r0; } pictures[] = {
        {nearMinibrot, "1e9", 14, 0}, {pastDoubles, "1e400", 28, 20}};
    for (const auto& c : pictures) {
        std::string pixels;
        const std::vector<std::int32_t> counts = perturbedCounts(c.view, 64, 48, pixels);
        for (std::int32_t r = c.r0; r < c.r0 + 6; ++r) {
            for (std::int32_t x = c.x0; x < c.x0 + 6; ++x) {
                const std::int32_t truth = magnificationLog2(c.view.magnification) < 100
                                               ? bruteCount<256>(c.view, c.magnification, 64, 48, x, r)
                                               : bruteCount<1536>(c.view, c.magnification, 64, 48, x, r);
                const std::size_t i = std::size_t(r) * 64 + x;
                EXPECT_EQ(truth, counts[i]) << c.magnification << ": pixel " << x << ", " << r;
                EXPECT_EQ(colourOf(c.view, truth), pixels.substr(i * 3, 3)) << c.magnification << ": pixel " << x << ", " << r;
            }
        }
    }
}

// Where doubles resolve the view, the double kernels and perturbation give the same picture: at
// 96 pixels across magnification 1 every step is 1/16, so both have the same positions, and the
// orbit of the centre 0 stays at 0, so both take the same roundings. The
// double kernels' accumulated columns are kept only where they stay within a quarter of a pixel:
// at 2e12 and 1920 pixels they drift by 11 pixels, and the right edge must lie where the exact
// geometry puts it.
TEST(DeepView, ShallowPicturesAndGeometry)
{
    const std::atomic<int> never{0};
    const DeepView shallow = deepViewOf(testView(0, 0, 1, 200));
    std::string doubles(96 * 72 * 3, '\0'), perturbed = doubles;
    ReferenceOrbit orbit;
    ASSERT_EQ(kOrbitDone, computeReferenceOrbit(shallow, 0, orbit, never, nullptr, nullptr));
    const FrameBuffer a = {96, 72, reinterpret_cast<std::uint8_t*>(&doubles[0])};
    const FrameBuffer b = {96, 72, reinterpret_cast<std::uint8_t*>(&perturbed[0])};
    EXPECT_EQ(kDeepRendered, renderDeepView(shallow, a, 2, never, kNoObserver, nullptr));
    EXPECT_TRUE(renderPerturbed(shallow, orbit, b, 2, never, [](std::int32_t, void*) {}, nullptr));
    EXPECT_TRUE(doubles == perturbed);

    const struct { ViewParams view; std::int32_t width, height; int doubles; } choices[] = {
        {testView(0, 0, 1, 300), 640, 480, 1}, {testView(-0.743643887037151, 0.131825904205330, 5000, 9), 641, 17, 1},
        {testView(-1.7497591451303665, 0, 1e9, 9), 640, 480, 1}, {testView(-1.7497591451303665, 0, 2e12, 9), 1920, 1080, 0},
        {testView(-1.7497591451303665, 0, 1e9, 9), 1000000, 1, 0}, {testView(0.5, 0, 1e11, 9), 64, 48, 0},
    };
    for (const auto& c : choices) {
        EXPECT_EQ(c.doubles, rendersWithDoubles(deepViewOf(c.view), c.width, c.height)) << c.view.magnification;
    }
    const DeepView edge = deepViewAt("-1.7497591451303665", "2e-14", "2e12", 1000);
    const std::string row = renderedPixels(edge, 1920, 1);
    double accumulated = -1.7497591451303665 - 960 * ((6.0 / 1920) / 2e12);
    for (int i = 0; i < 1919; ++i) accumulated = accumulated + (6.0 / 1920) / 2e12;
    const std::int32_t exact = bruteCount<256>(edge, "2e12", 1920, 1, 1919, 0);
    EXPECT_NE(exact, bruteAt<256>(Big<256>(accumulated), Big<256>("2e-14"), 1000));
    EXPECT_EQ(colourOf(edge, exact), row.substr(1919 * 3));
}
