// The program's life: start-up, the message loop that renders in idle turns, and shutdown.
#pragma once

#include <windows.h>

// Creates the windows and the surface, shows them and starts rendering the current view.
// 1 on success; 0 after the failure has been reported, with nothing left behind.
int startUp(HINSTANCE instance);

// One turn of the loop: handles one waiting message, or, when none waits and a render is
// active, renders a slice (at most the rest of one row, bounded in work), or sleeps until a
// message arrives. 0 when the message was WM_QUIT.
int loopTurn(MSG& message);

// Runs loop turns until WM_QUIT.
void runMessageLoop();

// Releases the surface, hides and destroys the windows.
void shutDown();
