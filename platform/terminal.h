// The terminal that standard error shows on, where a progress bar can be redrawn in place.
#pragma once

// Whether standard error goes to a terminal.
int stderrIsTerminal();

// Draws text over the line on standard error, with spaces over what the line drawn before it
// (lastLength characters) had beyond it; lastLength becomes the text's length.
void redrawLine(const char* text, int& lastLength);

// The width of that terminal in characters; 80 where the system does not tell.
int terminalColumns();
