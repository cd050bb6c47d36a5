// Writing the rendered picture as a BMP or PNG file, through the same safe save as the window
// program: a temporary file beside the target, put in its place only when all of it is written.
#pragma once

#include "core/frame_buffer.h"
#include "core/platform.h"
#include "render_cli/options.h"

// Whether a picture of this size can be written in format; if not, the limit goes to limit.
int pictureFitsFormat(std::int32_t width, std::int32_t height, ImageFormat format, const char** limit);

// The PNG file of frame (bottom row first, blue-green-red), in memory to be freed with
// pngFree, or null when memory runs out (with nothing left allocated). It is encoded from the
// frame's own memory, which it leaves in red-green-blue order.
unsigned char* encodePng(const FrameBuffer& frame, std::uint32_t* size);

// Saves frame as a BMP file, or bytes as they are, at path. 1 on success; 0 after a reported
// failure, with any earlier file at path unchanged.
int saveBmp(WindowRef owner, const char* path, const FrameBuffer& frame);
int saveBytes(WindowRef owner, const char* path, const unsigned char* bytes, std::uint32_t size);
