#include "render_cli/messages.h"

#include <cstdarg>
#include <cstdio>

int complain(const char* format, ...)
{
    std::fputs("tavelin-render: ", stderr);
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
    std::fputs("\n", stderr);
    return 1;
}

int complain(const std::string& message)
{
    return complain("%s", message.c_str());
}
