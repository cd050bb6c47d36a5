// What renders the pictures of a dive: the view's centre, limit and colours at any
// magnification, given as its base-2 logarithm. Every picture of a dive shares the centre, so
// the reference orbit is computed once, for the deepest picture, and serves all of them.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "core/frame_buffer.h"
#include "deep/deep_render.h"

struct DiveRenderer {
    DeepView view;          // centre, limit and colours; the magnification is each picture's
    ReferenceOrbit orbit;   // for pictures past the depth of doubles; empty when none is
    std::int32_t threads;   // render threads
};

// Sets up renderer for the view, to render down to magnification 2^deepestLog2: computes the
// reference orbit where perturbation will be needed, reporting the share done.
// kDeepRendered when ready; kDeepStopped when stop ended it; kDeepNoMemory when the orbit does
// not fit.
DeepResult prepareDiveRenderer(DiveRenderer& renderer, const DeepView& view, double deepestLog2,
                               std::int32_t threads, const std::atomic<int>& stop, const ProgressObserver& observer);

// Whether pictures down to 2^deepestLog2 can be rendered; if not, why goes to reason.
int diveDepthRenderable(double deepestLog2, const char** reason);

// Renders the view's centre at magnification 2^log2Magnification into frame, as
// tavelin-render renders a view, with renderDeepView's result; observer is told the share done.
DeepResult renderDivePicture(const DiveRenderer& renderer, double log2Magnification, const FrameBuffer& frame,
                             const std::atomic<int>& stop, const ProgressObserver& observer);

// One line that tells apart every view whose pictures differ at the same magnification:
// centre, limit and colours. Kept with the keyframes, so that keyframes of another view are
// never taken for this one's.
std::string describeDiveView(const DeepView& view);

// log2 of the view's magnification, and whether it is above 0.
double diveViewLog2(const DeepView& view);
int positiveMagnification(const DeepView& view);

// The view's magnification as a text, for messages.
std::string magnificationText(const DeepView& view);
