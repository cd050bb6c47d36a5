#include "dive.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <utility>

#include "core/bitmap_file.h"
#include "dive_keyframes.h"
#include "dive_plan.h"
#include "dive_renderer.h"
#include "frame_resample.h"
#include "picture_files.h"
#include "png_memory.h"
#include "progress_bar.h"
#include "render_tool.h"
#include "terminal.h"
#include "video_encoder.h"

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kInterrupted = -1;  // runDive gives the exit code of the signal

// A resampled and encoded frame costs about this share of a keyframe's render (measured at 1e6
// and at 1e50: bench/README.md).
constexpr double kResampledFrameWeight = 0.056;

using Clock = std::chrono::steady_clock;

// The dive's result after a picture was rendered.
int resultOf(DeepResult rendered)
{
    switch (rendered) {
    case kDeepRendered:
        return kDone;
    case kDeepStopped:
        return kInterrupted;
    case kDeepNoThread:
        return complain("cannot start a thread to render with");
    default:
        return complain("not enough memory for the reference orbit");
    }
}

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}


// One bar for the whole dive: keyframes and frames weighed by their share of the work.
struct Progress {
    int shown;
    Clock::time_point start;
    Clock::time_point lastShown;
    std::int32_t keyframes, keyframesDone;
    std::int32_t frames, framesDone;
    double frameWeight;    // of a frame against a keyframe
    double pictureWeight;  // of the picture being rendered: a keyframe's, a frame's, or 0
    int length;            // of the line drawn last
};

// pictureDone: the share of the picture being rendered that is done.
void showProgress(Progress& progress, double pictureDone, int always)
{
    if (!progress.shown || (!always && secondsSince(progress.lastShown) < 0.1)) return;
    progress.lastShown = Clock::now();
    const double picture = progress.pictureWeight * pictureDone;
    const double total = progress.keyframes + progress.frames * progress.frameWeight;
    const double done = progress.keyframesDone + progress.framesDone * progress.frameWeight + picture;
    const double share = total > 0 ? done / total : 1, elapsed = secondsSince(progress.start);
    char figures[kProgressTextSize], text[kProgressTextSize], spent[32], left[32] = "?";
    formatDuration(spent, elapsed);
    if (done > 0) formatDuration(left, elapsed * (total - done) / done);
    std::snprintf(figures, sizeof figures, "%3d%%  keyframes %ld/%ld  frames %ld/%ld  %s elapsed, %s left",
                  int(share * 100), long(progress.keyframesDone), long(progress.keyframes), long(progress.framesDone),
                  long(progress.frames), spent, left);
    fitProgressLine(text, figures, share, terminalColumns());
    redrawLine(text, progress.length);
}

void onShare(double done, void* context)
{
    showProgress(*static_cast<Progress*>(context), done, 0);
}

struct Times {
    double orbit, keyframes, reading, resampling, encoding;
};

// A picture's pixel memory, or none when it cannot be had.
struct Picture {
    std::unique_ptr<std::uint8_t[]> memory;
    FrameBuffer frame;
    std::int32_t keyframe;  // the keyframe it holds, or -1
};

int allocate(Picture& picture, std::int32_t width, std::int32_t height)
{
    const std::uint64_t bytes = std::uint64_t(width) * std::uint64_t(height) * kBytesPerPixel;
    picture.memory.reset(bytes <= SIZE_MAX ? new (std::nothrow) std::uint8_t[std::size_t(bytes)] : nullptr);
    picture.frame = FrameBuffer{width, height, picture.memory.get()};
    picture.keyframe = -1;
    return picture.memory != nullptr;
}

struct Dive {
    const Options* options;
    const std::atomic<int>* stop;
    DivePlan plan;
    DiveRenderer renderer;
    KeyframeFolder folder;
    Picture outer, inner, frame;  // inner is used for rendering keyframes, before any frame
    VideoEncoder video;
    Progress progress;
    Times times;
};

// Renders keyframe k into picture and saves it.
int renderKeyframe(Dive& dive, std::int32_t keyframe, Picture& picture)
{
    const Clock::time_point start = Clock::now();
    dive.progress.pictureWeight = 1;
    picture.keyframe = -1;
    const DeepResult rendered = renderDivePicture(dive.renderer, keyframeLog2(dive.plan, keyframe), picture.frame,
                                                  *dive.stop, onShare, &dive.progress);
    dive.progress.pictureWeight = 0;
    if (rendered != kDeepRendered) return resultOf(rendered);
    if (!writeKeyframe(dive.folder, keyframe, picture.frame)) return kFailed;
    picture.keyframe = keyframe;
    dive.times.keyframes += secondsSince(start);
    return kDone;
}

