#include <windows.h>

#include "platform/temp_leftovers.h"
#include "platform/temp_name.h"

namespace {

// Not running: no process of that id, or one that has ended and is only kept by a handle.
int processEnded(std::uint32_t pid)
{
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!process) return GetLastError() == ERROR_INVALID_PARAMETER;
    const int ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

}  // namespace

int prepareOwnTemp(const char* target, int folderLength, char* tempPath)
{
    char name[MAX_COMPUTERNAME_LENGTH + 1] = "";
    DWORD size = sizeof name;
    if (!GetComputerNameA(name, &size)) name[0] = '\0';
    char host[kMaxHostPart + 1];
    formatHostPart(host, name);
    const std::uint32_t self = GetCurrentProcessId();
    if (!formatOwnTempPath(tempPath, target, folderLength, host, self)) return 0;
    DeleteFileA(tempPath);
    const std::string folder(target, static_cast<std::size_t>(folderLength));
    if (!firstLookInto(folder)) return 1;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((folder + "*.tav.*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 1;
    do {
        std::uint32_t pid = 0;
        if (isOwnTempName(found.cFileName, host, &pid) && pid != self && processEnded(pid)) {
            DeleteFileA((folder + found.cFileName).c_str());
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return 1;
}
