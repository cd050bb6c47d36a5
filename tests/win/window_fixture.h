// Window tests run the real program in the test's own thread: start-up creates the windows from
// the linked resources, the tests drive them with real messages and read back their pixels, and
// a thread timer, which fires inside the modal loops of dialogs and message boxes, answers the
// modal windows that a command opens.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/platform.h"
#include "win/app_state.h"
#include "win/program.h"

// Starts the program fresh for each test and shuts it down afterwards.
class ProgramTest : public testing::Test {
protected:
    void SetUp() override
    {
        viewParams = kInitialViewParams;
        selection = Selection{};
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

// A window's text, also of a window of another process.
inline std::string windowText(HWND window)
{
    char text[512] = {};
    SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

const char kInitialFields[] = "0.0000000000000000 0.0000000000000000 1.0000000000000000 300 ";

// The texts of the panel's four fields, centre X first, each followed by a space.
inline std::string fieldTexts(HWND panel = controlDialog)
{
    std::string texts;
    for (int id = 1021; id <= 1024; ++id) texts += windowText(GetDlgItem(panel, id)) + " ";
    return texts;
}

inline void click(int id)
{
    SendMessageA(GetDlgItem(controlDialog, id), BM_CLICK, 0, 0);
}

// The 640 x 480 pixels at a window's client origin, bottom row first like the frame buffer:
// from the window itself (also where the panel covers it), or from the screen, which also
// shows the windows of other processes.
inline std::string pixelsOf(HWND window, bool fromScreen = false)
{
    POINT origin = {0, 0};
    if (fromScreen) ClientToScreen(window, &origin);
    const HDC source = GetDC(fromScreen ? nullptr : window);
    const HDC memory = CreateCompatibleDC(source);
    const HBITMAP bitmap = CreateCompatibleBitmap(source, 640, 480);
    SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, 640, 480, source, origin.x, origin.y, SRCCOPY);
    DeleteDC(memory);
    BITMAPINFO info = {{sizeof(BITMAPINFOHEADER), 640, 480, 1, 24, BI_RGB, 0, 0, 0, 0, 0}, {}};
    std::string pixels(640 * 480 * 3, '\0');
    GetDIBits(source, bitmap, 0, 480, &pixels[0], &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    ReleaseDC(fromScreen ? nullptr : window, source);
    return pixels;
}

inline std::string frameBufferBytes()
{
    return std::string(reinterpret_cast<const char*>(surface.bits), 640 * 480 * 3);
}

// The core's rendering of a view at 640 x 480, in frame-buffer layout.
inline std::string renderView(const ViewParams& params)
{
    std::string pixels(640 * 480 * 3, '\0');
    RenderJob job = {};
    Selection unused = {};
    const FrameBuffer frame = {640, 480, reinterpret_cast<std::uint8_t*>(&pixels[0])};
    const Platform program = platform;
    platform.requestRepaint = [](const PixelRect&) {};  // no window shows these pixels
    beginRender(params, job, frame, unused);
    while (job.active) renderRow(job, frame);
    platform = program;
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

// A modal window as the test found it; text is a message box's message.
struct Modal {
    HWND owner;
    std::string caption;
    std::string text;
};

using ModalAction = void (*)(HWND modal);

inline std::string typedName;  // what answer types into a file dialog; empty: Cancel

// Answers a modal window as a user would: a file dialog with typedName and OK (Cancel when it
// is empty), a question with Yes, others with Cancel (which also ends a box that has only OK).
inline void answer(HWND modal)
{
    const HWND name = GetDlgItem(modal, 0x47c);  // a file dialog's name box
    WPARAM button = GetDlgItem(modal, IDYES) ? IDYES : IDCANCEL;
    if (name) button = typedName.empty() ? IDCANCEL : IDOK;
    SetWindowTextA(name, typedName.c_str());
    PostMessageA(modal, WM_COMMAND, button, 0);
}

inline struct ModalRun {
    ModalAction first;  // for the first modal window; answer for the others
    std::vector<Modal> seen;
    HWND lastFound;  // at the previous tick
    HWND answered;   // the window answered last
    int ticks;       // with a modal window, since the last answer
} modalRun;

// Answers the active modal window once two ticks in a row have found it (its set-up is then
// done). One still there 5 s after the last answer is cancelled, and the test fails.
inline void CALLBACK answerModal(HWND, UINT, UINT_PTR, DWORD)
{
    const HWND modal = GetActiveWindow();
    ModalRun& run = modalRun;
    if (!modal || modal == mainWindow || modal == controlDialog) return;
    if (++run.ticks > 100) {
        ADD_FAILURE() << "a modal window did not close: " << windowText(modal);
        PostMessageA(modal, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    if (modal == run.answered || modal != std::exchange(run.lastFound, modal)) return;
    run.answered = modal;
    run.ticks = 0;
    run.seen.push_back({GetWindow(modal, GW_OWNER), windowText(modal), windowText(GetDlgItem(modal, 0xFFFF))});
    (run.seen.size() == 1 ? run.first : answer)(modal);
}

// Runs command and answers each modal window that it opens, the first with first; returns them.
inline std::vector<Modal> runModal(const std::function<void()>& command, ModalAction first = answer)
{
    modalRun = ModalRun{first, {}, nullptr, nullptr, 0};
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, answerModal);
    command();
    KillTimer(nullptr, timer);
    return modalRun.seen;
}
