// Continuous colour and iteration data: continuous counts against pixels computed by hand, the
// palette's continuity, the counts of both renderers against the escape counts, OpenEXR files
// read back, and antialiased stills.
#include <complex>
#include <cstdlib>

#ifndef _WIN32
#include <OpenEXR/ImfFrameBuffer.h>
#include <OpenEXR/ImfInputFile.h>
#endif

#include "core/render_job.h"
#include "deep/map_render.h"
#include "deep/still_render.h"
#include "files/exr_file.h"
#include "platform/process.h"
#include "deep/perturbation_render.h"
#include "files/view_text_file.h"
#include "tests/deep/deep_fixture.h"
#include "tests/tool_runner.h"

namespace {

const std::atomic<int> never{0};
void noReport(std::int32_t, void*) {}

// The pixels of a view as renderPicture places them: columns and rows accumulated.
std::vector<std::int32_t> plainCounts(const ViewParams& params, std::int32_t width, std::int32_t height)
{
    const double step = (6.0 / width) / params.magnification;
    std::vector<std::int32_t> counts;
    double ci = params.centerY - (height / 2) * step;
    for (std::int32_t r = 0; r < height; ++r, ci = ci + step) {
        double cr = params.centerX - (width / 2) * step;
        for (std::int32_t x = 0; x < width; ++x, cr = cr + step) counts.push_back(escapeCount(cr, ci, params.maxIterations));
    }
    return counts;
}

struct MapMemory {
    explicit MapMemory(std::int32_t width, std::int32_t height, int smooth)
        : counts(std::size_t(width) * height), fractions(smooth ? counts.size() : 0), pixels(counts.size() * 3, '\0'),
          map{width, height, counts.data(), smooth ? fractions.data() : nullptr},
          frame{width, height, reinterpret_cast<std::uint8_t*>(&pixels[0])}
    {
    }
    std::vector<std::uint32_t> counts;
    std::vector<float> fractions;
    std::string pixels;
    IterationMap map;
    FrameBuffer frame;
};

#ifndef _WIN32
// A channel of 32-bit values of a width x height OpenEXR file, its top row first.
template <class T>
std::vector<T> exrChannel(const std::string& file, const char* name, Imf::PixelType type, std::int32_t width,
                          std::int32_t height)
{
    std::vector<T> values(std::size_t(width) * height);
    Imf::InputFile input(file.c_str());
    Imf::FrameBuffer buffer;
    buffer.insert(name, Imf::Slice(type, reinterpret_cast<char*>(values.data()), 4, 4 * std::size_t(width)));
    input.setFrameBuffer(buffer);
    input.readPixels(0, height - 1);
    return values;
}
#endif

}  // namespace

// Orbits followed by hand (with a pocket calculator's complex numbers) to |z| > 2^8:
// count = steps - 3 - log2(log2|z| / 8).
TEST(ContinuousColour, CountsComputedByHand)
{
    // c, the escape count, the continuous count
    const struct {
        double cr, ci;
        std::int32_t count;
        double continuous;
    } pixels[] = {
        {3.0, 0.0, 0, 0.15204868266466143},     // z: 3, 12, 147, 21612
        {-2.5, 0.0, 0, 1.1853625002744677},     // z: -2.5, 3.75, 11.5625, 131.19, 17208.4
        {0.5, 0.0, 4, 4.239629476078015},
        {-0.75, 0.1, 32, 32.42456786056252},
        {0.26, 0.0, 29, 28.991669119563},       // the whole part one below the count
        {-1.5, 0.5, 2, 2.91693068694382},
    };
    for (const auto& p : pixels) {
        EXPECT_EQ(p.count, escapeCount(p.cr, p.ci, 1000));
        std::complex<double> z = 0, c(p.cr, p.ci);
        for (std::int32_t n = 0; n <= p.count; ++n) z = z * z + c;
        EXPECT_NEAR(p.continuous, continuousCount(p.count, z.real(), z.imag(), p.cr, p.ci), 1e-12) << p.cr;
    }
}

