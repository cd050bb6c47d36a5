#include "render_cli/render_tool.h"

#include <cstdio>
#include <memory>
#include <new>
#include <string>

#include "deep/deep_render.h"
#include "deep/still_render.h"
#include "dive/dive.h"
#include "files/exr_file.h"
#include "files/location_file.h"
#include "files/picture_files.h"
#include "files/refusal.h"
#include "files/view_text_file.h"
#include "platform/memory.h"
#include "platform/process.h"
#include "platform/same_file.h"
#include "platform/system.h"
#include "render_cli/messages.h"
#include "render_cli/options.h"
#include "render_cli/progress_line.h"

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;

// As a shell reports a command ended by a signal: 128 + its number (130 for Ctrl+C, 143 for
// SIGTERM).
int interruptedExit(const std::atomic<int>& interrupted)
{
    return 128 + interrupted.load();
}

// The colour options of the command line over the view's colouring.
int applyColouring(const Options& options, Colouring& colouring)
{
    std::string reason;
    if (options.smooth) colouring.smooth = 1;
    if ((options.paletteDensity || options.palettePhase) && !colouring.smooth) {
        return !complain("--palette-density and --palette-phase go with --smooth");
    }
    if ((options.paletteDensity && !setColouringField(colouring, "palette-density", options.paletteDensity, reason)) ||
        (options.palettePhase && !setColouringField(colouring, "palette-phase", options.palettePhase, reason))) {
        return !complain(reason);
    }
    return 1;
}

// The view of the view file (or the initial view) with the fields given on the command line
// put in.
int readView(const Options& options, DeepView& view)
{
    view = deepViewOf(kInitialViewParams);
    std::string message;
    const int location = options.viewPath && isLocationFileName(options.viewPath);
    if (options.viewPath && !(location ? readLocationFile(options.viewPath, options.width, options.height, view, message)
                                       : readViewFile(options.viewPath, view, message))) {
        return !complain(message);
    }
    for (int field = 0; field < kDeepFieldCount; ++field) {
        const char* text = options.fieldTexts[field];
        if (text && !setDeepField(view, DeepField(field), text, message)) return !complain(message);
    }
    view.programPixels = options.programPixels;
    if (!applyColouring(options, view.colouring)) return 0;
    // A magnification so small that the picture's width overflows would give a flat picture.
    if (magnificationLog2(view.magnification) < 0 && !isDrawableView(paramsOf(view))) {
        return !complain("the view cannot be drawn: the picture width, 6 / magnification, must be a finite number");
    }
    return 1;
}

// Whether path can be written; 0 after a message.
int writable(const char* path)
{
    std::string message;
    if (outputWritable(path, message)) return 1;
    complain(message);
    return 0;
}

// The view text must not take the place of the picture or the video it goes with: checked
// before any work, on the files themselves (p.png and ./p.png, a link and its file). 1 if apart.
int outputsApart(const Options& options)
{
    if (!options.saveViewPath || !sameFile(options.outputPath, options.saveViewPath)) return 1;
    return !complain("--save-view '%s' names the output '%s': give the view text a name of its own",
                     shownText(options.saveViewPath, kMaxPath).c_str(), shownText(options.outputPath, kMaxPath).c_str());
}

int interrupted(const std::atomic<int>& stop, const char* what)
{
    complain("%s", what);
    return interruptedExit(stop);
}

// The view, when asked for: a location file (.kfr) or a view text file.
int saveView(const Options& options, const DeepView& view)
{
    if (!options.saveViewPath) return kDone;
    std::string message;
    const int saved = isLocationFileName(options.saveViewPath)
                          ? writeLocationFile(options.saveViewPath, view, options.width, options.height, message)
                          : writeViewTextFile(options.saveViewPath, view, message);
    return saved ? kDone : complain(message);
}

int savePictureAndView(const Options& options, const DeepView& view, const FrameBuffer& frame,
                       const std::shared_ptr<std::uint8_t[]>& memory, const std::atomic<int>& stop,
                       ProgressLine& line)
{
    std::string message;
    const SaveResult saved =
        savePicture(options.outputPath, options.format, frame, memory, stop, observerOf(line), message);
    endProgressLine(line);
    if (saved == SaveResult::stopped) return interrupted(stop, "interrupted; nothing written");
    if (saved == SaveResult::failed) return complain(message);
    return saveView(options, view);
}

int saveExrAndView(const Options& options, const DeepView& view, const FrameBuffer& frame, const IterationMap& map)
{
    std::string message;
    if (!writeExrFile(options.outputPath, view, frame, map, message)) return complain(message);
    return saveView(options, view);
}

