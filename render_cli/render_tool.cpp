#include "render_tool.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <new>
#include <thread>

#include "core/platform.h"
#include "deep_render.h"
#include "dive.h"
#include "deep/still_render.h"
#include "files/exr_file.h"
#include "files/location_file.h"
#include "options.h"
#include "picture_files.h"
#include "png_memory.h"
#include "progress_bar.h"
#include "terminal.h"
#include "view_text_file.h"

namespace {

constexpr int kDone = 0;
constexpr int kBadInput = 1;

// As a shell reports a command ended by a signal: 128 + its number (130 for Ctrl+C, 143 for
// SIGTERM).
int interruptedExit(const std::atomic<int>& interrupted)
{
    return 128 + interrupted.load();
}

// The start of a message line: the program's name and what it was doing with which file, the
// whole path however long. The console platform reports errors with it as their owner.
struct Context {
    char text[kMaxPath + 64];
};

WindowRef contextOf(Context& context, const char* action, const char* path)
{
    std::snprintf(context.text, sizeof context.text, "tavelin-render: cannot %s '%s'", action, path);
    return context.text;
}

// The colour options of the command line over the view's colouring.
int applyColouring(const Options& options, Colouring& colouring)
{
    char error[kViewErrorSize];
    if (options.smooth) colouring.smooth = 1;
    if ((options.paletteDensity || options.palettePhase) && !colouring.smooth) {
        return !complain("--palette-density and --palette-phase go with --smooth");
    }
    if ((options.paletteDensity && !setColouringField(colouring, "palette-density", options.paletteDensity, error, sizeof error)) ||
        (options.palettePhase && !setColouringField(colouring, "palette-phase", options.palettePhase, error, sizeof error))) {
        return !complain("%s", error);
    }
    return 1;
}

// The view of the view file (or the initial view) with the fields given on the command line
// put in.
int readView(const Options& options, DeepView& view)
{
    view = deepViewOf(kInitialViewParams);
    char error[kViewErrorSize] = "";
    Context context;
    const int location = options.viewPath && isLocationFileName(options.viewPath);
    const WindowRef owner = options.viewPath ? contextOf(context, "read", options.viewPath) : nullptr;
    if (options.viewPath && !(location ? readLocationFile(owner, options.viewPath, options.width, options.height, view, error)
                                       : readViewFile(owner, options.viewPath, view, error))) {
        if (error[0]) complain("%s", error);
        return 0;
    }
    for (int field = 0; field < kDeepFieldCount; ++field) {
        const char* text = options.fieldTexts[field];
        if (text && !setDeepField(view, DeepField(field), text, error)) return !complain("%s", error);
    }
    if (!applyColouring(options, view.colouring)) return 0;
    // A magnification so small that the picture's width overflows would give a flat picture.
    if (magnificationLog2(view.magnification) < 0 && !isDrawableView(paramsOf(view))) {
        return !complain("the view cannot be drawn: the picture width, 6 / magnification, must be a finite number");
    }
    return 1;
}

}  // namespace

int complain(const char* format, ...)
{
    std::fprintf(stderr, "tavelin-render: ");
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
    std::fprintf(stderr, "\n");
    return kBadInput;
}

int outputWritable(const char* path)
{
    Context context;
    char tempPath[kMaxPath];
    FileRef file = 0;
    ErrorCode error = platform.checkSaveTarget(path);
    if (!error) error = platform.createTempBeside(path, tempPath, &file);
    if (error) {
        platform.reportError(contextOf(context, "write", path), error);
        return 0;
    }
    platform.closeFile(file);
    platform.removeFile(tempPath);
    return 1;
}

namespace {

struct ProgressLine {
    int shown;
    std::chrono::steady_clock::time_point start;
    std::int32_t rows;
    int length;  // of the text drawn last, which a shorter one must cover
};

double secondsSince(const ProgressLine& line)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - line.start).count();
}

