// The progress line that tavelin-render shows on a terminal while it renders and encodes: the
// terminal's observer of pictures and dives, redrawn in place.
#pragma once

#include <chrono>
#include <cstdint>

#include "deep/progress.h"

constexpr int kProgressTextSize = 128;

// One line of fewer than `columns` characters (a full line wraps on some terminals), to be
// redrawn in place: a bar where it fits, the percentage, the rows done, the time elapsed and
// an estimate of the time left from the rows still to do (once there is something to
// estimate from).
void formatProgress(char (&text)[kProgressTextSize], std::int32_t rowsDone, std::int32_t rows,
                    double elapsedSeconds, int columns);

// The line of a dive: keyframes and frames done, and the time left of the dive's own estimate
// ("?" while it has nothing to estimate from).
void formatDiveProgress(char (&text)[kProgressTextSize], const ProgressReport& report, double elapsedSeconds,
                        int columns);

// The line while work runs that tells nothing of its progress (the PNG encoder): the phase
// and the time elapsed.
void formatPhase(char (&text)[kProgressTextSize], const char* phase, double elapsedSeconds, int columns);

// figures after a bar filled to done (0 to 1), as wide as a line of fewer than `columns`
// characters leaves room for (no bar when done is negative or fewer than a few characters
// are left); cut where even the figures do not fit.
void fitProgressLine(char (&text)[kProgressTextSize], const char* figures, double done, int columns);

// m:ss, or h:mm:ss from an hour on.
void formatDuration(char (&text)[32], double seconds);

struct ProgressLine {
    int shown;       // not --quiet
    int onTerminal;  // redrawn in place; elsewhere (a job's log) a line every few seconds
    std::chrono::steady_clock::time_point start;
    int length;         // of the text drawn last, which a shorter one must cover
    double lastLogged;  // seconds from the start to the line logged last
};

// A line on standard error unless quiet: redrawn in place on a terminal, else (a job's log)
// written anew every few seconds. Notes of the work (what a dive's keyframes take) are lines
// of their own.
ProgressLine startProgressLine(int quiet);

// The observer that draws reports on line.
ProgressObserver observerOf(ProgressLine& line);

// Ends the line drawn so far, so that what follows starts on a line of its own.
void endProgressLine(ProgressLine& line);
