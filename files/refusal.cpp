#include "files/refusal.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

std::string formatted(const char* format, va_list arguments)
{
    va_list again;
    va_copy(again, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, arguments);
    std::string text(length > 0 ? std::size_t(length) : 0, '\0');
    if (length > 0) std::vsnprintf(&text[0], std::size_t(length) + 1, format, again);
    va_end(again);
    return text;
}

int refuse(std::string& reason, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    reason = formatted(format, arguments);
    va_end(arguments);
    return 0;
}

std::string shownText(const char* text, std::size_t most)
{
    std::string shown;
    std::size_t i = 0;
    for (; text[i] && i < most; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F) {
            shown += char(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", unsigned(c));
            shown += escaped;
        }
    }
    if (text[i]) shown += "...";
    return shown;
}
