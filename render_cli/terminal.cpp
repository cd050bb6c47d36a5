#include "terminal.h"

#include <cstdio>

#if defined(_WIN32)
#include <io.h>

int stderrIsTerminal()
{
    return _isatty(_fileno(stderr)) != 0;
}
#else
#include <unistd.h>

int stderrIsTerminal()
{
    return isatty(fileno(stderr)) != 0;
}
#endif
