// Continuous colour and iteration data: continuous counts against pixels computed by hand, the
// palette's continuity, the counts of both renderers against the escape counts, OpenEXR files
// read back, view texts that keep the colouring, and antialiased stills.
#include <complex>
#include <cstdio>
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
#include "deep/picture_render.h"
#include "files/view_text_file.h"
#include "tests/test_support.h"
#include "tests/tool_runner.h"

#ifdef _WIN32
#define popen _popen
#define pclose _pclose
#endif

namespace {

const std::atomic<int> never{0};
void noReport(std::int32_t, void*) {}

DeepView viewAt(const char* x, const char* y, const char* magnification, const char* limit)
{
    DeepView view = deepViewOf(kInitialViewParams);
    std::string error;
    EXPECT_TRUE(setDeepField(view, kCenterX, x, error) && setDeepField(view, kCenterY, y, error) &&
                setDeepField(view, kMagnificationField, magnification, error) && setDeepField(view, kLimit, limit, error));
    return view;
}

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

// The counts that both renderers give beside the picture are the escape counts, and the
// picture is the one without them; continuous counts of the two renderers agree.
TEST(ContinuousColour, MapsOfBothRenderers)
{
    const DeepView view = viewAt("-0.7436438870371587", "0.1318259042053119", "3e5", "2000");
    const ViewParams params = paramsOf(view);
    const std::int32_t width = 48, height = 32;
    MapMemory doubles(width, height, 0), smoothDoubles(width, height, 1), smoothPerturbed(width, height, 1);
    ASSERT_EQ(1, renderMapWithDoubles(params, doubles.frame, doubles.map, 2, never, noReport, nullptr));
    ASSERT_EQ(1, renderMapWithDoubles(params, smoothDoubles.frame, smoothDoubles.map, 2, never, noReport, nullptr));
    ReferenceOrbit orbit;
    ASSERT_EQ(kOrbitDone, computeReferenceOrbit(view, 0, orbit, never, nullptr, nullptr));
    ASSERT_EQ(1, renderPerturbed(view, orbit, smoothPerturbed.frame, 2, never, noReport, nullptr,
                                 &smoothPerturbed.map));
    const std::vector<std::int32_t> counts = plainCounts(params, width, height);
    std::string plain(doubles.pixels.size(), '\0');
    const FrameBuffer frame = {width, height, reinterpret_cast<std::uint8_t*>(&plain[0])};
    ASSERT_EQ(1, renderPicture(params, frame, 2, never, noReport, nullptr));
    EXPECT_EQ(plain, doubles.pixels);
    int agree = 0;
    for (std::size_t p = 0; p < counts.size(); ++p) {
        const std::uint32_t expected = counts[p] < view.maxIterations ? std::uint32_t(counts[p]) : kNotEscaped;
        ASSERT_EQ(expected, doubles.counts[p]) << p;
        const double a = mapCount(smoothDoubles.map, p), b = mapCount(smoothPerturbed.map, p);
        if (expected != kNotEscaped) {
            EXPECT_NEAR(double(counts[p]), a, 1.5) << p;
        }
        agree += std::abs(a - b) < 1e-3;
    }
    // Where orbits come near 0 the last bits decide: there the two renderers part.
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
        {viewAt("-0.75", "0.1", "4", "300"), 0},
        {viewAt("-0.743643887037158704752191506114774", "0.131825904205311970493132056385139", "1e20", "3000"), 1},
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
        Imf::InputFile input(file.c_str());
        std::vector<std::uint32_t> n(counts.size());
        std::vector<float> nf(counts.size(), -1.0f);
        Imf::FrameBuffer buffer;
        buffer.insert("N", Imf::Slice(Imf::UINT, reinterpret_cast<char*>(n.data()), 4, 4 * width));
        buffer.insert("NF", Imf::Slice(Imf::FLOAT, reinterpret_cast<char*>(nf.data()), 4, 4 * width));
        input.setFrameBuffer(buffer);
        input.readPixels(0, height - 1);
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
        std::FILE* pipe = popen(command.c_str(), "r");
        char line[4096];
        while (pipe && std::fgets(line, sizeof line, pipe)) header += line;
        if (pipe) pclose(pipe);
        EXPECT_NE(header.npos, header.find("N, 32-bit unsigned integer")) << header;
        EXPECT_NE(header.npos, header.find("center-x (type string): \"" + v.view.centerX + "\"")) << header;
    }
    // With --smooth the fractions are there, from 0 to below 1.
    ASSERT_EQ(0, runTool({"-o", folder + "s.exr", "--size", "40x30", "--smooth", "--quiet"})) << toolMessages;
    Imf::InputFile input((folder + "s.exr").c_str());
    std::vector<float> nf(std::size_t(width) * height, -1.0f);
    Imf::FrameBuffer buffer;
    buffer.insert("NF", Imf::Slice(Imf::FLOAT, reinterpret_cast<char*>(nf.data()), 4, 4 * width));
    input.setFrameBuffer(buffer);
    input.readPixels(0, height - 1);
    float low = 1, high = 0;
    for (float f : nf) low = f < low ? f : low, high = f > high ? f : high;
    EXPECT_TRUE(low >= 0.0f && low < 0.1f && high > 0.9f && high < 1.0f) << low << " " << high;
#endif
}

// --save-view keeps the colouring, and the saved view renders the same picture.
TEST(ContinuousColour, ViewTextsKeepTheColouring)
{
    const std::string folder = freshFolder("smooth-view");
    const std::vector<std::string> view = {"--center-x", "-0.75", "--center-y", "0.1", "--magnification", "4",
                                           "--size", "40x30", "--quiet"};
    std::vector<std::string> args = view;
    args.insert(args.end(), {"--smooth", "--palette-density", "2.5", "--palette-phase", "0.25", "-o", folder + "a.bmp",
                             "--save-view", folder + "a.txt"});
    ASSERT_EQ(0, runTool(args)) << toolMessages;
    EXPECT_NE(std::string::npos,
              readWholeFile(folder + "a.txt").find("smooth = on\npalette-density = 2.5\npalette-phase = 0.25\n"));
    ASSERT_EQ(0, runTool({folder + "a.txt", "--size", "40x30", "--quiet", "-o", folder + "b.bmp"})) << toolMessages;
    EXPECT_EQ(readWholeFile(folder + "a.bmp"), readWholeFile(folder + "b.bmp"));
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

// A dive in continuous colour: its keyframes' manifest says how they are coloured, so that a
// rerun without --smooth does not take them.
TEST(ContinuousColour, Dive)
{
    const std::string folder = freshFolder("smooth-dive");
    const std::vector<std::string> dive = {"--center-x", "-0.75", "--center-y", "0.1", "--magnification", "8", "--dive",
                                           "0.5", "--fps", "4", "--size", "32x24", "--quiet", "-o", folder + "f-%d.png"};
    // Keyframe jobs: a whole dive this short renders its frames exactly, without keyframes.
    std::vector<std::string> plain = dive;
    plain.insert(plain.end(), {"--keyframes", "0-1"});
    std::vector<std::string> smooth = plain;
    smooth.push_back("--smooth");
    ASSERT_EQ(0, runTool(smooth)) << toolMessages;
    EXPECT_NE(std::string::npos, readWholeFile(folder + "f-%d.png.keyframes/manifest.txt").find("smooth = on"));
    EXPECT_EQ(1, runTool(plain));
    EXPECT_TRUE(oneLineSaying("keyframes of another view")) << toolMessages;
}
