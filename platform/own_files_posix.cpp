#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/own_files.h"

namespace {

ErrorCode lastError()
{
    return errno != 0 ? ErrorCode(errno) : EIO;
}

}  // namespace

// O_NOFOLLOW fails on a link with ELOOP; O_NONBLOCK keeps a FIFO from waiting for a writer.
ErrorCode openOwnFile(const char* path, FileRef* file)
{
    const int fd = open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return lastError();
    struct stat info;
    const ErrorCode error = fstat(fd, &info) != 0 ? lastError() : S_ISREG(info.st_mode) ? 0 : notOwnFile();
    if (error) {
        close(fd);
        return error;
    }
    *file = fd;
    return 0;
}

// O_EXCL fails on any name that is there, a dangling link included.
ErrorCode createOwnFile(const char* path, FileRef* file)
{
    const int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return lastError();
    *file = fd;
    return 0;
}

// rename replaces the name itself and never what a link there leads to.
ErrorCode renameOwnFile(const char* from, const char* to)
{
    return std::rename(from, to) != 0 ? lastError() : 0;
}

ErrorCode notOwnFile()
{
    return ELOOP;
}

int nameTaken(ErrorCode error)
{
    return error == EEXIST;
}
