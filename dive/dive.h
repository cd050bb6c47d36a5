// Dives: a zoom video from magnification 1 (or a chosen start) down to a view, the
// magnification growing by the same factor every frame. Keyframes are rendered for every
// factor of 2 at twice the frame size and kept on disk; each frame is resampled from the two
// keyframes around it, or, with --exact-frames, rendered itself.
#pragma once

#include <atomic>

#include "deep/deep_view.h"
#include "render_cli/options.h"

// Makes the dive that options ask for, down to view. The process exit code: 0 when done, 1
// after bad input (before any work) or a failure, with a one-line message on standard error,
// 128 + the signal's number after an interrupt (130 for Ctrl+C), which keeps the keyframes
// done for the same command to go on from.
int runDive(const Options& options, const DeepView& view, const std::atomic<int>& interrupted);
