// The parameter file and the bitmap file, and the safe save behind both: the bytes on disk, and
// that a failure on the way leaves everything as it was.
#include <cstring>
#include <functional>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#endif

#include "core/bitmap_file.h"
#include "core/param_file.h"
#include "tests/test_support.h"

using Files = RecordingPlatform;

// Every field set, the reserved bytes and the colours' high bytes included.
const ViewParams kRecord = {0.1, -0.2, 3e5, -7, {0x11223344, 0x55667788, 0x99AABBCC, 0xDDEEFF01}, {2, 3, 4, 5}};
const std::string kInitialImage = std::string(22, 0) + "\xF0\x3F\x2C\x01" +
                                  std::string("\0\0\0\x40\x80\0\x80\xFF\xC0\0\xFF\xFF\xFF\0", 14) + std::string(8, 0);

// The initial record's file image. Then an open of files of 0, 20 and 60 bytes, and both saves
// over a longer file, with each read, write and replace request failing in turn (a write also by
// writing only part of its bytes, as on a full disk): the failed request's own code is reported
// once, whatever the clean-up does; no request follows it; the record and the old file stay as
// they were, and no temporary file is left. Past the last request the operation succeeds: a file
// replaces only the bytes it has, and a save leaves exactly its own bytes.
TEST_F(Files, EachFailedRequestLeavesEverythingAsItWas)
{
    EXPECT_EQ(kInitialImage, bytesOf(kInitialViewParams));
    static int failAt, calls, shortWrite, wroteShort;
    platform.readFile = [](FileRef file, void* buffer, std::uint32_t size, std::uint32_t* done) {
        if (++calls != failAt) return real.readFile(file, buffer, size, done);
        std::memset(buffer, 0xEE, size / 2);  // fails half-way
        return ErrorCode(100 + calls);
    };
    platform.writeFile = [](FileRef file, const void* data, std::uint32_t size, std::uint32_t* done) {
        if (++calls != failAt) return real.writeFile(file, data, size, done);
        wroteShort = shortWrite;
        return shortWrite ? real.writeFile(file, data, size - 1, done) : ErrorCode(100 + calls);
    };
    platform.replaceFile = [](const char* from, const char* to) {
        return ++calls == failAt ? ErrorCode(100 + calls) : real.replaceFile(from, to);
    };
    TestRender picture(testView(-0.5, 0.3, 1, 50), 640, 480);  // no two rows alike
    const FrameBuffer& frame = picture.frame;
    BitmapInfo info;
    std::memset(&info, 0x5A, sizeof info);
    describeFrameBuffer(info, 640, 480);
    const std::string record = bytesOf(kRecord), other = bytesOf(kInitialViewParams) + "twelve bytes";
    const std::string bitmap = bitmapOf(picture.finish(kRowKernelPlain).pixels(), 640, 480);
    const std::string twenty = other.substr(0, 20), longer(1000000, 'x');
    ViewParams params;
    const auto open = [&](const char* path) { return readParamFile(nullptr, path, params); };
    // Each operation with the file there before, and the file and the record after success.
    const struct { std::function<int(const char*)> run; std::string old, after; } operations[] = {
        {open, "", record}, {open, twenty, twenty + twenty + record.substr(20)}, {open, other, other + kInitialImage},
        {[&](const char* path) { return writeParamFile(nullptr, path, kRecord); }, longer, record + record},
        {[&](const char* path) { return writeBitmapFile(nullptr, path, info, frame); }, longer, bitmap + record},
    };
    for (const auto& operation : operations) {
        for (int attempt = 2;; ++attempt) {
            SCOPED_TRACE(testing::Message() << "operation " << &operation - operations << ", attempt " << attempt);
            failAt = attempt / 2;
            shortWrite = attempt % 2;  // a failing write falls short instead
            const std::string folder = freshFolder("fails");
            writeWholeFile(folder + "old", operation.old);
            calls = wroteShort = 0;
            reports.clear();
            params = kRecord;
            const int result = operation.run((folder + "old").c_str());
            const bool done = calls < failAt;
            EXPECT_EQ(done, result);
            const std::string after = readWholeFile(folder + "old") + bytesOf(params);
            EXPECT_TRUE(after == (done ? operation.after : operation.old + record));
            EXPECT_EQ(std::vector<std::string>{"old"}, filesIn(folder));
            const std::vector<ErrorCode> failed = {wroteShort ? real.diskFull : ErrorCode(100 + failAt)};
            EXPECT_EQ(done ? std::vector<ErrorCode>{} : failed, reports);
            EXPECT_LE(calls, failAt) << "a request after the failed one";
            if (done) break;
        }
    }
}

