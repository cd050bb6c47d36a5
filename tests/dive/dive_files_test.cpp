// What a dive writes and trusts: keyframes only of this view and whole, never through a link;
// jobs that share the keyframes; the disk's room; frames of a longer dive; and a video that
// the encoder reported but did not write.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "dive/dive_keyframes.h"
#include "platform/interrupt.h"
#include "platform/process.h"
#include "tests/test_support.h"
#include "tests/tool_runner.h"

namespace {

const ViewParams kMinibrot = {-1.7548776662466927, 0, 256, 200, {0x804000u, 0xC0FF80u, 0xFFFFFFu, 0u}, {0, 0, 0, 0}};

std::vector<std::string> with(std::vector<std::string> args, std::initializer_list<std::string> more)
{
    args.insert(args.end(), more);
    return args;
}

}  // namespace

// Only keyframes of this manifest, whole and unchanged, count as done: a job renders again
// what was cut short, damaged or made for another view, and a manifest is never replaced.
TEST(DiveFiles, KeyframesOfThisViewOnly)
{
    const std::string folder = freshFolder("dive-trust"), view = folder + "view.vwp", out = folder + "d%d.png";
    const std::string keys = out + ".keyframes/";
    writeWholeFile(view, bytesOf(kMinibrot));
    const auto job = std::vector<std::string>{view, "--dive", "1", "--size", "32x24", "-o", out, "--quiet",
                                              "--keyframes", "0-3"};
    ASSERT_EQ(0, runTool(job)) << toolMessages;
    const std::string first = readWholeFile(keys + "key-00001.bmp"), second = readWholeFile(keys + "key-00002.bmp");
    const struct { const char* file; std::size_t at; int cut; } damages[] = {
        {"key-00001.bmp", 1000, 0}, {"key-00002.bmp", 0, 1}, {"key-00001.bmp", 8, 0}, {"key-00002.bmp", 60, 0},
    };
    for (const auto& d : damages) {
        std::string bytes = readWholeFile(keys + d.file);
        if (d.cut) bytes.pop_back(); else bytes[d.at] ^= 1;
        writeWholeFile(keys + d.file, bytes);
        ASSERT_EQ(0, runTool(job)) << toolMessages;
        EXPECT_EQ(first, readWholeFile(keys + "key-00001.bmp")) << d.file << " " << d.at;
        EXPECT_EQ(second, readWholeFile(keys + "key-00002.bmp")) << d.file << " " << d.at;
    }
    // Another centre-y with the manifest there is refused; without it, nothing old is taken.
    const auto other = with(job, {"--center-y", "1e-12"});
    EXPECT_EQ(1, runTool(other));
    EXPECT_TRUE(oneLineSaying("another view")) << toolMessages;
    std::filesystem::remove(keys + "manifest.txt");
    ASSERT_EQ(0, runTool(other)) << toolMessages;
    EXPECT_NE(first, readWholeFile(keys + "key-00001.bmp"));
    // Two dives that open one folder at once: the second finds the first one's manifest.
    KeyframeFolder a, b;
    std::string message;
    const std::string together = folder + "together.mp4";
    EXPECT_EQ(FolderState::ready, openKeyframeFolder(a, together.c_str(), 8, 6, "view A\n", message)) << message;
    EXPECT_EQ(FolderState::otherDive, openKeyframeFolder(b, together.c_str(), 8, 6, "view B\n", message));
    EXPECT_EQ(FolderState::ready, openKeyframeFolder(b, together.c_str(), 8, 6, "view A\n", message));
}

#ifndef _WIN32
// A link in the keyframes folder leads no write outside: a keyframe that is one is replaced by
// the file itself, a manifest that is one is refused.
TEST(DiveFiles, LinksInTheKeyframesFolder)
{
    const std::string folder = freshFolder("dive-links"), view = folder + "view.vwp", precious = folder + "precious";
    writeWholeFile(view, bytesOf(kMinibrot));
    writeWholeFile(precious, "keep");
    const struct { const char* link; int exit; } links[] = {{"key-00001.bmp", 0}, {"manifest.txt", 1}};
    for (const auto& l : links) {
        const std::string out = folder + l.link + "-%d.png", keys = out + ".keyframes/";
        std::filesystem::create_directory(keys);
        std::filesystem::create_symlink(precious, keys + l.link);
        EXPECT_EQ(l.exit, runTool({view, "--dive", "1", "--size", "32x24", "-o", out, "--quiet", "--keyframes", "0-2"}))
            << toolMessages;
        EXPECT_EQ("keep", readWholeFile(precious)) << l.link;
        EXPECT_EQ(l.exit, std::filesystem::is_symlink(keys + l.link)) << l.link;
    }
}

