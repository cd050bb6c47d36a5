// The progress bar that tavelin-render shows on a terminal while it renders.
#pragma once

#include <cstdint>

constexpr int kProgressTextSize = 128;

// One line, to be redrawn in place: a bar, the percentage, the rows done, the time elapsed and
// an estimate of the time left (once there is something to estimate from).
void formatProgress(char (&text)[kProgressTextSize], std::int32_t rowsDone, std::int32_t rows,
                    double elapsedSeconds);

// m:ss, or h:mm:ss from an hour on.
void formatDuration(char (&text)[32], double seconds);
