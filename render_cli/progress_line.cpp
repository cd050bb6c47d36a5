#include "render_cli/progress_line.h"

#include <cstdio>
#include <cstring>

#include "platform/terminal.h"
#include "render_cli/messages.h"

namespace {

constexpr int kBarWidth = 24;
constexpr int kMinBarWidth = 4;
// In a log (standard error no terminal): a line every few seconds, as wide as a log takes.
constexpr double kLogSeconds = 5;
constexpr int kLogColumns = kProgressTextSize;

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

void formatDiveProgress(char (&text)[kProgressTextSize], const ProgressReport& report, double elapsedSeconds,
                        int columns)
{
    char figures[kProgressTextSize], spent[32], left[32] = "?";
    formatDuration(spent, elapsedSeconds);
    if (report.secondsLeft >= 0) formatDuration(left, report.secondsLeft);
    std::snprintf(figures, sizeof figures, "%3d%%  keyframes %ld/%ld  frames %ld/%ld  %s elapsed, %s left",
                  int(report.done * 100), long(report.keyframesDone), long(report.keyframes), long(report.framesDone),
                  long(report.frames), spent, left);
    fitProgressLine(text, figures, report.done, columns);
}

void formatPhase(char (&text)[kProgressTextSize], const char* phase, double elapsedSeconds, int columns)
{
    char elapsed[32], figures[kProgressTextSize];
    formatDuration(elapsed, elapsedSeconds);
    std::snprintf(figures, sizeof figures, "%s  %s elapsed", phase, elapsed);
    fitProgressLine(text, figures, -1.0, columns);
}

namespace {

// Draws text over the line, with spaces over what the line drawn before it had beyond it.
void redrawLine(const char* text, int& lastLength)
{
    const int length = static_cast<int>(std::strlen(text));
    std::fprintf(stderr, "\r%s%*s", text, lastLength > length ? lastLength - length : 0, "");
    std::fflush(stderr);
    lastLength = length;
}

void drawReport(const ProgressReport& report, void* context)
{
    ProgressLine& line = *static_cast<ProgressLine*>(context);
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - line.start).count();
    if (report.note) {
        endProgressLine(line);
        complain("%s", report.note);
        return;
    }
    if (!line.onTerminal && elapsed < line.lastLogged + kLogSeconds) return;
    const int columns = line.onTerminal ? terminalColumns() : kLogColumns;
    char text[kProgressTextSize];
    if (report.phase) {
        formatPhase(text, report.phase, elapsed, columns);
    } else if (report.keyframes || report.frames) {
        formatDiveProgress(text, report, elapsed, columns);
    } else {
        // The rows of the share done, so that a reference orbit computed first counts too.
        formatProgress(text, std::int32_t(report.done * report.rows), report.rows, elapsed, columns);
    }
    if (line.onTerminal) {
        redrawLine(text, line.length);
        return;
    }
    line.lastLogged = elapsed;
    std::fprintf(stderr, "%s\n", text);
    std::fflush(stderr);
}

}  // namespace

ProgressLine startProgressLine(int quiet)
{
    return ProgressLine{!quiet, stderrIsTerminal(), std::chrono::steady_clock::now(), 0, 0};
}

ProgressObserver observerOf(ProgressLine& line)
{
    return line.shown ? ProgressObserver{drawReport, &line} : kNoObserver;
}

void endProgressLine(ProgressLine& line)
{
    if (line.shown && line.onTerminal && line.length > 0) std::fprintf(stderr, "\n");
    line.length = 0;
}
