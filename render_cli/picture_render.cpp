#include "picture_render.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "core/render_job.h"
#include "core/row_kernels.h"

namespace {

struct SharedRows {
    const RenderJob* setup;  // the mapping, palette and kernel, copied by every thread
    const double* rowYs;     // the imaginary part of each row, accumulated from the bottom
    FrameBuffer frame;
    std::atomic<std::int32_t> nextRow;
    std::atomic<std::int32_t> rowsDone;
    const std::atomic<int>* stop;
    std::mutex mutex;  // guards threadsDone
    std::condition_variable finished;
    std::int32_t threadsDone;
};

// One thread's work: rows taken one at a time until none is left or a stop is asked for.
void takeRows(SharedRows& shared)
{
    RenderJob job = *shared.setup;
    const std::int32_t width = shared.frame.width;
    const RowKernel kernel = rowKernel(job.kernel);
    while (!shared.stop->load()) {
        const std::int32_t row = shared.nextRow.fetch_add(1);
        if (row >= shared.frame.height) return;
        job.rowY = shared.rowYs[row];
        beginRow(job, shared.frame.bits + std::size_t(row) * width * kBytesPerPixel);
        while (!kernel(job, width, kSliceSteps)) {
            if (shared.stop->load()) return;
        }
        shared.rowsDone.fetch_add(1);
    }
}

void renderRows(SharedRows& shared)
{
    takeRows(shared);
    const std::lock_guard<std::mutex> lock(shared.mutex);
    shared.threadsDone = shared.threadsDone + 1;
    shared.finished.notify_one();
}

// 1 when one more thread renders; 0 when the system has none to give (a limit on processes,
// no memory for a stack).
int startWorker(std::vector<std::thread>& workers, SharedRows& shared)
{
    if (threadStartsLeft == 0) return 0;
    if (threadStartsLeft > 0) --threadStartsLeft;
    try {
        workers.emplace_back(renderRows, std::ref(shared));
    } catch (const std::exception&) {
        return 0;
    }
    return 1;
}

}  // namespace

std::int32_t threadStartsLeft = -1;

int renderPicture(const ViewParams& params, const FrameBuffer& frame, std::int32_t threads,
                  const std::atomic<int>& stop, ProgressReport report, void* context)
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
    SharedRows shared;
    shared.setup = &setup;
    shared.rowYs = rowYs.data();
    shared.frame = frame;
    shared.nextRow = 0;
    shared.rowsDone = 0;
    shared.stop = &stop;
    shared.threadsDone = 0;
    std::vector<std::thread> workers;
    std::int32_t started = 0;
    while (started < threads && startWorker(workers, shared)) ++started;
    if (started == 0) return kNoThread;
    {
        std::unique_lock<std::mutex> lock(shared.mutex);
        while (shared.threadsDone < started) {
            lock.unlock();
            report(shared.rowsDone.load(), context);
            lock.lock();
            shared.finished.wait_for(lock, std::chrono::milliseconds(100));
        }
    }
    for (std::thread& worker : workers) worker.join();
    report(shared.rowsDone.load(), context);
    return shared.rowsDone.load() == frame.height;
}
