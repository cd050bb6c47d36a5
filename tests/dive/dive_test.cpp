// Dives: the frames' magnifications, frames resampled from keyframes against frames rendered
// exactly, the keyframes folder across reruns and job ranges, the refusals, and encoder failures.
#include <csignal>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "dive/dive_estimate.h"
#include "dive/dive_plan.h"
#include "dive/frame_resample.h"
#include "platform/process.h"
#include "tests/test_support.h"
#include "tests/tool_runner.h"

// Inside the period-3 minibrot, which fills the middle of the last frames.
static const ViewParams kMinibrot = {-1.7548776662466927, 0, 256, 200,
                                     {0x804000u, 0xC0FF80u, 0xFFFFFFu, 0u}, {0, 0, 0, 0}};

TEST(Dive, FrameMagnifications)
{
    const struct { double from, to; std::int32_t frames, keyframes; } dives[] = {
        {0, 10, 31, 11}, {0, std::log2(5000.0), 60, 14}, {std::log2(1e3), std::log2(1e12), 600, 31},
        {3, 3, 2, 1}, {-2, 0.5, 5, 4},
    };
    for (const auto& d : dives) {
        const DivePlan plan = planDive(d.from, d.to, d.frames);
        EXPECT_EQ(d.keyframes, plan.keyframes) << d.to;
        EXPECT_EQ(d.from, frameLog2(plan, 0));
        EXPECT_EQ(d.to, frameLog2(plan, d.frames - 1));
        for (std::int32_t i = 1; i < d.frames; ++i) {
            const double step = frameLog2(plan, i) - frameLog2(plan, i - 1);
            EXPECT_NEAR((d.to - d.from) / (d.frames - 1), step, 1e-12) << d.to << ", frame " << i;
            const double depth = depthBeyondKeyframe(plan, i);
            EXPECT_TRUE(depth >= 0 && depth <= 1 && outerKeyframe(plan, i) < plan.keyframes);
            EXPECT_NEAR(frameLog2(plan, i), keyframeLog2(plan, outerKeyframe(plan, i)) + depth, 1e-12);
        }
    }
}

// Each frame made from keyframes stays close to the same frame rendered exactly (it is their
// area average at twice the resolution), and the middle pixel, once the minibrot fills the
// middle, is the same. The deep dive shares one reference orbit among all its keyframes.
TEST(Dive, ResampledFramesAgainstExactFrames)
{
    const struct { std::vector<std::string> view; int sameMiddleFrom; } dives[] = {
        {{"--center-x", "-1.7548776662466927", "--center-y", "0", "--magnification", "256", "--limit", "200"}, 12},
        {{"--center-x", "-1.7497591451303665", "--center-y", "0", "--magnification", "1e15", "--limit", "3000",
          "--from-magnification", "1e13"}, 16},
    };
    for (const auto& d : dives) {
        const std::string folder = freshFolder("dive-frames");
        std::vector<std::string> exact = d.view, resampled = d.view;
        for (const char* arg : {"--dive", "2", "--fps", "8", "--size", "64x48", "--quiet"}) {
            exact.push_back(arg);
            resampled.push_back(arg);
        }
        exact.insert(exact.end(), {"--exact-frames", "-o", folder + "exact-%02d.png"});
        resampled.insert(resampled.end(), {"--resampled-frames", "-o", folder + "resampled-%02d.png"});
        ASSERT_EQ(0, runTool(exact)) << toolMessages;
        ASSERT_EQ(0, runTool(resampled)) << toolMessages;
        for (int frame = 0; frame < 16; ++frame) {
            char name[16];
            std::snprintf(name, sizeof name, "-%02d.png", frame);
            const std::string a = pngPixels(readWholeFile(folder + "exact" + name));
            const std::string b = pngPixels(readWholeFile(folder + "resampled" + name));
            ASSERT_EQ(64u * 48 * 3, b.size());
            double difference = 0;
            for (std::size_t i = 0; i < a.size(); ++i) difference += std::abs(int(std::uint8_t(a[i])) - std::uint8_t(b[i]));
            // Here up to 8, with the inner keyframe one pixel off 16, at a wrong scale 15 or more.
            EXPECT_LT(difference / a.size(), 10.0) << d.view[1] << ", frame " << frame;
            const std::size_t middle = (24 * 64 + 32) * 3;
            EXPECT_TRUE(frame < d.sameMiddleFrom || a.substr(middle, 3) == b.substr(middle, 3)) << "frame " << frame;
        }
    }
}