// Renders the keyframes from first to last that are not on disk yet.
int renderKeyframes(Dive& dive, std::int32_t first, std::int32_t last)
{
    for (std::int32_t k = first; k <= last; ++k) {
        const int result = haveKeyframe(dive.folder, k) ? kDone : renderKeyframe(dive, k, dive.inner);
        if (result != kDone) return result;
        dive.progress.keyframesDone += 1;
        showProgress(dive.progress, 0, 1);
    }
    return kDone;
}

// Puts keyframe k into slot, from the other slot, from disk, or (when its file went missing
// since) by rendering it.
int loadKeyframe(Dive& dive, Picture& slot, Picture& other, std::int32_t keyframe)
{
    if (slot.keyframe == keyframe) return kDone;
    if (other.keyframe == keyframe) {
        std::swap(slot, other);
        return kDone;
    }
    const Clock::time_point start = Clock::now();
    slot.keyframe = -1;
    if (!readKeyframe(dive.folder, keyframe, slot.frame)) return renderKeyframe(dive, keyframe, slot);
    slot.keyframe = keyframe;
    dive.times.reading += secondsSince(start);
    return kDone;
}

int resampledFrame(Dive& dive, std::int32_t i)
{
    const std::int32_t k = outerKeyframe(dive.plan, i);
    const int hasInner = k + 1 < dive.plan.keyframes;
    int result = loadKeyframe(dive, dive.outer, dive.inner, k);
    if (result == kDone && hasInner) result = loadKeyframe(dive, dive.inner, dive.outer, k + 1);
    if (result != kDone) return result;
    const Clock::time_point start = Clock::now();
    resampleFrame(dive.outer.frame, hasInner ? &dive.inner.frame : nullptr, depthBeyondKeyframe(dive.plan, i),
                  dive.frame.frame, dive.options->threads);
    dive.times.resampling += secondsSince(start);
    return kDone;
}

int exactFrame(Dive& dive, std::int32_t i)
{
    dive.progress.pictureWeight = dive.progress.frameWeight;
    const DeepResult rendered =
        renderDivePicture(dive.renderer, frameLog2(dive.plan, i), dive.frame.frame, *dive.stop, onShare, &dive.progress);
    dive.progress.pictureWeight = 0;
    return resultOf(rendered);
}

int writePngFrame(const Dive& dive, std::int32_t i)
{
    char path[kMaxPath], context[kMaxPath + 64];
    if (!framePath(dive.options->outputPath, i, path, sizeof path)) {
        return complain("the name of frame %ld is too long", long(i));
    }
    std::snprintf(context, sizeof context, "tavelin-render: cannot write '%s'", path);
    std::uint32_t size = 0;
    unsigned char* png = encodePng(dive.frame.frame, &size);
    if (!png) return complain("not enough memory to encode frame %ld", long(i));
    const int saved = saveBytes(context, path, png, size);
    pngFree(png);
    return saved ? kDone : kFailed;
}

int writeFrame(Dive& dive, std::int32_t i)
{
    const Clock::time_point start = Clock::now();
    int result = kDone;
    if (dive.options->dive.output == DiveOutput::pngFrames) {
        result = writePngFrame(dive, i);
    } else if (!writeVideoFrame(dive.video, dive.frame.frame)) {
        // Ctrl+C on a terminal reaches ffmpeg too, which then ends first.
        const char* path = dive.options->outputPath;
        result = dive.stop->load() ? kInterrupted : complain("ffmpeg stopped taking frames of '%s'", path);
    }
    dive.times.encoding += secondsSince(start);
    return result;
}

int makeFrames(Dive& dive)
{
    const DiveOptions& options = dive.options->dive;
    for (std::int32_t i = 0; i < dive.plan.frames; ++i) {
        if (dive.stop->load()) return kInterrupted;
        int result = options.exactFrames ? exactFrame(dive, i) : resampledFrame(dive, i);
        if (result == kDone) result = writeFrame(dive, i);
        if (result != kDone) return result;
        dive.progress.framesDone += 1;
        showProgress(dive.progress, 0, i + 1 == dive.plan.frames);
    }
    return kDone;
}

