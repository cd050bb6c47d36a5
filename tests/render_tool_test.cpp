// tavelin-render, run in the test's process: its pictures against the window program's own
// bitmap and the plain loop, whatever the thread count, and its refusals of bad input.
#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/bitmap_file.h"
#include "core/render_job.h"
#include "render_cli/render_tool.h"
#include "test_support.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>

namespace {

struct ToolRun {
    int exitCode;
    std::string messages;  // standard error
};

ToolRun runTool(std::vector<std::string> args, int interrupt = 0)
{
    args.insert(args.begin(), "tavelin-render");
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(&arg[0]);
    const std::atomic<int> interrupted{interrupt};
    testing::internal::CaptureStderr();
    const int code = runRenderTool(int(argv.size()), argv.data(), interrupted);
    return ToolRun{code, testing::internal::GetCapturedStderr()};
}

std::string viewFile(const std::string& folder, double x, double y, double magnification, std::int32_t limit)
{
    ViewParams params = kInitialViewParams;
    params.centerX = x;
    params.centerY = y;
    params.magnification = magnification;
    params.maxIterations = limit;
    const std::string path = folder + "view.vwp";
    writeWholeFile(path, std::string(reinterpret_cast<const char*>(&params), sizeof params));
    return path;
}

// The pixels of a width x height picture from the plain loop, bottom row first, as the window
// program's renderer maps a 4:3 picture.
std::string plainPicture(const std::string& view, std::int32_t width, std::int32_t height)
{
    ViewParams params = kInitialViewParams;
    const std::string bytes = readWholeFile(view);
    std::memcpy(&params, bytes.data(), sizeof params);
    std::string pixels(std::size_t(width) * height * 3, '\0');
    const FrameBuffer frame = {width, height, reinterpret_cast<std::uint8_t*>(&pixels[0])};
    RenderJob job = {};
    Selection selection = {};
    beginRender(params, job, frame, selection);
    while (job.active) renderRowPlain(job, frame);
    return pixels;
}

// The bitmap that the window program saves of those pixels.
std::string programBitmap(const std::string& folder, const std::string& pixels)
{
    BitmapInfo info;
    describeFrameBuffer(info, 640, 480);
    std::string copy = pixels;
    const std::string path = folder + "program.bmp";
    writeBitmapFile(nullptr, path.c_str(), info, FrameBuffer{640, 480, reinterpret_cast<std::uint8_t*>(&copy[0])});
    return readWholeFile(path);
}

// A decoded PNG in the bitmap's order: bottom row first, blue-green-red, rows padded to 4.
std::string pngAsBitmapRows(const std::string& png, int* width, int* height)
{
    int components = 0;
    unsigned char* rgb = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(png.data()), int(png.size()), width,
                                               height, &components, 3);
    if (!rgb) return "";
    const std::size_t stride = (std::size_t(*width) * 3 + 3) / 4 * 4;
    std::string rows(stride * *height, '\0');
    for (int y = 0; y < *height; ++y) {
        for (int x = 0; x < *width; ++x) {
            const unsigned char* from = rgb + (std::size_t(*height - 1 - y) * *width + x) * 3;
            char* to = &rows[stride * y + std::size_t(x) * 3];
            to[0] = char(from[2]);
            to[1] = char(from[1]);
            to[2] = char(from[0]);
        }
    }
    stbi_image_free(rgb);
    return rows;
}

}  // namespace

// At 640 x 480 the tool's bitmap is the window program's, byte for byte, on any thread count.
TEST(RenderTool, WindowSizedPicturesAreTheProgramsBitmap)
{
    const struct {
        double x, y, magnification;
        std::int32_t limit;
    } views[] = {{0, 0, 1, 300}, {-1.753125, 1.078125, 640.0 / 66, 300}, {0, 0, 1, 0}, {0, 0, 1, 1}, {-0.5, 0.1, -2, 200}};
    for (const auto& v : views) {
        const std::string folder = freshFolder("tool-window");
        const std::string view = viewFile(folder, v.x, v.y, v.magnification, v.limit);
        const std::string expected = programBitmap(folder, plainPicture(view, 640, 480));
        for (const char* threads : {"1", "2", "7"}) {
            const ToolRun run = runTool({view, "-o", folder + "tool.bmp", "--threads", threads});
            EXPECT_EQ(0, run.exitCode) << run.messages;
            EXPECT_TRUE(readWholeFile(folder + "tool.bmp") == expected) << v.x << " " << v.magnification << " " << threads;
        }
    }
}

