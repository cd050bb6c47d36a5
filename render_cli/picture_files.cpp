#include "picture_files.h"

#include <climits>
#include <new>

#include "core/bitmap_file.h"
#include "core/safe_save.h"
#include "png_memory.h"

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

int saveBmp(WindowRef owner, const char* path, const FrameBuffer& frame)
{
    BitmapInfo info;
    describeFrameBuffer(info, frame.width, frame.height);
    return writeBitmapFile(owner, path, info, frame);
}

int saveBytes(WindowRef owner, const char* path, const unsigned char* bytes, std::uint32_t size)
{
    const FileBlock block = {bytes, size};
    return saveFileSafely(owner, path, &block, 1);
}
