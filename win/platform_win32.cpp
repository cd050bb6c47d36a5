// The platform of the window program: the system's files, errors in message boxes owned by a
// window, and repaints of the main window.
#include <windows.h>

#include "../platform/system.h"
#include "app_state.h"
#include "report_error.h"

namespace {

void reportInBox(WindowRef owner, ErrorCode code)
{
    reportError(static_cast<HWND>(owner), code);
}

void repaintMainWindow(const PixelRect& rect)
{
    const RECT area = {rect.left, rect.top, rect.right, rect.bottom};
    InvalidateRect(mainWindow, &area, FALSE);
}

}  // namespace

Platform platform = withSystemFiles(reportInBox, repaintMainWindow);
