// The free space of the disk that holds a folder, as the process may use it.
#pragma once

#include <cstdint>

#include "core/platform.h"

// The bytes free to this process in the file system of folder; 0, or the system's error code.
ErrorCode freeDiskSpace(const char* folder, std::uint64_t* bytes);
