#include "dive/dive.h"

#include <chrono>
#include <cstdarg>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "core/bitmap_file.h"
#include "dive/dive_estimate.h"
#include "dive/dive_keyframes.h"
#include "dive/dive_plan.h"
#include "dive/dive_renderer.h"
#include "dive/frame_resample.h"
#include "dive/video_encoder.h"
#include "files/picture_files.h"
#include "files/png_memory.h"
#include "files/refusal.h"
#include "platform/free_space.h"
#include "platform/memory.h"
#include "platform/system.h"

namespace {

// Encoding a frame costs about as much as resampling it (5.7 s and 4.3 s for 300 frames of
// 320 x 180): the guess of a frame before any is made is twice one resampling, timed.
constexpr double kFramePerResampling = 2;

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The dive's progress: the time left estimated from what keyframes and frames cost so far, told
// to the observer about ten times a second and after every picture.
struct Progress {
    ProgressObserver observer;
    Clock::time_point start, lastTold, pictureStart;
    ProgressReport report;
    DiveCosts costs;
    PictureKind picture;  // being rendered
};

// pictureDone: the share of the picture being rendered that is done.
void tellProgress(Progress& progress, double pictureDone, int always)
{
    if (!always && std::chrono::duration<double>(Clock::now() - progress.lastTold).count() < 0.1) return;
    progress.lastTold = Clock::now();
    ProgressReport& r = progress.report;
    const PictureUnderWay picture = {progress.picture, pictureDone, secondsSince(progress.pictureStart)};
    r.secondsLeft = diveSecondsLeft(progress.costs, r.keyframes - r.keyframesDone, r.frames - r.framesDone, picture);
    const double spent = secondsSince(progress.start);
    r.done = r.secondsLeft < 0 ? 0 : spent + r.secondsLeft > 0 ? spent / (spent + r.secondsLeft) : 1;
    tell(progress.observer, r);
}

void startPicture(Progress& progress, PictureKind kind)
{
    progress.picture = kind;
    progress.pictureStart = Clock::now();
}

void onPicture(const ProgressReport& picture, void* context)
{
    tellProgress(*static_cast<Progress*>(context), picture.done, 0);
}

// A picture's pixel memory, or none when it cannot be had.
struct PictureSlot {
    std::unique_ptr<std::uint8_t[]> memory;
    FrameBuffer frame;
    std::int32_t keyframe;  // the keyframe it holds, or -1
};

int allocate(PictureSlot& slot, std::int32_t width, std::int32_t height)
{
    const std::uint64_t bytes = std::uint64_t(width) * std::uint64_t(height) * kBytesPerPixel;
    slot.memory.reset(bytes <= SIZE_MAX ? new (std::nothrow) std::uint8_t[std::size_t(bytes)] : nullptr);
    slot.frame = FrameBuffer{width, height, slot.memory.get()};
    slot.keyframe = -1;
    return slot.memory != nullptr;
}

struct Dive {
    const DiveRequest* request;
    int exact;                                   // frames rendered, not resampled
    int keyframesOnly;                           // a job that renders keyframes and ends
    std::int32_t firstKey, lastKey, keyStep;     // the keyframes of the job
    std::string manifest;                        // what the keyframes show
    const std::atomic<int>* stop;
    DiveOutcome* outcome;
    DivePlan plan;
    DiveRenderer renderer;
    KeyframeFolder folder;
    PictureSlot outer, inner, frame;  // inner is used for rendering keyframes, before any frame
    VideoEncoder video;
    Progress progress;
    Clock::time_point start;
};

// A failure with its message; the dive's result.
__attribute__((format(printf, 2, 3))) DiveResult fail(Dive& dive, const char* format, ...);

DiveResult fail(Dive& dive, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    char text[kMaxPath + 256];
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    dive.outcome->message = text;
    return DiveResult::failed;
}

DiveResult failWith(Dive& dive, const std::string& message)
{
    dive.outcome->message = message;
    return dive.stop->load() ? DiveResult::stopped : DiveResult::failed;
}

// The dive's result after a picture was rendered.
DiveResult resultOf(Dive& dive, DeepResult rendered)
{
    switch (rendered) {
    case kDeepRendered:
        return DiveResult::done;
    case kDeepStopped:
        return DiveResult::stopped;
    case kDeepNoThread:
        return fail(dive, "cannot start a thread to render with");
    case kDeepBadCenter:
        return fail(dive, "the centre cannot be taken as a number at the precision needed");
    default:
        return fail(dive, "not enough memory for the reference orbit");
    }
}

ProgressObserver pictureObserver(Dive& dive)
{
    return ProgressObserver{onPicture, &dive.progress};
}

// Renders keyframe k into slot and saves it.
DiveResult renderKeyframe(Dive& dive, std::int32_t keyframe, PictureSlot& slot)
{
    const Clock::time_point start = Clock::now();
    const PictureKind outside = dive.progress.picture;
    startPicture(dive.progress, PictureKind::keyframe);
    slot.keyframe = -1;
    const DeepResult rendered = renderDivePicture(dive.renderer, keyframeLog2(dive.plan, keyframe), slot.frame,
                                                  *dive.stop, pictureObserver(dive));
    dive.progress.picture = outside;
    if (rendered != kDeepRendered) return resultOf(dive, rendered);
    std::string message;
    if (!writeKeyframe(dive.folder, keyframe, slot.frame, *dive.stop, message)) return failWith(dive, message);
    slot.keyframe = keyframe;
    dive.outcome->times.keyframes += secondsSince(start);
    dive.progress.costs.keyframeSeconds = secondsSince(start);
    dive.progress.costs.keyframesRendered += 1;
    return DiveResult::done;
}

// Renders every step-th keyframe from first to last that is not on disk yet.
DiveResult renderKeyframes(Dive& dive, std::int32_t first, std::int32_t last, std::int32_t step)
{
    for (std::int32_t k = first; k <= last; k += step) {
        // Read whole, so that only a keyframe with its stamp and checksum counts as done.
        dive.inner.keyframe = -1;
        const DiveResult result =
            readKeyframe(dive.folder, k, dive.inner.frame) ? DiveResult::done : renderKeyframe(dive, k, dive.inner);
        if (result != DiveResult::done) return result;
        dive.progress.report.keyframesDone += 1;
        tellProgress(dive.progress, 0, 1);
    }
    return DiveResult::done;
}

// Puts keyframe k into slot, from the other slot, from disk, or (when its file went missing
// since) by rendering it.
DiveResult loadKeyframe(Dive& dive, PictureSlot& slot, PictureSlot& other, std::int32_t keyframe)
{
    if (slot.keyframe == keyframe) return DiveResult::done;
    if (other.keyframe == keyframe) {
        std::swap(slot, other);
        return DiveResult::done;
    }
    const Clock::time_point start = Clock::now();
    slot.keyframe = -1;
    if (!readKeyframe(dive.folder, keyframe, slot.frame)) return renderKeyframe(dive, keyframe, slot);
    slot.keyframe = keyframe;
    dive.outcome->times.reading += secondsSince(start);
    return DiveResult::done;
}

DiveResult resampledFrame(Dive& dive, std::int32_t i)
{
    const std::int32_t k = outerKeyframe(dive.plan, i);
    const int hasInner = k + 1 < dive.plan.keyframes;
    DiveResult result = loadKeyframe(dive, dive.outer, dive.inner, k);
    if (result == DiveResult::done && hasInner) result = loadKeyframe(dive, dive.inner, dive.outer, k + 1);
    if (result != DiveResult::done) return result;
    const Clock::time_point start = Clock::now();
    resampleFrame(dive.outer.frame, hasInner ? &dive.inner.frame : nullptr, depthBeyondKeyframe(dive.plan, i),
                  dive.frame.frame, dive.request->threads);
    dive.outcome->times.resampling += secondsSince(start);
    return DiveResult::done;
}

DiveResult exactFrame(Dive& dive, std::int32_t i)
{
    return resultOf(dive, renderDivePicture(dive.renderer, frameLog2(dive.plan, i), dive.frame.frame, *dive.stop,
                                            pictureObserver(dive)));
}

DiveResult writePngFrame(Dive& dive, std::int32_t i)
{
    char path[kMaxPath];
    if (!framePath(dive.request->outputPath, i, path, sizeof path)) {
        return fail(dive, "the name of frame %ld is too long", long(i));
    }
    std::uint32_t size = 0;
    unsigned char* png = encodePng(dive.frame.frame, &size);
    if (!png) return fail(dive, "not enough memory to encode frame %ld", long(i));
    std::string message;
    const SaveResult saved = saveBytes(path, png, size, *dive.stop, message);
    pngFree(png);
    return saved == SaveResult::saved ? DiveResult::done
           : saved == SaveResult::stopped ? DiveResult::stopped : failWith(dive, message);
}

DiveResult writeFrame(Dive& dive, std::int32_t i)
{
    const Clock::time_point start = Clock::now();
    DiveResult result = DiveResult::done;
    if (dive.request->output == DiveOutput::pngFrames) {
        result = writePngFrame(dive, i);
    } else if (!writeVideoFrame(dive.video, dive.frame.frame)) {
        // Ctrl+C on a terminal reaches ffmpeg too, which then ends first.
        result = dive.stop->load() ? DiveResult::stopped
                                   : fail(dive, "ffmpeg stopped taking frames of '%s'", dive.request->outputPath);
    }
    dive.outcome->times.encoding += secondsSince(start);
    return result;
}

DiveResult makeFrames(Dive& dive)
{
    for (std::int32_t i = 0; i < dive.plan.frames; ++i) {
        if (dive.stop->load()) return DiveResult::stopped;
        startPicture(dive.progress, PictureKind::frame);
        DiveResult result = dive.exact ? exactFrame(dive, i) : resampledFrame(dive, i);
        if (result == DiveResult::done) result = writeFrame(dive, i);
        if (result != DiveResult::done) return result;
        dive.progress.costs.frameSeconds += secondsSince(dive.progress.pictureStart);
        dive.progress.costs.framesMade += 1;
        dive.progress.report.framesDone += 1;
        dive.outcome->times.frames = i + 1;
        tellProgress(dive.progress, 0, i + 1 == dive.plan.frames);
    }
    return DiveResult::done;
}

DiveResult encodeFrames(Dive& dive, const char* encoder)
{
    const DiveRequest& request = *dive.request;
    const int video = request.output == DiveOutput::video;
    std::string message;
    if (video && !startVideo(dive.video, encoder, request.outputPath, request.width, request.height, request.fps,
                             request.crf, request.preset, message)) {
        return failWith(dive, message);
    }
    const DiveResult result = makeFrames(dive);
    if (!video) return result;
    const Clock::time_point start = Clock::now();
    const int finished = finishVideo(dive.video, result == DiveResult::done, message);
    dive.outcome->times.encoding += secondsSince(start);
    // ffmpeg that stopped taking frames failed for a reason (a full disk) that its end tells.
    if (result == DiveResult::failed && !message.empty()) dive.outcome->message = message;
    return result != DiveResult::done ? result : finished ? DiveResult::done : failWith(dive, message);
}

// What the keyframes of the request show: a folder with another manifest holds another dive's.
std::string manifestOf(const Dive& dive)
{
    const DiveRequest& request = *dive.request;
    char rest[128];
    std::snprintf(rest, sizeof rest, "\nkeyframe 0 magnification: 2^%.17g\nkeyframe size: %ldx%ld\n",
                  dive.plan.fromLog2, long(2 * request.width), long(2 * request.height));
    return "tavelin dive keyframes\nview: " + describeDiveView(request.view) + rest;
}

double framesPerOctave(const DivePlan& plan)
{
    const double octaves = plan.toLog2 - plan.fromLog2;
    return octaves > 0 ? (plan.frames - 1) / octaves : HUGE_VAL;
}

// Frames rendered or resampled: as asked, else the faster, and resampled where keyframes of
// this dive are waiting (made by jobs) or are what the request makes.
int chooseExactFrames(Dive& dive)
{
    const DiveRequest& request = *dive.request;
    if (request.exactFrames || request.resampledFrames || dive.keyframesOnly) return request.exactFrames;
    if (framesPerOctave(dive.plan) >= kResampledFramesFrom) return 0;
    return !describeKeyframeFolder(dive.folder, request.outputPath, 2 * request.width, 2 * request.height,
                                   dive.manifest) ||
           !folderHoldsManifest(dive.folder, dive.manifest);
}

// The plan of the request, or a failure that says what does not fit.
DiveResult planFromRequest(Dive& dive)
{
    const DiveRequest& request = *dive.request;
    const double toLog2 = magnificationLog2(request.view.magnification), fromLog2 = request.fromLog2;
    if (request.view.magnification.mantissa <= 0 || toLog2 < fromLog2) {
        char start[64];
        if (std::fabs(fromLog2) < 1000) {
            std::snprintf(start, sizeof start, "%g", std::exp2(fromLog2));
        } else {
            std::snprintf(start, sizeof start, "%s", formatMagnification(magnificationFromLog2(fromLog2)).c_str());
        }
        return fail(dive, "the view's magnification %s is below the dive's start %s",
                    formatMagnification(request.view.magnification).c_str(), start);
    }
    const double frames = std::floor(request.seconds * request.fps + 0.5);
    if (frames < 2 || frames > kMaxDiveFrames) {
        return fail(dive, "%g seconds at %ld frames per second make %.0f frames: give from 2 to %ld", request.seconds,
                    long(request.fps), frames, long(kMaxDiveFrames));
    }
    if (toLog2 - fromLog2 >= kMaxDiveFrames) {
        return fail(dive, "the dive is too deep: it would have more than %ld keyframes", long(kMaxDiveFrames));
    }
    dive.plan = planDive(fromLog2, toLog2, std::int32_t(frames));
    dive.manifest = manifestOf(dive);
    dive.keyframesOnly = request.firstKeyframe >= 0;
    dive.exact = chooseExactFrames(dive);
    dive.outcome->exactFrames = dive.exact;
    const char* reason = "";
    const double deepest = dive.exact ? dive.plan.toLog2 : keyframeLog2(dive.plan, dive.plan.keyframes - 1);
    if (!diveDepthRenderable(deepest, &reason)) return fail(dive, "the view is too deep for a dive: %s", reason);
    dive.firstKey = dive.keyframesOnly ? request.firstKeyframe : 0;
    dive.lastKey = dive.keyframesOnly && request.lastKeyframe != kToLastKeyframe ? request.lastKeyframe
                                                                                : dive.plan.keyframes - 1;
    dive.keyStep = dive.keyframesOnly && request.keyframeStep > 1 ? request.keyframeStep : 1;
    if (dive.lastKey >= dive.plan.keyframes) {
        return fail(dive, "keyframes %ld-%ld: this dive has keyframes 0-%ld", long(request.firstKeyframe),
                    long(request.lastKeyframe), long(dive.plan.keyframes - 1));
    }
    return DiveResult::done;
}

// Whether the pictures of the dive can be made and written, checked before any work.
DiveResult checkSizes(Dive& dive)
{
    const DiveRequest& request = *dive.request;
    const char* limit = "";
    if (request.output == DiveOutput::video && (request.width % 2 || request.height % 2)) {
        return fail(dive, "a video in yuv420p needs an even width and height, not %ldx%ld", long(request.width),
                    long(request.height));
    }
    if (request.output == DiveOutput::pngFrames &&
        !pictureFitsFormat(request.width, request.height, ImageFormat::png, &limit)) {
        return fail(dive, "%ldx%ld is too large: %s", long(request.width), long(request.height), limit);
    }
    if (!dive.exact && !fitsBitmapFile(2 * request.width, 2 * request.height)) {
        return fail(dive, "keyframes of twice %ldx%ld are too large for a bitmap file", long(request.width),
                    long(request.height));
    }
    return DiveResult::done;
}

// Frames of a longer dive beyond this one's last would sit beside the new frames as if they
// belonged to them: the pattern is refused while the frame after the last is there.
DiveResult checkNoLaterFrames(Dive& dive)
{
    char next[kMaxPath];
    FileRef file = 0;
    if (!framePath(dive.request->outputPath, dive.plan.frames, next, sizeof next) ||
        platform.openForReading(next, &file)) {
        return DiveResult::done;
    }
    platform.closeFile(file);
    return fail(dive, "'%s' is there, from a longer dive: remove the frames from %ld on, or write the frames elsewhere",
                next, long(dive.plan.frames));
}

// Finds out before the work whether the output (the video, or the first frame) can be written.
DiveResult checkOutput(Dive& dive)
{
    char first[kMaxPath];
    const DiveRequest& request = *dive.request;
    const char* path = request.outputPath;
    if (request.output == DiveOutput::pngFrames) {
        if (!framePath(request.outputPath, 0, first, sizeof first)) return fail(dive, "the frames' names are too long");
        if (checkNoLaterFrames(dive) != DiveResult::done) return DiveResult::failed;
        path = first;
    }
    std::string message;
    return outputWritable(path, message) ? DiveResult::done : failWith(dive, message);
}

// 1.5 GiB, 451 MiB, 12 KiB.
std::string formatBytes(std::uint64_t bytes)
{
    char text[32];
    if (bytes >= (std::uint64_t(10) << 30)) {
        std::snprintf(text, sizeof text, "%.1f GiB", double(bytes) / double(1 << 30));
    } else if (bytes >= (1u << 20)) {
        std::snprintf(text, sizeof text, "%.0f MiB", double(bytes) / double(1 << 20));
    } else {
        std::snprintf(text, sizeof text, "%.0f KiB", double(bytes) / 1024);
    }
    return text;
}

// The folder that the output is written to, where the keyframes' folder goes too.
std::string outputFolder(const char* outputPath)
{
    const std::string path = outputPath;
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// Says what the frames will be made of and what the keyframes still to render take on disk,
// and refuses, before any work, keyframes that the free space cannot hold.
DiveResult checkDiskAndTell(Dive& dive)
{
    const DiveRequest& request = *dive.request;
    char text[kMaxPath + 256];
    const double perOctave = framesPerOctave(dive.plan);
    if (dive.exact) {
        std::snprintf(text, sizeof text, "frames rendered exactly (%.3g frames per factor of 2)", perOctave);
        dive.progress.report.note = text;
        tell(dive.progress.observer, dive.progress.report);
        dive.progress.report.note = nullptr;
        return DiveResult::done;
    }
    if (!describeKeyframeFolder(dive.folder, request.outputPath, 2 * request.width, 2 * request.height, dive.manifest)) {
        return fail(dive, "the path '%s.keyframes' is too long", request.outputPath);
    }
    std::int32_t missing = 0, all = 0;
    for (std::int32_t k = dive.firstKey; k <= dive.lastKey; k += dive.keyStep, ++all) {
        missing += !keyframeOnDisk(dive.folder, k);
    }
    const std::uint64_t each = keyframeFileBytes(2 * request.width, 2 * request.height);
    const std::uint64_t need = each * std::uint64_t(missing);
    const std::string folder = outputFolder(request.outputPath);
    const std::int64_t free = freeBytesAt(folder.c_str());  // -1: the system cannot tell
    if (need > 0 && free >= 0 && std::uint64_t(free) < need) {
        return fail(dive, "the keyframes need %s (%ld x %s) and '%s' has %s free: free some space, or make a smaller "
                    "or shorter dive", formatBytes(need).c_str(), long(missing), formatBytes(each).c_str(),
                    folder.c_str(), formatBytes(std::uint64_t(free)).c_str());
    }
    std::snprintf(text, sizeof text, "keyframes: %ld x %s = %s in '%s/' (%ld there already); %s",
                  long(missing), formatBytes(each).c_str(), formatBytes(need).c_str(), dive.folder.path,
                  long(all - missing),
                  dive.keyframesOnly ? "a keyframe job" : "frames resampled from them");
    dive.progress.report.note = text;
    tell(dive.progress.observer, dive.progress.report);
    dive.progress.report.note = nullptr;
    return DiveResult::done;
}

DiveResult openFolder(Dive& dive)
{
    const DiveRequest& request = *dive.request;
    std::string message;
    const FolderState state = openKeyframeFolder(dive.folder, request.outputPath, 2 * request.width,
                                                 2 * request.height, dive.manifest, message);
    if (dive.folder.path[0]) dive.outcome->keyframesFolder = dive.folder.path;
    if (state == FolderState::otherDive) {
        return fail(dive, "'%s' holds keyframes of another view, size or start: remove it, or write the dive elsewhere",
                    dive.folder.path);
    }
    return state == FolderState::ready ? DiveResult::done : failWith(dive, message);
}

DiveResult allocatePictures(Dive& dive)
{
    const DiveRequest& request = *dive.request;
    const int keyframes = !dive.exact, frames = !dive.keyframesOnly;
    const std::int32_t width = request.width, height = request.height;
    // All at once, as each alone may fit where the three do not.
    const std::uint64_t pixels = std::uint64_t(width) * std::uint64_t(height) * kBytesPerPixel;
    if (!memoryAllows(pixels * (4 * keyframes + 4 * (keyframes && frames) + frames)) ||
        (keyframes && !allocate(dive.inner, 2 * width, 2 * height)) ||
        (keyframes && frames && !allocate(dive.outer, 2 * width, 2 * height)) ||
        (frames && !allocate(dive.frame, width, height))) {
        return fail(dive, "not enough memory for two keyframes of %ldx%ld and a frame", long(2 * width),
                    long(2 * height));
    }
    return DiveResult::done;
}

// Everything that can be checked before the work: the plan, the sizes, the encoder, the output.
DiveResult check(Dive& dive, char (&encoder)[kMaxPath])
{
    const DiveRequest& request = *dive.request;
    DiveResult result = planFromRequest(dive);
    if (result == DiveResult::done) result = checkSizes(dive);
    if (result != DiveResult::done) return result;
    if (request.output == DiveOutput::video && !dive.keyframesOnly && !findVideoEncoder(encoder)) {
        return fail(dive, "a video needs the ffmpeg program on PATH (Debian package ffmpeg); "
                          "or write PNG frames, as frames/dive-%%05d.png");
    }
    if (!dive.keyframesOnly) result = checkOutput(dive);
    return result == DiveResult::done ? allocatePictures(dive) : result;
}

// Seconds of a resampled frame, from a resampling of the (blank) pictures timed before the
// work; -1 where frames are rendered or not made.
double resampledFrameGuess(Dive& dive)
{
    if (dive.exact || dive.keyframesOnly) return -1;
    const FrameBuffer& key = dive.outer.frame;
    std::memset(key.bits, 0, std::size_t(key.width) * key.height * kBytesPerPixel);
    // The first one also pays for touching the frame's memory the first time: the second is timed.
    resampleFrame(key, &key, 0.5, dive.frame.frame, dive.request->threads);
    const Clock::time_point start = Clock::now();
    resampleFrame(key, &key, 0.5, dive.frame.frame, dive.request->threads);
    return kFramePerResampling * secondsSince(start);
}

void startProgress(Dive& dive, const ProgressObserver& observer)
{
    std::int32_t keyframes = 0;
    for (std::int32_t k = dive.firstKey; !dive.exact && k <= dive.lastKey; k += dive.keyStep) ++keyframes;
    const ProgressReport report = {0, nullptr, 0, 0, 0, keyframes, 0, dive.keyframesOnly ? 0 : dive.plan.frames,
                                   -1, nullptr};
    const DiveCosts costs = {0, 0, 0, 0, resampledFrameGuess(dive)};
    dive.progress = Progress{observer, dive.start, Clock::now(), Clock::now(), report, costs, PictureKind::none};
}

DiveResult diveWithChecks(Dive& dive, const ProgressObserver& observer)
{
    const DiveRequest& request = *dive.request;
    char encoder[kMaxPath] = "";
    DiveResult result = check(dive, encoder);
    if (result != DiveResult::done) return result;
    startProgress(dive, observer);
    if ((result = checkDiskAndTell(dive)) != DiveResult::done) return result;
    if (!dive.exact && (result = openFolder(dive)) != DiveResult::done) return result;
    const double deepest = dive.exact ? dive.plan.toLog2 : keyframeLog2(dive.plan, dive.plan.keyframes - 1);
    const DeepResult prepared =
        prepareDiveRenderer(dive.renderer, request.view, deepest, request.threads, *dive.stop, pictureObserver(dive));
    dive.outcome->times.orbit = secondsSince(dive.start);
    if (prepared == kDeepNoMemory) {
        return fail(dive, "not enough memory for the reference orbit of limit %ld", long(request.view.maxIterations));
    }
    if (prepared != kDeepRendered) return resultOf(dive, prepared);
    if (!dive.exact) result = renderKeyframes(dive, dive.firstKey, dive.lastKey, dive.keyStep);
    if (result == DiveResult::done && !dive.keyframesOnly) result = encodeFrames(dive, encoder);
    return result;
}

}  // namespace

DiveOutcome runDive(const DiveRequest& request, const std::atomic<int>& stop, const ProgressObserver& observer)
{
    DiveOutcome outcome = {DiveResult::done, "", "", {0, 0, 0, 0, 0, 0, 0}, 0};
    Dive dive = {};
    dive.request = &request;
    dive.stop = &stop;
    dive.outcome = &outcome;
    dive.start = Clock::now();
    outcome.result = diveWithChecks(dive, observer);
    outcome.times.total = secondsSince(dive.start);
    return outcome;
}

int framePath(const char* pattern, std::int32_t frame, char* path, std::size_t size)
{
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    const int length = std::snprintf(path, size, pattern, int(frame));
#pragma GCC diagnostic pop
    return length > 0 && std::size_t(length) < size;
}
