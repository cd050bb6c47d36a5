#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>

#include "platform/terminal.h"

int stderrIsTerminal()
{
    return isatty(fileno(stderr)) != 0;
}

int terminalColumns()
{
    winsize size = {};
    if (ioctl(fileno(stderr), TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return 80;
    return size.ws_col;
}
