// The dive's pictures from the double kernels of renderPicture, true down to about
// magnification 1e13, where neighbouring pixels stop having coordinates of their own.
#include "dive_renderer.h"

#include <cmath>
#include <cstdio>

namespace {

// 2^43 is about 8.8e12: a 2560-pixel keyframe there still has steps of a few hundred ulps.
constexpr double kDeepestLog2 = 43.0;

}  // namespace

int prepareDiveRenderer(DiveRenderer& renderer, const ViewParams& view, double, std::int32_t threads,
                        const std::atomic<int>& stop)
{
    renderer = DiveRenderer{view, threads};
    return !stop.load();
}

int diveDepthRenderable(double deepestLog2, const char** reason)
{
    *reason = "the dive's pictures are rendered in doubles, true to magnification 2^43 (about 8.8e12)";
    return deepestLog2 <= kDeepestLog2;
}

int renderDivePicture(const DiveRenderer& renderer, double log2Magnification, const FrameBuffer& frame,
                      const std::atomic<int>& stop, ProgressReport report, void* context)
{
    ViewParams params = renderer.view;
    params.magnification = std::exp2(log2Magnification);
    return renderPicture(params, frame, renderer.threads, stop, report, context);
}

void describeDiveView(const ViewParams& view, char* text, std::size_t size)
{
    std::snprintf(text, size, "doubles centre %.17g %.17g limit %ld colours %06lx %06lx %06lx %06lx",
                  view.centerX, view.centerY, long(view.maxIterations), (unsigned long)(view.colors[0] & 0xFFFFFF),
                  (unsigned long)(view.colors[1] & 0xFFFFFF), (unsigned long)(view.colors[2] & 0xFFFFFF),
                  (unsigned long)(view.colors[3] & 0xFFFFFF));
}

void releaseDiveRenderer(DiveRenderer&) {}
