// Ends the modal windows that a test opens: a helper thread waits for a visible dialog
// (window class #32770) of the test's thread other than the control panel, lets the test's
// action work on it, and closes it after a timeout so that no test can hang.
#pragma once

#include <windows.h>

#include <string>

// What the helper does with the modal window it found; runs on the helper thread and should
// end the window (post IDOK or IDCANCEL).
using ModalAction = void (*)(HWND modal);

struct ModalDriver {
    HANDLE thread;
    DWORD ownerThread;
    HWND ignore;         // the program's own modeless dialog
    ModalAction action;
    HWND found;          // the modal window, once found
    std::string text;    // its static text 0xFFFF (a message box's text), read before the action
    std::string caption;
    int timedOut;        // 1 when nothing appeared, or it had to be closed by force
};

// Starts watching for the next modal window of the calling thread.
void startModalDriver(ModalDriver& driver, HWND ignore, ModalAction action);

// Waits for the helper to finish; call after the blocking call returned.
void finishModalDriver(ModalDriver& driver);

// Common actions.
void pressOk(HWND modal);
void pressCancel(HWND modal);
