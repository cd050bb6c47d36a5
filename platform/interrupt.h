// Ctrl+C: instead of ending the process at once, which could leave a temporary file behind, it
// sets a flag that the render and the save look at and end on.
#pragma once

#include <atomic>

// From now on, Ctrl+C (and, on POSIX, SIGTERM and SIGHUP) sets *flag to the number of its
// signal: SIGINT (SIGTERM, SIGHUP), from <csignal>.
void catchInterrupt(std::atomic<int>* flag);
