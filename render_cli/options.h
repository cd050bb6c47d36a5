// The command line of tavelin-render, read without touching any file.
#pragma once

#include <cstdint>

#include "dive_options.h"
#include "deep_view.h"

enum class ImageFormat { bmp, png, exr };

struct Options {
    const char* viewPath;    // the parameter file or view text file; null for the initial view
    const char* fieldTexts[kDeepFieldCount];  // --center-x and the others as given, or null
    const char* saveViewPath;                 // --save-view: where the view text goes, or null
    const char* outputPath;  // the picture to write
    ImageFormat format;      // from the output's extension
    std::int32_t width;
    std::int32_t height;
    std::int32_t threads;
    int quiet;               // no progress bar
    int help;                // print the usage and end
    DiveOptions dive;        // a zoom video instead of a picture
    int smooth;                // --smooth: continuous colour
    const char* paletteDensity;  // --palette-density and --palette-phase as given, or null
    const char* palettePhase;
    std::int32_t samples;      // --samples N: N x N samples a pixel
};

constexpr int kOptionErrorSize = 160;

// Reads argv into options, with defaults for what is not given (640 x 480, one thread per
// core, the progress bar). The fields' texts are checked later, by setDeepField. 1 on success; 0 with a one-line reason in error.
int parseOptions(int argc, char** argv, Options& options, char (&error)[kOptionErrorSize]);

extern const char kUsage[];

// Whether a file name ends in suffix (lower case), whatever the case of its letters.
int nameEndsWith(const char* name, const char* suffix);
