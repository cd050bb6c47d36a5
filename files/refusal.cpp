#include "files/refusal.h"

#include <cstdarg>
#include <cstdio>

int refuse(char* error, std::size_t size, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(error, size, format, arguments);
    va_end(arguments);
    return 0;
}
