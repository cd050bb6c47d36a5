// The off-screen picture: a 24-bit device-independent bitmap whose pixel memory is the frame
// buffer, selected into a memory device context for copying to the screen.
#pragma once

#include <windows.h>

#include "../core/bitmap_file.h"
#include "../core/frame_buffer.h"

struct Surface {
    HDC memDC;             // holds dibSection for the whole life of the surface
    RECT clientRect;       // the picture, 0, 0, W, H: the size given to the main window's client area
    std::uint8_t* bits;    // the frame buffer, W x H x 3 bytes, owned by dibSection
    BitmapInfo bitmapInfo; // describes the frame buffer to the system and to bitmap files
    HBITMAP dibSection;
    HBITMAP oldBitmap;     // what memDC held before; put back before the release
};

static_assert(sizeof(BitmapInfo) == sizeof(BITMAPINFO), "BITMAPINFO with one colour entry");
static_assert(sizeof(BitmapInfoHeader) == sizeof(BITMAPINFOHEADER), "BITMAPINFOHEADER");
static_assert(offsetof(BitmapInfoHeader, biBitCount) == offsetof(BITMAPINFOHEADER, biBitCount),
              "BITMAPINFOHEADER");
static_assert(offsetof(BitmapInfoHeader, biClrImportant) == offsetof(BITMAPINFOHEADER, biClrImportant),
              "BITMAPINFOHEADER");

// Creates the surface for window, at the picture's size (kPictureWidth x kPictureHeight)
// whatever the size of window's client area: 0 on success, else the system error code of the
// step that failed (never 0), with nothing held.
DWORD createSurface(HWND window, Surface& surface);

// Releases what createSurface took; bits must not be used afterwards.
void destroySurface(Surface& surface);

// The picture as the core sees it.
FrameBuffer frameBufferOf(const Surface& surface);
