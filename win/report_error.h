// Reporting failures of system calls: the system's text for the error in a box captioned
// "tavelin".
#pragma once

#include <windows.h>

// Shows the system's message text for code, owned by owner (or by no window when it is null).
void reportError(HWND owner, DWORD code);

// Shows the text for the calling thread's last error code.
void reportLastError(HWND owner);
