#include <windows.h>

#include "platform/disk_space.h"

// The first figure is what this user may use, quotas counted.
ErrorCode freeDiskSpace(const char* folder, std::uint64_t* bytes)
{
    ULARGE_INTEGER available, total, free;
    if (!GetDiskFreeSpaceExA(folder, &available, &total, &free)) return GetLastError();
    *bytes = available.QuadPart;
    return 0;
}
