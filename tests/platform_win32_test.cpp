// The Windows file functions behind the core: what cannot be replaced is refused with the
// system's own text before anything is written, devices are never read, and every path that
// fits MAX_PATH saves.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "core/bitmap_file.h"
#include "core/param_file.h"
#include "test_support.h"

namespace {

enum class Make { nothing, heldOpen, readOnly, hiddenSystem, pipe };

struct TargetCase {
    const char* name;    // in a fresh folder, but for the pipe
    Make make;
    ErrorCode expected;  // of both saves, and of Open where it cannot read either; 0: saved
};

// Turns path into what the case needs; returns the handles to close afterwards.
std::vector<HANDLE> prepare(Make make, const std::string& path)
{
    std::vector<HANDLE> handles;
    for (int i = 0; make == Make::pipe && i < 3; ++i) {  // for Open and the two saves
        handles.push_back(CreateNamedPipeA(path.c_str(), PIPE_ACCESS_DUPLEX, 0, PIPE_UNLIMITED_INSTANCES,
                                           512, 512, 0, nullptr));
    }
    if (make == Make::nothing || make == Make::pipe) return handles;
    writeWholeFile(path, "old bytes");
    if (make == Make::heldOpen) {
        handles.push_back(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    } else {
        SetFileAttributesA(path.c_str(), make == Make::readOnly ? FILE_ATTRIBUTE_READONLY
                                                                : FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    }
    return handles;
}

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

// Open and both saves of each target, as a user could choose it in the file dialogs. Hidden
// and system files are saved and keep those attributes.
TEST_F(Win32Files, TargetsThatCannotBeReplacedAreRefusedBeforeAnyWrite)
{
    const TargetCase cases[] = {
        {"held.vwp", Make::heldOpen, ERROR_SHARING_VIOLATION},
        {"readonly.vwp", Make::readOnly, ERROR_ACCESS_DENIED},
        {"hidden.vwp", Make::hiddenSystem, 0},
        {"no-such-folder\\view.vwp", Make::nothing, ERROR_PATH_NOT_FOUND},
        {"COM1.vwp", Make::nothing, ERROR_BAD_DEVICE},
        {"AUX", Make::nothing, ERROR_BAD_DEVICE},
        {"NUL", Make::nothing, ERROR_BAD_DEVICE},
        {"CON", Make::nothing, ERROR_BAD_DEVICE},
        {"CONIN$", Make::nothing, ERROR_BAD_DEVICE},
        {"\\\\.\\pipe\\tavelin-files-test", Make::pipe, ERROR_BAD_DEVICE},
    };
    std::vector<std::uint8_t> pixels(4 * 3 * 3, 0x77);
    BitmapInfo info;
    describeFrameBuffer(info, 4, 3);
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    for (const TargetCase& target : cases) {
        reports.clear();
        const std::string folder = freshFolder("target");
        const std::string path = target.make == Make::pipe ? target.name : folder + target.name;
        const std::vector<HANDLE> handles = prepare(target.make, path);
        const int readable = target.make == Make::readOnly || target.make == Make::hiddenSystem;
        const int saved = target.expected == 0;
        ViewParams params = kInitialViewParams;
        EXPECT_EQ(readable, readParamFile(nullptr, path.c_str(), params)) << target.name;
        EXPECT_EQ(saved, writeParamFile(nullptr, path.c_str(), params)) << target.name;
        EXPECT_EQ(saved, writeBitmapFile(nullptr, path.c_str(), info, FrameBuffer{4, 3, pixels.data()}))
            << target.name;
        for (HANDLE handle : handles) CloseHandle(handle);

        EXPECT_EQ(std::vector<ErrorCode>((readable ? 0 : 1) + (saved ? 0 : 2), target.expected), reports)
            << target.name;
        if (target.make == Make::nothing || target.make == Make::pipe) {
            EXPECT_TRUE(namesIn(folder).empty()) << target.name;
            continue;
        }
        EXPECT_EQ(saved ? kept : 0, GetFileAttributesA(path.c_str()) & kept) << target.name;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(saved ? 58u + pixels.size() : 9u, readWholeFile(path).size()) << target.name;
        EXPECT_EQ(std::vector<std::string>{target.name}, namesIn(folder));
    }
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