// Between neighbouring fractions no channel jumps: at most one level for 1/64 of an entry,
// across the palette's wrap too; at whole positions the colours are the program's entries.
TEST(ContinuousColour, PaletteIsContinuous)
{
    Palette palette;
    buildPalette(kInitialViewParams, palette);
    PixelColor before = continuousColor(palette, -130.0);
    for (int step = 1; step <= 400 * 64; ++step) {
        const double position = -130.0 + step / 64.0;
        const PixelColor color = continuousColor(palette, position);
        for (int b = 0; b < 3; ++b) ASSERT_LE(std::abs(color.bytes[b] - before.bytes[b]), 1) << position;
        if (step % 64 == 0) {
            const int entry = ((int(position) % kPaletteSize) + kPaletteSize) % kPaletteSize;
            ASSERT_EQ(bytesOf(palette.entries[entry]), bytesOf(color)) << position;
        }
        before = color;
    }
}

// Near count 0 the palette moves density / 8 entries per count; far from it, density cycles
// per doubling of the count; the phase shifts it by whole cycles' shares.
TEST(ContinuousColour, PaletteFollowsTheDensity)
{
    const struct {
        double density, phase, from, to, entries;  // palette entries from count `from` to `to`
    } rows[] = {
        {1, 0, 0, 8, 1.0},
        {2, 0, 0, 8, 2.0},
        {1, 0, 1e6, 2e6, 128},
        {3, 0, 1e7, 2e7, 384},
    };
    for (const auto& r : rows) {
        const Colouring c = {1, r.density, r.phase};
        EXPECT_NEAR(r.entries, palettePosition(c, r.to) - palettePosition(c, r.from), 0.01 * r.entries) << r.to;
    }
    EXPECT_DOUBLE_EQ(32.0, palettePosition({1, 1, 0.25}, 0));
}

// The continuous counts of both renderers lie within a step and a half of the escape counts
// and agree with each other, but where orbits come near 0 and the last bits decide.
TEST(ContinuousColour, MapsOfBothRenderers)
{
    const DeepView view = deepViewAt("-0.7436438870371587", "0.1318259042053119", "3e5", 2000);
    const std::int32_t width = 48, height = 32;
    MapMemory doubles(width, height, 1), perturbed(width, height, 1);
    ASSERT_EQ(1, renderMapWithDoubles(paramsOf(view), doubles.frame, doubles.map, 2, never, noReport, nullptr));
    ReferenceOrbit orbit;
    ASSERT_EQ(kOrbitDone, computeReferenceOrbit(view, 0, orbit, never, nullptr, nullptr));
    ASSERT_EQ(1, renderPerturbed(view, orbit, perturbed.frame, 2, never, noReport, nullptr, &perturbed.map));
    const std::vector<std::int32_t> counts = plainCounts(paramsOf(view), width, height);
    int agree = 0;
    for (std::size_t p = 0; p < counts.size(); ++p) {
        const double a = mapCount(doubles.map, p), b = mapCount(perturbed.map, p);
        if (counts[p] < view.maxIterations) {
            EXPECT_NEAR(double(counts[p]), a, 1.5) << p;
        }
        agree += std::abs(a - b) < 1e-3;
    }
    EXPECT_GE(agree, int(counts.size()) * 90 / 100);
}

