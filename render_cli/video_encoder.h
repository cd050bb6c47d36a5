// Video files through the ffmpeg program (Debian's package ffmpeg), found on PATH: frames go
// down a pipe as raw rgb24 pictures, and ffmpeg encodes them as H.264 in yuv420p (.mp4,
// .mkv) or VP9 (.webm). The video is written beside the output under a temporary name and put
// in its place only when ffmpeg has finished it, so an existing file stays as it was until then.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "core/frame_buffer.h"
#include "core/platform.h"

struct VideoEncoder {
    std::FILE* pipe;
    const char* outputPath;
    char tempPath[kMaxPath];
    std::vector<std::uint8_t> row;  // one row in ffmpeg's order: top row first, red first
};

// The ffmpeg program on PATH into program; 1 when there is one.
int findVideoEncoder(char (&program)[kMaxPath]);

// Starts program encoding width x height frames at fps into outputPath, with quality crf (-1:
// a default for the codec) and the speed preset (one of kPresets; null: the default), in
// BT.709 colours, tagged so. 1 on success; 0 after a message on standard error.
int startVideo(VideoEncoder& encoder, const char* program, const char* outputPath, std::int32_t width,
               std::int32_t height, std::int32_t fps, std::int32_t crf, const char* preset);

// Sends one frame (bottom row first, blue-green-red). 1 on success; 0 when ffmpeg no longer
// takes frames.
int writeVideoFrame(VideoEncoder& encoder, const FrameBuffer& frame);

// Ends the video: with complete set, waits for ffmpeg and puts the video in place (1 on
// success, 0 after a message); otherwise removes what ffmpeg wrote (0).
int finishVideo(VideoEncoder& encoder, int complete);
