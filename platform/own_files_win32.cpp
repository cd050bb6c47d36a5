#include <windows.h>

#include "platform/own_files.h"

namespace {

ErrorCode lastError()
{
    const DWORD code = GetLastError();
    return code != ERROR_SUCCESS ? code : ERROR_GEN_FAILURE;
}

}  // namespace

// FILE_FLAG_OPEN_REPARSE_POINT opens a link (or a junction) itself, which is then refused.
ErrorCode openOwnFile(const char* path, FileRef* file)
{
    HANDLE handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return lastError();
    BY_HANDLE_FILE_INFORMATION info;
    const ErrorCode error = GetFileType(handle) != FILE_TYPE_DISK ? notOwnFile()
                            : !GetFileInformationByHandle(handle, &info) ? lastError()
                            : info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)
                                ? notOwnFile()
                                : 0;
    if (error) {
        CloseHandle(handle);
        return error;
    }
    *file = reinterpret_cast<FileRef>(handle);
    return 0;
}

// CREATE_NEW fails on any name that is there, a link included.
ErrorCode createOwnFile(const char* path, FileRef* file)
{
    HANDLE handle = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return lastError();
    *file = reinterpret_cast<FileRef>(handle);
    return 0;
}

// MoveFileEx replaces a link at to by the file, as it renames links and not their targets.
ErrorCode renameOwnFile(const char* from, const char* to)
{
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) ? 0 : lastError();
}

ErrorCode notOwnFile()
{
    return ERROR_CANT_ACCESS_FILE;
}

int nameTaken(ErrorCode error)
{
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}
