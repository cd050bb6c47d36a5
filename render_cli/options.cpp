#include "options.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "refusal.h"

const char kUsage[] =
    "usage: tavelin-render [VIEW] -o OUT.bmp|OUT.png|OUT.exr [--center-x RE] [--center-y IM]\n"
    "                      [--magnification M] [--limit N] [--colors C1,C2,C3] [--save-view FILE]\n"
    "                      [--smooth] [--palette-density D] [--palette-phase P] [--samples N]\n"
    "                      [--size WxH] [--threads N] [--quiet]\n"
    "\n"
    "Renders a view as a picture: BMP or PNG, or OpenEXR iteration data, chosen by the output's\n"
    "extension. VIEW is a tavelin parameter file (.vwp), a view text file or a Kalles Fraktaler\n"
    "location file (.kfr); without it, the program's initial view.\n"
    "  --center-x RE, --center-y IM, --magnification M\n"
    "                      the view's centre and magnification as decimal numbers of any length\n"
    "                      and exponent (-1.74006238257933990522, 1e300, 2.5e1000)\n"
    "  --limit N           the iteration limit\n"
    "  --colors C1,C2,C3   the palette's three colours as 0xRRGGBB (a fourth: the inside colour)\n"
    "  --save-view FILE    also write the view as a view text file (FILE.kfr: a location file)\n"
    "  --smooth            continuous colour: the fractional count on the palette, interpolated\n"
    "  --palette-density D palette cycles per doubling of the count (default 2; with --smooth)\n"
    "  --palette-phase P   the palette's start, in cycles from 0 to 1 (default 0; with --smooth)\n"
    "  --samples N         antialiasing: the average of N x N samples a pixel (1 to 16)\n"
    "  -o, --output FILE   the picture to write; an existing file is replaced only when the\n"
    "                      whole new one is written. OUT.exr: channels N (counts; 0xFFFFFFFF\n"
    "                      inside), NF (the fraction, with --smooth), R, G, B and the view\n"
    "  --size WxH          the picture's size in pixels (default 640x480, the window's picture);\n"
    "                      its width spans 6 / magnification, and pixels are square\n"
    "  --threads N         render with N threads (default: one per processor core)\n"
    "  --quiet             no progress bar\n"
    "  -h, --help          this text\n";

namespace {

constexpr std::int32_t kMaxSide = 1000000;
constexpr std::int32_t kMaxThreads = 1024;
constexpr std::int32_t kMaxSamples = 16;

// A whole decimal number from 1 to max, and nothing after it.
int parseCount(const char* text, const char* end, std::int32_t max, std::int32_t& value)
{
    if (text == end || !std::isdigit(static_cast<unsigned char>(*text))) return 0;
    long long number = 0;
    for (const char* p = text; p != end; ++p) {
        if (!std::isdigit(static_cast<unsigned char>(*p))) return 0;
        number = number * 10 + (*p - '0');
        if (number > max) return 0;
    }
    if (number < 1) return 0;
    value = static_cast<std::int32_t>(number);
    return 1;
}

int parseSize(const char* text, Options& options)
{
    const char* x = std::strpbrk(text, "xX");
    return x && parseCount(text, x, kMaxSide, options.width) &&
           parseCount(x + 1, x + std::strlen(x), kMaxSide, options.height);
}

std::int32_t defaultThreads()
{
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : cores > unsigned(kMaxThreads) ? kMaxThreads : std::int32_t(cores);
}

// The view field that an option names, or -1.
int fieldOption(const char* name)
{
    for (int field = 0; field < kDeepFieldCount; ++field) {
        if (!std::strcmp(name, kDeepFieldNames[field])) return field;
    }
    return -1;
}

}  // namespace

