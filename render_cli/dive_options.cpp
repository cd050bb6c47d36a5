#include "dive_options.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "dive_plan.h"
#include "options.h"
#include "refusal.h"

const char kDiveUsage[] =
    "\n"
    "       tavelin-render [VIEW] [--center-x RE ...] --dive SECONDS\n"
    "                      -o OUT.mp4|OUT.mkv|OUT.webm|frames/dive-%05d.png [--fps N]\n"
    "                      [--from-magnification M] [--exact-frames] [--crf N] [--preset P]\n"
    "                      [--keyframes A-B]\n"
    "                      [--size WxH] [--threads N] [--quiet]\n"
    "\n"
    "Makes a zoom video from magnification 1 down to the view, centred on it: a video through the\n"
    "ffmpeg program on PATH, or numbered PNG frames. Keyframes, one per factor of 2 at twice the\n"
    "frame size, are kept in OUT.keyframes/, so that the same command goes on after Ctrl+C.\n"
    "  --dive SECONDS      the video's length\n"
    "  --fps N             frames per second (default 30)\n"
    "  --from-magnification M  the first frame's magnification (default 1)\n"
    "  --exact-frames      render every frame instead of resampling the keyframes\n"
    "  --crf N             the encoder's quality, lower is better (default 20 for H.264, 31 for VP9)\n"
    "  --preset P          the encoder's speed: ultrafast, superfast, veryfast, faster, fast,\n"
    "                      medium, slow, slower, veryslow (default faster; for VP9 its -cpu-used)\n"
    "  --keyframes A-B     render only keyframes A to B (from 0) and end: for one job of many\n";

const char* const kPresets[kPresetCount] = {"ultrafast", "superfast", "veryfast", "faster", "fast",
                                            "medium",    "slow",      "slower",   "veryslow"};
// Measured on a dive's frames (bench/README.md): a third of medium's time, 0.3 dB below it.
const char kDefaultPreset[] = "faster";

int presetIndex(const char* name)
{
    for (int i = 0; i < kPresetCount; ++i) {
        if (!std::strcmp(name, kPresets[i])) return i;
    }
    return -1;
}

namespace {

constexpr std::int32_t kMaxFps = 1000;
constexpr std::int32_t kMaxCrf = 63;  // VP9's scale
constexpr std::int32_t kMaxH264Crf = 51;

// A positive finite decimal number and nothing after it.
int parsePositive(const char* text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(value) && value > 0 && std::isdigit((unsigned char)text[0]);
}

// A whole number from low to high; end, when given, receives where it stopped.
int parseWhole(const char* text, std::int32_t low, std::int32_t high, std::int32_t& value, const char** end = nullptr)
{
    char* stop = nullptr;
    if (!std::isdigit((unsigned char)text[0])) return 0;
    const long number = std::strtol(text, &stop, 10);
    if (end) *end = stop;
    value = std::int32_t(number);
    return (end || *stop == '\0') && number >= low && number <= high;
}

int parseRange(const char* text, DiveOptions& dive)
{
    const char* dash = nullptr;
    return parseWhole(text, 0, kMaxDiveFrames, dive.firstKeyframe, &dash) && *dash == '-' &&
           parseWhole(dash + 1, dive.firstKeyframe, kMaxDiveFrames, dive.lastKeyframe);
}

// Exactly one number in the name, written %d or %0Nd, and no other per-cent sign.
int isFramePattern(const char* path)
{
    const char* percent = std::strchr(path, '%');
    if (!percent || std::strchr(percent + 1, '%') || !nameEndsWith(path, ".png")) return 0;
    const char* p = percent + 1;
    if (*p == '0') {
        ++p;
        if (*p < '1' || *p > '9') return 0;
        ++p;
    }
    return *p == 'd';
}

}  // namespace

int parseDiveOption(int argc, char** argv, int i, DiveOptions& dive, char* error, std::size_t errorSize)
{
    const char* arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : "";
    const char* refusal = nullptr;
    if (!std::strcmp(arg, "--exact-frames")) {
        dive.exactFrames = 1;
        return 1;
    } else if (!std::strcmp(arg, "--dive")) {
        if (!parsePositive(value, dive.seconds)) refusal = "bad dive length '%s': give seconds above 0";
    } else if (!std::strcmp(arg, "--fps")) {
        if (!parseWhole(value, 1, kMaxFps, dive.fps)) refusal = "bad frame rate '%s': give a number from 1 to 1000";
    } else if (!std::strcmp(arg, "--from-magnification")) {
        if (!parsePositive(value, dive.fromMagnification)) refusal = "bad magnification '%s': give a number above 0";
    } else if (!std::strcmp(arg, "--crf")) {
        if (!parseWhole(value, 0, kMaxCrf, dive.crf)) refusal = "bad quality '%s': give a crf from 0 to 63";
    } else if (!std::strcmp(arg, "--preset")) {
        dive.preset = value;
        if (presetIndex(value) < 0) refusal = "bad preset '%s': give ultrafast, superfast, veryfast, faster, fast, "
                                              "medium, slow, slower or veryslow";
    } else if (!std::strcmp(arg, "--keyframes")) {
        if (!parseRange(value, dive)) refusal = "bad keyframe range '%s': give A-B with A <= B";
    } else {
        return 0;
    }
    if (!refusal) return 2;
    refuse(error, errorSize, refusal, value);
    return -1;
}

int finishDiveOptions(const char* outputPath, DiveOptions& dive, char* error, std::size_t errorSize)
{
    const int diveOptions = dive.exactFrames || dive.fps != kNoDive.fps || dive.fromMagnification != 1 ||
                            dive.crf >= 0 || dive.firstKeyframe >= 0 || dive.preset;
    if (dive.seconds == 0) return diveOptions ? refuse(error, errorSize, "dive options need --dive SECONDS") : 1;
    if (dive.exactFrames && dive.firstKeyframe >= 0) {
        return refuse(error, errorSize, "--keyframes and --exact-frames do not go together");
    }
    if (nameEndsWith(outputPath, ".mp4") || nameEndsWith(outputPath, ".mkv") || nameEndsWith(outputPath, ".webm")) {
        dive.output = DiveOutput::video;
        if (dive.crf > kMaxH264Crf && !nameEndsWith(outputPath, ".webm")) {
            return refuse(error, errorSize, "bad quality %ld: H.264 takes a crf from 0 to 51", long(dive.crf));
        }
    } else if (isFramePattern(outputPath)) {
        dive.output = DiveOutput::pngFrames;
    } else {
        return refuse(error, errorSize, "dive output '%s' must be a frame pattern with one number "
                      "(frames/dive-%%05d.png) or a .mp4, .mkv or .webm video", outputPath);
    }
    return 1;
}

int framePath(const char* pattern, std::int32_t frame, char* path, std::size_t size)
{
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    const int length = std::snprintf(path, size, pattern, int(frame));
#pragma GCC diagnostic pop
    return length > 0 && std::size_t(length) < size;
}
