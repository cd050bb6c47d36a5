#include "row_workers.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
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

}  // namespace

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
    try {
        workers.reserve(std::size_t(threads));
        for (std::int32_t i = 0; i < threads; ++i) workers.emplace_back(worker, std::ref(shared));
    } catch (const std::exception&) {
        // The system starts no more threads (or has no memory for them): go on with those running.
    }
    const std::int32_t started = std::int32_t(workers.size());
    if (started == 0) takeRows(shared);
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
