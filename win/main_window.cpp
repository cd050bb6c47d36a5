#include "main_window.h"

#include "../core/frame_buffer.h"
#include "../res/resource.h"
#include "app_state.h"
#include "menu_commands.h"
#include "selection_band.h"

static_assert(sizeof(WNDCLASSEXA) == (sizeof(void*) == 8 ? 80 : 48), "the window class record");

namespace {

const char kClassName[] = "tavelin";

ATOM registerMainClass(HINSTANCE instance)
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    // No background brush: painting covers the whole client area, nothing is erased.
    windowClass.lpszMenuName = MAKEINTRESOURCEA(IDR_MAIN_MENU);
    windowClass.lpszClassName = kClassName;
    windowClass.hIconSm = windowClass.hIcon;
    return RegisterClassExA(&windowClass);
}

// Grows the window so that its client area is the picture, whatever the frame sizes.
void fitClientArea(HWND window)
{
    RECT rect = {0, 0, kPictureWidth, kPictureHeight};
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE));
    const DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    AdjustWindowRectEx(&rect, style, TRUE, exStyle);
    SetWindowPos(window, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW);
}

void onPaint(HWND window)
{
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window, &paint);
    BitBlt(dc, 0, 0, surface.clientRect.right, surface.clientRect.bottom, surface.memDC, 0, 0, SRCCOPY);
    if (selection.visible) drawSelection(dc, selection.anchor, selection.corner);
    EndPaint(window, &paint);
}

}  // namespace

HWND createMainWindow(HINSTANCE instance)
{
    if (!registerMainClass(instance)) return nullptr;
    // WS_SYSMENU alone: the system adds the caption; no sizing border, no minimise or
    // maximise box.
    const HWND window = CreateWindowExA(0, kClassName, "tavelin", WS_SYSMENU, CW_USEDEFAULT, 0,
                                        CW_USEDEFAULT, 0, nullptr, nullptr, instance, nullptr);
    if (!window) return nullptr;
    fitClientArea(window);
    return window;
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        onPaint(window);
        return 0;
    case WM_CLOSE:
        PostQuitMessage(0);  // the windows are destroyed after the loop
        return 0;
    case WM_COMMAND:
        onMenuCommand(window, LOWORD(wParam));
        return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
        onMouse(window, message, wParam, lParam);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