// An OpenEXR file of a shallow and of a deep view, read back by the library's reader and by
// exrheader: its channels, its counts those of the plain render, its header the view.
TEST(ContinuousColour, ExrReadBack)
{
    const std::string folder = freshFolder("exr");
    if (!exrSupported()) {
        EXPECT_EQ(1, runTool({"-o", folder + "a.exr", "--quiet"}));
        EXPECT_TRUE(oneLineSaying("writes no OpenEXR")) << toolMessages;
        return;
    }
#ifndef _WIN32
    const std::int32_t width = 40, height = 30;
    // the view, whether its pixels come by perturbation
    const struct {
        DeepView view;
        int perturbed;
    } views[] = {
        {deepViewAt("-0.75", "0.1", "4", 300), 0},
        {deepViewAt("-0.743643887037158704752191506114774", "0.131825904205311970493132056385139", "1e20", 3000), 1},
    };
    for (const auto& v : views) {
        const std::string file = folder + "v.exr", text = folder + "v.txt";
        writeWholeFile(text, viewText(v.view));
        ASSERT_EQ(0, runTool({text, "-o", file, "--size", "40x30", "--quiet"})) << toolMessages;
        std::vector<std::int32_t> counts;
        if (v.perturbed) {
            ReferenceOrbit orbit;
            ASSERT_EQ(kOrbitDone, computeReferenceOrbit(v.view, 0, orbit, never, nullptr, nullptr));
            for (std::int32_t r = 0; r < height; ++r) {
                for (std::int32_t x = 0; x < width; ++x) counts.push_back(perturbedCount(v.view, orbit, width, height, x, r));
            }
        } else {
            counts = plainCounts(paramsOf(v.view), width, height);
        }
        const std::vector<std::uint32_t> n = exrChannel<std::uint32_t>(file, "N", Imf::UINT, width, height);
        const std::vector<float> nf = exrChannel<float>(file, "NF", Imf::FLOAT, width, height);
        for (std::int32_t r = 0; r < height; ++r) {  // the file's rows go from the top
            for (std::int32_t x = 0; x < width; ++x) {
                const std::int32_t count = counts[std::size_t(height - 1 - r) * width + x];
                ASSERT_EQ(count < v.view.maxIterations ? std::uint32_t(count) : kNotEscaped, n[std::size_t(r) * width + x]);
                ASSERT_EQ(0.0f, nf[std::size_t(r) * width + x]);
            }
        }
        char exrheader[kMaxPath];
        if (!findProgram("exrheader", exrheader, sizeof exrheader)) continue;
        std::string command, header;
        appendArgument(command, exrheader);
        appendArgument(command, file.c_str());
        ASSERT_TRUE(readOutputOf(command, header));
        EXPECT_NE(header.npos, header.find("N, 32-bit unsigned integer")) << header;
        EXPECT_NE(header.npos, header.find("center-x (type string): \"" + v.view.centerX + "\"")) << header;
    }
    // With --smooth the fractions are there, from 0 to below 1.
    ASSERT_EQ(0, runTool({"-o", folder + "s.exr", "--size", "40x30", "--smooth", "--quiet"})) << toolMessages;
    const std::vector<float> nf = exrChannel<float>(folder + "s.exr", "NF", Imf::FLOAT, width, height);
    float low = 1, high = 0;
    for (float f : nf) low = f < low ? f : low, high = f > high ? f : high;
    EXPECT_TRUE(low >= 0.0f && low < 0.1f && high > 0.9f && high < 1.0f) << low << " " << high;
#endif
}

// --samples N gives the average of the N x N blocks of a picture N times as large, on the
// double kernels' path and on perturbation's.
TEST(ContinuousColour, AntialiasedStills)
{
    const std::string folder = freshFolder("samples");
    for (const char* magnification : {"4", "1e20"}) {
        const std::vector<std::string> view = {"--center-x", "-0.743643887037158704752191506114774", "--center-y",
                                               "0.131825904205311970493132056385139", "--magnification", magnification,
                                               "--limit", "3000", "--quiet", "--smooth"};
        std::vector<std::string> fine = view, averaged = view;
        fine.insert(fine.end(), {"--size", "60x45", "-o", folder + "fine.png"});
        averaged.insert(averaged.end(), {"--size", "20x15", "--samples", "3", "-o", folder + "a.png"});
        ASSERT_EQ(0, runTool(fine)) << toolMessages;
        ASSERT_EQ(0, runTool(averaged)) << toolMessages;
        const std::string big = pngPixels(readWholeFile(folder + "fine.png")), small = pngPixels(readWholeFile(folder + "a.png"));
        ASSERT_EQ(60u * 45 * 3, big.size());
        for (std::size_t r = 0; r < 15; ++r) {
            for (std::size_t x = 0; x < 20; ++x) {
                for (std::size_t b = 0; b < 3; ++b) {
                    unsigned sum = 0;
                    for (std::size_t i = 0; i < 9; ++i) sum += std::uint8_t(big[((3 * r + i / 3) * 60 + 3 * x + i % 3) * 3 + b]);
                    ASSERT_EQ((sum + 4) / 9, std::uint8_t(small[(r * 20 + x) * 3 + b])) << magnification << " " << x << "," << r;
                }
            }
        }
    }
}
