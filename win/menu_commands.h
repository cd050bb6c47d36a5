// The main window's menu: open and save parameter files, save the picture as a bitmap.
#pragma once

#include <windows.h>

#include "../core/view_params.h"
#include "surface.h"

constexpr int kFilterSize = 128;

// Formats a file-dialog filter: "description (*.ext)", "*.ext", then all files, ending in
// two NULs. Returns the bytes used, the last NUL included.
int formatFileFilter(char (&filter)[kFilterSize], const char* format, const char* extension);

// Each runs a file dialog owned by owner and, once the user confirmed a name, the file step.
// 1 when the name was confirmed and the file step succeeded; 0 when the dialog was cancelled
// or failed (silently) or the file step failed (reported).
int openParamFile(HWND owner, ViewParams& params);
int saveParamFile(HWND owner, const ViewParams& params);
int saveBitmap(HWND owner, const Surface& surface);

// Carries out the menu command id of the main window; unknown identifiers do nothing.
void onMenuCommand(HWND window, WORD id);
