// tavelin-render, run in the test's process: its pictures against the plain loop, whatever the
// thread count, and its refusals of bad input.
#include "test_support.h"
#include "tool_runner.h"

// At the window's 640 x 480 the tool's bitmap is the window program's, on any thread count; 4:3
// pictures of other sizes are the plain loop's at their size; other shapes have square pixels
// (1536 pixels across magnification 1 make both steps 2^-8, so that 1536 x 576 is exactly the
// middle of 1536 x 1152); bitmap rows are padded to 4 bytes; a PNG holds the bitmap's pixels.
TEST(RenderTool, PicturesAndRefusals)
{
    const ViewParams seahorse = testView(-0.743643887037151, 0.131825904205330, 5000, 500);
    // plainHeight: of the 4:3 picture whose middle rows this one is; 0 for none.
    const struct { ViewParams view; std::int32_t width, height, plainHeight; const char* threads; } pictures[] = {
        {testView(0, 0, 1, 300), 640, 480, 480, "1"}, {testView(0, 0, 1, 0), 640, 480, 480, "7"},
        {testView(0, 0, 1, 1), 640, 480, 480, "3"}, {testView(-0.5, 0.1, -2, 200), 640, 480, 480, "7"},
        {testView(-1.753125, 1.078125, 640.0 / 66, 300), 640, 480, 480, "2"}, {seahorse, 1280, 960, 960, "3"},
        {testView(0, 0, 1, 60), 1536, 576, 1152, "2"}, {seahorse, 641, 17, 0, "3"}, {seahorse, 1, 1, 0, "1"},
    };
    for (const auto& c : pictures) {
        const std::string folder = freshFolder("tool"), view = folder + "view.vwp";
        const std::string size = std::to_string(c.width) + "x" + std::to_string(c.height);
        writeWholeFile(view, bytesOf(c.view));
        EXPECT_EQ(0, runTool({view, "-o", folder + "p.bmp", "--size", size, "--threads", c.threads}));
        EXPECT_EQ(0, runTool({view, "--quiet", "--size", size, "--output", folder + "p.png"}));
        const std::string png = pngPixels(readWholeFile(folder + "p.png"));
        EXPECT_TRUE(readWholeFile(folder + "p.bmp") == bitmapOf(png, c.width, c.height)) << size << ": BMP, PNG";
        if (c.plainHeight == 0) continue;
        const std::string plain = TestRender(c.view, c.width, c.plainHeight).finish(kRowKernelPlain).pixels();
        const std::size_t middle = std::size_t(c.plainHeight - c.height) / 2 * c.width * 3;
        EXPECT_TRUE(png == plain.substr(middle, png.size())) << size << ", " << c.threads << " threads";
    }
    // Bad input: one line that names the problem, exit code 1, nothing written. An interrupt stops
    // the render, and nothing is written either.
    const std::string folder = freshFolder("tool-bad"), good = folder + "view.vwp", out = folder + "out.bmp";
    writeWholeFile(good, bytesOf(testView(0, 0, 1, 50)));
    writeWholeFile(folder + "zero.vwp", std::string(48, '\0'));
    const struct { std::vector<std::string> args; const char* message; } refusals[] = {
        {{folder + "missing.vwp", "-o", out}, "cannot read"}, {{folder + "zero.vwp", "-o", out}, "be drawn"},
        {{good}, "no output file"}, {{"-o", out, "--magnification", "0"}, "magnification"}, {{good, "-o", out, "--size", "6"}, "size"},
        {{good, "-o", folder + "out.gif"}, ".bmp or .png"}, {{good, "-o", out, "--frobnicate"}, "unknown"},
        {{good, "-o", out, "--size", "40000x40000"}, "too large"}, {{good, "-o", out, "--threads", "0"}, "thread"},
        {{good, "-o", folder + "no-such-folder/out.png"}, "cannot write"},
    };
    for (const auto& c : refusals) {
        const int code = runTool(c.args);
        EXPECT_TRUE(code == 1 && oneLineSaying(c.message)) << code << ": " << toolMessages;
    }
    if (sizeof(void*) == 4) {  // a picture that fits a bitmap but not a 32-bit address space
        EXPECT_EQ(1, runTool({good, "-o", out, "--size", "36000x36000"}));
        EXPECT_NE(toolMessages.npos, toolMessages.find("not enough memory")) << toolMessages;
    }
    EXPECT_EQ(130, runTool({good, "-o", out}, 1));
    EXPECT_EQ("tavelin-render: interrupted; nothing written\n", toolMessages);
    EXPECT_EQ((std::vector<std::string>{"view.vwp", "zero.vwp"}), filesIn(folder));
}
