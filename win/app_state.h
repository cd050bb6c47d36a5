// The program's run-long state: one instance of each, created before the first message, and
// the start of a render of the current view.
#pragma once

#include <windows.h>

#include "../core/render_job.h"
#include "../core/selection.h"
#include "../core/view_params.h"
#include "surface.h"

extern HWND mainWindow;       // the picture; the renderer's repaint requests go here
extern HWND controlDialog;    // the modeless control panel, owned by mainWindow
extern ViewParams viewParams; // the current view
extern RenderJob renderJob;
extern Surface surface;
extern Selection selection;   // the rubber band of the mouse zoom

// Starts rendering the current view from the bottom row, also while a render is running.
void startRender();
