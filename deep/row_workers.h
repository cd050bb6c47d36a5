// Rows of a picture shared out among threads: each thread takes the next row not yet taken
// until none is left or a stop is asked for, while the calling thread reports progress.
#pragma once

#include <atomic>
#include <cstdint>

// Computes one row; 1 when it is complete, 0 when it gave up because stop was set.
using RowWork = int (*)(std::int32_t row, void* context);

// Called on the calling thread about ten times a second, and once at the end.
using RowsReport = void (*)(std::int32_t rowsDone, void* context);

// Runs work for rows 0 to rows - 1 on `threads` threads (fewer where the system starts fewer:
// a limit on processes, no memory for a stack). 1 when every row is complete, 0 when stopped,
// kNoThread when not one thread could be started.
constexpr int kNoThread = -1;
int runRowWorkers(std::int32_t rows, std::int32_t threads, RowWork work, void* workContext,
                  const std::atomic<int>& stop, RowsReport report, void* reportContext);

// For tests: how many more threads start before every further start fails; -1 for all.
extern std::int32_t threadStartsLeft;
