#include "dive/video_encoder.h"

#include <cstring>
#include <string>

#include "files/file_names.h"
#include "platform/free_space.h"
#include "platform/process.h"
#include "platform/system.h"

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

constexpr std::int32_t kDefaultH264Crf = 20;  // sharper than ffmpeg's 23: fine detail in motion
constexpr std::int32_t kDefaultVp9Crf = 31;
// Less room than this on the video's disk after ffmpeg failed: the disk is full. ffmpeg writes
// in blocks far smaller, so a write that found no room leaves less than this behind.
constexpr std::int64_t kFullDiskBytes = 1 << 20;
// Of ffmpeg's messages, the last line is shown: it says what ended the encoding.
constexpr std::uint32_t kLogTail = 4096;

// VP9's -cpu-used for each of x264's presets (kPresets): 0 is its slowest and best, 5 the
// fastest of its "good" deadline.
constexpr const char* kVp9CpuUsed[kPresetCount] = {"5", "5", "4", "4", "3", "2", "1", "0", "0"};

// The muxer is named, as the temporary file's name has no extension to tell it by. The frames
// are converted to yuv420p with BT.709's matrix in the limited range, and tagged so, as
// players take high-definition video to be; .mp4 has its index (the moov box) at the front,
// so that a player starts before the whole file has arrived.
std::string commandLine(const char* program, const char* path, const VideoEncoder& encoder, std::int32_t width,
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
    const std::string target = std::string("file:") + encoder.tempPath;
    const char* const tail[] = {"-crf", quality.c_str(), "-pix_fmt", "yuv420p", "-f",
                                webm ? "webm" : mp4 ? "mp4" : "matroska", target.c_str()};
    for (const char* arg : tail) appendArgument(line, arg);
    line += " 2>";
    appendArgument(line, encoder.logPath);
    return line;
}

// The system's failure to write path, as a message.
std::string writeFailure(const char* path, ErrorCode error)
{
    FailureNote note = {"write", path, ""};
    platform.reportError(ownerOf(note), error);
    return note.text;
}

// The first bytes of a file of each container: an MP4's "ftyp" box, the EBML header of a
// Matroska or WebM file.
int startsAsContainer(const char* outputPath, const std::uint8_t (&head)[8])
{
    if (nameEndsWith(outputPath, ".mp4")) return std::memcmp(head + 4, "ftyp", 4) == 0;
    return head[0] == 0x1A && head[1] == 0x45 && head[2] == 0xDF && head[3] == 0xA3;
}

// Why the video that ffmpeg wrote is not the one sent, or "" when it is. An encoder that ends
// with success may still have written nothing, or a file cut short.
std::string videoFault(const VideoEncoder& encoder)
{
    FileRef file = 0;
    std::uint8_t head[8] = {};
    std::uint32_t count = 0;
    if (platform.openForReading(encoder.tempPath, &file)) return "wrote no file";
    const ErrorCode error = platform.readFile(file, head, sizeof head, &count);
    platform.closeFile(file);
    if (error || count == 0) return "wrote an empty file";
    if (count < sizeof head || !startsAsContainer(encoder.outputPath, head)) return "wrote no video";
    char ffprobe[kMaxPath];
    if (!findProgram("ffprobe", ffprobe, sizeof ffprobe)) return "";
    std::string command, output;
    const std::string target = std::string("file:") + encoder.tempPath;
    for (const char* arg : {(const char*)ffprobe, "-v", "error", "-select_streams", "v:0", "-count_packets",
                            "-show_entries", "stream=width,height,nb_read_packets", "-of", "csv=p=0",
                            target.c_str()}) {
        appendArgument(command, arg);
    }
    const std::string expected = std::to_string(encoder.width) + "," + std::to_string(encoder.height) + "," +
                                 std::to_string(encoder.framesSent);
    if (!readOutputOf(command, output)) return "wrote a video that ffprobe cannot read";
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
    if (output != expected) return "wrote " + output + " (width, height, frames) instead of " + expected;
    return "";
}

