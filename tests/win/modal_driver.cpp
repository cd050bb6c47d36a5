#include "modal_driver.h"

namespace {

const int kPollMs = 20;
const int kPolls = 250;  // 5 s for the window to appear, and again for it to close

BOOL CALLBACK findModal(HWND window, LPARAM parameter)
{
    ModalDriver& driver = *reinterpret_cast<ModalDriver*>(parameter);
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (window != driver.ignore && IsWindowVisible(window) && lstrcmpA(className, "#32770") == 0) {
        driver.found = window;
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

DWORD WINAPI watch(void* parameter)
{
    ModalDriver& driver = *static_cast<ModalDriver*>(parameter);
    for (int i = 0; i < kPolls && !driver.found; ++i) {
        EnumThreadWindows(driver.ownerThread, findModal, reinterpret_cast<LPARAM>(&driver));
        if (!driver.found) Sleep(kPollMs);
    }
    if (!driver.found) {
        driver.timedOut = 1;
        return 0;
    }
    Sleep(50);  // let the window finish its initialisation
    driver.caption = textOf(driver.found);
    driver.text = textOf(GetDlgItem(driver.found, 0xFFFF));
    driver.action(driver.found);
    for (int i = 0; i < kPolls; ++i) {
        if (!IsWindow(driver.found) || !IsWindowVisible(driver.found)) return 0;
        Sleep(kPollMs);
    }
    driver.timedOut = 1;
    PostMessageA(driver.found, WM_COMMAND, IDCANCEL, 0);
    return 0;
}

}  // namespace

void startModalDriver(ModalDriver& driver, HWND ignore, ModalAction action)
{
    driver = ModalDriver{};
    driver.ownerThread = GetCurrentThreadId();
    driver.ignore = ignore;
    driver.action = action;
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
