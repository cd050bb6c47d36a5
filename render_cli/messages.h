// The one place that writes tavelin-render's messages: a line on standard error after the
// program's name, its control characters shown as \xHH.
#pragma once

#include <string>

// Writes the message line; 1, the exit code of bad input and failures.
__attribute__((format(printf, 1, 2))) int complain(const char* format, ...);
int complain(const std::string& message);
