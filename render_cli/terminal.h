// Whether standard error goes to a terminal, where a progress bar can be redrawn in place.
#pragma once

int stderrIsTerminal();
