#include "bitmap_file.h"

#include <cstring>

#include "safe_save.h"

void describeFrameBuffer(BitmapInfo& info, std::int32_t width, std::int32_t height)
{
    std::memset(&info, 0, sizeof info);
    info.header.biSize = sizeof(BitmapInfoHeader);
    info.header.biWidth = width;
    info.header.biHeight = height;  // positive: the bottom row comes first
    info.header.biPlanes = 1;
    info.header.biBitCount = 24;
    info.header.biCompression = 0;  // BI_RGB
}

namespace {

constexpr std::uint32_t kRowAlignment = 4;

std::uint64_t paddedRowBytes(std::uint64_t pixelBytes)
{
    return (pixelBytes + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
}

struct PaddedRows {
    const BitmapFileHeader* header;
    const BitmapInfo* info;
    const FrameBuffer* frame;
    std::uint32_t pixelBytes;  // of a row in the frame buffer
    std::uint32_t padding;     // bytes after each row in the file
};

void writePaddedRows(SaveWriter& writer, const void* context)
{
    const PaddedRows& rows = *static_cast<const PaddedRows*>(context);
    static const std::uint8_t zeros[kRowAlignment] = {};
    writePiece(writer, rows.header, sizeof *rows.header);
    writePiece(writer, rows.info, sizeof *rows.info);
    for (std::int32_t row = 0; row < rows.frame->height; ++row) {
        writePiece(writer, rows.frame->bits + std::size_t(row) * rows.pixelBytes, rows.pixelBytes);
        writePiece(writer, zeros, rows.padding);
    }
}

}  // namespace

int fitsBitmapFile(std::int32_t width, std::int32_t height)
{
    if (width <= 0 || height <= 0) return 0;
    const std::uint64_t bytes = paddedRowBytes(std::uint64_t(width) * kBytesPerPixel) * std::uint64_t(height);
    return bytes + kBitmapHeaderBytes <= UINT32_MAX;
}

int writeBitmapFile(WindowRef owner, const char* path, const BitmapInfo& info,
                    const FrameBuffer& frame)
{
    const std::uint32_t pixelBytes = static_cast<std::uint32_t>(frame.width) * (info.header.biBitCount / 8u);
    const std::uint32_t rowBytes = static_cast<std::uint32_t>(paddedRowBytes(pixelBytes));
    const std::uint32_t imageBytes = rowBytes * static_cast<std::uint32_t>(frame.height);
    BitmapFileHeader header;
    std::memset(&header, 0, sizeof header);
    header.bfType = 0x4D42;  // "BM"
    header.bfSize = imageBytes + kBitmapHeaderBytes;
    header.bfOffBits = kBitmapHeaderBytes;

    if (rowBytes != pixelBytes) {
        const PaddedRows rows = {&header, &info, &frame, pixelBytes, rowBytes - pixelBytes};
        return saveFileWith(owner, path, writePaddedRows, &rows);
    }
    const FileBlock blocks[] = {
        {&header, sizeof header}, {&info, sizeof info}, {frame.bits, imageBytes}};
    return saveFileSafely(owner, path, blocks, 3);
}
