#include "platform/terminal.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int kDefaultColumns = 80;

}  // namespace

void redrawLine(const char* text, int& lastLength)
{
    const int length = static_cast<int>(std::strlen(text));
    std::fprintf(stderr, "\r%s%*s", text, lastLength > length ? lastLength - length : 0, "");
    std::fflush(stderr);
    lastLength = length;
}

#if defined(_WIN32)
#include <io.h>
#include <windows.h>

int stderrIsTerminal()
{
    return _isatty(_fileno(stderr)) != 0;
}

int terminalColumns()
{
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info)) return kDefaultColumns;
    const int columns = info.srWindow.Right - info.srWindow.Left + 1;
    return columns > 0 ? columns : kDefaultColumns;
}
#else
#include <sys/ioctl.h>
#include <unistd.h>

int stderrIsTerminal()
{
    return isatty(fileno(stderr)) != 0;
}

int terminalColumns()
{
    winsize size = {};
    if (ioctl(fileno(stderr), TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return kDefaultColumns;
    return size.ws_col;
}
#endif