// Larger 4:3 pictures match the plain loop at their size; odd sizes pad their bitmap rows; a
// PNG holds the same pixels as the bitmap.
TEST(RenderTool, OtherSizesAndPng)
{
    const std::string folder = freshFolder("tool-sizes");
    const std::string view = viewFile(folder, -0.743643887037151, 0.131825904205330, 5000.0, 500);
    const struct {
        std::int32_t width, height;
        bool plain;
    } sizes[] = {{1280, 960, true}, {641, 17, false}, {1, 1, false}};
    for (const auto& size : sizes) {
        const std::string dimensions = std::to_string(size.width) + "x" + std::to_string(size.height);
        ASSERT_EQ(0, runTool({view, "-o", folder + "p.bmp", "--size", dimensions, "--threads", "3"}).exitCode);
        ASSERT_EQ(0, runTool({view, "--quiet", "--size", dimensions, "--output", folder + "p.png"}).exitCode);
        const std::string bmp = readWholeFile(folder + "p.bmp");
        const std::size_t stride = (std::size_t(size.width) * 3 + 3) / 4 * 4;
        ASSERT_EQ(58 + stride * size.height, bmp.size()) << dimensions;
        std::uint32_t fileSize = 0;
        std::int32_t width = 0, height = 0;
        std::memcpy(&fileSize, &bmp[2], 4);
        std::memcpy(&width, &bmp[18], 4);
        std::memcpy(&height, &bmp[22], 4);
        EXPECT_EQ(bmp.size(), fileSize);
        EXPECT_EQ(size.width, width);
        EXPECT_EQ(size.height, height);
        int pngWidth = 0, pngHeight = 0;
        EXPECT_TRUE(pngAsBitmapRows(readWholeFile(folder + "p.png"), &pngWidth, &pngHeight) == bmp.substr(58))
            << dimensions << ": the PNG and the padded bitmap rows";
        if (size.plain) {
            EXPECT_TRUE(bmp.substr(58) == plainPicture(view, size.width, size.height)) << dimensions;
        }
    }

    // Pixels are square at any shape. 1536 pixels across magnification 1 make both steps 2^-8,
    // so every coordinate is exact: a 1536 x 576 picture is the middle of the 4:3 one.
    const std::string wholeSet = viewFile(folder, 0, 0, 1, 60);
    ASSERT_EQ(0, runTool({wholeSet, "-o", folder + "wide.bmp", "--size", "1536x576"}).exitCode);
    const std::string wide = readWholeFile(folder + "wide.bmp");
    const std::size_t row = 1536 * 3;
    EXPECT_TRUE(wide.substr(58) == plainPicture(wholeSet, 1536, 1152).substr(288 * row, 576 * row));
}

// Bad input: one line naming the problem, exit code 1, nothing written.
TEST(RenderTool, BadInputIsRefusedAndWritesNothing)
{
    const std::string folder = freshFolder("tool-bad");
    const std::string good = viewFile(folder, 0, 0, 1, 50);
    writeWholeFile(folder + "zero.vwp", std::string(48, '\0'));
    const std::string out = folder + "out.bmp";
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{folder + "missing.vwp", "-o", out}, "cannot read"},
        {{folder + "zero.vwp", "-o", out}, "cannot be drawn"},
        {{good}, "no output file"},
        {{"-o", out}, "no parameter file"},
        {{good, "-o", folder + "out.gif"}, "must end in .bmp or .png"},
        {{good, "-o", out, "--size", "640"}, "bad size"},
        {{good, "-o", out, "--size", "0x480"}, "bad size"},
        {{good, "-o", out, "--size", "40000x40000"}, "too large"},
        {{good, "-o", out, "--threads", "0"}, "bad thread count"},
        {{good, "-o", out, "--threads", "two"}, "bad thread count"},
        {{good, "-o", out, "--frobnicate"}, "unknown option"},
        {{good, "-o", folder + "no-such-folder/out.png"}, "cannot write"},
    };
    for (const auto& c : cases) {
        const ToolRun run = runTool(c.args);
        EXPECT_EQ(1, run.exitCode) << c.message;
        EXPECT_EQ(0u, run.messages.rfind("tavelin-render: ", 0)) << run.messages;
        EXPECT_NE(std::string::npos, run.messages.find(c.message)) << run.messages;
        EXPECT_EQ(1, std::count(run.messages.begin(), run.messages.end(), '\n')) << run.messages;
    }
    const ToolRun interrupted = runTool({good, "-o", out}, 1);
    EXPECT_EQ(130, interrupted.exitCode);
    EXPECT_EQ("tavelin-render: interrupted; nothing written\n", interrupted.messages) << "the render stops";
    EXPECT_EQ((std::vector<std::string>{"view.vwp", "zero.vwp"}), filesIn(folder));
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, runTool({"--help"}).exitCode);
    EXPECT_EQ(0u, testing::internal::GetCapturedStdout().rfind("usage: tavelin-render VIEW.vwp -o", 0));
}