int encodeFrames(Dive& dive, const char* encoder)
{
    const Options& options = *dive.options;
    const int video = options.dive.output == DiveOutput::video;
    if (video && !startVideo(dive.video, encoder, options.outputPath, options.width, options.height, options.dive.fps,
                             options.dive.crf, options.dive.preset)) {
        return kFailed;
    }
    const int result = makeFrames(dive);
    if (!video) return result;
    const Clock::time_point start = Clock::now();
    const int finished = finishVideo(dive.video, result == kDone);
    dive.times.encoding += secondsSince(start);
    return result != kDone ? result : finished ? kDone : kFailed;
}

// The plan from the options, or 0 after a message on what does not fit.
int planFromOptions(const Options& options, const DeepView& view, DivePlan& plan)
{
    const DiveOptions& dive = options.dive;
    const double toLog2 = diveViewLog2(view), fromLog2 = std::log2(dive.fromMagnification);
    if (!positiveMagnification(view) || toLog2 < fromLog2) {
        return !complain("the view's magnification %s is below the dive's start %g", magnificationText(view).c_str(),
                         dive.fromMagnification);
    }
    const double frames = std::floor(dive.seconds * dive.fps + 0.5);
    if (frames < 2 || frames > kMaxDiveFrames) {
        return !complain("%g seconds at %ld frames per second make %.0f frames: give from 2 to %ld", dive.seconds,
                     long(dive.fps), frames, long(kMaxDiveFrames));
    }
    if (toLog2 - fromLog2 >= kMaxDiveFrames) {
        return !complain("the dive is too deep: it would have more than %ld keyframes", long(kMaxDiveFrames));
    }
    plan = planDive(fromLog2, toLog2, std::int32_t(frames));
    const char* reason = "";
    const double deepest = dive.exactFrames ? plan.toLog2 : keyframeLog2(plan, plan.keyframes - 1);
    if (!diveDepthRenderable(deepest, &reason)) return !complain("the view is too deep for a dive: %s", reason);
    if (dive.lastKeyframe >= plan.keyframes) {
        return !complain("keyframes %ld-%ld: this dive has keyframes 0-%ld", long(dive.firstKeyframe),
                     long(dive.lastKeyframe), long(plan.keyframes - 1));
    }
    return 1;
}

// Whether the pictures of the dive can be made and written, checked before any work.
int sizesFit(const Options& options)
{
    const char* limit = "";
    if (options.dive.output == DiveOutput::video && (options.width % 2 || options.height % 2)) {
        return !complain("a video in yuv420p needs an even width and height, not %ldx%ld", long(options.width),
                     long(options.height));
    }
    if (options.dive.output == DiveOutput::pngFrames &&
        !pictureFitsFormat(options.width, options.height, ImageFormat::png, &limit)) {
        return !complain("%ldx%ld is too large: %s", long(options.width), long(options.height), limit);
    }
    if (!options.dive.exactFrames && !fitsBitmapFile(2 * options.width, 2 * options.height)) {
        return !complain("keyframes of twice %ldx%ld are too large for a bitmap file", long(options.width),
                     long(options.height));
    }
    return 1;
}

int outputTargetWritable(const Options& options)
{
    char first[kMaxPath];
    if (options.dive.output == DiveOutput::video) return outputWritable(options.outputPath);
    if (!framePath(options.outputPath, 0, first, sizeof first)) return !complain("the frames' names are too long");
    return outputWritable(first);
}

int openFolder(Dive& dive, const DeepView& view)
{
    const Options& options = *dive.options;
    char rest[128];
    std::snprintf(rest, sizeof rest, "\nkeyframe 0 magnification: 2^%.17g\nkeyframe size: %ldx%ld\n",
                  dive.plan.fromLog2, long(2 * options.width), long(2 * options.height));
    const std::string manifest = "tavelin dive keyframes\nview: " + describeDiveView(view) + rest;
    const FolderState state = openKeyframeFolder(dive.folder, options.outputPath, 2 * options.width,
                                                 2 * options.height, manifest);
    if (state == FolderState::otherDive) {
        return !complain("'%s' holds keyframes of another view, size or start: remove it, or write the dive elsewhere",
                         dive.folder.path);
    }
    return state == FolderState::ready;
}

