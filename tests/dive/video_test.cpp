// Encoded dives as a player sees them: the size and frames asked for, BT.709 colour tags, the
// index (moov box) before the frames (mdat box) in .mp4, and the speed preset reaching the encoder.
#include <cstring>

#include "platform/process.h"
#include "tests/test_support.h"
#include "tests/tool_runner.h"

namespace {

const ViewParams kView = {-0.75, 0.1, 4, 100, {0x804000u, 0xC0FF80u, 0xFFFFFFu, 0u}, {0, 0, 0, 0}};

// What ffprobe prints for the video stream's entries (frames counted), or "" without ffprobe.
std::string probe(const std::string& file, const char* entries)
{
    char ffprobe[kMaxPath];
    std::string command, output;
    if (!findProgram("ffprobe", ffprobe, sizeof ffprobe)) return "";
    for (const char* arg : {(const char*)ffprobe, "-v", "error", "-count_frames", "-select_streams", "v:0",
                            "-show_entries", entries, "-of", "csv=p=0", file.c_str()}) {
        appendArgument(command, arg);
    }
    EXPECT_TRUE(readOutputOf(command, output)) << command;
    return output;
}

// The types of an ISO media file's top-level boxes, in order: each box begins with its size
// (32 bits, big-endian; 1: a 64-bit size follows the type) and its four-letter type.
std::string topLevelBoxes(const std::string& bytes)
{
    std::string types;
    for (std::size_t at = 0; at + 8 <= bytes.size();) {
        std::uint64_t size = 0;
        for (int i = 0; i < 4; ++i) size = size << 8 | std::uint8_t(bytes[at + i]);
        if (size == 1 && at + 16 <= bytes.size()) {
            size = 0;
            for (int i = 8; i < 16; ++i) size = size << 8 | std::uint8_t(bytes[at + i]);
        }
        types += bytes.substr(at + 4, 4) + " ";
        if (size < 8) break;
        at += size;
    }
    return types;
}

}  // namespace

TEST(Video, TagsIndexAndPreset)
{
    char ffmpeg[kMaxPath];
    if (!findProgram("ffmpeg", ffmpeg, sizeof ffmpeg)) GTEST_SKIP() << "no ffmpeg on PATH";
    const std::string folder = freshFolder("video-tags"), view = folder + "view.vwp";
    writeWholeFile(view, bytesOf(kView));
    // name, preset, what x264 records of its settings in the stream ("" for VP9)
    const struct {
        const char* name;
        const char* preset;
        const char* settings;
    } videos[] = {
        {"d.mp4", nullptr, "subme=4"},  // faster
        {"u.mp4", "ultrafast", "subme=0"},
        {"s.mkv", "slow", "subme=8"},
        {"d.webm", "veryfast", ""},
    };
    for (const auto& video : videos) {
        const std::string file = folder + video.name;
        std::vector<std::string> args = {view, "--dive", "0.5", "--fps", "8", "--size", "64x48", "--quiet", "-o", file};
        if (video.preset) args.insert(args.end(), {"--preset", video.preset});
        ASSERT_EQ(0, runTool(args)) << toolMessages;
        const std::string bytes = readWholeFile(file);
        EXPECT_NE(bytes.npos, bytes.find(video.settings)) << video.name;
        const std::string tags = probe(file, "stream=width,height,color_space,color_transfer,color_primaries,color_range,nb_read_frames");
        if (!tags.empty()) {
            EXPECT_EQ("64,48,tv,bt709,bt709,bt709,4\n", tags) << video.name;
        }
    }
    const std::string boxes = topLevelBoxes(readWholeFile(folder + "d.mp4"));
    EXPECT_EQ(0u, boxes.find("ftyp ")) << boxes;
    EXPECT_LT(boxes.find("moov"), boxes.find("mdat")) << boxes;
    EXPECT_EQ(1, runTool({view, "--dive", "1", "--preset", "fastest", "-o", folder + "x.mp4"}));
    EXPECT_TRUE(oneLineSaying("bad preset 'fastest'")) << toolMessages;
}