// An encoder that ends with success but leaves no video, a damaged one, or one cut short:
// the old video stays, one line, exit 1, and no temporary file is left; so after a failure
// and after Ctrl+C while frames go to the encoder.
TEST(DiveFiles, VideoCheckedBeforeItReplacesTheOld)
{
    const std::string folder = freshFolder("dive-encoder"), view = folder + "view.vwp", out = folder + "d.mp4";
    const std::string fake = folder + "bin/", path = std::getenv("PATH") ? std::getenv("PATH") : "";
    writeWholeFile(view, bytesOf(kMinibrot));
    writeWholeFile(out, "old");
    std::filesystem::create_directory(fake);
    char real[kMaxPath];
    const int haveFfmpeg = findProgram("ffmpeg", real, sizeof real);
    const std::string shortVideo = std::string("n=$#; i=0; for a; do i=$((i+1)); [ $i -lt $n ] && set -- \"$@\" "
                                               "\"$a\"; done; shift $n; exec '") + real + "' \"$@\" -frames:v 3 \"$a\"";
    const struct { std::string script; int exit; const char* message; } encoders[] = {
        {"cat >/dev/null", 1, "wrote an empty file"},
        {"cat >/dev/null; for a; do :; done; printf garbage > \"${a#file:}\"", 1, "wrote no video"},
        {"cat >/dev/null; exit 1", 1, "ffmpeg could not make"},
        {haveFfmpeg ? shortVideo : "", 1, "64,48,3 (width, height, frames) instead of 64,48,12"},
        {"head -c 100 >/dev/null; kill -INT $TEST_PID; cat >/dev/null", 130, "interrupted"},
    };
    setenv("TEST_PID", std::to_string(getpid()).c_str(), 1);
    catchInterrupt(&toolInterrupted);
    for (const auto& e : encoders) {
        if (e.script.empty()) continue;
        writeWholeFile(fake + "ffmpeg", "#!/bin/sh\n" + e.script + "\n");
        std::filesystem::permissions(fake + "ffmpeg", std::filesystem::perms::owner_all);
        setenv("PATH", (fake + ":" + path).c_str(), 1);
        const int code = runTool({view, "--dive", "1", "--fps", "12", "--size", "64x48", "--exact-frames", "--quiet",
                                  "-o", out});
        setenv("PATH", path.c_str(), 1);
        EXPECT_EQ(e.exit, code) << e.message;
        EXPECT_TRUE(oneLineSaying(e.message)) << toolMessages;
        EXPECT_EQ("old", readWholeFile(out));
        EXPECT_EQ((std::vector<std::string>{"bin", "d.mp4", "view.vwp"}), filesIn(folder));
    }
    signal(SIGINT, SIG_DFL);
}
#endif

// N jobs of --keyframes-of I/N make every keyframe once between them, every N-th each; the run
// that puts the dive together renders none. A shorter dive into the frames of a longer one is
// refused; a dive whose keyframes the disk cannot hold is refused before any work.
TEST(DiveFiles, JobsDiskAndFrames)
{
    const std::string folder = freshFolder("dive-jobs"), view = folder + "view.vwp", out = folder + "f-%02d.png";
    const std::string keys = out + ".keyframes/";
    writeWholeFile(view, bytesOf(kMinibrot));
    const auto dive = std::vector<std::string>{view, "--dive", "2", "--fps", "8", "--size", "16x12", "-o", out,
                                               "--resampled-frames"};
    std::vector<std::string> all;
    const struct { const char* job; std::vector<std::string> files; } jobs[] = {
        {"0/3", {"key-00000.bmp", "key-00003.bmp", "key-00006.bmp"}},
        {"2/3", {"key-00002.bmp", "key-00005.bmp", "key-00008.bmp"}},
        {"1/3", {"key-00001.bmp", "key-00004.bmp", "key-00007.bmp"}},
    };
    for (const auto& j : jobs) {
        const auto before = std::filesystem::exists(keys) ? filesIn(keys) : std::vector<std::string>{};
        ASSERT_EQ(0, runTool(with(dive, {"--quiet", "--keyframes-of", j.job}))) << toolMessages;
        std::vector<std::string> made;
        for (const std::string& name : filesIn(keys)) {
            if (name != "manifest.txt" && std::find(before.begin(), before.end(), name) == before.end()) made.push_back(name);
        }
        EXPECT_EQ(j.files, made) << j.job;
    }
    EXPECT_EQ(10u, filesIn(keys).size());
    ASSERT_EQ(0, runTool(dive)) << toolMessages;
    EXPECT_NE(std::string::npos, toolMessages.find("keyframes: 0 x 2 KiB = 0 KiB in '")) << toolMessages;
    EXPECT_NE(std::string::npos, toolMessages.find("(9 there already)")) << toolMessages;
    EXPECT_EQ(1, runTool(with(dive, {"--dive", "1"})));
    EXPECT_TRUE(oneLineSaying("f-08.png' is there, from a longer dive")) << toolMessages;
    const std::vector<std::string> files = filesIn(folder);
    EXPECT_EQ(1, runTool({view, "--magnification", "1e3000", "--dive", "2", "--size", "2000x2000",
                          "--resampled-frames", "-o", folder + "deep-%04d.png"}));
    EXPECT_TRUE(oneLineSaying("free some space")) << toolMessages;
    EXPECT_EQ(files, filesIn(folder));
}