void showProgress(double done, void* context)
{
    ProgressLine& line = *static_cast<ProgressLine*>(context);
    const std::int32_t rowsDone = std::int32_t(done * double(line.rows));
    if (!line.shown) return;
    char text[kProgressTextSize];
    formatProgress(text, rowsDone, line.rows, secondsSince(line), terminalColumns());
    redrawLine(text, line.length);
}

void showEncoding(ProgressLine& line)
{
    if (!line.shown) return;
    char text[kProgressTextSize];
    formatEncoding(text, secondsSince(line), terminalColumns());
    redrawLine(text, line.length);
}

void endProgress(ProgressLine& line)
{
    if (line.shown && line.length > 0) std::fprintf(stderr, "\n");
    line.length = 0;
}

// Writes go through this while a picture is saved, so that an interrupt ends the save between
// two write requests; the save then removes its temporary file, and the report of the
// cancelled write says what happened.
const std::atomic<int>* saveInterrupt = nullptr;
ErrorCode (*systemWrite)(FileRef, const void*, std::uint32_t, std::uint32_t*) = nullptr;
void (*systemReport)(WindowRef, ErrorCode) = nullptr;

ErrorCode writeUnlessInterrupted(FileRef file, const void* data, std::uint32_t size, std::uint32_t* done)
{
    if (saveInterrupt->load()) return platform.cancelled;
    return systemWrite(file, data, size, done);
}

void reportInterruptedSave(WindowRef owner, ErrorCode code)
{
    if (code == platform.cancelled && saveInterrupt->load()) {
        complain("interrupted; nothing written");
    } else {
        systemReport(owner, code);
    }
}

