// The main window's menu commands.
#pragma once

#include <windows.h>

// Carries out the menu command id of the main window; unknown identifiers do nothing.
void onMenuCommand(HWND window, WORD id);
