// The rubber band of the mouse zoom: a 4:3 rectangle drawn by inverting the pixels inside it.
#pragma once

#include <windows.h>

#include "../core/selection.h"

// Inverts the rectangle between the points on dc; the same call again restores the pixels.
void drawSelection(HDC dc, MousePoint anchor, MousePoint corner);

// WM_LBUTTONDOWN and WM_MOUSEMOVE of the main window.
void onMouse(HWND window, UINT message, WPARAM keyFlags, LPARAM point);
