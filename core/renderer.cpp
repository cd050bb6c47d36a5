#include "render_job.h"

#include "platform.h"
#include "row_kernels.h"

void beginRender(const ViewParams& params, RenderJob& job, const FrameBuffer& frame,
                 Selection& selection)
{
    job.active = 1;
    job.rowsDone = 0;
    job.maxIterations = params.maxIterations;
    job.stepX = (6.0 / frame.width) / params.magnification;
    job.stepY = (4.5 / frame.height) / params.magnification;
    job.originX = params.centerX - (frame.width / 2) * job.stepX;
    job.rowY = params.centerY - (frame.height / 2) * job.stepY;
    job.insideColor = pixelFromColorRef(params.colors[3]);
    buildPalette(params, job.palette);
    job.writePos = frame.bits;
    job.kernel = fastestRowKernel();
    job.cycleChecks = 1;
    selection.visible = 0;
}

std::int32_t escapeCount(double cr, double ci, std::int32_t maxIterations)
{
    double zr = 0.0;
    double zi = 0.0;
    std::int32_t j = 0;
    while (j < maxIterations) {
        const double nextZr = (zr * zr - zi * zi) + cr;
        const double nextZi = 2.0 * zr * zi + ci;
        zr = nextZr;
        zi = nextZi;
        if (zr * zr + zi * zi > 4.0) break;
        ++j;
    }
    return j;
}

void rowPixelsPlain(const RenderJob& job, std::int32_t width)
{
    std::uint8_t* out = job.writePos;
    double cr = job.originX;
    const double ci = job.rowY;
    for (std::int32_t x = 0; x < width; ++x) {
        const std::int32_t j = escapeCount(cr, ci, job.maxIterations);
        const PixelColor& color = j < job.maxIterations ? job.palette.entries[j & (kPaletteSize - 1)]
                                                        : job.insideColor;
        out[0] = color.bytes[0];
        out[1] = color.bytes[1];
        out[2] = color.bytes[2];
        out += kBytesPerPixel;
        // Accumulated, not originX + x * stepX: the two differ in the last bits.
        cr = cr + job.stepX;
    }
}

namespace {

// Moves past the row just written, asks for it to be shown, and sets up the next one.
void finishRow(RenderJob& job, const FrameBuffer& frame)
{
    if (frame.width > 0) job.writePos += std::size_t(frame.width) * kBytesPerPixel;
    platform.requestRepaint(PixelRect{0, frame.height - job.rowsDone - 1, frame.width, frame.height});
    job.rowY = job.rowY + job.stepY;
    job.rowsDone = job.rowsDone + 1;
    if (job.rowsDone >= frame.height) job.active = 0;
}

}  // namespace

void renderRow(RenderJob& job, const FrameBuffer& frame)
{
    rowKernel(job.kernel)(job, frame.width);
    finishRow(job, frame);
}

void renderRowPlain(RenderJob& job, const FrameBuffer& frame)
{
    rowPixelsPlain(job, frame.width);
    finishRow(job, frame);
}
