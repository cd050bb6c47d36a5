#include "render_job.h"

#include <cstring>

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
    job.row.started = 0;  // an unfinished row of an earlier render is dropped
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

int rowPixelsPlain(RenderJob& job, std::int32_t width, std::int32_t)
{
    std::uint8_t* out = job.row.out;
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
    return 1;
}

void beginRow(RenderJob& job, std::uint8_t* out)
{
    RowState& row = job.row;
    row.out = out;
    row.nextPixel = 0;
    row.nextCr = job.originX;
    row.ci = job.rowY;
    row.segmentActive = 0;
    row.started = 1;
}

namespace {

constexpr std::int32_t kWholeRow = INT32_MAX;

// Moves past the row just written, asks for it to be shown, and sets up the next one.
void finishRow(RenderJob& job, const FrameBuffer& frame)
{
    job.row.started = 0;
    if (frame.width > 0) job.writePos += std::size_t(frame.width) * kBytesPerPixel;
    platform.requestRepaint(PixelRect{0, frame.height - job.rowsDone - 1, frame.width, frame.height});
    job.rowY = job.rowY + job.stepY;
    job.rowsDone = job.rowsDone + 1;
    if (job.rowsDone >= frame.height) job.active = 0;
}

}  // namespace

int renderSlice(RenderJob& job, const FrameBuffer& frame, std::int32_t steps)
{
    if (!job.row.started) beginRow(job, frame.width <= kPictureWidth ? job.rowPixels : job.writePos);
    if (!rowKernel(job.kernel)(job, frame.width, steps)) return 0;
    if (job.row.out != job.writePos && frame.width > 0) {
        std::memcpy(job.writePos, job.row.out, std::size_t(frame.width) * kBytesPerPixel);
    }
    finishRow(job, frame);
    return 1;
}

void renderRow(RenderJob& job, const FrameBuffer& frame)
{
    if (!job.row.started) beginRow(job, job.writePos);
    while (!renderSlice(job, frame, kWholeRow)) {
    }
}

void renderRowPlain(RenderJob& job, const FrameBuffer& frame)
{
    beginRow(job, job.writePos);
    rowPixelsPlain(job, frame.width, kWholeRow);
    finishRow(job, frame);
}
