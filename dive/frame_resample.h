// A video frame made from two keyframes instead of its own render: each frame pixel is the
// area average of the keyframe pixels under it (a box filter over its footprint), taken from
// the inner keyframe where that one covers the pixel, else from the outer.
#pragma once

#include <cstdint>

#include "core/frame_buffer.h"

// Makes frame from the keyframe outer (twice the frame's width and height, at magnification
// M) and inner (the same size at 2M, or null when there is none), for a frame at
// magnification M * 2^depth, depth from 0 to 1. All three share the centre: the keyframes'
// pixel (width / 2, height / 2) and the frame's (width / 2, height / 2) lie on it, as
// renderPicture places them. Rows are split among `threads` threads.
void resampleFrame(const FrameBuffer& outer, const FrameBuffer* inner, double depth, const FrameBuffer& frame,
                   std::int32_t threads);
