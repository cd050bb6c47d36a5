// tavelin-render, run in the test's process: its pictures against the plain loop, whatever the
// thread count, and its refusals of bad input.
#include <csignal>

#include <algorithm>
#include <filesystem>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "deep/picture_render.h"
#include "files/png_memory.h"
#include "render_cli/progress_line.h"
#include "render_cli/render_tool.h"
#include "tests/test_support.h"
#include "tests/tool_runner.h"

// At the window's 640 x 480 the tool's bitmap is the window program's, on any thread count; 4:3
// pictures of other sizes are the plain loop's at their size; other shapes have square pixels
// (1536 pixels across magnification 1 make both steps 2^-8, so that 1536 x 576 is exactly the
// middle of 1536 x 1152); bitmap rows are padded to 4 bytes; a PNG holds the bitmap's pixels. Where
// fewer threads start than asked for, those that did render the picture.
TEST(RenderTool, PicturesOfAnySize)
{
    const ViewParams seahorse = testView(-0.743643887037151, 0.131825904205330, 5000, 500);
    // plainHeight: of the 4:3 picture whose middle rows this one is; 0 for none. starts: threads that
    // the system starts.
    const struct {
        ViewParams view;
        std::int32_t width, height, plainHeight;
        const char* threads;
        std::int32_t starts = -1;
    } pictures[] = {
        {testView(0, 0, 1, 300), 640, 480, 480, "1"},
        {testView(0, 0, 1, 0), 640, 480, 480, "7"},
        {testView(0, 0, 1, 1), 640, 480, 480, "3"},
        {testView(-0.5, 0.1, -2, 200), 640, 480, 480, "7", 2},
        {testView(-1.753125, 1.078125, 640.0 / 66, 300), 640, 480, 480, "2"},
        {seahorse, 1280, 960, 960, "3"},
        {testView(0, 0, 1, 60), 1536, 576, 1152, "2"},
        {seahorse, 641, 17, 0, "3"},
        {seahorse, 1, 1, 0, "1"},
    };
    for (const auto& c : pictures) {
        const std::string folder = freshFolder("tool"), view = folder + "view.vwp";
        const std::string size = std::to_string(c.width) + "x" + std::to_string(c.height);
        writeWholeFile(view, bytesOf(c.view));
        threadStartsLeft = c.starts;
        EXPECT_EQ(0, runTool({view, "-o", folder + "p.bmp", "--size", size, "--threads", c.threads, "--program-pixels"}));
        threadStartsLeft = -1;
        EXPECT_EQ(0, runTool({view, "--quiet", "--size", size, "--output", folder + "p.png", "--program-pixels"}));
        const std::string png = pngPixels(readWholeFile(folder + "p.png"));
        EXPECT_TRUE(readWholeFile(folder + "p.bmp") == bitmapOf(png, c.width, c.height)) << size << ": BMP, PNG";
        if (c.plainHeight == 0) continue;
        const std::string plain = TestRender(c.view, c.width, c.plainHeight).finish(kRowKernelPlain).pixels();
        const std::size_t middle = std::size_t(c.plainHeight - c.height) / 2 * c.width * 3;
        EXPECT_TRUE(png == plain.substr(middle, png.size())) << size << ", " << c.threads << " threads";
    }
}

