// The options of a dive (a zoom video from magnification 1 down to the view), read with the
// rest of tavelin-render's command line.
#pragma once

#include <cstddef>
#include <cstdint>

enum class DiveOutput { none, pngFrames, video };

struct DiveOptions {
    double seconds;               // the video's length; 0: no dive
    std::int32_t fps;             // frames per second
    double fromMagnification;     // of the first frame
    int exactFrames;              // render every frame instead of resampling keyframes
    std::int32_t crf;             // the encoder's quality, lower is better; -1: the codec's default
    std::int32_t firstKeyframe;   // --keyframes A-B: render only these and end; -1: all
    std::int32_t lastKeyframe;
    DiveOutput output;            // from the output's name
    const char* preset;           // --preset: the encoder's speed (x264's names); null: the default
};

constexpr DiveOptions kNoDive = {0, 30, 1, 0, -1, -1, -1, DiveOutput::none, nullptr};

// x264's speed presets, fastest first, and the one a video gets without --preset.
constexpr int kPresetCount = 9;
extern const char* const kPresets[kPresetCount];
extern const char kDefaultPreset[];

// The index of a preset's name in kPresets; -1 for no preset.
int presetIndex(const char* name);

// The dive's lines of the usage text.
extern const char kDiveUsage[];

// Reads the dive option at argv[i] with its value. The count of arguments it took, 0 when
// argv[i] is no dive option, or -1 with a one-line reason in error.
int parseDiveOption(int argc, char** argv, int i, DiveOptions& dive, char* error, std::size_t errorSize);

// Checks, once the whole command line is read, that the dive's options go together and, for a
// dive, what the output is: a PNG frame pattern with one number (frames/dive-%05d.png) or a
// video (.mp4, .mkv, .webm). 1 when they do; 0 with a reason.
int finishDiveOptions(const char* outputPath, DiveOptions& dive, char* error, std::size_t errorSize);

// The file name of frame i of a frame pattern; 0 when it does not fit size.
int framePath(const char* pattern, std::int32_t frame, char* path, std::size_t size);
