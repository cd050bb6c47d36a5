// The keyframes of a dive on disk: a folder beside the output (OUT.keyframes) with one bitmap
// per keyframe (key-00000.bmp, ...) and a manifest of what they show. Keyframes are 24-bit
// BMP files, the frame buffer's own bytes behind a header: written and read back at the speed
// of the disk, exact, and each saved whole or not at all by the safe save. A rerun of the same
// dive takes the keyframes that are there; the manifest keeps those of another view, size or
// start from being taken.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "core/frame_buffer.h"
#include "core/platform.h"

struct KeyframeFolder {
    char path[kMaxPath];
    std::int32_t width;   // of every keyframe
    std::int32_t height;
};

// The result of opening a folder: ready, refused for keyframes of another dive, or failed.
enum class FolderState { ready, otherDive, failed };

// Makes (or finds) the folder outputPath + ".keyframes" for keyframes of the size given that
// show what manifest says, and writes the manifest when there is none. After a failure,
// message says what and why.
FolderState openKeyframeFolder(KeyframeFolder& folder, const char* outputPath, std::int32_t width,
                               std::int32_t height, const std::string& manifest, std::string& message);

// The file of keyframe k; 0 when the path does not fit.
int keyframePath(const KeyframeFolder& folder, std::int32_t keyframe, char (&path)[kMaxPath]);

// Reads keyframe k into frame (the folder's size). 1 when the file is there, of that size and
// complete; 0 otherwise (the keyframe is then to be rendered).
int readKeyframe(const KeyframeFolder& folder, std::int32_t keyframe, const FrameBuffer& frame);

// Whether keyframe k is there, of the folder's size and complete, without reading its pixels.
int haveKeyframe(const KeyframeFolder& folder, std::int32_t keyframe);

// Saves frame as keyframe k. 1 on success; 0 when stopped (stop set) or with a message.
int writeKeyframe(const KeyframeFolder& folder, std::int32_t keyframe, const FrameBuffer& frame,
                  const std::atomic<int>& stop, std::string& message);
