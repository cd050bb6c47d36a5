#include "render_cli/messages.h"

#include <cstdarg>
#include <cstdio>

#include "files/refusal.h"

namespace {

// Control characters from a name or a value (a path with a newline or an escape sequence in it)
// are shown as \xHH: a message stays one line and never moves the terminal's cursor.
std::string oneLine(const char* text)
{
    std::string line;
    for (const char* p = text; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c >= 0x20 && c != 0x7F) {
            line += char(c);
            continue;
        }
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", unsigned(c));
        line += escaped;
    }
    return line;
}

}  // namespace

int complain(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    const std::string message = formatted(format, arguments);
    va_end(arguments);
    std::fputs(("tavelin-render: " + oneLine(message.c_str()) + "\n").c_str(), stderr);
    return 1;
}

int complain(const std::string& message)
{
    return complain("%s", message.c_str());
}
