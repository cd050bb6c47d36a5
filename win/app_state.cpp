#include "app_state.h"

HWND mainWindow = nullptr;
HWND controlDialog = nullptr;
ViewParams viewParams = kInitialViewParams;
RenderJob renderJob = {};
Surface surface = {};
Selection selection = {};

void startRender()
{
    beginRender(viewParams, renderJob, frameBufferOf(surface), selection);
}
