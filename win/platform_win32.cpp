// The platform on Windows: the kernel's file functions and error boxes.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "../core/platform.h"
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

// The folder part of path, with its separator, or "." when path names no folder.
void folderOf(const char* path, char (&folder)[MAX_PATH])
{
    const char* end = path;
    for (const char* p = path; *p; p = CharNextA(p)) {
        if (*p == '\\' || *p == '/' || *p == ':') end = p + 1;
    }
    if (end == path) {
        std::strcpy(folder, ".");
    } else {
        std::snprintf(folder, sizeof folder, "%.*s", static_cast<int>(end - path), path);
    }
}

ErrorCode createTempBeside(const char* target, char* tempPath, FileRef* file)
{
    char folder[MAX_PATH];
    folderOf(target, folder);
    if (GetTempFileNameA(folder, "tav", 0, tempPath) == 0) return lastError();
    const HANDLE handle = CreateFileA(tempPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const ErrorCode error = lastError();
        DeleteFileA(tempPath);
        return error;
    }
    *file = reinterpret_cast<FileRef>(handle);
    return 0;
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
