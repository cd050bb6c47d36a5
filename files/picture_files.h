// Writing a rendered picture as a BMP or PNG file, through the core's safe save: a temporary
// file beside the target, put in its place only when all of it is written. A stop request
// ends a save between two writes, leaving the old file as it was.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "core/frame_buffer.h"
#include "core/platform.h"
#include "deep/progress.h"

enum class ImageFormat { bmp, png, exr };

enum class SaveResult { saved, failed, stopped };

// Finds out before long work whether a file can be written at path: the target can be
// replaced, and its folder takes a new file. 1 if so; 0 with a message.
int outputWritable(const char* path, std::string& message);

// Whether a picture of this size can be written in format; if not, the limit goes to limit.
int pictureFitsFormat(std::int32_t width, std::int32_t height, ImageFormat format, const char** limit);

// The PNG file of frame (bottom row first, blue-green-red), in memory to be freed with
// pngFree, or null when memory runs out (with nothing left allocated). It is encoded from the
// frame's own memory, which it leaves in red-green-blue order.
unsigned char* encodePng(const FrameBuffer& frame, std::uint32_t* size);

// Saves frame, whose pixels memory holds, at path in format. The PNG encoder, which cannot be
// stopped half-way and takes seconds for a large picture, runs on a thread of its own while
// observer is told its phase; a stop while it runs leaves it behind to finish on its own,
// holding the memory until then. After a failure, message says what and why.
SaveResult savePicture(const char* path, ImageFormat format, const FrameBuffer& frame,
                       const std::shared_ptr<std::uint8_t[]>& memory, const std::atomic<int>& stop,
                       const ProgressObserver& observer, std::string& message);

// Saves bytes as they are, or frame as a 24-bit BMP file, at path; a stop ends it between
// writes. After a failure, message says what and why.
SaveResult saveBytes(const char* path, const unsigned char* bytes, std::uint32_t size, const std::atomic<int>& stop,
                     std::string& message);
SaveResult saveBmp(const char* path, const FrameBuffer& frame, const std::atomic<int>& stop, std::string& message);
