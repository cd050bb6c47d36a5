#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "platform/temp_leftovers.h"
#include "platform/temp_name.h"

namespace {

// Not running: no process of that id (on this host, and in this process's pid namespace).
int processEnded(std::uint32_t pid)
{
    return kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

}  // namespace

int prepareOwnTemp(const char* target, int folderLength, char* tempPath)
{
    char name[256] = "";
    gethostname(name, sizeof name - 1);
    char host[kMaxHostPart + 1];
    formatHostPart(host, name);
    const std::uint32_t self = static_cast<std::uint32_t>(getpid());
    if (!formatOwnTempPath(tempPath, target, folderLength, host, self)) return 0;
    unlink(tempPath);
    const std::string folder(target, static_cast<std::size_t>(folderLength));
    if (!firstLookInto(folder)) return 1;
    DIR* listing = opendir(folder.empty() ? "." : folder.c_str());
    if (!listing) return 1;
    while (const dirent* entry = readdir(listing)) {
        std::uint32_t pid = 0;
        if (isOwnTempName(entry->d_name, host, &pid) && pid != self && processEnded(pid)) {
            unlink((folder + entry->d_name).c_str());
        }
    }
    closedir(listing);
    return 1;
}
