#include <io.h>
#include <windows.h>

#include <cstdio>

#include "platform/terminal.h"

int stderrIsTerminal()
{
    return _isatty(_fileno(stderr)) != 0;
}

int terminalColumns()
{
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info)) return 80;
    const int columns = info.srWindow.Right - info.srWindow.Left + 1;
    return columns > 0 ? columns : 80;
}
