#include "render_cli/options.h"

#include <cmath>
#include <cstring>
#include <thread>

#include "deep/decimal.h"
#include "dive/dive_plan.h"
#include "dive/video_encoder.h"
#include "files/file_names.h"
#include "files/refusal.h"

const char kUsage[] =
    "usage: tavelin-render [VIEW] -o OUT.bmp|OUT.png|OUT.exr [--center-x RE] [--center-y IM]\n"
    "                      [--magnification M] [--limit N] [--colors C1,C2,C3] [--save-view FILE]\n"
    "                      [--smooth] [--palette-density D] [--palette-phase P] [--samples N]\n"
    "                      [--size WxH] [--threads N] [--quiet] [--program-pixels]\n"
    "\n"
    "Renders a view as a picture: BMP or PNG, or OpenEXR iteration data, chosen by the output's\n"
    "extension. VIEW is a tavelin parameter file (.vwp), a view text file or a Kalles Fraktaler\n"
    "location file (.kfr); without it, the program's initial view.\n"
    "  --center-x RE, --center-y IM, --magnification M\n"
    "                      the view's centre and magnification as decimal numbers of any length\n"
    "                      and exponent (-1.74006238257933990522, 1e300, 2.5e1000)\n"
    "  --limit N           the iteration limit\n"
    "  --colors C1,C2,C3   the palette's three colours as 0xRRGGBB (a fourth: the inside colour)\n"
    "  --save-view FILE    also write the view as a view text file (FILE.kfr: a location file; under a name of its own)\n"
    "  --smooth            continuous colour: the fractional count on the palette, interpolated\n"
    "  --palette-density D palette cycles per doubling of the count (default 1; with --smooth)\n"
    "  --palette-phase P   the palette's start, in cycles from 0 to 1 (default 0; with --smooth)\n"
    "  --samples N         antialiasing: the average of N x N samples a pixel (1 to 16)\n"
    "  -o, --output FILE   the picture to write; an existing file is replaced only when the\n"
    "                      whole new one is written. OUT.exr: channels N (counts; 0xFFFFFFFF\n"
    "                      inside), NF (the fraction, with --smooth), R, G, B and the view\n"
    "  --size WxH          the picture's size in pixels (default 640x480, the window's picture);\n"
    "                      its width spans 6 / magnification, and pixels are square\n"
    "  --threads N         render with N threads (default: one per processor core)\n"
    "  --quiet             no progress bar\n"
    "  --program-pixels    the window program's own pixels wherever its double kernels reach\n"
    "                      (up to 1e10; at 640x480 its picture byte for byte), also where\n"
    "                      their rounding makes some pixels' counts wrong; without it they are\n"
    "                      used only where an estimate of that error says they are right\n"
    "  -h, --help          this text\n"
    "\n"
    "       tavelin-render [VIEW] [--center-x RE ...] --dive SECONDS\n"
    "                      -o OUT.mp4|OUT.mkv|OUT.webm|frames/dive-%05d.png [--fps N]\n"
    "                      [--from-magnification M] [--exact-frames|--resampled-frames] [--crf N]\n"
    "                      [--preset P] [--smooth [--palette-density D] [--palette-phase P]]\n"
    "                      [--keyframes A-B|--keyframes-of I/N] [--save-view FILE]\n"
    "                      [--size WxH] [--threads N] [--quiet]\n"
    "\n"
    "Makes a zoom video from magnification 1 down to the view, centred on it: a video through the\n"
    "ffmpeg program on PATH, or numbered PNG frames. Keyframes, one per factor of 2 at twice the\n"
    "frame size, are kept in OUT.keyframes/, so that the same command goes on after Ctrl+C.\n"
    "  --dive SECONDS      the video's length\n"
    "  --fps N             frames per second (default 30)\n"
    "  --from-magnification M  the first frame's magnification (default 1)\n"
    "  --exact-frames      render every frame instead of resampling the keyframes (the default\n"
    "                      below 4 frames per factor of 2, where it is faster)\n"
    "  --resampled-frames  resample the keyframes even below 4 frames per factor of 2\n"
    "  --crf N             the encoder's quality, lower is better (default 20 for H.264, 31 for VP9)\n"
    "  --preset P          the encoder's speed: ultrafast, superfast, veryfast, faster, fast,\n"
    "                      medium, slow, slower, veryslow (default faster; for VP9 its -cpu-used)\n"
    "  --keyframes A-B     render only keyframes A to B (from 0) and end: for one job of many\n"
    "  --keyframes-of I/N  render only every N-th keyframe from keyframe I and end: job I of N\n"
    "                      jobs that share the work evenly (the deeper keyframes cost more)\n"
    "  --save-view FILE    write the view as a view text file once the dive is done\n";

