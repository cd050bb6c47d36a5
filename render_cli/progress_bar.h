// The progress bar that tavelin-render shows on a terminal while it renders and encodes.
#pragma once

#include <cstdint>

constexpr int kProgressTextSize = 128;

// One line of fewer than `columns` characters (a full line wraps on some terminals), to be
// redrawn in place: a bar where it fits, the percentage, the rows done, the time elapsed and
// an estimate of the time left from the rows still to do (once there is something to
// estimate from).
void formatProgress(char (&text)[kProgressTextSize], std::int32_t rowsDone, std::int32_t rows,
                    double elapsedSeconds, int columns);

// The line while the PNG encoder runs, which tells nothing of its progress: the phase and the
// time elapsed.
void formatEncoding(char (&text)[kProgressTextSize], double elapsedSeconds, int columns);

// figures after a bar filled to done (0 to 1), as wide as a line of fewer than `columns`
// characters leaves room for (no bar when done is negative or fewer than a few characters
// are left); cut where even the figures do not fit.
void fitProgressLine(char (&text)[kProgressTextSize], const char* figures, double done, int columns);

// m:ss, or h:mm:ss from an hour on.
void formatDuration(char (&text)[32], double seconds);
