// The command line of tavelin-render, pictures and dives alike, read by one table of options
// without touching any file.
#pragma once

#include <cstdint>
#include <string>

#include "dive/dive.h"
#include "files/picture_files.h"
#include "files/view_fields.h"

struct Options {
    const char* viewPath;    // the parameter file or view text file; null for the initial view
    const char* fieldTexts[kDeepFieldCount];  // --center-x and the others as given, or null
    const char* saveViewPath;                 // --save-view: where the view text goes, or null
    const char* outputPath;  // the picture, video or frame pattern to write
    ImageFormat format;      // of a picture, from the output's extension
    std::int32_t width;
    std::int32_t height;
    std::int32_t threads;
    int quiet;               // no progress line
    int programPixels;       // the double kernels wherever they reach (--program-pixels)
    int help;                // print the usage and end
    // A zoom video instead of a picture when seconds is above 0.
    double seconds;
    std::int32_t fps;
    double fromLog2;               // log2 of the first frame's magnification
    int exactFrames;
    std::int32_t crf;              // -1: the codec's default
    std::int32_t firstKeyframe;    // --keyframes A-B; -1: all
    std::int32_t lastKeyframe;
    DiveOutput diveOutput;         // from the output's name
    int resampledFrames;           // resample keyframes even where rendering frames is faster
    std::int32_t keyframeJob;      // --keyframes-of I/N: job I of N; N is 0 when not given
    std::int32_t keyframeJobs;
    const char* preset;            // --preset: the encoder's speed; null: the default
    int smooth;                    // --smooth: continuous colour
    const char* paletteDensity;    // --palette-density and --palette-phase as given, or null
    const char* palettePhase;
    std::int32_t samples;          // --samples N: N x N samples a pixel
};

// Reads argv into options, with defaults for what is not given (640 x 480, one thread per
// core, the progress line, 30 frames a second from magnification 1). The view fields' texts
// are checked later, by setDeepField. 1 on success; 0 with a one-line reason.
int parseOptions(int argc, char** argv, Options& options, std::string& reason);

// The usage text, for pictures and dives.
extern const char kUsage[];
