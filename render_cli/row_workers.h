// Rows of a picture shared out among threads: each thread takes the next row not yet taken
// until none is left or a stop is asked for, while the calling thread reports progress.
#pragma once

#include <atomic>
#include <cstdint>

// Computes one row; 1 when it is complete, 0 when it gave up because stop was set.
using RowWork = int (*)(std::int32_t row, void* context);

// Called on the calling thread about ten times a second, and once at the end.
using RowsReport = void (*)(std::int32_t rowsDone, void* context);

// Runs work for rows 0 to rows - 1 on `threads` threads (fewer if the system starts fewer; the
// calling thread works itself when it starts none). 1 when every row is complete.
int runRowWorkers(std::int32_t rows, std::int32_t threads, RowWork work, void* workContext,
                  const std::atomic<int>& stop, RowsReport report, void* reportContext);