// Bad input, memory that runs out in the PNG encoder (at the first growth of its output, among
// its hash lists) and no thread to render with: one line that names the problem, exit code 1,
// nothing written. An interrupt stops the render, and nothing is written either.
TEST(RenderTool, RefusalsAndInterrupts)
{
    const std::string folder = freshFolder("tool-bad"), good = folder + "view.vwp", out = folder + "out.bmp";
    writeWholeFile(good, bytesOf(testView(0, 0, 1, 50)));
    writeWholeFile(folder + "zero.vwp", std::string(48, '\0'));
    writeWholeFile(folder + "tiny.vwp", bytesOf(testView(0, 0, 1e-320, 50)));
    writeWholeFile(folder + "bad.txt", "limit = 50\nzoom = 2\n");
    // allocations, starts: that succeed.
    const struct {
        std::vector<std::string> args;
        const char* message;
        std::int32_t allocations = -1, starts = -1;
    } refusals[] = {
        {{folder + "missing.vwp", "-o", out}, "cannot read"},
        {{folder + "zero.vwp", "-o", out}, "be drawn"},
        {{folder + "tiny.vwp", "-o", out}, "be drawn"},
        {{"-o", out, "--magnification", "1e-320"}, "be drawn"},
        {{"-o", out, "--magnification", "0"}, "magnification"},
        {{folder + "bad.txt", "-o", out}, "line 2"},
        {{good, "-o", folder + "out.png"}, "cannot write", 3},
        {{good, "-o", folder + "out.png"}, "cannot write", 100},
        {{good, "-o", out}, "cannot start a thread", -1, 0},
        {{"-o", out, "--magnification", "1e60", "--limit", "50"}, "cannot start a thread", -1, 0},
        {{good}, "no output file"},
        {{good, "-o", out, "--size", "6"}, "size"},
        {{good, "-o", folder + "out.gif"}, ".bmp, .png or .exr"},
        {{good, "-o", out, "--frobnicate"}, "unknown"},
        {{good, "-o", out, "--size", "40000x40000"}, "too large"},
        {{good, "-o", out, "--threads", "0"}, "thread"},
        {{good, "-o", out, "--samples", "0"}, "bad samples '0'"},
        {{good, "-o", out, "--palette-density", "2"}, "go with --smooth"},
        {{good, "-o", out, "--smooth", "--palette-density", "0"}, "bad palette density '0'"},
        {{good, "-o", folder + "out.exr", "--samples", "2"}, "does not go with .exr"},
        {{good, "-o", folder + "d.mp4", "--dive", "1", "--samples", "2"}, "--samples is for pictures"},
        {{good, "-o", folder + "no-such-folder/out.png"}, "cannot write"},
        {{good, "-o", out, "--save-view", folder + "no-such-folder/v.txt"}, "cannot write"},
        {{good, "-o", out, "--limit", "5\x1B[2J"}, "bad limit '5\\x1B[2J'"},
        {{folder + "no\nsuch\x07.vwp", "-o", out}, "no\\x0Asuch\\x07.vwp"},
        {{good, "-o", folder + "out\r.gif"}, "out\\x0D.gif"},
    };
    for (const auto& c : refusals) {
        pngAllocationsLeft = c.allocations;
        threadStartsLeft = c.starts;
        const int code = runTool(c.args);
        pngAllocationsLeft = threadStartsLeft = -1;
        EXPECT_TRUE(code == 1 && oneLineSaying(c.message)) << code << ": " << toolMessages;
        EXPECT_EQ(toolMessages.end() - 1, std::find_if(toolMessages.begin(), toolMessages.end(), [](char ch) {
            return std::uint8_t(ch) < 0x20;
        })) << toolMessages;
    }
    if (sizeof(void*) == 4) {  // a picture that fits a bitmap but not a 32-bit address space
        EXPECT_EQ(1, runTool({good, "-o", out, "--size", "36000x36000"}));
        EXPECT_NE(toolMessages.npos, toolMessages.find("not enough memory")) << toolMessages;
    }
    EXPECT_EQ(130, runTool({good, "-o", out}, SIGINT));
    EXPECT_EQ(143, runTool({good, "-o", out}, SIGTERM));
    EXPECT_EQ("tavelin-render: interrupted; nothing written\n", toolMessages);
    EXPECT_EQ((std::vector<std::string>{"bad.txt", "tiny.vwp", "view.vwp", "zero.vwp"}), filesIn(folder));
}

#ifndef _WIN32
// Replacing a picture through a symbolic link, in a folder past the Windows path limit: the
// link stays a link to the new picture, which keeps the old one's permissions, private or
// group-writable.
TEST(RenderTool, ReplacesThroughALink)
{
    namespace fs = std::filesystem;
    const std::string folder = freshFolder("tool-link"), good = folder + "view.vwp";
    writeWholeFile(good, bytesOf(testView(0, 0, 1, 50)));
    const std::string deep = folder + std::string(250, 'd') + "/", link = deep + "link.bmp";
    const fs::perms ownerOnly = fs::perms::owner_read | fs::perms::owner_write;
    const fs::perms groupToo = ownerOnly | fs::perms::group_read | fs::perms::group_write | fs::perms::others_read;
    fs::create_directory(deep);
    fs::create_symlink("private.bmp", link);
    for (const fs::perms mode : {ownerOnly, groupToo}) {
        writeWholeFile(deep + "private.bmp", "old");
        fs::permissions(deep + "private.bmp", mode);
        EXPECT_EQ(0, runTool({good, "-o", link, "--size", "4x3"})) << toolMessages;
        EXPECT_TRUE(fs::is_symlink(link) && fs::file_size(link) == 94 && fs::status(link).permissions() == mode);
    }
}

