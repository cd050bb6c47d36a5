// Dives: a zoom video from a start magnification down to a view, the magnification growing by
// the same factor every frame. Keyframes are rendered for every factor of 2 at twice the
// frame size and kept on disk; each frame is resampled from the two keyframes around it, or,
// with exactFrames, rendered itself. The dive reports through an observer and returns an
// outcome; it writes nothing to the terminal.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "deep/deep_view.h"
#include "deep/progress.h"

enum class DiveOutput { pngFrames, video };

struct DiveRequest {
    DeepView view;              // the last frame's view: centre, magnification, limit, colours
                                // and how counts become colours (continuous colour)
    const char* outputPath;     // a video, or a PNG frame pattern with one number
    DiveOutput output;
    std::int32_t width, height; // of a frame
    std::int32_t threads;
    double seconds;
    std::int32_t fps;
    double fromLog2;            // log2 of the first frame's magnification
    int exactFrames;            // render every frame instead of resampling keyframes
    std::int32_t crf;           // the encoder's quality, lower is better; -1: the codec's default
    const char* preset;         // the encoder's speed, one of kPresets; null: the default
    std::int32_t firstKeyframe; // render only keyframes first to last and end; -1: the whole dive
    std::int32_t lastKeyframe;  // kToLastKeyframe: to the dive's last
    int resampledFrames;        // resample keyframes even where rendering every frame is faster
    std::int32_t keyframeStep;  // of the keyframes first to last, every keyframeStep-th (1: all)
};

constexpr std::int32_t kToLastKeyframe = INT32_MAX;

// Below this many frames per factor of 2, rendering every frame costs less than rendering and
// resampling keyframes (a study of dives lost 1.5x by resampling at 3 frames per factor of 2,
// 3.4x at 1.8), unless the request says which.
constexpr double kResampledFramesFrom = 4;

enum class DiveResult { done, failed, stopped };

// Where the time went, in seconds.
struct DiveTimes {
    double total, orbit, keyframes, reading, resampling, encoding;
    std::int32_t frames;  // frames made
};

struct DiveOutcome {
    DiveResult result;
    std::string message;         // after a failure: one line that says what and why
    std::string keyframesFolder; // where the keyframes are kept, once it was opened
    DiveTimes times;
    int exactFrames;             // whether the frames were, or were to be, rendered exactly
};

// Makes the dive. Bad requests are refused before any work. Once stop is set the dive ends
// (DiveResult::stopped), keeping the keyframes done for the same request to go on from.
DiveOutcome runDive(const DiveRequest& request, const std::atomic<int>& stop, const ProgressObserver& observer);

// The file name of frame i of a frame pattern; 0 when it does not fit size.
int framePath(const char* pattern, std::int32_t frame, char* path, std::size_t size);
