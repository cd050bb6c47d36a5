// The platform on Windows: the kernel's file functions and error boxes.
#include <windows.h>

#include <cstring>

#include "../core/platform.h"
#include "../core/temp_name.h"
#include "report_error.h"
#include "app_state.h"

static_assert(sizeof(FileRef) >= sizeof(HANDLE), "a file handle fits a FileRef");
static_assert(kMaxPath == MAX_PATH, "path buffers hold MAX_PATH bytes");

namespace {

// A failure that set no error code must still read as a failure.
ErrorCode lastError()
{
    const DWORD code = GetLastError();
    return code != ERROR_SUCCESS ? code : ERROR_GEN_FAILURE;
}

HANDLE handleOf(FileRef file)
{
    return reinterpret_cast<HANDLE>(file);
}

ErrorCode openForReading(const char* path, FileRef* file)
{
    const HANDLE handle = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return lastError();
    *file = reinterpret_cast<FileRef>(handle);
    return 0;
}

// The length of the folder part of path, its separator included; lead bytes of double-byte
// characters are stepped over, since their second byte may be a backslash.
int folderLength(const char* path)
{
    const char* end = path;
    for (const char* p = path; *p; p = CharNextA(p)) {
        if (*p == '\\' || *p == '/' || *p == ':') end = p + 1;
    }
    return static_cast<int>(end - path);
}

ErrorCode createTempBeside(const char* target, char* tempPath, FileRef* file)
{
    const int folder = folderLength(target);
    const DWORD first = GetTickCount() ^ (GetCurrentProcessId() << 16);
    for (DWORD i = 0; i < kTempNameTries; ++i) {
        if (!formatTempPath(tempPath, target, folder, first + i)) return ERROR_FILENAME_EXCED_RANGE;
        const HANDLE handle = CreateFileA(tempPath, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            *file = reinterpret_cast<FileRef>(handle);
            return 0;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return lastError();
    }
    return ERROR_FILE_EXISTS;
}

ErrorCode readFile(FileRef file, void* buffer, std::uint32_t size, std::uint32_t* done)
{
    DWORD count = 0;
    if (!ReadFile(handleOf(file), buffer, size, &count, nullptr)) return lastError();
    *done = count;
    return 0;
}

ErrorCode writeFile(FileRef file, const void* data, std::uint32_t size, std::uint32_t* done)
{
    DWORD count = 0;
    if (!WriteFile(handleOf(file), data, size, &count, nullptr)) return lastError();
    *done = count;
    return 0;
}

void closeFile(FileRef file)
{
    CloseHandle(handleOf(file));
}

// Fails, as creating the file anew would, when the target is held open by another program
// or is read-only.
ErrorCode replaceFile(const char* from, const char* to)
{
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) ? 0 : lastError();
}

void removeFile(const char* path)
{
    DeleteFileA(path);
}

void reportErrorCode(WindowRef owner, ErrorCode code)
{
    reportError(static_cast<HWND>(owner), code);
}

void requestRepaint(const PixelRect& rect)
{
    const RECT area = {rect.left, rect.top, rect.right, rect.bottom};
    InvalidateRect(mainWindow, &area, FALSE);
}

}  // namespace

Platform platform = {openForReading, createTempBeside, readFile,        writeFile,      closeFile,
                     replaceFile,    removeFile,       reportErrorCode, requestRepaint, ERROR_DISK_FULL};
