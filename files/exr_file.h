// Iteration data as an OpenEXR file, the format that deep-zoom colouring tools and video
// assemblers read: channel N holds each pixel's count as a 32-bit unsigned number
// (0xFFFFFFFF for a pixel that did not escape), NF the fraction of its continuous count
// (0 without continuous colour), and R, G, B the picture as half floats in linear light. The
// view goes into the header as string attributes, one per view-text field. Written with
// Debian's OpenEXR library; the Windows build, for which Debian has no OpenEXR, writes none.
#pragma once

#include <cstdint>
#include <string>

#include "core/frame_buffer.h"
#include "deep/iteration_map.h"
#include "deep/deep_view.h"

// Whether this build writes OpenEXR files.
int exrSupported();

// Writes frame and map (the same size) with view in the header to path: into a new file
// beside it, which replaces path only once complete. 1 on success; 0 with a message.
int writeExrFile(const char* path, const DeepView& view, const FrameBuffer& frame, const IterationMap& map,
                 std::string& message);
