// tavelin-render: renders the view of a parameter file as a BMP or PNG picture of any size.
#pragma once

#include <atomic>

// Runs the tool on its command line; the process exit code: 0 after a written picture or the
// usage, 1 after bad input or a failure (with a one-line message on standard error and nothing
// written), 128 + the signal's number after an interrupt (130 for Ctrl+C, 143 for SIGTERM,
// 129 for SIGHUP; nothing written). interrupted, 0 or the number of the signal that stops the tool, is looked
// at during the render and the save.
int runRenderTool(int argc, char** argv, const std::atomic<int>& interrupted);

// Finds out before a long render whether a file can be written at path: the target can be
// replaced, and its folder takes a new file. 1 if so; 0 after a message.
int outputWritable(const char* path);

// A message line on standard error after the program's name; 1, the exit code of bad input.
__attribute__((format(printf, 1, 2))) int complain(const char* format, ...);
