#include "available_memory.h"

#ifdef _WIN32
#include <windows.h>

std::uint64_t availableMemoryBytes()
{
    MEMORYSTATUSEX status;
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return UINT64_MAX;
    // A 32-bit process is bounded by its own address space as well.
    return status.ullAvailPhys < status.ullAvailVirtual ? status.ullAvailPhys : status.ullAvailVirtual;
}
#else
#include <cstdio>

std::uint64_t availableMemoryBytes()
{
    // MemAvailable counts the page cache that can be dropped, which free memory alone does not.
    std::FILE* file = std::fopen("/proc/meminfo", "r");
    if (!file) return UINT64_MAX;
    char line[256];
    unsigned long long kib = 0;
    int found = 0;
    while (!found && std::fgets(line, sizeof line, file)) found = std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1;
    std::fclose(file);
    return found ? std::uint64_t(kib) * 1024 : UINT64_MAX;
}
#endif
