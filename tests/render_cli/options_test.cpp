// The option table: what each option sets, the defaults, and what is refused, before any file
// is touched.
#include <cmath>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "render_cli/options.h"
#include "tests/test_support.h"

namespace {

// The options point into the texts, which are kept to the end of the test program.
int parse(std::vector<std::string> args, Options& options, std::string& reason)
{
    static std::deque<std::vector<std::string>> kept;
    kept.push_back(std::move(args));
    std::vector<char*> argv = {const_cast<char*>("tavelin-render")};
    for (std::string& arg : kept.back()) argv.push_back(&arg[0]);
    return parseOptions(int(argv.size()), argv.data(), options, reason);
}

}  // namespace

TEST(Options, ValuesAndDefaults)
{
    Options o;
    std::string reason;
    ASSERT_TRUE(parse({"view.vwp", "-o", "out.PNG"}, o, reason)) << reason;
    EXPECT_STREQ("view.vwp", o.viewPath);
    EXPECT_EQ(ImageFormat::png, o.format);
    EXPECT_TRUE(o.width == 640 && o.height == 480 && o.threads >= 1 && !o.quiet && o.seconds == 0);
    ASSERT_TRUE(parse({"--output", "a.bmp", "--size", "7X5", "--threads", "3", "--quiet", "--center-y", "-1e-400",
                       "--save-view", "v.txt", "--limit", "9"}, o, reason)) << reason;
    EXPECT_TRUE(o.format == ImageFormat::bmp && o.width == 7 && o.height == 5 && o.threads == 3 && o.quiet);
    EXPECT_STREQ("-1e-400", o.fieldTexts[kCenterY]);
    EXPECT_STREQ("9", o.fieldTexts[kLimit]);
    EXPECT_STREQ("v.txt", o.saveViewPath);
    EXPECT_EQ(nullptr, o.fieldTexts[kCenterX]);
    // A dive, its start as deep a number as the view's.
    ASSERT_TRUE(parse({"--dive", "2.5", "-o", "d.webm", "--fps", "24", "--from-magnification", "1e400", "--crf", "60"},
                      o, reason)) << reason;
    EXPECT_TRUE(o.seconds == 2.5 && o.fps == 24 && o.crf == 60 && o.diveOutput == DiveOutput::video);
    EXPECT_NEAR(400 * std::log2(10.0), o.fromLog2, 1e-9);
    ASSERT_TRUE(parse({"--dive", "1", "-o", "f/d-%04d.png", "--keyframes", "3-7"}, o, reason)) << reason;
    EXPECT_TRUE(o.diveOutput == DiveOutput::pngFrames && o.firstKeyframe == 3 && o.lastKeyframe == 7);
    ASSERT_TRUE(parse({"-o", "x.exr", "--smooth", "--palette-density", "3", "--palette-phase", "0.5"}, o, reason)) << reason;
    EXPECT_TRUE(o.format == ImageFormat::exr && o.smooth && !std::strcmp(o.paletteDensity, "3") &&
                !std::strcmp(o.palettePhase, "0.5") && o.samples == 1);
    ASSERT_TRUE(parse({"-o", "x.png", "--samples", "3"}, o, reason)) << reason;
    EXPECT_EQ(3, o.samples);
    ASSERT_TRUE(parse({"--dive", "1", "-o", "d.mp4", "--preset", "veryfast"}, o, reason)) << reason;
    EXPECT_STREQ("veryfast", o.preset);
    ASSERT_TRUE(parse({"-o", "x.bmp", "-h", "--bogus"}, o, reason));
    EXPECT_TRUE(o.help);
}

TEST(Options, Refusals)
{
    const struct { std::vector<std::string> args; const char* reason; } refusals[] = {
        {{}, "no output file given: -o OUT.bmp, OUT.png or OUT.exr"},
        {{"-o"}, "-o needs a file name"},
        {{"-o", "x.gif"}, "output 'x.gif' must end in .bmp, .png or .exr"},
        {{"-o", "x.bmp", "--size", "0x10"}, "bad size '0x10': give WxH, each from 1 to 1000000"},
        {{"-o", "x.bmp", "--size", "10x"}, "bad size '10x': give WxH, each from 1 to 1000000"},
        {{"-o", "x.bmp", "--threads", "1025"}, "bad thread count '1025': give a number from 1 to 1024"},
        {{"-o", "x.bmp", "--threads", " 2"}, "bad thread count ' 2': give a number from 1 to 1024"},
        {{"-o", "x.bmp", "--limit"}, "--limit needs a value"},
        {{"-o", "x.bmp", "a", "b"}, "one view file only: 'b' is one too many"},
        {{"-o", "x.bmp", "--\x1b[2J"}, "unknown option '--\\x1B[2J' (see --help)"},
        {{"-o", "x.mp4", "--dive", "0x10"}, "bad dive length '0x10': give seconds above 0"},
        {{"-o", "x.mp4", "--dive", "inf"}, "bad dive length 'inf': give seconds above 0"},
        {{"-o", "x.mp4", "--dive", "1", "--from-magnification", "0x2"}, "bad magnification '0x2': give a number above 0"},
        {{"-o", "x.mp4", "--dive", "1", "--from-magnification", "-4"}, "bad magnification '-4': give a number above 0"},
        {{"-o", "x.mp4", "--dive", "1", "--fps", "1001"}, "bad frame rate '1001': give a number from 1 to 1000"},
        {{"-o", "x.mp4", "--dive", "1", "--crf", "52"}, "bad quality 52: H.264 takes a crf from 0 to 51"},
        {{"-o", "x.mp4", "--dive", "1", "--keyframes", "4-3"}, "bad keyframe range '4-3': give A-B with A <= B"},
        {{"-o", "x.mp4", "--dive", "1", "--keyframes", "1-2", "--exact-frames"}, "--keyframes and --exact-frames do not go together"},
        {{"-o", "x.mp4", "--exact-frames"}, "dive options need --dive SECONDS"},
        {{"-o", "x.mp4", "--dive", "1", "--keyframes-of", "3/3"}, "bad keyframe job '3/3': give I/N with I from 0 to N-1"},
        {{"-o", "x.mp4", "--dive", "1", "--keyframes-of", "0/2", "--keyframes", "0-1"}, "--keyframes and --keyframes-of do not go together"},
        {{"-o", "x.mp4", "--dive", "1", "--exact-frames", "--resampled-frames"}, "--exact-frames and --resampled-frames do not go together"},
        {{"-o", "x.png", "--samples", "17"}, "bad samples '17': give N from 1 to 16 for N x N a pixel"},
        {{"-o", "x.exr", "--samples", "2"}, "--samples does not go with .exr: its counts are a pixel's own"},
        {{"-o", "x.mp4", "--dive", "1", "--samples", "2"}, "--samples is for pictures: a dive's frames are averaged from its keyframes"},
        {{"-o", "x.mp4", "--dive", "1", "--preset", "quick"}, "bad preset 'quick': give ultrafast, superfast, veryfast, faster, fast, medium, slow, slower or veryslow"},
        {{"-o", "x.mp4", "--preset", "fast"}, "dive options need --dive SECONDS"},
        {{"-o", "x.png", "--palette-density"}, "--palette-density needs a value"},
        {{"-o", "d-%d%%.png", "--dive", "1"}, "dive output 'd-%d%%.png' must be a frame pattern with one number (frames/dive-%05d.png) or a .mp4, .mkv or .webm video"},
    };
    for (const auto& c : refusals) {
        Options o;
        std::string reason;
        EXPECT_FALSE(parse(c.args, o, reason)) << c.reason;
        EXPECT_EQ(c.reason, reason);
    }
}
