// Ends the modal windows that a test opens: a helper thread waits for each visible dialog
// (window class #32770) of the test's thread in turn, other than the control panel, records
// what it shows, lets the test's action work on it, and closes it after a timeout, so that
// no test can hang.
#pragma once

#include <windows.h>

#include <string>

// What the helper does with a modal window; runs on the helper thread and should end the
// window (post IDOK or IDCANCEL).
using ModalAction = void (*)(HWND modal);

constexpr int kMaxModalSteps = 2;

struct ModalStep {
    HWND window;
    HWND owner;
    std::string caption;
    std::string text;  // the static text 0xFFFF: a message box's message
};

struct ModalDriver {
    HANDLE thread;
    DWORD ownerThread;
    HWND ignore;  // the program's own modeless dialog
    ModalAction actions[kMaxModalSteps];
    int count;
    ModalStep steps[kMaxModalSteps];
    int seen;      // how many modal windows appeared
    int timedOut;  // 1 when a window did not appear, or had to be closed by force
};

// Starts watching for the next modal windows of the calling thread, one action each (the
// second may be null).
void startModalDriver(ModalDriver& driver, HWND ignore, ModalAction first, ModalAction second = nullptr);

// Waits for the helper to finish; call after the blocking call returned.
void finishModalDriver(ModalDriver& driver);

void pressOk(HWND modal);
void pressCancel(HWND modal);
void pressYes(HWND modal);
