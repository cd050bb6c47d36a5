#include "video_encoder.h"

#include <cstring>
#include <string>

#include "dive_options.h"
#include "dive_system.h"
#include "options.h"

namespace {

constexpr std::int32_t kDefaultH264Crf = 20;  // sharper than ffmpeg's 23: fine detail in motion
constexpr std::int32_t kDefaultVp9Crf = 31;

// VP9's -cpu-used for each of x264's presets (kPresets): 0 is its slowest and best, 5 the
// fastest of its "good" deadline.
constexpr const char* kVp9CpuUsed[kPresetCount] = {"5", "5", "4", "4", "3", "2", "1", "0", "0"};

// The muxer is named, as the temporary file's name has no extension to tell it by. The frames
// are converted to yuv420p with BT.709's matrix in the limited range, and tagged so, as
// players take high-definition video to be; .mp4 has its index (the moov box) at the front,
// so that a player starts before the whole file has arrived.
std::string commandLine(const char* program, const char* path, const char* tempPath, std::int32_t width,
                        std::int32_t height, std::int32_t fps, std::int32_t crf, const char* preset)
{
    const int webm = nameEndsWith(path, ".webm");
    const int mp4 = nameEndsWith(path, ".mp4");
    const int speed = presetIndex(preset ? preset : kDefaultPreset);
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const std::string rate = std::to_string(fps);
    const std::string quality = std::to_string(crf >= 0 ? crf : webm ? kDefaultVp9Crf : kDefaultH264Crf);
    const char* const head[] = {"-hide_banner", "-loglevel", "error", "-y", "-f", "rawvideo", "-pix_fmt", "rgb24",
                                "-s", size.c_str(), "-r", rate.c_str(), "-i", "-"};
    const char* const x264[] = {"-c:v", "libx264", "-preset", kPresets[speed]};
    const char* const vp9[] = {"-c:v", "libvpx-vp9", "-b:v", "0", "-deadline", "good", "-cpu-used", kVp9CpuUsed[speed]};
    const char* const color[] = {"-vf", "scale=out_color_matrix=bt709:out_range=tv,format=yuv420p",
                                 "-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc", "bt709",
                                 "-color_range", "tv"};
    std::string line;
    appendArgument(line, program);
    for (const char* arg : head) appendArgument(line, arg);
    if (webm) {
        for (const char* arg : vp9) appendArgument(line, arg);
    } else {
        for (const char* arg : x264) appendArgument(line, arg);
    }
    for (const char* arg : color) appendArgument(line, arg);
    if (mp4) {
        appendArgument(line, "-movflags");
        appendArgument(line, "+faststart");
    }
    // "file:" keeps a name that begins with "-" from being read as an option.
    const std::string target = std::string("file:") + tempPath;
    const char* const tail[] = {"-crf", quality.c_str(), "-pix_fmt", "yuv420p", "-f",
                                webm ? "webm" : mp4 ? "mp4" : "matroska", target.c_str()};
    for (const char* arg : tail) appendArgument(line, arg);
    return line;
}

// The owner of a report: the start of its message line.
WindowRef writeContext(char (&text)[kMaxPath + 64], const char* path)
{
    std::snprintf(text, sizeof text, "tavelin-render: cannot write '%s'", path);
    return text;
}

}  // namespace

int findVideoEncoder(char (&program)[kMaxPath])
{
    return findProgram("ffmpeg", program, sizeof program);
}

int startVideo(VideoEncoder& encoder, const char* program, const char* outputPath, std::int32_t width,
               std::int32_t height, std::int32_t fps, std::int32_t crf, const char* preset)
{
    encoder.outputPath = outputPath;
    encoder.row.assign(std::size_t(width) * kBytesPerPixel, 0);
    FileRef file = 0;
    ErrorCode error = platform.checkSaveTarget(outputPath);
    if (!error) error = platform.createTempBeside(outputPath, encoder.tempPath, &file);
    char context[kMaxPath + 64];
    if (error) {
        platform.reportError(writeContext(context, outputPath), error);
        return 0;
    }
    platform.closeFile(file);
    std::fflush(stderr);
    encoder.pipe = openPipeTo(commandLine(program, outputPath, encoder.tempPath, width, height, fps, crf, preset));
    if (encoder.pipe) return 1;
    platform.removeFile(encoder.tempPath);
    std::fprintf(stderr, "tavelin-render: cannot start '%s'\n", program);
    return 0;
}

int writeVideoFrame(VideoEncoder& encoder, const FrameBuffer& frame)
{
    for (std::int32_t r = frame.height - 1; r >= 0; --r) {
        const std::uint8_t* pixel = frame.bits + std::size_t(r) * frame.width * kBytesPerPixel;
        for (std::size_t i = 0; i < encoder.row.size(); i += kBytesPerPixel) {
            encoder.row[i] = pixel[i + 2];
            encoder.row[i + 1] = pixel[i + 1];
            encoder.row[i + 2] = pixel[i];
        }
        if (std::fwrite(encoder.row.data(), 1, encoder.row.size(), encoder.pipe) != encoder.row.size()) return 0;
    }
    return 1;
}

int finishVideo(VideoEncoder& encoder, int complete)
{
    const int encoded = closePipe(encoder.pipe);
    encoder.pipe = nullptr;
    const ErrorCode error = complete && encoded ? platform.replaceFile(encoder.tempPath, encoder.outputPath) : 0;
    if (complete && encoded && !error) return 1;
    platform.removeFile(encoder.tempPath);
    char context[kMaxPath + 64];
    if (error) platform.reportError(writeContext(context, encoder.outputPath), error);
    if (complete && !encoded) std::fprintf(stderr, "tavelin-render: ffmpeg could not make '%s'\n", encoder.outputPath);
    return 0;
}