int renderPicture(const Options& options, const DeepView& view, const std::atomic<int>& stop)
{
    const std::uint64_t bytes = std::uint64_t(options.width) * std::uint64_t(options.height) * kBytesPerPixel;
    const std::shared_ptr<std::uint8_t[]> memory(
        bytes <= SIZE_MAX && memoryAllows(bytes) ? new (std::nothrow) std::uint8_t[std::size_t(bytes)] : nullptr);
    if (!memory) {
        return complain("not enough memory for a %ldx%ld picture (%.0f MiB)", long(options.width),
                        long(options.height), double(bytes) / (1 << 20));
    }
    const FrameBuffer frame = {options.width, options.height, memory.get()};
    const int exr = options.format == ImageFormat::exr;
    const std::size_t mapPixels = exr ? std::size_t(options.width) * std::size_t(options.height) : 0;
    std::unique_ptr<std::uint32_t[]> counts(exr ? new (std::nothrow) std::uint32_t[mapPixels] : nullptr);
    std::unique_ptr<float[]> fractions(exr && view.colouring.smooth ? new (std::nothrow) float[mapPixels] : nullptr);
    const IterationMap map = {options.width, options.height, counts.get(), fractions.get()};
    if (exr && (!counts || (view.colouring.smooth && !fractions))) {
        return complain("not enough memory for the counts of a %ldx%ld picture", long(options.width),
                        long(options.height));
    }
    ProgressLine line = startProgressLine(options.quiet);
    const DeepResult rendered =
        renderStill(view, frame, options.samples, exr ? &map : nullptr, options.threads, stop, observerOf(line));
    if (rendered != kDeepRendered) endProgressLine(line);
    switch (rendered) {
    case kDeepNoThread:
        return complain("cannot start a thread to render with");
    case kDeepNoMemory:
        return complain("not enough memory for the reference orbit of limit %ld (%.0f MiB)%s", long(view.maxIterations),
                        double(orbitBytes(view.maxIterations)) / (1 << 20),
                        options.samples > 1 || view.colouring.smooth ? " or the picture's samples and counts" : "");
    case kDeepBadCenter:
        return complain("the centre cannot be taken as a number at the precision needed");
    case kDeepStopped:
        return interrupted(stop, "interrupted; nothing written");
    default:
        if (exr) endProgressLine(line);
        return exr ? saveExrAndView(options, view, frame, map) : savePictureAndView(options, view, frame, memory, stop, line);
    }
}

int pictureCommand(const Options& options, const std::atomic<int>& stop)
{
    const char* limit = "";
    if (!pictureFitsFormat(options.width, options.height, options.format, &limit)) {
        return complain("%ldx%ld is too large: %s", long(options.width), long(options.height), limit);
    }
    DeepView view;
    if (!outputsApart(options) || !readView(options, view) || !writable(options.outputPath)) return kFailed;
    if (options.saveViewPath && !writable(options.saveViewPath)) return kFailed;
    return renderPicture(options, view, stop);
}

DiveRequest diveRequestOf(const Options& o, const DeepView& view)
{
    return DiveRequest{view, o.outputPath, o.diveOutput, o.width, o.height, o.threads, o.seconds, o.fps, o.fromLog2,
                       o.exactFrames, o.crf, o.preset, o.firstKeyframe, o.lastKeyframe, o.resampledFrames,
                       o.keyframeJobs > 0 ? o.keyframeJobs : 1};
}

// Where the time went, on standard output.
void printTimes(const Options& options, const DiveOutcome& outcome)
{
    const DiveTimes& t = outcome.times;
    if (options.keyframeJobs > 0) {
        std::printf("dive: keyframes of job %ld/%ld in %.1f s\n", long(options.keyframeJob), long(options.keyframeJobs),
                    t.total);
        return;
    }
    if (options.firstKeyframe >= 0) {
        std::printf("dive: keyframes %ld-%ld in %.1f s\n", long(options.firstKeyframe), long(options.lastKeyframe),
                    t.total);
        return;
    }
    std::printf("dive: %ld frames %s in %.1f s: reference orbit %.1f s, keyframes %.1f s, reading them %.1f s, "
                "resampling %.1f s, encoding %.1f s\n",
                long(t.frames), outcome.exactFrames ? "rendered exactly" : "resampled from keyframes", t.total, t.orbit, t.keyframes, t.reading, t.resampling, t.encoding);
}

int diveCommand(const Options& options, const std::atomic<int>& stop)
{
    DeepView view;
    if (!outputsApart(options) || !readView(options, view)) return kFailed;
    if (options.saveViewPath && !writable(options.saveViewPath)) return kFailed;
    ProgressLine line = startProgressLine(options.quiet);
    const DiveOutcome outcome = runDive(diveRequestOf(options, view), stop, observerOf(line));
    endProgressLine(line);
    switch (outcome.result) {
    case DiveResult::failed:
        return complain(outcome.message);
    case DiveResult::stopped:
        if (outcome.keyframesFolder.empty()) return interrupted(stop, "interrupted");
        complain("interrupted; the keyframes done are kept in '%s' for the same command to go on from",
                 shownText(outcome.keyframesFolder.c_str(), kMaxPath).c_str());
        return interruptedExit(stop);
    default:
        // As after a picture: the view text once the dive (or this job's keyframes) is done.
        if (std::string message; options.saveViewPath && !writeViewTextFile(options.saveViewPath, view, message)) {
            return complain(message);
        }
        if (!options.quiet) printTimes(options, outcome);
        return kDone;
    }
}

}  // namespace

int runRenderTool(int argc, char** argv, const std::atomic<int>& interrupted)
{
    // A closed standard output (a pipe into `head`) loses the lines written there, not the work.
    ignoreClosedPipes();
    Options options;
    std::string reason;
    if (!parseOptions(argc, argv, options, reason)) return complain(reason);
    if (options.help) {
        std::fputs(kUsage, stdout);
        return kDone;
    }
    if (options.seconds > 0) return diveCommand(options, interrupted);
    if (options.format == ImageFormat::exr && !exrSupported()) {
        return complain("this build writes no OpenEXR files (Debian has no OpenEXR for Windows): use the Linux build");
    }
    return pictureCommand(options, interrupted);
}