// The PNG encoder cannot be stopped half-way, and takes seconds for a large picture: it runs
// on a thread of its own while this one shows the phase and watches for an interrupt, on
// which the process ends at once (nothing is on disk yet). Without a thread for it, it runs
// on this one.
unsigned char* encodePngInterruptibly(const FrameBuffer& frame, const std::atomic<int>& interrupted,
                                      ProgressLine& line, std::uint32_t* size)
{
    std::atomic<int> done{0};
    unsigned char* png = nullptr;
    const auto encode = [&] {
        png = encodePng(frame, size);
        done.store(1);
    };
    std::thread encoder;
    try {
        encoder = std::thread(encode);
    } catch (const std::exception&) {
        encode();
    }
    for (int turn = 0; !done.load(); ++turn) {
        if (interrupted.load()) {
            endProgress(line);
            complain("interrupted; nothing written");
            std::fflush(stderr);
            std::_Exit(interruptedExit(interrupted));
        }
        if (turn % 5 == 0) showEncoding(line);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (encoder.joinable()) encoder.join();
    endProgress(line);
    return png;
}

int savePicture(const Options& options, const FrameBuffer& frame, const std::atomic<int>& interrupted,
                ProgressLine& line)
{
    Context context;
    const WindowRef owner = contextOf(context, "write", options.outputPath);
    if (options.format == ImageFormat::bmp) return saveBmp(owner, options.outputPath, frame);
    std::uint32_t size = 0;
    unsigned char* png = encodePngInterruptibly(frame, interrupted, line, &size);
    if (!png) {
        platform.reportError(owner, platform.outOfMemory);
        return 0;
    }
    const int saved = saveBytes(owner, options.outputPath, png, size);
    pngFree(png);
    return saved;
}

int saveInterruptibly(const Options& options, const FrameBuffer& frame, const std::atomic<int>& interrupted,
                      ProgressLine& line)
{
    saveInterrupt = &interrupted;
    systemWrite = platform.writeFile;
    systemReport = platform.reportError;
    platform.writeFile = writeUnlessInterrupted;
    platform.reportError = reportInterruptedSave;
    const int saved = savePicture(options, frame, interrupted, line);
    platform.writeFile = systemWrite;
    platform.reportError = systemReport;
    return saved;
}

int render(const Options& options, const DeepView& view, const std::atomic<int>& interrupted)
{
    const std::uint64_t bytes = std::uint64_t(options.width) * std::uint64_t(options.height) * kBytesPerPixel;
    std::uint8_t* pixels = bytes <= SIZE_MAX ? new (std::nothrow) std::uint8_t[std::size_t(bytes)] : nullptr;
    if (!pixels) {
        return complain("not enough memory for a %ldx%ld picture (%.0f MiB)", long(options.width),
                        long(options.height), double(bytes) / (1 << 20));
    }
    const FrameBuffer frame = {options.width, options.height, pixels};
    ProgressLine line = {!options.quiet && stderrIsTerminal(), std::chrono::steady_clock::now(), options.height, 0};
    const int exr = options.format == ImageFormat::exr;
    const std::size_t mapPixels = exr ? std::size_t(options.width) * std::size_t(options.height) : 0;
    std::unique_ptr<std::uint32_t[]> counts(exr ? new (std::nothrow) std::uint32_t[mapPixels] : nullptr);
    std::unique_ptr<float[]> fractions(exr && view.colouring.smooth ? new (std::nothrow) float[mapPixels] : nullptr);
    const IterationMap map = {options.width, options.height, counts.get(), fractions.get()};
    const DeepResult rendered = exr && (!counts || (view.colouring.smooth && !fractions))
                                    ? kDeepNoMemory
                                    : renderStill(view, frame, options.samples, exr ? &map : nullptr, options.threads,
                                                  interrupted, showProgress, &line);
    endProgress(line);
    int result = kDone;
    if (rendered == kDeepNoThread) {
        result = complain("cannot start a thread to render with");
    } else if (rendered == kDeepNoMemory) {
        result = complain("not enough memory for the reference orbit of limit %ld (%.0f MiB) and the picture's "
                          "samples and counts", long(view.maxIterations), double(orbitBytes(view.maxIterations)) / (1 << 20));
    } else if (rendered == kDeepStopped) {
        complain("interrupted; nothing written");
        result = interruptedExit(interrupted);
    } else if (exr ? !writeExrFile(options.outputPath, view, frame, map) : !saveInterruptibly(options, frame, interrupted, line)) {
        result = interrupted.load() ? interruptedExit(interrupted) : kBadInput;
    } else if (options.saveViewPath) {
        Context context;
        const WindowRef owner = contextOf(context, "write", options.saveViewPath);
        if (!(isLocationFileName(options.saveViewPath)
                  ? writeLocationFile(owner, options.saveViewPath, view, options.width, options.height)
                  : writeViewTextFile(owner, options.saveViewPath, view))) {
            result = kBadInput;
        }
    }
    delete[] pixels;
    return result;
}

}  // namespace

int runRenderTool(int argc, char** argv, const std::atomic<int>& interrupted)
{
    Options options;
    char error[kOptionErrorSize];
    if (!parseOptions(argc, argv, options, error)) return complain("%s", error);
    if (options.help) {
        std::fputs(kUsage, stdout);
        std::fputs(kDiveUsage, stdout);
        return kDone;
    }
    if (options.dive.seconds > 0) {
        DeepView view;
        return readView(options, view) ? runDive(options, view, interrupted) : kBadInput;
    }
    if (options.format == ImageFormat::exr && !exrSupported()) {
        return complain("this build writes no OpenEXR files (Debian has no OpenEXR for Windows): use the Linux build");
    }
    const char* limit = "";
    if (!pictureFitsFormat(options.width, options.height, options.format, &limit)) {
        return complain("%ldx%ld is too large: %s", long(options.width), long(options.height), limit);
    }
    DeepView view;
    if (!readView(options, view) || !outputWritable(options.outputPath)) return kBadInput;
    if (options.saveViewPath && !outputWritable(options.saveViewPath)) return kBadInput;
    return render(options, view, interrupted);
}
