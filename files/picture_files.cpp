#include "files/picture_files.h"

#include <chrono>
#include <climits>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <thread>

#include "core/bitmap_file.h"
#include "core/safe_save.h"
#include "files/png_memory.h"
#include "platform/system.h"

#include <stb_image_write.h>

// Not in the header's declarations, but defined with the others: the PNG file in memory,
// allocated with pngAllocate.
extern "C" unsigned char* stbi_write_png_to_mem(const unsigned char* pixels, int strideBytes, int width,
                                                int height, int components, int* size);

namespace {

// The PNG encoder keeps a filtered copy of the picture in an int-sized buffer.
int fitsPng(std::int32_t width, std::int32_t height)
{
    return (std::int64_t(width) * kBytesPerPixel + 1) * height <= INT_MAX;
}

void swapRedAndBlue(const FrameBuffer& frame)
{
    std::uint8_t* end = frame.bits + std::size_t(frame.width) * frame.height * kBytesPerPixel;
    for (std::uint8_t* pixel = frame.bits; pixel != end; pixel += kBytesPerPixel) {
        const std::uint8_t blue = pixel[0];
        pixel[0] = pixel[2];
        pixel[2] = blue;
    }
}

}  // namespace

int outputWritable(const char* path, std::string& message)
{
    char tempPath[kMaxPath];
    FileRef file = 0;
    ErrorCode error = platform.checkSaveTarget(path);
    if (!error) error = platform.createTempBeside(path, tempPath, &file);
    if (!error) {
        platform.closeFile(file);
        platform.removeFile(tempPath);
        return 1;
    }
    FailureNote note = {"write", path, ""};
    platform.reportError(ownerOf(note), error);
    message = note.text;
    return 0;
}

int pictureFitsFormat(std::int32_t width, std::int32_t height, ImageFormat format, const char** limit)
{
    if (format == ImageFormat::png) {
        *limit = "a PNG file holds at most 2 GiB of pixels";
        return fitsPng(width, height);
    }
    if (format == ImageFormat::exr) {
        *limit = "an OpenEXR file holds at most 2^31 - 1 pixels";
        return std::uint64_t(width) * std::uint64_t(height) <= INT32_MAX;
    }
    *limit = "a BMP file holds at most 4 GiB";
    return fitsBitmapFile(width, height);
}

unsigned char* encodePng(const FrameBuffer& frame, std::uint32_t* size)
{
    // PNG rows are red-green-blue, top row first.
    swapRedAndBlue(frame);
    stbi_flip_vertically_on_write(1);
    int length = 0;
    unsigned char* png = nullptr;
    try {
        png = stbi_write_png_to_mem(frame.bits, frame.width * kBytesPerPixel, frame.width, frame.height,
                                    kBytesPerPixel, &length);
    } catch (const std::bad_alloc&) {
        png = nullptr;
    }
    // After a failure, the blocks that the encoder held when it was left.
    if (!png) pngFreeAll();
    *size = static_cast<std::uint32_t>(length);
    return png;
}

