#include <windows.h>

#include <cstring>

#include "platform/free_space.h"

// GetDiskFreeSpaceExA takes a folder: the one of path, when path names a file.
std::int64_t freeBytesAt(const char* path)
{
    char folder[MAX_PATH];
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        if (std::strlen(path) >= sizeof folder) return -1;
        std::strcpy(folder, path);
    } else {
        char* name = nullptr;
        const DWORD length = GetFullPathNameA(path, sizeof folder, folder, &name);
        if (length == 0 || length >= sizeof folder || !name) return -1;
        *name = '\0';
    }
    ULARGE_INTEGER available;
    if (!GetDiskFreeSpaceExA(folder, &available, nullptr, nullptr)) return -1;
    return available.QuadPart > INT64_MAX ? INT64_MAX : std::int64_t(available.QuadPart);
}
