#include "progress_bar.h"

#include <cstdio>

namespace {

constexpr int kBarWidth = 24;

}  // namespace

void formatDuration(char (&text)[32], double seconds)
{
    const long total = seconds < 0 ? 0 : long(seconds + 0.5);
    if (total >= 3600) {
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
    } else {
        std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    }
}

void formatProgress(char (&text)[kProgressTextSize], std::int32_t rowsDone, std::int32_t rows,
                    double elapsedSeconds)
{
    const double done = rows > 0 ? double(rowsDone) / rows : 1.0;
    char bar[kBarWidth + 1];
    for (int i = 0; i < kBarWidth; ++i) bar[i] = i < int(done * kBarWidth) ? '#' : '.';
    bar[kBarWidth] = '\0';
    char elapsed[32], left[32] = "?";
    formatDuration(elapsed, elapsedSeconds);
    if (rowsDone > 0) formatDuration(left, elapsedSeconds * (rows - rowsDone) / rowsDone);
    std::snprintf(text, sizeof text, "[%s] %3d%%  %ld/%ld rows  %s elapsed, %s left", bar, int(done * 100),
                  long(rowsDone), long(rows), elapsed, left);
}
