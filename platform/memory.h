// How much memory this process can still have. Under a memory limit (a container, a job
// scheduler's control group) the kernel ends a process that goes past it without a message,
// and without one the system may promise more than it has: what a render needs is compared
// with this first, so that it is refused with a line instead.
#pragma once

#include <cstdint>

constexpr std::uint64_t kMemoryUnknown = UINT64_MAX;

// The bytes this process can still have, kMemoryUnknown when the system tells nothing. On
// POSIX: the least of the system's available memory (MemAvailable and free swap in
// /proc/meminfo) and, for the control group of this process and each one above it, its limit
// less what it uses beyond the file cache that the kernel takes back first (cgroup v2
// memory.max and memory.current, v1 memory.limit_in_bytes and memory.usage_in_bytes). The
// files are read under root ("" for the system's own; a folder laid out alike in tests). On
// Windows, root is ignored: what the system can still commit to this process.
std::uint64_t availableMemory(const char* root = "");

// Whether bytes more can be had.
inline int memoryAllows(std::uint64_t bytes)
{
    return bytes <= availableMemory();
}
