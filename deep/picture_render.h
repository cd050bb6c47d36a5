// Renders a whole picture of any size on several threads, with exactly the pixels that the
// window program computes for the same view.
#pragma once

#include <atomic>
#include <cstdint>

#include "core/frame_buffer.h"
#include "core/view_params.h"
#include "deep/row_workers.h"

// Renders params into frame (frame.width x frame.height, bottom row first, rows gap-free) on
// `threads` threads, each taking the next row not yet taken and computing it with the fastest
// kernel, in slices so that a stop request (stop set, by Ctrl+C) ends it at once. The picture's width spans
// 6 / magnification and pixels are square; rows and columns advance by accumulation from the
// bottom-left pixel, as in the window program. Where the system starts fewer threads, those
// that started render the picture. 1 when the picture is complete, 0 when it was stopped,
// kNoThread when not one thread could be started.
int renderPicture(const ViewParams& params, const FrameBuffer& frame, std::int32_t threads,
                  const std::atomic<int>& stop, RowsReport report, void* context);
