#include "deep/row_workers.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <exception>
#include <thread>
#include <vector>

namespace {

struct Shared {
    std::int32_t rows;
    RowWork work;
    void* context;
    const std::atomic<int>* stop;
    std::atomic<std::int32_t> nextRow;
    std::atomic<std::int32_t> rowsDone;
    std::mutex mutex;  // guards threadsDone
    std::condition_variable finished;
    std::int32_t threadsDone;
};

void takeRows(Shared& shared)
{
    while (!shared.stop->load()) {
        const std::int32_t row = shared.nextRow.fetch_add(1);
        if (row >= shared.rows || !shared.work(row, shared.context)) return;
        shared.rowsDone.fetch_add(1);
    }
}

void worker(Shared& shared)
{
    takeRows(shared);
    const std::lock_guard<std::mutex> lock(shared.mutex);
    shared.threadsDone = shared.threadsDone + 1;
    shared.finished.notify_one();
}

// 1 when one more thread works; 0 when the system has none to give.
int startWorker(std::vector<std::thread>& workers, Shared& shared)
{
    if (threadStartsLeft == 0) return 0;
    if (threadStartsLeft > 0) --threadStartsLeft;
    try {
        workers.emplace_back(worker, std::ref(shared));
    } catch (const std::exception&) {
        return 0;
    }
    return 1;
}

}  // namespace

std::int32_t threadStartsLeft = -1;

int runRowWorkers(std::int32_t rows, std::int32_t threads, RowWork work, void* workContext,
                  const std::atomic<int>& stop, RowsReport report, void* reportContext)
{
    Shared shared;
    shared.rows = rows;
    shared.work = work;
    shared.context = workContext;
    shared.stop = &stop;
    shared.nextRow = 0;
    shared.rowsDone = 0;
    shared.threadsDone = 0;
    std::vector<std::thread> workers;
    workers.reserve(std::size_t(threads));
    std::int32_t started = 0;
    while (started < threads && startWorker(workers, shared)) ++started;
    if (started == 0) return kNoThread;
    {
        std::unique_lock<std::mutex> lock(shared.mutex);
        while (shared.threadsDone < started) {
            lock.unlock();
            report(shared.rowsDone.load(), reportContext);
            lock.lock();
            shared.finished.wait_for(lock, std::chrono::milliseconds(100));
        }
    }
    for (std::thread& thread : workers) thread.join();
    report(shared.rowsDone.load(), reportContext);
    return shared.rowsDone.load() == rows;
}
