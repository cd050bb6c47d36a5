// The terminal that standard error shows on, where a progress line can be redrawn in place.
#pragma once

// Whether standard error goes to a terminal.
int stderrIsTerminal();

// The width of that terminal in characters; 80 where the system does not tell.
int terminalColumns();
