#include "surface.h"

namespace {

// A failure must read as one even when the system gives no code.
DWORD failureCode()
{
    const DWORD code = GetLastError();
    return code != ERROR_SUCCESS ? code : ERROR_GEN_FAILURE;
}

}  // namespace

DWORD createSurface(HWND, Surface& surface)
{
    // The picture's own size, not the client area's: on a screen too small for the window the
    // system clamps the client area, whose width may give rows that are not a multiple of 4
    // bytes, which the bitmap pads and the frame buffer does not. The window shows what fits.
    surface.clientRect = RECT{0, 0, kPictureWidth, kPictureHeight};
    surface.memDC = CreateCompatibleDC(nullptr);
    if (!surface.memDC) return failureCode();

    describeFrameBuffer(surface.bitmapInfo, surface.clientRect.right, surface.clientRect.bottom);
    void* bits = nullptr;
    surface.dibSection = CreateDIBSection(surface.memDC, reinterpret_cast<BITMAPINFO*>(&surface.bitmapInfo),
                                          DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!surface.dibSection) {
        const DWORD code = failureCode();
        DeleteDC(surface.memDC);
        surface.memDC = nullptr;
        return code;
    }
    surface.bits = static_cast<std::uint8_t*>(bits);
    surface.oldBitmap = static_cast<HBITMAP>(SelectObject(surface.memDC, surface.dibSection));
    return 0;
}

void destroySurface(Surface& surface)
{
    SelectObject(surface.memDC, surface.oldBitmap);
    DeleteObject(surface.dibSection);
    DeleteDC(surface.memDC);
    surface.bits = nullptr;
}

FrameBuffer frameBufferOf(const Surface& surface)
{
    return FrameBuffer{surface.clientRect.right, surface.clientRect.bottom, surface.bits};
}