// Standard output into a pipe whose reader has gone (`| head`) loses the dive's times line, not
// the dive: exit code 0, where SIGPIPE would end the process (141 in a shell).
TEST(RenderTool, ClosedStandardOutput)
{
    const std::string folder = freshFolder("tool-pipe");
    const pid_t child = fork();
    if (child == 0) {
        signal(SIGPIPE, SIG_DFL);
        int ends[2];
        if (pipe(ends) != 0 || close(ends[0]) != 0 || dup2(ends[1], 1) < 0) _exit(2);
        const int code = runTool({"--dive", "1", "--fps", "2", "--size", "8x6", "-o", folder + "f%d.png"});
        std::fflush(stdout);
        _exit(code);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}
#endif

// --save-view never takes the place of the output: the same name, another spelling of it, a
// link to it (also one that leads to the output before it is written), a hard link. Refused
// before any work, for pictures and dives; the old picture stays.
TEST(RenderTool, ViewTextApartFromOutput)
{
    namespace fs = std::filesystem;
    const std::string folder = freshFolder("tool-same"), out = folder + "p.bmp";
    const std::string dot = folder + "." + char(fs::path::preferred_separator) + "p.bmp";
    const struct { std::string saveView; int existing, link; } names[] = {
        {out, 1, 0}, {dot, 1, 0}, {dot, 0, 0},
#ifndef _WIN32
        {folder + "link", 1, 1}, {folder + "link", 0, 1}, {folder + "hard", 1, 2},
#endif
    };
    for (const auto& c : names) {
        for (const char* name : {"p.bmp", "link", "hard"}) fs::remove(folder + name);
        if (c.existing) writeWholeFile(out, "old");
        if (c.link == 1) fs::create_symlink("p.bmp", folder + "link");
        if (c.link == 2) fs::create_hard_link(out, folder + "hard");
        EXPECT_EQ(1, runTool({"-o", out, "--save-view", c.saveView, "--size", "4x3"})) << c.saveView;
        EXPECT_TRUE(oneLineSaying("names the output") && readWholeFile(out) == (c.existing ? "old" : "")) << toolMessages;
    }
    EXPECT_EQ(1, runTool({"-o", folder + "d.mp4", "--save-view", folder + "d.mp4", "--dive", "1"}));
    EXPECT_TRUE(oneLineSaying("names the output")) << toolMessages;
}

// A deep view given on the command line and kept with --save-view, its colouring too, renders
// again from its view text.
TEST(RenderTool, SavedViewRendersAgain)
{
    const std::string deepFolder = freshFolder("tool-deep"), y = "1." + std::string(60, '0') + "37";
    EXPECT_EQ(0, runTool({"-o", deepFolder + "a.png", "--size", "32x24", "--center-x", "1.3e-61", "--center-y", y,
                          "--magnification", "1e60", "--limit", "500", "--colors", "0x102030,0x405060,0x708090",
                          "--smooth", "--palette-density", "2.5", "--palette-phase", "0.25", "--save-view", deepFolder + "a.txt"}));
    EXPECT_EQ(0, runTool({deepFolder + "a.txt", "-o", deepFolder + "b.png", "--size", "32x24"}));
    EXPECT_TRUE(readWholeFile(deepFolder + "a.png") == readWholeFile(deepFolder + "b.png"));
    const std::string text = readWholeFile(deepFolder + "a.txt");
    EXPECT_NE(text.npos, text.find("center-y = " + y + "\n"));
    EXPECT_NE(text.npos, text.find("smooth = on\npalette-density = 2.5\npalette-phase = 0.25\n")) << text;
}

// A window program's view rendered deeper is centred on the file's exact doubles, not on their
// 17-digit texts: 1e17 pixels are some 2e-18 apart, and those texts are up to 3e-18 off.
TEST(RenderTool, WindowViewRenderedDeeper)
{
    const std::string folder = freshFolder("tool-deeper");
    const ViewParams view = {-0.743643887037151, 0.131825904205330, 1, 5000, {0x804000u, 0xC0FF80u, 0xFFFFFFu, 0}, {}};
    writeWholeFile(folder + "v.vwp", bytesOf(view));
    char x[128], y[128];
    std::snprintf(x, sizeof x, "%.80f", view.centerX);
    std::snprintf(y, sizeof y, "%.80f", view.centerY);
    ASSERT_EQ(0, runTool({folder + "v.vwp", "--magnification", "1e17", "--size", "32x24", "-o", folder + "a.png"}));
    ASSERT_EQ(0, runTool({"--center-x", x, "--center-y", y, "--limit", "5000", "--magnification", "1e17", "--size",
                          "32x24", "-o", folder + "b.png"}));
    EXPECT_TRUE(readWholeFile(folder + "a.png") == readWholeFile(folder + "b.png"));
}

// The line fits the terminal, the bar as wide as it leaves room for, and the time left counts down
// from the rows still to do; the PNG encoding shows as its own phase.
TEST(RenderTool, ProgressLine)
{
    const struct { std::int32_t rowsDone; double elapsed; int columns; const char* line; } lines[] = {
        {30, 30.0, 80, "[#######.................]  30%  30/100 rows  0:30 elapsed, 1:10 left"},
        {30, 30.0, 50, "[#...]  30%  30/100 rows  0:30 elapsed, 1:10 left"},
        {30, 30.0, 30, " 30%  30/100 rows  0:30 elaps"},
    };
    char text[kProgressTextSize];
    for (const auto& c : lines) {
        formatProgress(text, c.rowsDone, 100, c.elapsed, c.columns);
        EXPECT_EQ(c.line, std::string(text));
    }
    formatPhase(text, "encoding the PNG file", 3.0, 80);
    EXPECT_EQ("encoding the PNG file  0:03 elapsed", std::string(text));
}
