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
