// Saving the picture as an uncompressed 24-bit BMP file: a 14-byte file header, the 44-byte
// bitmap description of the frame buffer, then the frame buffer byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame_buffer.h"
#include "platform.h"

// The layout of the Windows BITMAPINFOHEADER.
struct BitmapInfoHeader {
    std::uint32_t biSize;
    std::int32_t biWidth;
    std::int32_t biHeight;
    std::uint16_t biPlanes;
    std::uint16_t biBitCount;
    std::uint32_t biCompression;
    std::uint32_t biSizeImage;
    std::int32_t biXPelsPerMeter;
    std::int32_t biYPelsPerMeter;
    std::uint32_t biClrUsed;
    std::uint32_t biClrImportant;
};

// The layout of a BITMAPINFO with its one colour entry: what describes the frame buffer to the
// system, and bytes 14 to 57 of a bitmap file.
struct BitmapInfo {
    BitmapInfoHeader header;
    std::uint8_t colorEntry[4];
};

static_assert(sizeof(BitmapInfoHeader) == 40, "BITMAPINFOHEADER");
static_assert(offsetof(BitmapInfoHeader, biWidth) == 4, "BITMAPINFOHEADER");
static_assert(offsetof(BitmapInfoHeader, biHeight) == 8, "BITMAPINFOHEADER");
static_assert(offsetof(BitmapInfoHeader, biPlanes) == 12, "BITMAPINFOHEADER");
static_assert(offsetof(BitmapInfoHeader, biBitCount) == 14, "BITMAPINFOHEADER");
static_assert(offsetof(BitmapInfoHeader, biCompression) == 16, "BITMAPINFOHEADER");
static_assert(offsetof(BitmapInfoHeader, biSizeImage) == 20, "BITMAPINFOHEADER");
static_assert(offsetof(BitmapInfoHeader, biClrImportant) == 36, "BITMAPINFOHEADER");
static_assert(sizeof(BitmapInfo) == 44, "BITMAPINFO with one colour entry");

#pragma pack(push, 2)
// The layout of the Windows BITMAPFILEHEADER: its 4-byte fields sit at offsets 2, 6 and 10.
struct BitmapFileHeader {
    std::uint16_t bfType;
    std::uint32_t bfSize;
    std::uint16_t bfReserved1;
    std::uint16_t bfReserved2;
    std::uint32_t bfOffBits;
};
#pragma pack(pop)

static_assert(sizeof(BitmapFileHeader) == 14, "BITMAPFILEHEADER");
static_assert(offsetof(BitmapFileHeader, bfSize) == 2, "BITMAPFILEHEADER");
static_assert(offsetof(BitmapFileHeader, bfReserved2) == 8, "BITMAPFILEHEADER");
static_assert(offsetof(BitmapFileHeader, bfOffBits) == 10, "BITMAPFILEHEADER");

constexpr std::uint32_t kBitmapHeaderBytes = sizeof(BitmapFileHeader) + sizeof(BitmapInfo);
static_assert(kBitmapHeaderBytes == 58, "the pixel rows start at byte 58");

// The description of a 24-bit bottom-up frame buffer of the given size: all zero but for
// biSize, biWidth, biHeight, biPlanes, biBitCount and biCompression (BI_RGB).
void describeFrameBuffer(BitmapInfo& info, std::int32_t width, std::int32_t height);

// Whether a 24-bit picture of width x height pixels fits a bitmap file, whose size field has
// 32 bits.
int fitsBitmapFile(std::int32_t width, std::int32_t height);

// Writes the file header, info and the frame buffer in place of any file at path. Rows that
// are a multiple of 4 bytes long, as the window's picture, go in one write request straight
// from the frame buffer; others are written row by row, each padded to 4 bytes as the format
// asks. The size must fit a bitmap file. 1 on success; 0 after a reported failure, leaving an
// existing file unchanged.
int writeBitmapFile(WindowRef owner, const char* path, const BitmapInfo& info,
                    const FrameBuffer& frame);
