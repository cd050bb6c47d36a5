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

std::string screenPixels(HWND window, int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    const HDC screen = GetDC(window);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const std::string pixels(static_cast<const char*>(bits), size_t(width) * height * 3);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    return pixels;
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
