#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/same_file.h"

namespace {

// As the system follows links in a path.
constexpr int kMaxLinks = 40;

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == path.npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// The full path of a file that does not exist: its folder resolved (links, "." and ".."), and
// where the path is a link that leads nowhere yet, the path it leads to, which a save through the
// link creates. 0 when the folder cannot be resolved.
int fullPathOf(std::string path, std::string& full)
{
    struct stat info;
    char target[PATH_MAX];
    for (int links = 0; links < kMaxLinks && lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode); ++links) {
        const ssize_t length = readlink(path.c_str(), target, sizeof target - 1);
        if (length <= 0) return 0;
        target[length] = '\0';
        path = target[0] == '/' ? std::string(target) : folderOf(path) + "/" + target;
    }
    char folder[PATH_MAX];
    if (!realpath(folderOf(path).c_str(), folder)) return 0;
    const std::size_t slash = path.rfind('/');
    full = std::string(folder) + "/" + (slash == path.npos ? path : path.substr(slash + 1));
    return 1;
}

}  // namespace

int sameFile(const char* a, const char* b)
{
    struct stat infoA, infoB;
    const int hasA = stat(a, &infoA) == 0, hasB = stat(b, &infoB) == 0;
    if (hasA || hasB) return hasA && hasB && infoA.st_dev == infoB.st_dev && infoA.st_ino == infoB.st_ino;
    std::string fullA, fullB;
    return fullPathOf(a, fullA) && fullPathOf(b, fullB) && fullA == fullB;
}