// The last line of ffmpeg's messages, or "".
std::string lastLogLine(const char* path)
{
    FileRef file = 0;
    if (platform.openForReading(path, &file)) return "";
    char chunk[kLogTail];
    std::string tail;
    std::uint32_t done = 0;
    while (!platform.readFile(file, chunk, sizeof chunk, &done) && done > 0) {
        tail.append(chunk, done);
        if (tail.size() > 2 * kLogTail) tail.erase(0, tail.size() - kLogTail);
    }
    platform.closeFile(file);
    while (!tail.empty() && (tail.back() == '\n' || tail.back() == '\r')) tail.pop_back();
    const std::size_t start = tail.find_last_of("\r\n");
    return start == tail.npos ? tail : tail.substr(start + 1);
}

// Why ffmpeg failed, asked before its file is removed: a full disk, or what ffmpeg said.
std::string encoderFailure(const VideoEncoder& encoder)
{
    const std::int64_t room = freeBytesAt(encoder.tempPath);
    if (room >= 0 && room < kFullDiskBytes) return "cannot write '" + std::string(encoder.outputPath) + "': the disk is full";
    const std::string said = lastLogLine(encoder.logPath);
    return "ffmpeg could not make '" + std::string(encoder.outputPath) + "'" + (said.empty() ? "" : ": " + said);
}

}  // namespace

int findVideoEncoder(char (&program)[kMaxPath])
{
    return findProgram("ffmpeg", program, sizeof program);
}

int startVideo(VideoEncoder& encoder, const char* program, const char* outputPath, std::int32_t width,
               std::int32_t height, std::int32_t fps, std::int32_t crf, const char* preset, std::string& message)
{
    encoder.outputPath = outputPath;
    encoder.width = width;
    encoder.height = height;
    encoder.framesSent = 0;
    encoder.row.assign(std::size_t(width) * kBytesPerPixel, 0);
    FileRef file = 0;
    ErrorCode error = platform.checkSaveTarget(outputPath);
    if (!error) error = platform.createTempBeside(outputPath, encoder.tempPath, &file);
    if (!error) {
        platform.closeFile(file);
        // Named after another target, as temporary names follow the target and the process.
        error = platform.createTempBeside((std::string(outputPath) + ".log").c_str(), encoder.logPath, &file);
        if (error) platform.removeFile(encoder.tempPath);
    }
    if (error) {
        message = writeFailure(outputPath, error);
        return 0;
    }
    platform.closeFile(file);
    std::fflush(stderr);
    encoder.pipe = openPipeTo(commandLine(program, outputPath, encoder, width, height, fps, crf, preset));
    if (encoder.pipe) return 1;
    platform.removeFile(encoder.tempPath);
    platform.removeFile(encoder.logPath);
    message = std::string("cannot start '") + program + "'";
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
    encoder.framesSent += 1;
    return 1;
}

int finishVideo(VideoEncoder& encoder, int complete, std::string& message)
{
    // An incomplete video is not kept: the encoder need not finish it.
    if (!complete) stopPipe(encoder.pipe);
    const int encoded = closePipe(encoder.pipe);
    encoder.pipe = nullptr;
    if (!encoded) message = encoderFailure(encoder);
    platform.removeFile(encoder.logPath);
    const std::string fault = complete && encoded ? videoFault(encoder) : "";
    const ErrorCode error =
        complete && encoded && fault.empty() ? platform.replaceFile(encoder.tempPath, encoder.outputPath) : 0;
    if (complete && encoded && fault.empty() && !error) return 1;
    platform.removeFile(encoder.tempPath);
    if (error) message = writeFailure(encoder.outputPath, error);
    if (!fault.empty()) {
        message = std::string("ffmpeg ended with success but ") + fault + " for '" + encoder.outputPath + "'";
    }
    return 0;
}
