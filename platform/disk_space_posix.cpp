#include <sys/statvfs.h>

#include <cerrno>

#include "platform/disk_space.h"

// f_bavail: the blocks free to a process without root's reserve.
ErrorCode freeDiskSpace(const char* folder, std::uint64_t* bytes)
{
    struct statvfs info;
    if (statvfs(folder, &info) != 0) return errno != 0 ? ErrorCode(errno) : EIO;
    *bytes = std::uint64_t(info.f_bavail) * std::uint64_t(info.f_frsize);
    return 0;
}
