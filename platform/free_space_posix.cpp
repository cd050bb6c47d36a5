#include <sys/statvfs.h>

#include "platform/free_space.h"

std::int64_t freeBytesAt(const char* path)
{
    struct statvfs info;
    if (statvfs(path, &info) != 0) return -1;
    const unsigned long long bytes = static_cast<unsigned long long>(info.f_bavail) * info.f_frsize;
    return bytes > INT64_MAX ? INT64_MAX : std::int64_t(bytes);
}
