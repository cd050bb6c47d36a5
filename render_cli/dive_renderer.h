// What renders the pictures of a dive: the view's centre, limit and colours at any
// magnification, given as its base-2 logarithm. Every picture of a dive shares the centre, so
// whatever can be prepared once for the deepest one (a reference orbit) is kept here and
// used for all of them.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "core/frame_buffer.h"
#include "core/view_params.h"
#include "picture_render.h"

struct DiveRenderer {
    ViewParams view;        // centre, limit and colours; the magnification is each picture's
    std::int32_t threads;   // render threads
};

// Sets up renderer for the view, to render down to magnification 2^deepestLog2. 1 when ready;
// 0 when stop ended the preparation.
int prepareDiveRenderer(DiveRenderer& renderer, const ViewParams& view, double deepestLog2,
                        std::int32_t threads, const std::atomic<int>& stop);

// Whether pictures down to 2^deepestLog2 can be rendered truly; if not, why goes to reason.
int diveDepthRenderable(double deepestLog2, const char** reason);

// Renders the view's centre at magnification 2^log2Magnification into frame, as
// renderPicture renders a view (square pixels, the width spanning 6 / magnification). 1 when
// complete, 0 when stop ended it; report gets the rows done.
int renderDivePicture(const DiveRenderer& renderer, double log2Magnification, const FrameBuffer& frame,
                      const std::atomic<int>& stop, ProgressReport report, void* context);

// One line that tells apart every view whose pictures differ at the same magnification:
// centre, limit, colours and the renderer's kind. Kept with the keyframes, so that keyframes
// of another view are never taken for this one's.
void describeDiveView(const ViewParams& view, char* text, std::size_t size);

void releaseDiveRenderer(DiveRenderer& renderer);
