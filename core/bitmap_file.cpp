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

int writeBitmapFile(WindowRef owner, const char* path, const BitmapInfo& info,
                    const FrameBuffer& frame)
{
    const std::uint32_t imageBytes = static_cast<std::uint32_t>(frame.width) *
                                     static_cast<std::uint32_t>(frame.height) *
                                     (info.header.biBitCount / 8u);
    BitmapFileHeader header;
    std::memset(&header, 0, sizeof header);
    header.bfType = 0x4D42;  // "BM"
    header.bfSize = imageBytes + kBitmapHeaderBytes;
    header.bfOffBits = kBitmapHeaderBytes;

    const FileBlock blocks[] = {
        {&header, sizeof header}, {&info, sizeof info}, {frame.bits, imageBytes}};
    return saveFileSafely(owner, path, blocks, 3);
}