// A rerun takes the keyframes on disk instead of rendering them again, a job renders exactly
// its range, and keyframes of another view or colouring are refused.
TEST(Dive, KeyframesFolder)
{
    const std::string folder = freshFolder("dive-keys"), view = folder + "view.vwp", out = folder + "d%d.png";
    const std::string keys = out + ".keyframes/";
    writeWholeFile(view, bytesOf(kMinibrot));
    const std::vector<std::string> dive = {view, "--dive", "1", "--fps", "10", "--size", "32x24", "-o", out, "--quiet",
                                           "--resampled-frames"};
    std::vector<std::string> job = dive;
    job.insert(job.end(), {"--keyframes", "2-4"});
    ASSERT_EQ(0, runTool(job)) << toolMessages;
    const std::vector<std::string> jobFiles = {"key-00002.bmp", "key-00003.bmp", "key-00004.bmp", "manifest.txt"};
    EXPECT_EQ(jobFiles, filesIn(keys));
    EXPECT_EQ((std::vector<std::string>{"d%d.png.keyframes", "view.vwp"}), filesIn(folder));
    // Keyframe 3 replaced by keyframe 2: the runs that follow keep it as it is.
    const std::string marked = readWholeFile(keys + "key-00002.bmp");
    writeWholeFile(keys + "key-00003.bmp", marked);
    EXPECT_EQ(130, runTool(dive, SIGINT));
    EXPECT_EQ(143, runTool(dive, SIGTERM));
    EXPECT_EQ(4u, filesIn(keys).size());
    job.back() = "0-9";
    EXPECT_EQ(1, runTool(job));
    EXPECT_TRUE(oneLineSaying("keyframes 0-8")) << toolMessages;
    EXPECT_EQ(0, runTool(dive)) << toolMessages;
    EXPECT_EQ(10u, filesIn(keys).size());
    EXPECT_EQ(12u, filesIn(folder).size());
    EXPECT_EQ(marked, readWholeFile(keys + "key-00003.bmp"));
    std::vector<std::string> smooth = dive;  // the manifest tells how keyframes are coloured
    smooth.push_back("--smooth");
    EXPECT_EQ(1, runTool(smooth));
    EXPECT_TRUE(oneLineSaying("another view")) << toolMessages;
    writeWholeFile(view, bytesOf(testView(-1.75, 0, 256, 200)));
    EXPECT_EQ(1, runTool(dive));
    EXPECT_TRUE(oneLineSaying("another view")) << toolMessages;
    EXPECT_EQ(marked, readWholeFile(keys + "key-00003.bmp"));
}

// Bad input: one line, exit code 1, and nothing written, not even the keyframes folder.
TEST(Dive, Refusals)
{
    const std::string folder = freshFolder("dive-bad"), view = folder + "view.vwp", out = folder + "d.mp4";
    writeWholeFile(view, bytesOf(kMinibrot));
    const struct { std::vector<std::string> args; const char* message; } refusals[] = {
        {{view, "--dive", "0", "-o", out}, "dive length"}, {{view, "--dive", "-2", "-o", out}, "dive length"},
        {{view, "--fps", "24", "-o", out}, "need --dive"},
        {{view, "--dive", "1", "--fps", "0", "-o", out}, "frame rate"},
        {{view, "--dive", "0.01", "-o", out}, "from 2"}, {{view, "--dive", "1", "--from-magnification", "1000", "-o", out}, "below the dive's start"},
        {{view, "--dive", "1", "-o", folder + "frames.png"}, "frame pattern"},
        {{view, "--dive", "1", "-o", folder + "f-%d-%d.png"}, "frame pattern"},
        {{view, "--dive", "1", "-o", folder + "d.avi"}, "frame pattern"},
        {{view, "--dive", "1", "--keyframes", "5-2", "-o", out}, "keyframe range"},
        {{view, "--dive", "1", "--keyframes", "0-9", "-o", out}, "keyframes 0-8"},
        {{view, "--dive", "1", "--keyframes", "0-1", "--exact-frames", "-o", out}, "do not go together"},
        {{view, "--dive", "1", "--crf", "60", "-o", out}, "H.264"},
        {{view, "--dive", "1", "--size", "33x24", "-o", out}, "even width"},
        {{view, "--dive", "1", "--size", "64x47", "-o", out}, "even width"},
        {{view, "--dive", "1", "-o", folder + "no-such-folder/d-%03d.png"}, "cannot write"},
    };
    for (const auto& c : refusals) {
        EXPECT_EQ(1, runTool(c.args)) << c.message;
        EXPECT_TRUE(oneLineSaying(c.message)) << toolMessages;
    }
    // Without ffmpeg on PATH (but keyframe jobs need none).
    char program[kMaxPath];
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
#ifdef _WIN32
    _putenv_s("PATH", folder.c_str());
#else
    setenv("PATH", folder.c_str(), 1);
#endif
    const int found = findProgram("ffmpeg", program, sizeof program);
    EXPECT_EQ(1, runTool({view, "--dive", "1", "-o", out}));
    EXPECT_TRUE(found || oneLineSaying("Debian package ffmpeg")) << toolMessages;
#ifdef _WIN32
    _putenv_s("PATH", path.c_str());
#else
    setenv("PATH", path.c_str(), 1);
#endif
    EXPECT_EQ(std::vector<std::string>{"view.vwp"}, filesIn(folder));
}

