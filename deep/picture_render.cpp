#include "deep/picture_render.h"

#include <vector>

#include "core/render_job.h"
#include "core/row_kernels.h"
#include "deep/row_workers.h"

namespace {

struct Rows {
    const RenderJob* setup;  // the mapping, palette and kernel, copied for every row
    const double* rowYs;     // the imaginary part of each row, accumulated from the bottom
    FrameBuffer frame;
    const std::atomic<int>* stop;
};

int renderKernelRow(std::int32_t row, void* context)
{
    const Rows& rows = *static_cast<const Rows*>(context);
    RenderJob job = *rows.setup;
    const RowKernel kernel = rowKernel(job.kernel);
    job.rowY = rows.rowYs[row];
    beginRow(job, rows.frame.bits + std::size_t(row) * rows.frame.width * kBytesPerPixel);
    while (!kernel(job, rows.frame.width, kSliceSteps)) {
        if (rows.stop->load()) return 0;
    }
    return 1;
}

}  // namespace

int renderPicture(const ViewParams& params, const FrameBuffer& frame, std::int32_t threads,
                  const std::atomic<int>& stop, RowsReport report, void* context)
{
    RenderJob setup = {};
    Selection unused = {};
    beginRender(params, setup, frame, unused);
    // Square pixels at any size: rows advance by the columns' step. At 4:3 sizes, 640 x 480
    // among them, both steps are the same number, so the pixels are the window program's.
    setup.stepY = setup.stepX;
    setup.rowY = params.centerY - (frame.height / 2) * setup.stepY;

    std::vector<double> rowYs(std::size_t(frame.height));
    double rowY = setup.rowY;
    for (double& y : rowYs) {
        y = rowY;
        rowY = rowY + setup.stepY;
    }
    Rows rows = {&setup, rowYs.data(), frame, &stop};
    return runRowWorkers(frame.height, threads, renderKernelRow, &rows, stop, report, context);
}
