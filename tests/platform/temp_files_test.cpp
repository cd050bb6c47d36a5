// The temporary files of saves: named after their target and process, so that a later save of
// the same target removes what a process that ended without cleaning up (kill -9) left.
#ifdef _WIN32
#include <windows.h>
// After windows.h
#include <tlhelp32.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>

#include "platform/temp_name.h"
#include "tests/test_support.h"
#include "tests/tool_runner.h"

#ifdef _WIN32
namespace {

// The id of a process that runs beside this one: the first other that the system lists.
std::string otherProcess()
{
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    std::string id;
    for (BOOL more = Process32First(snapshot, &entry); more && id.empty(); more = Process32Next(snapshot, &entry)) {
        if (entry.th32ProcessID != 0 && entry.th32ProcessID != GetCurrentProcessId()) {
            id = std::to_string(entry.th32ProcessID);
        }
    }
    CloseHandle(snapshot);
    return id;
}

}  // namespace
#endif

// The first save into a folder removes the temporary files there of this host's processes that
// have ended, and its own name's (from an earlier life of its id); it leaves the others. So do
// keyframes.
TEST(TempFiles, ASaveRemovesItsOwnLeftovers)
{
    char name[256] = "";
#ifdef _WIN32
    DWORD size = sizeof name;
    GetComputerNameA(name, &size);
    const std::string self = std::to_string(GetCurrentProcessId()), other = otherProcess();
#else
    gethostname(name, sizeof name - 1);
    const std::string self = std::to_string(getpid()), other = std::to_string(getppid());
#endif
    char host[kMaxHostPart + 1];
    formatHostPart(host, name);
    const std::string own = std::string("p.bmp.tav.") + host + ".";
    // 999999999 is above any pid_max (at most 2^22) and any Windows process id, so no process has it.
    const struct {
        std::string name;
        bool kept;
    } files[] = {
        {own + "999999999.tmp", false},
        {own + self + ".tmp", false},
        {own + other + ".tmp", true},
        {"p.bmp.tav.elsewhere.999999999.tmp", true},
        {"q.bmp.tav." + std::string(host) + ".999999999.tmp", false},
        {"q.bmp.tav." + std::string(host) + "." + self + ".tmp", true},
        {"q.bmp.tav." + std::string(host) + ".x999999999.tmp", true},
        {own + "999999999.tmp.bak", true},
    };
    const std::string folder = freshFolder("leftovers");
    for (const auto& f : files) writeWholeFile(folder + f.name, "partial");
    ASSERT_EQ(0, runTool({"--size", "8x6", "-o", folder + "p.bmp", "--quiet"}));
    const std::vector<std::string> left = filesIn(folder);
    for (const auto& f : files) {
        EXPECT_EQ(f.kept, std::count(left.begin(), left.end(), f.name) == 1) << f.name;
    }
    EXPECT_EQ(1, std::count(left.begin(), left.end(), "p.bmp"));
    // A rerun of a dive's keyframe job does the same in the keyframes' folder.
    const std::string keys = folder + "d%d.png.keyframes/", leftover = "key-00000.bmp.tav." + std::string(host) + ".999999999.tmp";
    std::filesystem::create_directory(keys);
    writeWholeFile(keys + leftover, "partial");
    ASSERT_EQ(0, runTool({"--magnification", "256", "--dive", "1", "--size", "8x6", "--quiet", "--keyframes", "0-1", "-o",
                          folder + "d%d.png"})) << toolMessages;
    EXPECT_EQ((std::vector<std::string>{"key-00000.bmp", "key-00001.bmp", "manifest.txt"}), filesIn(keys));
}