// --save-view with a dive writes the view once the dive is done, as after a picture. A window
// program's view of limit -7 (no step: every pixel inside) is saved as limit 0, which reads back
// as the same picture.
TEST(Dive, SavesTheView)
{
    const std::string folder = freshFolder("dive-view"), view = folder + "view.vwp";
    writeWholeFile(view, bytesOf(testView(-0.75, 0.1, 4, -7)));
    EXPECT_EQ(0, runTool({view, "--dive", "1", "--fps", "2", "--size", "8x6", "-o", folder + "f%d.png", "--quiet",
                          "--save-view", folder + "v.txt"})) << toolMessages;
    EXPECT_NE(readWholeFile(folder + "v.txt").npos, readWholeFile(folder + "v.txt").find("\nlimit = 0\n"));
    EXPECT_EQ(0, runTool({view, "-o", folder + "a.bmp", "--size", "8x6"})) << toolMessages;
    EXPECT_EQ(0, runTool({folder + "v.txt", "-o", folder + "b.bmp", "--size", "8x6"})) << toolMessages;
    EXPECT_TRUE(readWholeFile(folder + "a.bmp") == readWholeFile(folder + "b.bmp"));
}

#ifndef _WIN32
// ffmpeg's own messages stay off the terminal: a failure is one line of the tool's, with ffmpeg's
// last line, or, on a full disk (a small tmpfs, where the test may mount one), that the disk is
// full; no temporary file is left behind.
TEST(Dive, EncoderFailures)
{
    char ffmpeg[kMaxPath];
    if (!findProgram("ffmpeg", ffmpeg, sizeof ffmpeg)) GTEST_SKIP() << "no ffmpeg on PATH";
    const std::string folder = freshFolder("dive-encoder"), fake = freshFolder("dive-fake"), small = folder + "small/";
    writeWholeFile(fake + "ffmpeg", "#!/bin/sh\ncat >/dev/null\necho 'one' >&2\necho 'it broke' >&2\nexit 1\n");
    std::filesystem::permissions(fake + "ffmpeg", std::filesystem::perms::owner_all);
    const std::string path = std::getenv("PATH");
    setenv("PATH", (fake + ":" + path).c_str(), 1);
    // Enough frames that ffmpeg writes during the stream, not only when it ends (where ffmpeg 5.1
    // takes a failed write for success: the encoder's own check of the video catches that).
    const std::vector<std::string> dive = {"--dive", "3", "--fps", "30", "--size", "320x240", "--exact-frames", "--quiet", "-o"};
    std::vector<std::string> args = dive;
    args.push_back(folder + "d.mp4");
    EXPECT_EQ(1, runTool(args));
    EXPECT_TRUE(oneLineSaying("could not make") && oneLineSaying(": it broke")) << toolMessages;
    setenv("PATH", path.c_str(), 1);
    EXPECT_TRUE(filesIn(folder).empty());
    std::filesystem::create_directory(small);
    if (std::system(("mount -t tmpfs -o size=16k tmpfs " + small + " 2>/dev/null").c_str()) != 0) {
        GTEST_SKIP() << "no tmpfs to fill";
    }
    args.back() = small + "d.mp4";
    args.insert(args.end(), {"--crf", "0", "--center-x", "-0.75", "--magnification", "3", "--limit", "50"});
    EXPECT_EQ(1, runTool(args));
    EXPECT_TRUE(oneLineSaying("the disk is full")) << toolMessages;
    EXPECT_TRUE(filesIn(small).empty());
    EXPECT_EQ(0, std::system(("umount " + small).c_str()));
}
#endif

