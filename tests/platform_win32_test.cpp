// The Windows file functions behind the core: no sharing while a file is open, and a save
// that cannot replace its target leaves it as it was.
#include <windows.h>

#include <cstring>

#include "core/bitmap_file.h"
#include "core/param_file.h"
#include "test_support.h"

namespace {

// Holds a file open without sharing, as another program might.
struct HeldOpen {
    HANDLE handle;
    explicit HeldOpen(const std::string& path)
        : handle(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr))
    {
    }
    ~HeldOpen() { CloseHandle(handle); }
};

using Win32Files = RecordingPlatform;

}  // namespace

TEST_F(Win32Files, FilesHeldOpenByAnotherProgramCannotBeReadOrReplaced)
{
    const std::string folder = freshFolder("held");
    const std::string path = folder + "held.vwp";
    writeWholeFile(path, "old bytes");
    HeldOpen holder(path);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder.handle);

    ViewParams params = kInitialViewParams;
    EXPECT_EQ(0, readParamFile(nullptr, path.c_str(), params));
    EXPECT_EQ(0, std::memcmp(&params, &kInitialViewParams, sizeof params));
    EXPECT_EQ(0, writeParamFile(nullptr, path.c_str(), params));

    std::vector<std::uint8_t> pixels(4 * 3 * 3);
    BitmapInfo info;
    describeFrameBuffer(info, 4, 3);
    EXPECT_EQ(0, writeBitmapFile(nullptr, path.c_str(), info, FrameBuffer{4, 3, pixels.data()}));

    ASSERT_EQ(3u, reports.size());
    EXPECT_EQ(DWORD{ERROR_SHARING_VIOLATION}, reports[0]);
    EXPECT_NE(0u, reports[1]);
    EXPECT_NE(0u, reports[2]);
    CloseHandle(holder.handle);
    holder.handle = INVALID_HANDLE_VALUE;
    EXPECT_EQ("old bytes", readWholeFile(path));
    EXPECT_EQ(std::vector<std::string>{"held.vwp"}, filesIn(folder));
}
