#include "window_handles.h"

HWND mainWindow = nullptr;
HWND controlDialog = nullptr;