// A frame from a 4x4 keyframe 1.5 keyframe pixels to a frame pixel: frame pixel 0 spans half
// of keyframe pixels 0 and 1, frame pixel 1 a quarter of pixel 1, all of 2, a quarter of 3.
// Blue varies across, green down, red in a checkerboard; the averages worked out by hand.
TEST(Dive, ResampleWeights)
{
    const int blue[4] = {0, 240, 0, 120}, green[4] = {60, 0, 180, 30};
    std::uint8_t key[4 * 4 * 3], out[2 * 2 * 3];
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            std::uint8_t* p = key + (y * 4 + x) * 3;
            p[0] = std::uint8_t(blue[x]), p[1] = std::uint8_t(green[y]), p[2] = (x + y) % 2 ? 90 : 0;
        }
    }
    resampleFrame(FrameBuffer{4, 4, key}, nullptr, std::log2(4.0 / 3), FrameBuffer{2, 2, out}, 1);
    const struct { int x, y, blue, green, red; } pixels[] = {
        {0, 0, 120, 30, 45}, {1, 0, 60, 30, 45}, {0, 1, 120, 125, 45}, {1, 1, 60, 125, 40},
    };
    for (const auto& p : pixels) {
        const std::uint8_t* got = out + (p.y * 2 + p.x) * 3;
        EXPECT_EQ((std::vector<int>{p.blue, p.green, p.red}), (std::vector<int>{got[0], got[1], got[2]})) << p.x << p.y;
    }
}

// The time left from measured costs: the latest keyframe, the average frame, the guess of a
// frame until frames are measured, and the picture under way once a little is done.
TEST(Dive, TimeLeft)
{
    const PictureUnderWay none = {PictureKind::none, 0, 0};
    const struct { DiveCosts costs; std::int32_t keyframes, frames; PictureUnderWay picture; double left; } cases[] = {
        {{0, 0, 0, 0, 0.1}, 3, 10, none, -1},
        {{0, 0, 0, 0, 0.1}, 4, 100, {PictureKind::keyframe, 0.25, 2}, 4 * 8 - 2 + 100 * 0.1},
        {{0, 0, 0, 0, 0.1}, 4, 100, {PictureKind::keyframe, 0.01, 2}, -1},
        {{10, 2, 0, 0, 0.1}, 1, 10, {PictureKind::keyframe, 0.01, 0.5}, 10 - 0.1 + 10 * 0.1},
        {{10, 2, 30, 60, 0.1}, 2, 40, none, 20 + 20},
        {{0, 0, 0, 0, -1}, 0, 10, {PictureKind::frame, 0.5, 1}, 10 * 2 - 1},
        {{0, 0, 0, 0, -1}, 0, 10, none, -1},
        {{10, 2, 30, 60, 0.1}, 0, 0, none, 0},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(c.left, diveSecondsLeft(c.costs, c.keyframes, c.frames, c.picture), 1e-9) << c.keyframes << " " << c.frames;
    }
}

// Below 4 frames per factor of 2 the frames are rendered, else resampled, unless asked; the
// choice is told before the work.
TEST(Dive, FramesRenderedOrResampled)
{
    const struct { std::vector<std::string> args; const char* told; } dives[] = {
        {{"--fps", "8"}, "frames rendered exactly (1.88 frames per factor of 2)"},
        {{"--fps", "30"}, "frames resampled from them"},
        {{"--fps", "8", "--resampled-frames"}, "frames resampled from them"},
        {{"--fps", "30", "--exact-frames"}, "frames rendered exactly (7.38 frames"},
    };
    for (const auto& d : dives) {
        const std::string folder = freshFolder("dive-choice");
        std::vector<std::string> args = {"--center-x", "-1.7548776662466927", "--magnification", "256", "--limit",
                                         "100", "--dive", "2", "--size", "16x12", "-o", folder + "f-%02d.png"};
        args.insert(args.end(), d.args.begin(), d.args.end());
        ASSERT_EQ(0, runTool(args)) << toolMessages;
        EXPECT_NE(std::string::npos, toolMessages.find(d.told)) << toolMessages;
    }
}
