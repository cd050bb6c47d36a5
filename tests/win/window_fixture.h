// Window tests run the real program in the test's own thread: start-up creates the windows from
// the linked resources, the tests drive them with real messages and read back their pixels, and
// a thread timer, which fires inside the modal loops of dialogs and message boxes, answers the
// modal windows that a command opens.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "res/resource.h"
#include "win/app_state.h"
#include "win/program.h"

// Starts the program fresh for each test and shuts it down afterwards.
class ProgramTest : public testing::Test {
protected:
    void SetUp() override
    {
        viewParams = kInitialViewParams;
        ASSERT_EQ(1, startUp(GetModuleHandleA(nullptr)));
    }
    void TearDown() override
    {
        shutDown();
        UnregisterClassA("tavelin", GetModuleHandleA(nullptr));
    }
};

// Runs loop turns while a message waits, or while the render is active with fewer than rows
// rows done; 0 when it took WM_QUIT. pump() handles messages only, pump(480) renders to the end.
inline int pump(int rows = 0)
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE) || (renderJob.active && renderJob.rowsDone < rows)) {
        if (!loopTurn(message)) return 0;
    }
    return 1;
}

// A window's text, also of another process's window.
inline std::string windowText(HWND window)
{
    char text[512] = {};
    SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

const char kInitialFields[] = "0.0000000000000000 0.0000000000000000 1.0000000000000000 300 ";

// The texts of the panel's four fields, centre X first, each followed by a space.
inline std::string fieldTexts()
{
    std::string texts;
    for (int id = 1021; id <= 1024; ++id) texts += windowText(GetDlgItem(controlDialog, id)) + " ";
    return texts;
}

inline void click(int id) { SendMessageA(GetDlgItem(controlDialog, id), BM_CLICK, 0, 0); }

// The 640 x 480 pixels of a window's client area, bottom row first like the frame buffer, also
// where the panel covers them.
inline std::string pixelsOf(HWND window)
{
    const HDC source = GetDC(window);
    const HDC memory = CreateCompatibleDC(source);
    const HBITMAP bitmap = CreateCompatibleBitmap(source, 640, 480);
    SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, 640, 480, source, 0, 0, SRCCOPY);
    DeleteDC(memory);
    BITMAPINFO info = {{sizeof(BITMAPINFOHEADER), 640, 480, 1, 24, BI_RGB, 0, 0, 0, 0, 0}, {}};
    std::string pixels(640 * 480 * 3, '\0');
    GetDIBits(source, bitmap, 0, 480, &pixels[0], &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    ReleaseDC(window, source);
    return pixels;
}

inline std::string frameBufferBytes() { return std::string(reinterpret_cast<const char*>(surface.bits), 921600); }

// The core's rendering of a view at 640 x 480, in frame-buffer layout.
inline std::string renderView(const ViewParams& params)
{
    std::string pixels(640 * 480 * 3, '\0');
    RenderJob job = {};
    const FrameBuffer frame = {640, 480, reinterpret_cast<std::uint8_t*>(&pixels[0])};
    beginRender(params, job, frame, selection);
    while (job.active) renderRow(job, frame);
    return pixels;
}

// The system's message text for an error code, as an error box shows it.
inline std::string systemText(DWORD code)
{
    char text[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, sizeof text,
                   nullptr);
    return text;
}

inline std::string typedName;  // what a file dialog gets; empty: Cancel
inline COLORREF typedColour;   // what the colour chooser gets, kept as a custom colour; 0: Cancel
inline COLORREF shownColour;   // the colour chooser's red, green and blue when it opened

inline struct ModalRun {
    std::vector<std::string> seen;  // "owner caption: text" of each, owner "main" or "other"; the text is a box's
    std::vector<HWND> answered;     // each is answered once
    int ticks;                      // with a modal window, since the last answer
} modalRun;

// Answers the active modal window as a user would: a file dialog with typedName and OK, the
// colour chooser with typedColour and OK, a question with Yes; anything else, or with nothing
// to type, with Cancel (which also ends a box that has only OK). One still there 5 s after the
// last answer is cancelled, and the test fails.
inline void CALLBACK answerModal(HWND, UINT, UINT_PTR, DWORD)
{
    const HWND modal = GetActiveWindow();
    if (!modal || modal == mainWindow || modal == controlDialog) return;
    if (++modalRun.ticks == 100) ADD_FAILURE() << "a modal window did not close: " << windowText(modal);
    if (modalRun.ticks >= 100) PostMessageA(modal, WM_COMMAND, IDCANCEL, 0);
    if (std::count(modalRun.answered.begin(), modalRun.answered.end(), modal)) return;
    modalRun.answered.push_back(modal);
    modalRun.ticks = 0;
    const char* owner = GetWindow(modal, GW_OWNER) == mainWindow ? "main " : "other ";
    modalRun.seen.push_back(owner + windowText(modal) + ": " + windowText(GetDlgItem(modal, 0xFFFF)));
    const HWND name = GetDlgItem(modal, 0x47c);   // a file dialog's name box
    const bool chooser = GetDlgItem(modal, 706);  // the colour chooser's red
    SetWindowTextA(name, typedName.c_str());
    shownColour = 0;
    for (int i = 0; chooser && i < 3; ++i) {
        shownColour |= GetDlgItemInt(modal, 706 + i, nullptr, FALSE) << 8 * i;
        SetDlgItemInt(modal, 706 + i, typedColour >> 8 * i & 0xFF, FALSE);
    }
    if (chooser && typedColour) SendMessageA(modal, WM_COMMAND, 712, 0);  // "add to custom colours"
    WPARAM button = GetDlgItem(modal, IDYES) ? IDYES : IDCANCEL;
    if ((name && !typedName.empty()) || (chooser && typedColour)) button = IDOK;
    PostMessageA(modal, WM_COMMAND, button, 0);
}

// Runs command and answers each modal window that it opens; returns them.
inline std::vector<std::string> runModal(const std::function<void()>& command)
{
    modalRun = ModalRun{};
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, answerModal);
    command();
    KillTimer(nullptr, timer);
    return modalRun.seen;
}
