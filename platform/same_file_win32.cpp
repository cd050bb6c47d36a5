#include <windows.h>

#include "platform/same_file.h"

namespace {

// The volume and the file index of an existing file or folder, which no two files share.
int identityOf(const char* path, BY_HANDLE_FILE_INFORMATION& info)
{
    const HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return 0;
    const BOOL got = GetFileInformationByHandle(handle, &info);
    CloseHandle(handle);
    return got != 0;
}

}  // namespace

int sameFile(const char* a, const char* b)
{
    BY_HANDLE_FILE_INFORMATION infoA, infoB;
    const int hasA = identityOf(a, infoA), hasB = identityOf(b, infoB);
    if (hasA || hasB) {
        return hasA && hasB && infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber &&
               infoA.nFileIndexHigh == infoB.nFileIndexHigh && infoA.nFileIndexLow == infoB.nFileIndexLow;
    }
    // Names on Windows' file systems do not tell case apart.
    char fullA[MAX_PATH], fullB[MAX_PATH];
    const DWORD lengthA = GetFullPathNameA(a, MAX_PATH, fullA, nullptr);
    const DWORD lengthB = GetFullPathNameA(b, MAX_PATH, fullB, nullptr);
    return lengthA > 0 && lengthA < MAX_PATH && lengthB > 0 && lengthB < MAX_PATH &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, fullA, -1, fullB, -1) == CSTR_EQUAL;
}
