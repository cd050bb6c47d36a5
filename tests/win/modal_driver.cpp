#include "modal_driver.h"

namespace {

const int kPollMs = 20;
const int kPolls = 250;  // 5 s for a window to appear, and again for it to close

struct Search {
    const ModalDriver* driver;
    HWND found;
};

// The enabled one of the thread's visible dialogs: the top of a stack of modal windows.
BOOL CALLBACK findModal(HWND window, LPARAM parameter)
{
    Search& search = *reinterpret_cast<Search*>(parameter);
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (window != search.driver->ignore && IsWindowVisible(window) && IsWindowEnabled(window) &&
        lstrcmpA(className, "#32770") == 0) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

std::string textOf(HWND window)
{
    char text[1024] = {};
    if (window) GetWindowTextA(window, text, sizeof text);
    return text;
}

HWND waitForModal(const ModalDriver& driver, int polls = kPolls)
{
    Search search = {&driver, nullptr};
    for (int i = 0; i < polls && !search.found; ++i) {
        EnumThreadWindows(driver.ownerThread, findModal, reinterpret_cast<LPARAM>(&search));
        if (!search.found) Sleep(kPollMs);
    }
    return search.found;
}

// Closes every modal window left on the thread (a dialog may have opened a box of its own),
// so that the blocking call returns and the test fails instead of hanging.
void closeAllModals(const ModalDriver& driver)
{
    HWND last = nullptr;
    for (int i = 0; i < kPolls; ++i) {
        const HWND modal = waitForModal(driver, 1);
        if (!modal) return;
        // Cancel first; a box that has no Cancel button ends with OK.
        PostMessageA(modal, WM_COMMAND, modal == last ? IDOK : IDCANCEL, 0);
        last = modal;
        Sleep(kPollMs * 5);
    }
}

// Waits for the window to go; 0 when it is still there after the timeout.
int waitUntilClosed(HWND window)
{
    for (int i = 0; i < kPolls; ++i) {
        if (!IsWindow(window) || !IsWindowVisible(window)) return 1;
        Sleep(kPollMs);
    }
    return 0;
}

DWORD WINAPI watch(void* parameter)
{
    ModalDriver& driver = *static_cast<ModalDriver*>(parameter);
    for (int i = 0; i < driver.count; ++i) {
        const HWND modal = waitForModal(driver);
        if (!modal) {
            driver.timedOut = 1;
            closeAllModals(driver);
            return 0;
        }
        Sleep(50);  // let the window finish its initialisation
        ModalStep& step = driver.steps[driver.seen++];
        step.window = modal;
        step.owner = GetWindow(modal, GW_OWNER);
        step.caption = textOf(modal);
        step.text = textOf(GetDlgItem(modal, 0xFFFF));
        driver.actions[i](modal);
        // An action may have handled a window that it opened itself; wait for the top one.
        if (!waitUntilClosed(modal)) {
            driver.timedOut = 1;
            closeAllModals(driver);
            return 0;
        }
    }
    return 0;
}

}  // namespace

void startModalDriver(ModalDriver& driver, HWND ignore, ModalAction first, ModalAction second)
{
    driver = ModalDriver{};
    driver.actions[0] = first;
    driver.actions[1] = second;
    driver.count = second ? 2 : 1;
    driver.ownerThread = GetCurrentThreadId();
    driver.ignore = ignore;
    driver.thread = CreateThread(nullptr, 0, watch, &driver, 0, nullptr);
}

void finishModalDriver(ModalDriver& driver)
{
    WaitForSingleObject(driver.thread, INFINITE);
    CloseHandle(driver.thread);
}

void pressOk(HWND modal)
{
    PostMessageA(modal, WM_COMMAND, IDOK, 0);
}

void pressCancel(HWND modal)
{
    PostMessageA(modal, WM_COMMAND, IDCANCEL, 0);
}

void pressYes(HWND modal)
{
    PostMessageA(modal, WM_COMMAND, IDYES, 0);
}
