// How much room is left on the disk that holds a path: what tells a full disk apart from the
// other ways a program that writes there (the video encoder) can fail.
#pragma once

#include <cstdint>

// The bytes that the disk holding path (a file, or a folder) still takes from this user; -1
// when the system cannot tell.
std::int64_t freeBytesAt(const char* path);
