// The reason why a text on the command line or in a view file is refused.
#pragma once

#include <cstdarg>
#include <string>

// The text of format with its arguments.
std::string formatted(const char* format, va_list arguments);

// Writes the reason, one line, into reason; 0, the result of a refusal.
__attribute__((format(printf, 2, 3))) int refuse(std::string& reason, const char* format, ...);

// A text as a message can show it: control characters and bytes outside ASCII as \xHH, and
// cut at `most` characters with "..." after, so that a refusal stays one readable line.
std::string shownText(const char* text, std::size_t most = 40);
