#include "window_fixture.h"

#include <cstring>

#include "win/app_state.h"
#include "win/control_dialog.h"
#include "win/program.h"

void ProgramTest::SetUp()
{
    viewParams = kInitialViewParams;
    renderJob = RenderJob{};
    selection = Selection{};
    customColors[0] = 0;
    for (int i = 1; i < 16; ++i) customColors[i] = 0x00FFFFFF;
    discardQuit();
    ASSERT_EQ(1, startUp(GetModuleHandleA(nullptr)));
}

void ProgramTest::TearDown()
{
    shutDown();
    UnregisterClassA("tavelin", GetModuleHandleA(nullptr));
    discardQuit();
    mainWindow = controlDialog = nullptr;
}

int pumpUntilIdle()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE) || renderJob.active) {
        if (!loopTurn(message)) return 0;
    }
    return 1;
}

void pumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
        if (!loopTurn(message)) return;
    }
}

std::string fieldText(int id)
{
    char text[64] = {};
    GetDlgItemTextA(controlDialog, id, text, sizeof text);
    return text;
}

void clickButton(int id)
{
    SendMessageA(GetDlgItem(controlDialog, id), BM_CLICK, 0, 0);
}

std::string screenPixels(HWND window)
{
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, 640, 480, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, 640, 480, screen, origin.x, origin.y, SRCCOPY);
    GdiFlush();
    const std::string pixels(static_cast<const char*>(bits), 640 * 480 * 3);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

std::string frameBufferBytes()
{
    return std::string(reinterpret_cast<const char*>(surface.bits), 640 * 480 * 3);
}

std::string renderView(const ViewParams& params)
{
    std::string pixels(640 * 480 * 3, '\0');
    RenderJob job = {};
    Selection unused = {};
    const FrameBuffer frame = {640, 480, reinterpret_cast<std::uint8_t*>(&pixels[0])};
    beginRender(params, job, frame, unused);
    while (job.active) renderRow(job, frame);
    return pixels;
}

COLORREF swatchColour(int id)
{
    const HWND swatch = GetDlgItem(controlDialog, id);
    RECT rect;
    GetClientRect(swatch, &rect);
    const HDC dc = GetDC(swatch);
    const COLORREF colour = GetPixel(dc, rect.right / 2, rect.bottom / 2);
    ReleaseDC(swatch, dc);
    return colour;
}

void moveControlPanelAway()
{
    RECT picture;
    GetWindowRect(mainWindow, &picture);
    SetWindowPos(controlDialog, nullptr, picture.right + 10, picture.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    pumpMessages();
}

void discardQuit()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

std::string systemText(DWORD code)
{
    char text[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                   sizeof text, nullptr);
    return text;
}
