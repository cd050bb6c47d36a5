// The memory that a render may have, read from a folder laid out like /proc and /sys/fs/cgroup.
#include <filesystem>
#include <utility>
#include <vector>

#include "platform/memory.h"
#include "tests/test_support.h"

#ifndef _WIN32
namespace {

struct MemoryCase {
    const char* what;
    std::vector<std::pair<const char*, const char*>> files;  // path under the root, text
    std::uint64_t expected;
};

constexpr std::uint64_t kMiB = 1 << 20;
const char* const kPlenty = "MemTotal: 99999999 kB\nMemAvailable: 99999999 kB\nSwapFree: 0 kB\n";

}  // namespace

TEST(Memory, IsTheLeastOfTheGroupsAndTheSystem)
{
    const std::vector<MemoryCase> cases = {
        {"nothing to read", {}, kMemoryUnknown},
        {"system: available and free swap", {{"/proc/meminfo", "MemAvailable: 1000 kB\nSwapFree: 24 kB\n"}}, kMiB},
        {"v2 limit less use beyond the file cache",
         {{"/proc/meminfo", kPlenty}, {"/proc/self/cgroup", "0::/job\n"}, {"/sys/fs/cgroup/job/memory.max", "268435456\n"},
          {"/sys/fs/cgroup/job/memory.current", "104857600\n"},
          {"/sys/fs/cgroup/job/memory.stat", "anon 1\nactive_file 20971520\nfile 9\ninactive_file 10485760\n"}},
         256 * kMiB - 70 * kMiB},
        {"v2 without a limit of its own, under a group with one",
         {{"/proc/meminfo", kPlenty}, {"/proc/self/cgroup", "0::/a/b\n"}, {"/sys/fs/cgroup/a/b/memory.max", "max\n"},
          {"/sys/fs/cgroup/a/b/memory.current", "5\n"}, {"/sys/fs/cgroup/a/memory.max", "100000000\n"},
          {"/sys/fs/cgroup/a/memory.current", "40000000\n"}},
         60000000},
        {"v2 beside v1, in unified",
         {{"/proc/meminfo", kPlenty}, {"/proc/self/cgroup", "1:name=systemd:/\n0::/j\n"},
          {"/sys/fs/cgroup/unified/j/memory.max", "3000\n"}, {"/sys/fs/cgroup/unified/j/memory.current", "1000\n"}},
         2000},
        {"v1 limit less use beyond the file cache",
         {{"/proc/meminfo", kPlenty}, {"/proc/self/cgroup", "5:devices:/\n4:cpu,memory:/job\n"},
          {"/sys/fs/cgroup/memory/job/memory.limit_in_bytes", "268435456\n"},
          {"/sys/fs/cgroup/memory/job/memory.usage_in_bytes", "314572800\n"},
          {"/sys/fs/cgroup/memory/job/memory.stat", "cache 1\ntotal_active_file 62914560\ntotal_inactive_file 41943040\n"}},
         56 * kMiB},
        {"v1 without a limit: the system's",
         {{"/proc/meminfo", "MemAvailable: 2048 kB\n"}, {"/proc/self/cgroup", "4:memory:/job\n"},
          {"/sys/fs/cgroup/memory/job/memory.limit_in_bytes", "9223372036854771712\n"},
          {"/sys/fs/cgroup/memory/job/memory.usage_in_bytes", "1000\n"}},
         2 * kMiB},
        {"use past the limit leaves nothing",
         {{"/proc/self/cgroup", "0::/\n"}, {"/sys/fs/cgroup/memory.max", "1000\n"}, {"/sys/fs/cgroup/memory.current", "2000\n"}},
         0},
    };
    for (const MemoryCase& c : cases) {
        const std::string root = freshFolder("memory");
        for (const auto& [path, text] : c.files) {
            std::filesystem::create_directories(std::filesystem::path(root + path).parent_path());
            writeWholeFile(root + path, text);
        }
        EXPECT_EQ(c.expected, availableMemory(root.substr(0, root.size() - 1).c_str())) << c.what;
    }
}
#endif

// Whatever the system, it tells some memory, and this process has some.
TEST(Memory, IsSomeOnThisMachine)
{
    EXPECT_GT(availableMemory(), std::uint64_t(1) << 20);
}
