// tavelin-render: renders a view (from a view file, the command line, or both) as a picture of
// any size, or makes a zoom video down to it.
#pragma once

#include <atomic>

// Runs the tool on its command line; the process exit code: 0 after a written picture, a
// finished dive or the usage, 1 after bad input or a failure (with a one-line message on
// standard error and nothing written), 128 + the signal's number after an interrupt (130 for
// Ctrl+C, 143 for SIGTERM, 129 for SIGHUP; nothing written but a dive's keyframes). interrupted, 0 or the
// number of the signal that stops the tool, is looked at during the work.
int runRenderTool(int argc, char** argv, const std::atomic<int>& interrupted);
