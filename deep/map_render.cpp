#include "deep/map_render.h"

#include <memory>
#include <new>

#include "core/palette.h"

DeepResult renderViewAndMap(const DeepView& view, const FrameBuffer& frame, const IterationMap& map,
                            std::int32_t threads, const std::atomic<int>& stop, const ProgressObserver& observer,
                            const ReferenceOrbit* orbit)
{
    const DeepResult result = renderDeepView(view, frame, threads, stop, observer, orbit, &map);
    if (result == kDeepRendered && view.colouring.smooth) colourContinuously(view, map, frame);
    return result;
}

DeepResult renderContinuousColour(const DeepView& view, const FrameBuffer& frame, std::int32_t threads,
                                  const std::atomic<int>& stop, const ProgressObserver& observer,
                                  const ReferenceOrbit* orbit)
{
    const std::size_t pixels = std::size_t(frame.width) * std::size_t(frame.height);
    std::unique_ptr<std::uint32_t[]> counts(new (std::nothrow) std::uint32_t[pixels]);
    std::unique_ptr<float[]> fractions(new (std::nothrow) float[pixels]);
    if (!counts || !fractions) return kDeepNoMemory;
    const IterationMap map = {frame.width, frame.height, counts.get(), fractions.get()};
    return renderViewAndMap(view, frame, map, threads, stop, observer, orbit);
}

void colourContinuously(const DeepView& view, const IterationMap& map, const FrameBuffer& frame)
{
    ViewParams colours = kInitialViewParams;
    for (int i = 0; i < 4; ++i) colours.colors[i] = view.colors[i];
    Palette palette;
    buildPalette(colours, palette);
    const PixelColor inside = pixelFromColorRef(view.colors[3]);
    const std::size_t pixels = std::size_t(frame.width) * std::size_t(frame.height);
    for (std::size_t p = 0; p < pixels; ++p) {
        const double count = mapCount(map, p);
        const PixelColor color = count < 0 ? inside : continuousColor(palette, palettePosition(view.colouring, count));
        for (int b = 0; b < kBytesPerPixel; ++b) frame.bits[p * kBytesPerPixel + b] = color.bytes[b];
    }
}
