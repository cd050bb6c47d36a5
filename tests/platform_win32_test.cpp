// The Windows file functions behind the core: no sharing while a file is open, a save that
// cannot replace its target leaves it as it was, and every path that fits MAX_PATH saves.
#include <windows.h>

#include <algorithm>
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

// The names in a folder as the ANSI functions give them, sorted.
std::vector<std::string> namesIn(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found)) {
        if (std::strcmp(found.cFileName, ".") != 0 && std::strcmp(found.cFileName, "..") != 0) {
            names.push_back(found.cFileName);
        }
    }
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::string imageOf(const ViewParams& params)
{
    return std::string(reinterpret_cast<const char*>(&params), sizeof params);
}

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

// Every target of up to 259 bytes saves and reads back: in folders of 240 to 258 bytes, whose
// last name ends in "表" (0x95 0x5C), with names that start with "ソ" (0x83 0x5C). In the
// fullest folder all one-character names but one are taken, and the temporary file has to
// find that one. A 260-byte target is refused with the system's text.
TEST_F(Win32Files, DeepFoldersAndDoubleByteNamesSave)
{
    ASSERT_EQ(932u, GetACP());
    const std::string base = freshFolder("deep");
    ViewParams record = kInitialViewParams;
    record.centerX = 0.25;
    for (size_t length = 240; length <= 259; ++length) {
        reports.clear();
        std::string folder = base + std::to_string(length) + "-";
        folder.append(length - folder.size() - 3, 'd').append("\x95\x5C\\");
        ASSERT_EQ(length, folder.size());
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << length;
        const size_t nameLength = length == 259 ? 1 : 259 - length;
        const std::string name = nameLength == 1 ? "v" : "\x83\x5C" + std::string(nameLength - 2, 'v');
        const std::string path = folder + name;
        std::vector<std::string> names = {name};
        if (length == 258) {
            for (const char* other = "0123456789abcdefghijklmnopqrstuwxy"; *other; ++other) {  // no v, z
                names.push_back(std::string(1, *other));
                writeWholeFile(folder + *other, "");
            }
        }
        if (length < 259) writeWholeFile(path, "old");

        const int saved = writeParamFile(nullptr, path.c_str(), record);
        ViewParams read = kInitialViewParams;
        if (length < 259) {
            EXPECT_EQ(1, saved) << length;
            EXPECT_EQ(1, readParamFile(nullptr, path.c_str(), read)) << length;
            EXPECT_EQ(imageOf(record), imageOf(read)) << length;
            EXPECT_TRUE(reports.empty()) << length;
        } else {
            EXPECT_EQ(0, saved);
            EXPECT_EQ(std::vector<ErrorCode>{ERROR_FILENAME_EXCED_RANGE}, reports);
            names.clear();
        }
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, namesIn(folder)) << length;
    }
}
