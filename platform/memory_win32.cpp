#include <windows.h>

#include "platform/memory.h"

// Windows ends no process for want of memory: an allocation past the commit limit fails and
// is refused as such. The smaller of what can still be committed and, for a 32-bit process,
// the address space left is what a picture can have.
std::uint64_t availableMemory(const char*)
{
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return kMemoryUnknown;
    return status.ullAvailPageFile < status.ullAvailVirtual ? status.ullAvailPageFile : status.ullAvailVirtual;
}