int parseOptions(int argc, char** argv, Options& options, char (&error)[kOptionErrorSize])
{
    options = Options{nullptr, {}, nullptr, nullptr, ImageFormat::bmp, 640, 480, defaultThreads(), 0, 0, kNoDive,
                      0, nullptr, nullptr, 1};
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const int hasValue = i + 1 < argc;
        if (!std::strcmp(arg, "-h") || !std::strcmp(arg, "--help")) {
            options.help = 1;
            return 1;
        } else if (!std::strcmp(arg, "--quiet")) {
            options.quiet = 1;
        } else if (!std::strcmp(arg, "-o") || !std::strcmp(arg, "--output")) {
            if (!hasValue) return refuse(error, sizeof error, "%s needs a file name", arg);
            options.outputPath = argv[++i];
        } else if (!std::strcmp(arg, "--size")) {
            const char* size = hasValue ? argv[++i] : "";
            if (!parseSize(size, options)) {
                return refuse(error, sizeof error, "bad size '%s': give WxH, each from 1 to %ld", size, long(kMaxSide));
            }
        } else if (!std::strcmp(arg, "--threads")) {
            const char* count = hasValue ? argv[++i] : "";
            if (!parseCount(count, count + std::strlen(count), kMaxThreads, options.threads)) {
                return refuse(error, sizeof error, "bad thread count '%s': give a number from 1 to %ld", count, long(kMaxThreads));
            }
        } else if (!std::strcmp(arg, "--smooth")) {
            options.smooth = 1;
        } else if (!std::strcmp(arg, "--palette-density") || !std::strcmp(arg, "--palette-phase")) {
            if (!hasValue) return refuse(error, sizeof error, "%s needs a value", arg);
            (arg[10] == 'd' ? options.paletteDensity : options.palettePhase) = argv[++i];
        } else if (!std::strcmp(arg, "--samples")) {
            const char* count = hasValue ? argv[++i] : "";
            if (!parseCount(count, count + std::strlen(count), kMaxSamples, options.samples)) {
                return refuse(error, sizeof error, "bad samples '%s': give N from 1 to %ld for N x N a pixel", count,
                              long(kMaxSamples));
            }
        } else if (!std::strcmp(arg, "--save-view")) {
            if (!hasValue) return refuse(error, sizeof error, "%s needs a file name", arg);
            options.saveViewPath = argv[++i];
        } else if (arg[0] == '-' && arg[1] == '-' && fieldOption(arg + 2) >= 0) {
            if (!hasValue) return refuse(error, sizeof error, "%s needs a value", arg);
            options.fieldTexts[fieldOption(arg + 2)] = argv[++i];
        } else if (const int used = parseDiveOption(argc, argv, i, options.dive, error, sizeof error)) {
            if (used < 0) return 0;
            i += used - 1;
        } else if (arg[0] == '-' && arg[1] != '\0') {
            return refuse(error, sizeof error, "unknown option '%s' (see --help)", arg);
        } else if (!options.viewPath) {
            options.viewPath = arg;
        } else {
            return refuse(error, sizeof error, "one view file only: '%s' is one too many", arg);
        }
    }
    if (!options.outputPath) return refuse(error, sizeof error, "no output file given: -o OUT.bmp or OUT.png");
    if (!finishDiveOptions(options.outputPath, options.dive, error, sizeof error)) return 0;
    if (options.dive.seconds > 0) {
        return options.samples == 1 ? 1 : refuse(error, sizeof error, "--samples is for pictures: a dive's frames are "
                                                 "averaged from its keyframes");
    }
    if (nameEndsWith(options.outputPath, ".exr")) {
        options.format = ImageFormat::exr;
        if (options.samples > 1) return refuse(error, sizeof error, "--samples does not go with .exr: its counts are a pixel's own");
    } else if (nameEndsWith(options.outputPath, ".bmp")) {
        options.format = ImageFormat::bmp;
    } else if (nameEndsWith(options.outputPath, ".png")) {
        options.format = ImageFormat::png;
    } else {
        return refuse(error, sizeof error, "output '%s' must end in .bmp, .png or .exr", options.outputPath);
    }
    return 1;
}

int nameEndsWith(const char* name, const char* suffix)
{
    const std::size_t length = std::strlen(name), suffixLength = std::strlen(suffix);
    if (length < suffixLength) return 0;
    for (std::size_t i = 0; i < suffixLength; ++i) {
        if (std::tolower(static_cast<unsigned char>(name[length - suffixLength + i])) != suffix[i]) return 0;
    }
    return 1;
}
