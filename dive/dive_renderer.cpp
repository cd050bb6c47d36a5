// The dive's pictures from renderDeepView: the double kernels where they resolve a picture,
// perturbation past them with the one reference orbit of the dive.
#include "dive/dive_renderer.h"

#include <cmath>
#include <cstdio>

namespace {

void reportOrbit(double done, void* context)
{
    const ProgressReport report = {done, nullptr, 0, 0, 0, 0, 0, 0, -1, nullptr};
    tell(*static_cast<ProgressObserver*>(context), report);
}

}  // namespace

DeepResult prepareDiveRenderer(DiveRenderer& renderer, const DeepView& view, double deepestLog2,
                               std::int32_t threads, const std::atomic<int>& stop, const ProgressObserver& observer)
{
    renderer.view = view;
    renderer.threads = threads;
    if (deepestLog2 <= kPerturbationFromLog2 || view.maxIterations <= 0) return kDeepRendered;
    ProgressObserver watching = observer;
    const OrbitResult result = computeReferenceOrbit(view, deepestLog2, renderer.orbit, stop, reportOrbit, &watching);
    return deepResultOf(result);
}

int diveDepthRenderable(double deepestLog2, const char** reason)
{
    *reason = "its keyframes would pass magnification 1e10000, the deepest rendered";
    return deepestLog2 <= kDeepestMagnificationLog10 * std::log2(10.0);
}

DeepResult renderDivePicture(const DiveRenderer& renderer, double log2Magnification, const FrameBuffer& frame,
                             const std::atomic<int>& stop, const ProgressObserver& observer)
{
    const ReferenceOrbit* orbit = renderer.orbit.values ? &renderer.orbit : nullptr;
    return renderDeepView(withMagnificationLog2(renderer.view, log2Magnification), frame, renderer.threads, stop,
                          observer, orbit);
}

std::string describeDiveView(const DeepView& view)
{
    char rest[96];
    std::snprintf(rest, sizeof rest, " limit %ld colours %06lx %06lx %06lx %06lx", long(view.maxIterations),
                  (unsigned long)(view.colors[0] & 0xFFFFFF), (unsigned long)(view.colors[1] & 0xFFFFFF),
                  (unsigned long)(view.colors[2] & 0xFFFFFF), (unsigned long)(view.colors[3] & 0xFFFFFF));
    // Keyframes in continuous colour differ from the program's; their manifest says so.
    std::string colouring = colouringText(view.colouring);
    for (char& c : colouring) c = c == '\n' ? ' ' : c;
    return "deep centre " + view.centerX + " " + view.centerY + rest + (colouring.empty() ? "" : " " + colouring);
}

double diveViewLog2(const DeepView& view)
{
    return magnificationLog2(view.magnification);
}

int positiveMagnification(const DeepView& view)
{
    return view.magnification.mantissa > 0;
}

std::string magnificationText(const DeepView& view)
{
    return formatMagnification(view.magnification);
}
