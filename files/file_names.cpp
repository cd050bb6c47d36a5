#include "files/file_names.h"

#include <cctype>
#include <cstring>

int nameEndsWith(const char* name, const char* suffix)
{
    const std::size_t length = std::strlen(name), suffixLength = std::strlen(suffix);
    if (length < suffixLength) return 0;
    for (std::size_t i = 0; i < suffixLength; ++i) {
        if (std::tolower(static_cast<unsigned char>(name[length - suffixLength + i])) != suffix[i]) return 0;
    }
    return 1;
}
