// The control panel: the view's four numbers as text fields, three colour swatches, and
// Start, Stop and Quit.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include "../core/view_params.h"

// The colour chooser's custom colours, kept for the rest of the run.
extern COLORREF customColors[16];

INT_PTR CALLBACK controlDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Writes centre, magnification and iteration limit of params into the panel's fields.
void showViewParams(const ViewParams& params);

// Replaces centre, magnification and iteration limit of params with the fields' numbers.
void readViewParams(ViewParams& params);

// Draws a colour swatch: a push-button frame filled with colour (its low three bytes) inside a
// 5-pixel margin.
void drawColorSwatch(const DRAWITEMSTRUCT& item, COLORREF colour);

// Runs the system's colour chooser for slot, opening with slot's low three bytes; 1 and the
// chosen colour in slot when the user pressed OK, 0 and slot unchanged otherwise.
int chooseColor(HWND owner, ColorRef& slot);
