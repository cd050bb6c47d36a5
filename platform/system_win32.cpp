// The system's file requests and error texts on Windows: the kernel's file functions.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "platform/system.h"
#include "platform/temp_leftovers.h"
#include "platform/temp_name.h"

static_assert(sizeof(FileRef) >= sizeof(HANDLE), "a file handle fits a FileRef");
static_assert(kMaxPath == MAX_PATH, "path buffers hold MAX_PATH bytes");

namespace {

// What a device or anything else that is no disk file is refused with: "the device name is
// incorrect" says to the user who typed COM1 or NUL that this name is no file.
constexpr ErrorCode kNotADiskFile = ERROR_BAD_DEVICE;

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

// The system resolves reserved device names (CON, NUL, COM1.vwp, C:\folder\aux.bmp) to
// "\\.\NAME". They are refused before they are opened: a serial port may block the reader for
// good, and the console devices fail with a text that explains nothing.
int namesDevice(const char* path)
{
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path, sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full) return 0;
    return std::strncmp(full, "\\\\.\\", 4) == 0 && std::strchr(full + 4, '\\') == nullptr;
}

// Opens path as CreateFileA does, and refuses what is no disk file (a pipe, a device under
// another name) before anything reads or writes it.
ErrorCode openDiskFile(const char* path, DWORD access, HANDLE* handle)
{
    if (namesDevice(path)) return kNotADiskFile;
    *handle = CreateFileA(path, access, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (*handle == INVALID_HANDLE_VALUE) return lastError();
    if (GetFileType(*handle) == FILE_TYPE_DISK) return 0;
    CloseHandle(*handle);
    return kNotADiskFile;
}

ErrorCode openForReading(const char* path, FileRef* file)
{
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (const ErrorCode error = openDiskFile(path, GENERIC_READ, &handle)) return error;
    *file = reinterpret_cast<FileRef>(handle);
    return 0;
}

// Opening the target for writing without sharing, as creating it anew would but without
// cutting it short, gives the system's own code: a sharing violation while another program
// holds it, path-not-found for a missing folder. The read-only attribute is tested on its
// own, since an administrator (or root under Wine) may open such a file for writing.
ErrorCode checkSaveTarget(const char* path)
{
    HANDLE handle = INVALID_HANDLE_VALUE;
    const ErrorCode error = openDiskFile(path, GENERIC_WRITE, &handle);
    if (error) return error == ERROR_FILE_NOT_FOUND ? 0 : error;
    BY_HANDLE_FILE_INFORMATION info;
    const ErrorCode result = !GetFileInformationByHandle(handle, &info)                ? lastError()
                             : (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0 ? ERROR_ACCESS_DENIED
                                                                                      : 0;
    CloseHandle(handle);
    return result;
}

// The length of the folder part of path, its separator included; lead bytes of double-byte
// characters are stepped over, since their second byte may be a backslash.
int folderLength(const char* path)
{
    const char* end = path;
    for (const char* p = path; *p; p += IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] ? 2 : 1) {
        if (*p == '\\' || *p == '/' || *p == ':') end = p + 1;
    }
    return static_cast<int>(end - path);
}

ErrorCode createTempBeside(const char* target, char* tempPath, FileRef* file)
{
    const int folder = folderLength(target);
    if (prepareOwnTemp(target, folder, tempPath)) {
        const HANDLE handle =
            CreateFileA(tempPath, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            *file = reinterpret_cast<FileRef>(handle);
            return 0;
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return lastError();
    }
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

// The new file takes over the target's hidden and system attributes before the move, which
// would drop them. (Creating the target anew over the old file would not keep them either: it
// fails unless the same attributes are asked for.)
ErrorCode replaceFile(const char* from, const char* to)
{
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    const DWORD target = GetFileAttributesA(to);
    if (target != INVALID_FILE_ATTRIBUTES && (target & kept) != 0 &&
        !SetFileAttributesA(from, FILE_ATTRIBUTE_ARCHIVE | (target & kept))) {
        return lastError();
    }
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) ? 0 : lastError();
}

void removeFile(const char* path)
{
    DeleteFileA(path);
}

}  // namespace

Platform withSystemFiles(ErrorReport report, RepaintRequest repaint)
{
    return Platform{openForReading, checkSaveTarget, createTempBeside, readFile, writeFile,      closeFile,
                    replaceFile,    removeFile,      report,           repaint,  ERROR_DISK_FULL,
                    ERROR_NOT_ENOUGH_MEMORY, ERROR_CANCELLED};
}

void systemErrorText(ErrorCode code, char* text, std::size_t size)
{
    const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    const DWORD capacity = static_cast<DWORD>(size);
    const DWORD english = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    DWORD length = FormatMessageA(flags, nullptr, code, english, text, capacity, nullptr);
    if (length == 0) length = FormatMessageA(flags, nullptr, code, 0, text, capacity, nullptr);
    if (length == 0) std::snprintf(text, size, "system error %lu", static_cast<unsigned long>(code));
    // The system's texts end in a line break.
    std::size_t end = std::strlen(text);
    while (end > 0 && std::strchr("\r\n ", text[end - 1])) text[--end] = '\0';
}
