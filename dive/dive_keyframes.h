// The keyframes of a dive on disk: a folder beside the output (OUT.keyframes) with one bitmap
// per keyframe (key-00000.bmp, ...) and a manifest of what they show. Keyframes are 24-bit
// BMP files, the frame buffer's own bytes behind a header: written and read back at the speed
// of the disk, exact, and each saved whole or not at all by the safe save. A rerun of the same
// dive takes the keyframes that are there; the manifest keeps those of another view, size or
// start from being taken. Each keyframe carries in its header's unused fields a stamp of the
// manifest it was rendered for and a checksum of its pixels: only keyframes whose stamp and
// checksum match are taken, so a truncated, damaged or foreign keyframe is rendered again.
// Nothing in the folder is read or written through a symbolic link: a keyframe that is a link
// counts as missing and is replaced by the file itself; a manifest that is a link is refused.
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
    std::uint32_t stamp;  // the manifest's hash, kept in every keyframe of this dive
};

// The result of opening a folder: ready, refused for keyframes of another dive, or failed.
enum class FolderState { ready, otherDive, failed };

// Fills folder (path, size, stamp) for the keyframes of outputPath showing what manifest
// says, without touching the disk; 0 when the path is too long.
int describeKeyframeFolder(KeyframeFolder& folder, const char* outputPath, std::int32_t width, std::int32_t height,
                           const std::string& manifest);

// Whether the folder is there with this manifest: keyframes of this dive were made before.
int folderHoldsManifest(const KeyframeFolder& folder, const std::string& manifest);

// Whether keyframe k's file is there with the folder's header and stamp (its pixels unread).
int keyframeOnDisk(const KeyframeFolder& folder, std::int32_t keyframe);

// Makes (or finds) the folder outputPath + ".keyframes" for keyframes of the size given that
// show what manifest says. The manifest is created only where there is none (never replacing
// one a dive started at the same time wrote) and read back: the folder is ready when the
// manifest there is this one. After a failure, message says what and why.
FolderState openKeyframeFolder(KeyframeFolder& folder, const char* outputPath, std::int32_t width,
                               std::int32_t height, const std::string& manifest, std::string& message);

// The file of keyframe k; 0 when the path does not fit.
int keyframePath(const KeyframeFolder& folder, std::int32_t keyframe, char (&path)[kMaxPath]);

// Reads keyframe k into frame (the folder's size). 1 when the file is there, of that size,
// complete, with this folder's stamp and the checksum of its pixels; 0 otherwise (the
// keyframe is then to be rendered).
int readKeyframe(const KeyframeFolder& folder, std::int32_t keyframe, const FrameBuffer& frame);

// The bytes of one keyframe file of width x height.
std::uint64_t keyframeFileBytes(std::int32_t width, std::int32_t height);

// Saves frame as keyframe k: written under a temporary name in the folder, then renamed over
// the keyframe's name (over a link there, not its target). 1 on success; 0 when stopped (stop
// set) or with a message.
int writeKeyframe(const KeyframeFolder& folder, std::int32_t keyframe, const FrameBuffer& frame,
                  const std::atomic<int>& stop, std::string& message);
