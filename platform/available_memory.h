// The physical memory the system can still give this process without swapping, so that a
// reference orbit or table that would not fit is refused instead of paging the machine to a halt.
#pragma once

#include <cstdint>

// Bytes available now (free and reclaimable memory); UINT64_MAX where the system does not say.
std::uint64_t availableMemoryBytes();
