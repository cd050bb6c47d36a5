// The two windows of the program, set once by start-up.
#pragma once

#include <windows.h>

extern HWND mainWindow;     // the picture; the renderer's repaint requests go here
extern HWND controlDialog;  // the modeless control panel, owned by mainWindow
