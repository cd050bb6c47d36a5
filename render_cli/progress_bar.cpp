#include "render_cli/progress_bar.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int kBarWidth = 24;
constexpr int kMinBarWidth = 4;

}  // namespace

void fitProgressLine(char (&text)[kProgressTextSize], const char* figures, double done, int columns)
{
    int room = columns - 1 < kProgressTextSize - 1 ? columns - 1 : kProgressTextSize - 1;
    if (room < 0) room = 0;
    int barWidth = room - 3 - static_cast<int>(std::strlen(figures));
    if (barWidth > kBarWidth) barWidth = kBarWidth;
    int length = 0;
    if (done >= 0 && barWidth >= kMinBarWidth) {
        text[length++] = '[';
        for (int i = 0; i < barWidth; ++i) text[length++] = i < int(done * barWidth) ? '#' : '.';
        text[length++] = ']';
        text[length++] = ' ';
    }
    std::snprintf(text + length, std::size_t(room + 1 - length), "%s", figures);
}

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
                    double elapsedSeconds, int columns)
{
    const double done = rows > 0 ? double(rowsDone) / rows : 1.0;
    char elapsed[32], left[32] = "?";
    formatDuration(elapsed, elapsedSeconds);
    if (rowsDone > 0) formatDuration(left, elapsedSeconds * (rows - rowsDone) / rowsDone);
    char figures[kProgressTextSize];
    std::snprintf(figures, sizeof figures, "%3d%%  %ld/%ld rows  %s elapsed, %s left", int(done * 100),
                  long(rowsDone), long(rows), elapsed, left);
    fitProgressLine(text, figures, done, columns);
}

void formatEncoding(char (&text)[kProgressTextSize], double elapsedSeconds, int columns)
{
    char elapsed[32], figures[kProgressTextSize];
    formatDuration(elapsed, elapsedSeconds);
    std::snprintf(figures, sizeof figures, "encoding the PNG file  %s elapsed", elapsed);
    fitProgressLine(text, figures, -1.0, columns);
}
