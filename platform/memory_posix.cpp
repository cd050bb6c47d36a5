#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/memory.h"

namespace {

// A limit at or above this is the "no limit" of cgroup v1 (about 2^63, rounded to pages).
constexpr std::uint64_t kNoLimit = std::uint64_t(1) << 62;

// The file's first 64 KiB (memory.stat and /proc/meminfo are far shorter); "" when unreadable.
std::string fileText(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (!file) return "";
    std::string text(65536, '\0');
    text.resize(std::fread(&text[0], 1, text.size(), file));
    std::fclose(file);
    return text;
}

// The number after "key" at the start of a line of text (the key includes its separator).
// 0 when there is none.
int fieldOf(const std::string& text, const char* key, std::uint64_t& value)
{
    const std::size_t length = std::strlen(key);
    for (std::size_t at = 0; at < text.size(); at = text.find('\n', at) + 1) {
        if (text.compare(at, length, key) == 0) {
            char* end = nullptr;
            value = std::strtoull(text.c_str() + at + length, &end, 10);
            return end != text.c_str() + at + length;
        }
        if (text.find('\n', at) == std::string::npos) break;
    }
    return 0;
}

// What one control group leaves: its limit less its use, the file cache not counted as use.
std::uint64_t groupLeaves(const std::string& folder, const char* limitName, const char* usageName,
                          const char* activeFile, const char* inactiveFile)
{
    std::uint64_t limit = 0, used = 0, active = 0, inactive = 0;
    const std::string limitText = fileText(folder + limitName);
    if (!fieldOf(limitText, "", limit) || limit >= kNoLimit || !fieldOf(fileText(folder + usageName), "", used)) {
        return kMemoryUnknown;  // "max", no file, or nothing readable
    }
    const std::string stat = fileText(folder + "/memory.stat");
    fieldOf(stat, activeFile, active);
    fieldOf(stat, inactiveFile, inactive);
    const std::uint64_t cache = active + inactive < used ? active + inactive : used;
    return limit > used - cache ? limit - (used - cache) : 0;
}

// The least that the group at path (under mount) and the groups above it leave.
std::uint64_t hierarchyLeaves(const std::string& mount, std::string path, int v2)
{
    std::uint64_t least = kMemoryUnknown;
    for (;;) {
        while (!path.empty() && path.back() == '/') path.pop_back();
        const std::uint64_t leaves =
            v2 ? groupLeaves(mount + path, "/memory.max", "/memory.current", "active_file ", "inactive_file ")
               : groupLeaves(mount + path, "/memory.limit_in_bytes", "/memory.usage_in_bytes",
                             "total_active_file ", "total_inactive_file ");
        if (leaves < least) least = leaves;
        if (path.empty()) return least;
        path.erase(path.rfind('/'));
    }
}

// The control groups of this process, from /proc/self/cgroup: the v2 group ("0::/path") and
// the v1 memory controller's ("N:...memory...:/path"), under their usual mounts.
std::uint64_t groupsLeave(const char* root)
{
    const std::string text = fileText(std::string(root) + "/proc/self/cgroup");
    const std::string cgroups = std::string(root) + "/sys/fs/cgroup";
    std::uint64_t least = kMemoryUnknown;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        const std::size_t first = line.find(':'), second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos) continue;
        const std::string controllers = "," + line.substr(first + 1, second - first - 1) + ",";
        const std::string path = line.substr(second + 1);
        std::uint64_t leaves = kMemoryUnknown;
        if (line.compare(0, 3, "0::") == 0) {
            leaves = hierarchyLeaves(cgroups, path, 1);
            // A system that mounts both versions puts v2 in a folder of its own.
            if (leaves == kMemoryUnknown) leaves = hierarchyLeaves(cgroups + "/unified", path, 1);
        } else if (controllers.find(",memory,") != std::string::npos) {
            leaves = hierarchyLeaves(cgroups + "/memory", path, 0);
        }
        if (leaves < least) least = leaves;
    }
    return least;
}

}  // namespace

std::uint64_t availableMemory(const char* root)
{
    const std::string meminfo = fileText(std::string(root) + "/proc/meminfo");
    std::uint64_t available = 0, swap = 0;
    std::uint64_t least = kMemoryUnknown;
    if (fieldOf(meminfo, "MemAvailable:", available)) {
        fieldOf(meminfo, "SwapFree:", swap);
        least = (available + swap) * 1024;
    }
    const std::uint64_t groups = groupsLeave(root);
    return groups < least ? groups : least;
}
