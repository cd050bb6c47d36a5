// The reason why a text on the command line or in a view file is refused.
#pragma once

#include <cstddef>

// Writes the reason into error (size bytes); 0, the result of a refusal.
__attribute__((format(printf, 3, 4))) int refuse(char* error, std::size_t size, const char* format, ...);