#ifndef _WIN32
// A FIFO would block the reader until a writer came, and a save would put a file in its place; a
// save into a missing folder fails; under a file-size limit the write loop fails with the system's
// own error after part of the record. The record and the old files stay, and no other is left.
TEST_F(Files, RefusalsOfTheSystem)
{
    const std::string folder = freshFolder("refusals");
    ASSERT_EQ(0, mkfifo((folder + "pipe.vwp").c_str(), 0600));
    writeWholeFile(folder + "old.vwp", "old bytes");
    ViewParams params = kRecord;
    for (const char* name : {"pipe.vwp", "no-such/view.vwp"}) {
        EXPECT_EQ(0, readParamFile(nullptr, (folder + name).c_str(), params)) << name;
        EXPECT_EQ(0, writeParamFile(nullptr, (folder + name).c_str(), params)) << name;
    }
    rlimit saved;
    ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &saved));
    const rlimit limit = {20, saved.rlim_max};
    std::signal(SIGXFSZ, SIG_IGN);  // the write fails instead of ending the process
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &limit));
    EXPECT_EQ(0, writeParamFile(nullptr, (folder + "old.vwp").c_str(), params));
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ((std::vector<ErrorCode>{ENODEV, ENODEV, ENOENT, ENOENT, EFBIG}), reports);
    EXPECT_EQ(bytesOf(kRecord) + "old bytes", bytesOf(params) + readWholeFile(folder + "old.vwp"));
    struct stat status;
    EXPECT_TRUE(stat((folder + "pipe.vwp").c_str(), &status) == 0 && S_ISFIFO(status.st_mode));
    EXPECT_EQ((std::vector<std::string>{"old.vwp", "pipe.vwp"}), filesIn(folder));
}
#else
// Open, Save and Open again of targets that cannot be read or replaced, as a user could choose them
// in the file dialogs: each refusal reported, before anything is written; the old file's bytes and
// attributes kept, no stray file. A pipe would block the reader until a writer came. Hidden and
// system files save, and keep those attributes; the file just read was closed, so that it could be
// saved over and read again.
TEST_F(Files, TargetsOfEveryKind)
{
    const std::uint32_t hiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, held = FILE_ATTRIBUTE_NORMAL;
    const std::uint32_t kept = FILE_ATTRIBUTE_READONLY | hiddenSystem;
    // file: the attributes of an old file there, if any; held: one open elsewhere without sharing.
    const struct { const char* name; std::uint32_t file; ErrorCode code; } cases[] = {
        {"held.vwp", held, ERROR_SHARING_VIOLATION}, {"readonly.vwp", FILE_ATTRIBUTE_READONLY, ERROR_ACCESS_DENIED},
        {"hidden.vwp", hiddenSystem, 0}, {"no-such\\view.vwp", 0, ERROR_PATH_NOT_FOUND}, {"AUX", 0, ERROR_BAD_DEVICE},
        {"COM1.vwp", 0, ERROR_BAD_DEVICE}, {"NUL", 0, ERROR_BAD_DEVICE}, {"CON", 0, ERROR_BAD_DEVICE},
        {"CONIN$", 0, ERROR_BAD_DEVICE}, {"\\\\.\\pipe\\tavelin", 0, ERROR_BAD_DEVICE},
    };
    for (const auto& c : cases) {
        reports.clear();
        const std::string folder = freshFolder("target"), path = c.name[0] == '\\' ? c.name : folder + c.name;
        if (c.file) writeWholeFile(path, "old bytes");
        SetFileAttributesA(path.c_str(), c.file);
        const char* name = path.c_str();
        const auto pipe = [name] { return CreateNamedPipeA(name, PIPE_ACCESS_DUPLEX, 0, 3, 64, 64, 0, nullptr); };
        std::vector<HANDLE> handles;  // the holder, or a pipe instance for each request
        if (c.file == held) handles = {CreateFileA(name, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)};
        if (c.name[0] == '\\') handles = {pipe(), pipe(), pipe()};
        const int readable = c.file && c.file != held, saved = c.code == 0;
        ViewParams params = kRecord;
        EXPECT_EQ(readable, readParamFile(nullptr, path.c_str(), params)) << c.name;
        EXPECT_EQ(saved, writeParamFile(nullptr, path.c_str(), kInitialViewParams)) << c.name;
        EXPECT_EQ(readable, readParamFile(nullptr, path.c_str(), params)) << c.name;
        for (HANDLE handle : handles) CloseHandle(handle);
        EXPECT_EQ(std::vector<ErrorCode>(2 * !readable + !saved, c.code), reports) << c.name;
        EXPECT_EQ(c.file & kept, c.file ? GetFileAttributesA(path.c_str()) & kept : 0) << c.name;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        const std::string old = saved ? kInitialImage : "old bytes";  // devices are never read
        EXPECT_EQ(c.file ? old : "", c.file ? readWholeFile(path) : "") << c.name;
        EXPECT_EQ(c.file != 0, filesIn(folder).size()) << c.name;
    }
    // Every target of up to 259 bytes saves and reads back: in folders of 240 to 258 bytes whose last
    // name ends in "表" (0x95 0x5C), with names that start with "ソ" (0x83 0x5C). In the fullest
    // folder all one-character names but one are taken, and the temporary file has to find that one.
    // A 260-byte target is refused with the system's code.
    ASSERT_EQ(932u, GetACP());
    reports.clear();
    for (std::size_t length = 240; length <= 259; ++length) {
        std::string folder = freshFolder("deep") + std::to_string(length) + "-";
        folder.append(length - folder.size() - 3, 'd').append("\x95\x5C\\");
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << length;
        const std::string path = folder + (length >= 258 ? "v" : "\x83\x5C" + std::string(257 - length, 'v'));
        for (const char* name = "0123456789abcdefghijklmnopqrstuvwxy"; length == 258 && *name; ++name) {
            writeWholeFile(folder + *name, "");  // every name of one character but z, the target v among them
        }
        ViewParams params = kInitialViewParams;
        EXPECT_EQ(length < 259, writeParamFile(nullptr, path.c_str(), kRecord)) << length;
        EXPECT_EQ(length < 259, readParamFile(nullptr, path.c_str(), params)) << length;
        EXPECT_EQ(bytesOf(length < 259 ? kRecord : kInitialViewParams), bytesOf(params)) << length;
    }
    EXPECT_EQ(ERROR_FILENAME_EXCED_RANGE, reports.at(0));
}
#endif
