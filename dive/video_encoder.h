// Video files through the ffmpeg program (Debian's package ffmpeg), found on PATH: frames go
// down a pipe as raw rgb24 pictures, and ffmpeg encodes them as H.264 in yuv420p (.mp4,
// .mkv) or VP9 (.webm). The video is written beside the output under a temporary name and put
// in its place only when ffmpeg has finished it, so an existing file stays as it was until then.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/frame_buffer.h"
#include "core/platform.h"

struct VideoEncoder {
    std::FILE* pipe;
    const char* outputPath;
    char tempPath[kMaxPath];
    char logPath[kMaxPath];         // ffmpeg's own messages, kept off the terminal
    std::vector<std::uint8_t> row;  // one row in ffmpeg's order: top row first, red first
    std::int32_t width, height;
    std::int32_t framesSent;
};

// x264's speed presets, fastest first, and the one a video gets without --preset.
constexpr int kPresetCount = 9;
extern const char* const kPresets[kPresetCount];
extern const char kDefaultPreset[];

// The index of a preset's name in kPresets; -1 for no preset.
int presetIndex(const char* name);

// The ffmpeg program on PATH into program; 1 when there is one.
int findVideoEncoder(char (&program)[kMaxPath]);

// Starts program encoding width x height frames at fps into outputPath, with quality crf (-1:
// a default for the codec) and the speed preset (one of kPresets; null: the default), in
// BT.709 colours, tagged so. 1 on success; 0 with a message.
int startVideo(VideoEncoder& encoder, const char* program, const char* outputPath, std::int32_t width,
               std::int32_t height, std::int32_t fps, std::int32_t crf, const char* preset, std::string& message);

// Sends one frame (bottom row first, blue-green-red). 1 on success; 0 when ffmpeg no longer
// takes frames.
int writeVideoFrame(VideoEncoder& encoder, const FrameBuffer& frame);

// Ends the video: with complete set, waits for ffmpeg, checks the video it wrote (not empty,
// begun as its container is; with ffprobe on PATH, the size and count of frames sent) and
// puts it in place (1 on success, 0 with a message); otherwise, or when the check fails,
// removes what ffmpeg wrote (0), and the old video stays. Where ffmpeg failed, the message
// says why: a full disk, or ffmpeg's own last line.
int finishVideo(VideoEncoder& encoder, int complete, std::string& message);