namespace {

constexpr std::int32_t kMaxSide = 1000000;
constexpr std::int32_t kMaxThreads = 1024;
constexpr std::int32_t kMaxFps = 1000;
constexpr std::int32_t kMaxCrf = 63;  // VP9's scale
constexpr std::int32_t kMaxH264Crf = 51;
constexpr std::int32_t kMaxSamples = 16;

int readWhole(const char* text, std::int32_t low, std::int32_t high, std::int32_t& value)
{
    std::int64_t number = 0;
    if (!parseWholeNumber(text, low, high, number)) return 0;
    value = std::int32_t(number);
    return 1;
}

// Two whole numbers around a separator, each from low to high.
int readPair(const char* text, const char* separators, std::int32_t low, std::int32_t high, std::int32_t& first,
             std::int32_t& second)
{
    const char* split = std::strpbrk(text, separators);
    if (!split) return 0;
    const std::string left(text, split);
    return readWhole(left.c_str(), low, high, first) && readWhole(split + 1, low, high, second);
}

int readSize(Options& o, const char* value, std::string& reason)
{
    if (readPair(value, "xX", 1, kMaxSide, o.width, o.height)) return 1;
    return refuse(reason, "bad size '%s': give WxH, each from 1 to %ld", shownText(value).c_str(), long(kMaxSide));
}

int readThreads(Options& o, const char* value, std::string& reason)
{
    if (readWhole(value, 1, kMaxThreads, o.threads)) return 1;
    return refuse(reason, "bad thread count '%s': give a number from 1 to %ld", shownText(value).c_str(),
                  long(kMaxThreads));
}

int readSeconds(Options& o, const char* value, std::string& reason)
{
    if (parsePositiveNumber(value, o.seconds)) return 1;
    return refuse(reason, "bad dive length '%s': give seconds above 0", shownText(value).c_str());
}

int readFps(Options& o, const char* value, std::string& reason)
{
    if (readWhole(value, 1, kMaxFps, o.fps)) return 1;
    return refuse(reason, "bad frame rate '%s': give a number from 1 to 1000", shownText(value).c_str());
}

// The start of a dive is a magnification like the view's: any depth.
int readFrom(Options& o, const char* value, std::string& reason)
{
    Magnification from;
    if (parseMagnification(value, from) && from.mantissa > 0) {
        o.fromLog2 = magnificationLog2(from);
        return 1;
    }
    return refuse(reason, "bad magnification '%s': give a number above 0", shownText(value).c_str());
}

int readCrf(Options& o, const char* value, std::string& reason)
{
    if (readWhole(value, 0, kMaxCrf, o.crf)) return 1;
    return refuse(reason, "bad quality '%s': give a crf from 0 to 63", shownText(value).c_str());
}

int readKeyframes(Options& o, const char* value, std::string& reason)
{
    if (readPair(value, "-", 0, kMaxDiveFrames, o.firstKeyframe, o.lastKeyframe) && o.firstKeyframe <= o.lastKeyframe) {
        return 1;
    }
    return refuse(reason, "bad keyframe range '%s': give A-B with A <= B", shownText(value).c_str());
}

int readKeyframeJob(Options& o, const char* value, std::string& reason)
{
    if (readPair(value, "/", 0, kMaxDiveFrames, o.keyframeJob, o.keyframeJobs) && o.keyframeJob < o.keyframeJobs) {
        return 1;
    }
    return refuse(reason, "bad keyframe job '%s': give I/N with I from 0 to N-1", shownText(value).c_str());
}

int readSamples(Options& o, const char* value, std::string& reason)
{
    if (readWhole(value, 1, kMaxSamples, o.samples)) return 1;
    return refuse(reason, "bad samples '%s': give N from 1 to %ld for N x N a pixel", shownText(value).c_str(),
                  long(kMaxSamples));
}

// The colour settings are checked with the view's own (setColouringField), once read.
int readDensity(Options& o, const char* value, std::string& reason)
{
    o.paletteDensity = value;
    return *value ? 1 : refuse(reason, "--palette-density needs a value");
}

int readPhase(Options& o, const char* value, std::string& reason)
{
    o.palettePhase = value;
    return *value ? 1 : refuse(reason, "--palette-phase needs a value");
}

int readPreset(Options& o, const char* value, std::string& reason)
{
    o.preset = value;
    if (presetIndex(value) >= 0) return 1;
    return refuse(reason, "bad preset '%s': give ultrafast, superfast, veryfast, faster, fast, medium, slow, slower "
                  "or veryslow", shownText(value).c_str());
}

// An option is a flag, a file name, or a value that its reader checks.
struct Option {
    const char* name;
    const char* shortName;
    int Options::*flag;
    const char* Options::*path;
    int (*read)(Options& options, const char* value, std::string& reason);
};

const Option kOptions[] = {
    {"--output", "-o", nullptr, &Options::outputPath, nullptr},
    {"--save-view", nullptr, nullptr, &Options::saveViewPath, nullptr},
    {"--size", nullptr, nullptr, nullptr, readSize},
    {"--threads", nullptr, nullptr, nullptr, readThreads},
    {"--quiet", nullptr, &Options::quiet, nullptr, nullptr},
    {"--program-pixels", nullptr, &Options::programPixels, nullptr, nullptr},
    {"--dive", nullptr, nullptr, nullptr, readSeconds},
    {"--fps", nullptr, nullptr, nullptr, readFps},
    {"--from-magnification", nullptr, nullptr, nullptr, readFrom},
    {"--exact-frames", nullptr, &Options::exactFrames, nullptr, nullptr},
    {"--crf", nullptr, nullptr, nullptr, readCrf},
    {"--keyframes", nullptr, nullptr, nullptr, readKeyframes},
    {"--keyframes-of", nullptr, nullptr, nullptr, readKeyframeJob},
    {"--resampled-frames", nullptr, &Options::resampledFrames, nullptr, nullptr},
    {"--preset", nullptr, nullptr, nullptr, readPreset},
    {"--smooth", nullptr, &Options::smooth, nullptr, nullptr},
    {"--palette-density", nullptr, nullptr, nullptr, readDensity},
    {"--palette-phase", nullptr, nullptr, nullptr, readPhase},
    {"--samples", nullptr, nullptr, nullptr, readSamples},
};

std::int32_t defaultThreads()
{
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : cores > unsigned(kMaxThreads) ? kMaxThreads : std::int32_t(cores);
}

// The view field that an option names (--center-x ...), or -1.
int fieldOption(const char* arg)
{
    for (int field = 0; field < kDeepFieldCount; ++field) {
        if (arg[0] == '-' && arg[1] == '-' && !std::strcmp(arg + 2, kDeepFieldNames[field])) return field;
    }
    return -1;
}

const Option* optionNamed(const char* arg)
{
    for (const Option& option : kOptions) {
        if (!std::strcmp(arg, option.name) || (option.shortName && !std::strcmp(arg, option.shortName))) return &option;
    }
    return nullptr;
}

// Reads argv[i] and its value, if it takes one; the arguments it took, or 0 with a reason.
int readArgument(int argc, char** argv, int i, Options& options, std::string& reason)
{
    const char* arg = argv[i];
    const int hasValue = i + 1 < argc;
    if (const int field = fieldOption(arg); field >= 0) {
        if (!hasValue) return refuse(reason, "%s needs a value", arg);
        options.fieldTexts[field] = argv[i + 1];
        return 2;
    }
    if (const Option* option = optionNamed(arg)) {
        if (option->flag) {
            options.*option->flag = 1;
            return 1;
        }
        if (option->path) {
            if (!hasValue) return refuse(reason, "%s needs a file name", arg);
            options.*option->path = argv[i + 1];
            return 2;
        }
        return option->read(options, hasValue ? argv[i + 1] : "", reason) ? 2 : 0;
    }
    if (arg[0] == '-' && arg[1] != '\0') return refuse(reason, "unknown option '%s' (see --help)", shownText(arg).c_str());
    if (options.viewPath) return refuse(reason, "one view file only: '%s' is one too many",
                                          shownText(arg, kMaxPath).c_str());
    options.viewPath = arg;
    return 1;
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

int isDive(const Options& o)
{
    return o.seconds > 0;
}

// Whether the dive's options go together and, for a dive, what the output is.
int finishDive(Options& o, std::string& reason)
{
    const int diveOptions = o.exactFrames || o.resampledFrames || o.fps != 30 || o.fromLog2 != 0 || o.crf >= 0 ||
                            o.firstKeyframe >= 0 || o.keyframeJobs > 0 || o.preset;
    if (!isDive(o)) return diveOptions ? refuse(reason, "dive options need --dive SECONDS") : 1;
    if (o.firstKeyframe >= 0 && o.keyframeJobs > 0) {
        return refuse(reason, "--keyframes and --keyframes-of do not go together");
    }
    if (o.keyframeJobs > 0) {
        o.firstKeyframe = o.keyframeJob;
        o.lastKeyframe = kToLastKeyframe;
    }
    if (o.exactFrames && o.firstKeyframe >= 0) return refuse(reason, "--keyframes and --exact-frames do not go together");
    if (o.exactFrames && o.resampledFrames) {
        return refuse(reason, "--exact-frames and --resampled-frames do not go together");
    }
    const char* out = o.outputPath;
    if (nameEndsWith(out, ".mp4") || nameEndsWith(out, ".mkv") || nameEndsWith(out, ".webm")) {
        o.diveOutput = DiveOutput::video;
        if (o.crf > kMaxH264Crf && !nameEndsWith(out, ".webm")) {
            return refuse(reason, "bad quality %ld: H.264 takes a crf from 0 to 51", long(o.crf));
        }
    } else if (isFramePattern(out)) {
        o.diveOutput = DiveOutput::pngFrames;
    } else {
        return refuse(reason, "dive output '%s' must be a frame pattern with one number (frames/dive-%%05d.png) or "
                      "a .mp4, .mkv or .webm video", shownText(out, kMaxPath).c_str());
    }
    return 1;
}

}  // namespace

int parseOptions(int argc, char** argv, Options& options, std::string& reason)
{
    options = Options{nullptr, {}, nullptr, nullptr, ImageFormat::bmp, 640, 480, defaultThreads(), 0, 0, 0,
                      0, 30, 0, 0, -1, -1, -1, DiveOutput::video, 0, 0, 0,
                      nullptr, 0, nullptr, nullptr, 1};
    for (int i = 1; i < argc;) {
        if (!std::strcmp(argv[i], "-h") || !std::strcmp(argv[i], "--help")) {
            options.help = 1;
            return 1;
        }
        const int used = readArgument(argc, argv, i, options, reason);
        if (!used) return 0;
        i += used;
    }
    if (!options.outputPath) return refuse(reason, "no output file given: -o OUT.bmp, OUT.png or OUT.exr");
    if (!finishDive(options, reason)) return 0;
    if (isDive(options)) {
        return options.samples == 1 ? 1 : refuse(reason, "--samples is for pictures: a dive's frames are averaged "
                                                 "from its keyframes");
    }
    if (nameEndsWith(options.outputPath, ".exr")) {
        options.format = ImageFormat::exr;
        if (options.samples > 1) return refuse(reason, "--samples does not go with .exr: its counts are a pixel's own");
    } else if (nameEndsWith(options.outputPath, ".bmp")) {
        options.format = ImageFormat::bmp;
    } else if (nameEndsWith(options.outputPath, ".png")) {
        options.format = ImageFormat::png;
    } else {
        return refuse(reason, "output '%s' must end in .bmp, .png or .exr", shownText(options.outputPath, kMaxPath).c_str());
    }
    return 1;
}