int allocatePictures(Dive& dive)
{
    const Options& options = *dive.options;
    const int keyframes = !options.dive.exactFrames, frames = options.dive.firstKeyframe < 0;
    const std::int32_t width = options.width, height = options.height;
    if ((keyframes && !allocate(dive.inner, 2 * width, 2 * height)) ||
        (keyframes && frames && !allocate(dive.outer, 2 * width, 2 * height)) ||
        (frames && !allocate(dive.frame, width, height))) {
        return !complain("not enough memory for two keyframes of %ldx%ld and a frame", long(2 * width),
                         long(2 * height));
    }
    return 1;
}

// Where the time went, on standard output.
void reportTimes(const Dive& dive)
{
    const Times& t = dive.times;
    const DiveOptions& settings = dive.options->dive;
    const double seconds = secondsSince(dive.progress.start);
    if (settings.firstKeyframe >= 0) {
        std::printf("dive: keyframes %ld-%ld in %.1f s\n", long(settings.firstKeyframe), long(settings.lastKeyframe),
                    seconds);
        return;
    }
    std::printf("dive: %ld frames in %.1f s: reference orbit %.1f s, keyframes %.1f s, reading them %.1f s, "
                "resampling %.1f s, encoding %.1f s\n",
                long(dive.progress.framesDone), seconds, t.orbit, t.keyframes, t.reading, t.resampling, t.encoding);
}

int diveWithChecks(Dive& dive, const DeepView& view)
{
    const Options& options = *dive.options;
    const DiveOptions& settings = options.dive;
    const int keyframesOnly = settings.firstKeyframe >= 0;
    char encoder[kMaxPath] = "";
    if (!planFromOptions(options, view, dive.plan) || !sizesFit(options)) return kFailed;
    if (settings.output == DiveOutput::video && !keyframesOnly && !findVideoEncoder(encoder)) {
        return complain("a video needs the ffmpeg program on PATH (Debian package ffmpeg); "
                        "or write PNG frames, as frames/dive-%%05d.png");
    }
    if ((!keyframesOnly && !outputTargetWritable(options)) || !allocatePictures(dive)) return kFailed;
    const std::int32_t jobKeyframes = settings.lastKeyframe - settings.firstKeyframe + 1;
    const std::int32_t keyframes = settings.exactFrames ? 0 : keyframesOnly ? jobKeyframes : dive.plan.keyframes;
    dive.progress = Progress{!options.quiet && stderrIsTerminal(), Clock::now(), Clock::now(), keyframes, 0,
                             keyframesOnly ? 0 : dive.plan.frames, 0,
                             settings.exactFrames ? 0.25 : kResampledFrameWeight, 0, 0};
    const double deepest = settings.exactFrames ? dive.plan.toLog2 : keyframeLog2(dive.plan, dive.plan.keyframes - 1);
    if (!settings.exactFrames && !openFolder(dive, view)) return kFailed;
    // The reference orbit counts in the bar as much as a keyframe.
    dive.progress.pictureWeight = 1;
    const DeepResult prepared =
        prepareDiveRenderer(dive.renderer, view, deepest, options.threads, *dive.stop, onShare, &dive.progress);
    dive.progress.pictureWeight = 0;
    dive.times.orbit = secondsSince(dive.progress.start);
    if (prepared == kDeepNoMemory) {
        return complain("not enough memory for the reference orbit of limit %ld", long(view.maxIterations));
    }
    if (prepared != kDeepRendered) return resultOf(prepared);
    int result = kDone;
    if (!settings.exactFrames) {
        result = keyframesOnly ? renderKeyframes(dive, settings.firstKeyframe, settings.lastKeyframe)
                               : renderKeyframes(dive, 0, dive.plan.keyframes - 1);
    }
    if (result == kDone && !keyframesOnly) result = encodeFrames(dive, encoder);
    if (dive.progress.shown) std::fprintf(stderr, "\n");
    if (result == kDone && !options.quiet) reportTimes(dive);
    return result;
}

}  // namespace

int runDive(const Options& options, const DeepView& view, const std::atomic<int>& interrupted)
{
    Dive dive = {};
    dive.options = &options;
    dive.stop = &interrupted;
    const int result = diveWithChecks(dive, view);
    if (result != kInterrupted) return result;
    if (dive.folder.path[0]) {
        complain("interrupted; the keyframes done are kept in '%s' for the same command to go on from",
                 dive.folder.path);
    } else {
        complain("interrupted");
    }
    return 128 + interrupted.load();
}
