// The system's file requests and error texts on POSIX systems, where the core is built natively.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/system.h"
#include "platform/temp_leftovers.h"
#include "platform/temp_name.h"

static_assert(kMaxPath == PATH_MAX, "path buffers hold PATH_MAX bytes");

namespace {

// Anything but a regular file (a device, a FIFO, a folder) is no file to read or replace.
constexpr ErrorCode kNotAFile = ENODEV;

ErrorCode lastError()
{
    return errno != 0 ? static_cast<ErrorCode>(errno) : EIO;
}

// Without O_NONBLOCK, opening a FIFO would wait for a writer.
ErrorCode openForReading(const char* path, FileRef* file)
{
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return lastError();
    struct stat info;
    const ErrorCode error = fstat(fd, &info) != 0 ? lastError() : S_ISREG(info.st_mode) ? 0 : kNotAFile;
    if (error) {
        close(fd);
        return error;
    }
    *file = fd;
    return 0;
}

// A rename would put the new file in place of a device node or a FIFO; such targets are
// refused, and so are files that may not be written.
ErrorCode checkSaveTarget(const char* path)
{
    struct stat info;
    if (stat(path, &info) != 0) return errno == ENOENT ? 0 : lastError();
    if (!S_ISREG(info.st_mode)) return kNotAFile;
    return access(path, W_OK) != 0 ? lastError() : 0;
}

// The file that a save replaces: where target is a symbolic link, the file it leads to, so that
// the link stays a link to the new contents; target itself where it does not exist yet.
const char* replacedFile(const char* target, char (&resolved)[PATH_MAX])
{
    return realpath(target, resolved) ? resolved : target;
}

ErrorCode createTempBeside(const char* path, char* tempPath, FileRef* file)
{
    char resolved[PATH_MAX];
    const char* target = replacedFile(path, resolved);
    const char* slash = std::strrchr(target, '/');
    const int folderLength = slash ? static_cast<int>(slash - target + 1) : 0;
    // No wider permissions than the old file's while the new one is written.
    struct stat old;
    const mode_t mode = stat(target, &old) == 0 ? (old.st_mode & 0777) : 0666;
    if (prepareOwnTemp(target, folderLength, tempPath)) {
        const int fd = open(tempPath, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) {
            *file = fd;
            return 0;
        }
        if (errno != EEXIST) return lastError();
    }
    const std::uint32_t first = static_cast<std::uint32_t>(getpid()) * 2654435761u +
                                static_cast<std::uint32_t>(std::time(nullptr));
    for (std::uint32_t i = 0; i < kTempNameTries; ++i) {
        if (!formatTempPath(tempPath, target, folderLength, first + i)) return ENAMETOOLONG;
        const int fd = open(tempPath, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) {
            *file = fd;
            return 0;
        }
        if (errno != EEXIST) return lastError();
    }
    return EEXIST;
}

// Regular files transfer in pieces only when interrupted; the loop goes on until the end of
// the file or a real failure.
ErrorCode readFile(FileRef file, void* buffer, std::uint32_t size, std::uint32_t* done)
{
    std::uint32_t total = 0;
    while (total < size) {
        const ssize_t count = read(static_cast<int>(file), static_cast<char*>(buffer) + total, size - total);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return lastError();
        if (count == 0) break;
        total += static_cast<std::uint32_t>(count);
    }
    *done = total;
    return 0;
}

// A piece that fell short at a size limit is followed by the failure that says why (ENOSPC,
// EFBIG); a write of nothing ends the loop and leaves the count short.
ErrorCode writeFile(FileRef file, const void* data, std::uint32_t size, std::uint32_t* done)
{
    std::uint32_t total = 0;
    while (total < size) {
        const ssize_t count = write(static_cast<int>(file), static_cast<const char*>(data) + total, size - total);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return lastError();
        if (count == 0) break;
        total += static_cast<std::uint32_t>(count);
    }
    *done = total;
    return 0;
}

void closeFile(FileRef file)
{
    close(static_cast<int>(file));
}

// The new file takes over the old one's owner, where the process may give it away, and its
// permission bits, so that a private file stays private.
ErrorCode replaceFile(const char* from, const char* path)
{
    char resolved[PATH_MAX];
    const char* to = replacedFile(path, resolved);
    struct stat old;
    if (stat(to, &old) == 0) {
        if (chown(from, old.st_uid, old.st_gid) != 0) {
            // Not the owner's to give: the file stays the process's own.
        }
        if (chmod(from, old.st_mode & 07777) != 0) return lastError();
    }
    return rename(from, to) != 0 ? lastError() : 0;
}

void removeFile(const char* path)
{
    unlink(path);
}

}  // namespace

Platform withSystemFiles(ErrorReport report, RepaintRequest repaint)
{
    return Platform{openForReading, checkSaveTarget, createTempBeside, readFile, writeFile,  closeFile,
                    replaceFile,    removeFile,      report,           repaint,  ENOSPC,     ENOMEM,
                    ECANCELED};
}

void systemErrorText(ErrorCode code, char* text, std::size_t size)
{
    std::snprintf(text, size, "%s", std::strerror(static_cast<int>(code)));
}