namespace {

// Writes go in pieces of at most this size, so that a stop ends a save within one of them.
constexpr std::uint32_t kPieceBytes = 4u << 20;

struct Contents {
    const unsigned char* head;  // written first: a bitmap's headers, or nothing
    std::uint32_t headSize;
    const unsigned char* rows;  // then `count` rows of rowBytes, each followed by `padding` zeros
    std::uint32_t rowBytes, padding, count;
    const std::atomic<int>* stop;
};

void writeContents(SaveWriter& writer, const void* context)
{
    const Contents& c = *static_cast<const Contents*>(context);
    static const unsigned char zeros[4] = {0, 0, 0, 0};
    writePiece(writer, c.head, c.headSize);
    // Whole rows per piece, or pieces of one long row.
    const std::uint32_t perPiece = c.rowBytes >= kPieceBytes ? 1 : kPieceBytes / c.rowBytes;
    for (std::uint32_t r = 0; r < c.count && !writer.error; r += perPiece) {
        if (c.stop->load()) writer.error = platform.cancelled;
        const std::uint32_t rows = c.count - r < perPiece ? c.count - r : perPiece;
        const unsigned char* first = c.rows + std::size_t(r) * c.rowBytes;
        if (c.padding == 0) {
            for (std::uint32_t done = 0; done < rows * c.rowBytes; done += kPieceBytes) {
                const std::uint32_t left = rows * c.rowBytes - done;
                writePiece(writer, first + done, left < kPieceBytes ? left : kPieceBytes);
            }
            continue;
        }
        for (std::uint32_t i = 0; i < rows; ++i) {
            writePiece(writer, first + std::size_t(i) * c.rowBytes, c.rowBytes);
            writePiece(writer, zeros, c.padding);
        }
    }
}

SaveResult save(const char* path, const Contents& contents, std::string& message)
{
    FailureNote note = {"write", path, ""};
    if (saveFileWith(ownerOf(note), path, writeContents, &contents)) return SaveResult::saved;
    if (contents.stop->load()) return SaveResult::stopped;
    message = note.text;
    return SaveResult::failed;
}

// The encoder's result, shared with its thread: whichever of the two lets go last frees it.
struct Encoding {
    enum { running, finished, abandoned };
    std::atomic<int> state{running};
    unsigned char* png = nullptr;
    std::uint32_t size = 0;
};

// Encodes on a thread of its own, or on this one where no thread can be had. Null after a
// stop (the encoder is left to finish and free its file) or when memory ran out.
unsigned char* encodeWatched(const FrameBuffer& frame, const std::shared_ptr<std::uint8_t[]>& memory,
                             const std::atomic<int>& stop, const ProgressObserver& observer, std::uint32_t& size,
                             int& stopped)
{
    const std::shared_ptr<Encoding> encoding = std::make_shared<Encoding>();
    // The thread holds the frame's memory too, which a stop would otherwise free under it.
    const auto encode = [encoding, frame, memory] {
        encoding->png = encodePng(frame, &encoding->size);
        if (encoding->state.exchange(Encoding::finished) == Encoding::abandoned) pngFree(encoding->png);
    };
    std::thread encoder;
    try {
        encoder = std::thread(encode);
    } catch (const std::exception&) {
        encode();
    }
    const ProgressReport phase = {-1.0, "encoding the PNG file", 0, 0, 0, 0, 0, 0, -1, nullptr};
    for (int turn = 0; encoding->state.load() == Encoding::running; ++turn) {
        if (stop.load() && encoding->state.exchange(Encoding::abandoned) == Encoding::running) {
            encoder.detach();
            stopped = 1;
            return nullptr;
        }
        if (turn % 5 == 0) tell(observer, phase);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (encoder.joinable()) encoder.join();
    size = encoding->size;
    return encoding->png;
}

}  // namespace

SaveResult saveBytes(const char* path, const unsigned char* bytes, std::uint32_t size, const std::atomic<int>& stop,
                     std::string& message)
{
    const Contents contents = {nullptr, 0, bytes, size ? size : 1, 0, size ? 1u : 0u, &stop};
    return save(path, contents, message);
}

SaveResult saveBmp(const char* path, const FrameBuffer& frame, const std::atomic<int>& stop, std::string& message)
{
    unsigned char head[kBitmapHeaderBytes];
    BitmapInfo info;
    describeFrameBuffer(info, frame.width, frame.height);
    const std::uint32_t pixelBytes = std::uint32_t(frame.width) * kBytesPerPixel;
    const std::uint32_t padding = (4 - pixelBytes % 4) % 4;
    BitmapFileHeader file;
    std::memset(&file, 0, sizeof file);
    file.bfType = 0x4D42;  // "BM"
    file.bfSize = kBitmapHeaderBytes + (pixelBytes + padding) * std::uint32_t(frame.height);
    file.bfOffBits = kBitmapHeaderBytes;
    std::memcpy(head, &file, sizeof file);
    std::memcpy(head + sizeof file, &info, sizeof info);
    const Contents contents = {head, kBitmapHeaderBytes, frame.bits, pixelBytes, padding, std::uint32_t(frame.height),
                               &stop};
    return save(path, contents, message);
}

SaveResult savePicture(const char* path, ImageFormat format, const FrameBuffer& frame,
                       const std::shared_ptr<std::uint8_t[]>& memory, const std::atomic<int>& stop,
                       const ProgressObserver& observer, std::string& message)
{
    if (format == ImageFormat::bmp) return saveBmp(path, frame, stop, message);
    std::uint32_t size = 0;
    int stopped = 0;
    unsigned char* png = encodeWatched(frame, memory, stop, observer, size, stopped);
    if (stopped) return SaveResult::stopped;
    if (!png) {
        FailureNote note = {"write", path, ""};
        platform.reportError(ownerOf(note), platform.outOfMemory);
        message = note.text;
        return SaveResult::failed;
    }
    const SaveResult saved = saveBytes(path, png, size, stop, message);
    pngFree(png);
    return saved;
}
