// The main window: the picture, the menu and the mouse zoom.
#pragma once

#include <windows.h>

// Registers the class "tavelin" and creates the hidden main window with a client area of
// exactly 640 x 480; null on failure, with the system's last error of the failed call.
HWND createMainWindow(HINSTANCE instance);

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
