#include <cstring>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "core/param_file.h"
#include "test_support.h"

namespace {

const unsigned char kInitialImage[48] = {
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0x3F, 0x2C, 0x01, 0x00, 0x00, 0x00, 0x40, 0x80, 0x00,
    0x80, 0xFF, 0xC0, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

std::string imageOf(const ViewParams& params)
{
    return std::string(reinterpret_cast<const char*>(&params), sizeof params);
}

// A record with every byte set, so that any byte lost on the way shows.
ViewParams patternRecord(unsigned char first)
{
    ViewParams params;
    unsigned char* bytes = reinterpret_cast<unsigned char*>(&params);
    for (unsigned i = 0; i < sizeof params; ++i) bytes[i] = static_cast<unsigned char>(first + 7 * i);
    return params;
}

WindowRef const kOwner = reinterpret_cast<WindowRef>(0x1234);

using ParamFile = RecordingPlatform;

}  // namespace

TEST(ViewParamsTest, InitialRecordIsTheDocumentedFileImage)
{
    EXPECT_EQ(0, std::memcmp(&kInitialViewParams, kInitialImage, sizeof kInitialImage));
    EXPECT_TRUE(isDrawableView(kInitialViewParams));
}

TEST_F(ParamFile, WriteThenReadRestoresAllBytes)
{
    const std::string path = tempPath("round.vwp");
    const ViewParams written = patternRecord(3);
    ASSERT_EQ(1, writeParamFile(kOwner, path.c_str(), written));
    EXPECT_EQ(imageOf(written), readWholeFile(path));

    ViewParams read = kInitialViewParams;
    ASSERT_EQ(1, readParamFile(kOwner, path.c_str(), read));
    EXPECT_EQ(imageOf(written), imageOf(read));
    EXPECT_TRUE(reports.empty());
}

TEST_F(ParamFile, FilesOfOtherLengthsReplaceOnlyTheBytesTheyHave)
{
    const std::string source = imageOf(patternRecord(100)) + std::string(12, '\x55');
    for (size_t length : {size_t{0}, size_t{20}, size_t{48}, size_t{60}}) {
        const std::string path = tempPath("short.vwp");
        writeWholeFile(path, source.substr(0, length));
        ViewParams params = kInitialViewParams;
        ASSERT_EQ(1, readParamFile(kOwner, path.c_str(), params)) << length;
        const size_t used = length < 48 ? length : 48;
        const std::string expected = source.substr(0, used) + imageOf(kInitialViewParams).substr(used);
        EXPECT_EQ(expected, imageOf(params)) << length << "-byte file";
    }
    EXPECT_TRUE(reports.empty());
}

TEST_F(ParamFile, MissingFileIsReportedAndLeavesTheRecord)
{
    ViewParams params = patternRecord(9);
    EXPECT_EQ(0, readParamFile(kOwner, tempPath("missing.vwp").c_str(), params));
    EXPECT_EQ(imageOf(patternRecord(9)), imageOf(params));
    ASSERT_EQ(1u, reports.size());
    EXPECT_NE(0u, reports[0]);
    EXPECT_EQ(kOwner, reportOwners[0]);
}

TEST_F(ParamFile, FailedReadLeavesTheRecordAsItWas)
{
    const std::string path = tempPath("unreadable.vwp");
    writeWholeFile(path, imageOf(patternRecord(1)));
    platform.readFile = [](FileRef, void* buffer, std::uint32_t size, std::uint32_t* done) {
        std::memset(buffer, 0xEE, size / 2);  // a request that fails half-way
        *done = size / 2;
        return ErrorCode{23};
    };
    ViewParams params = kInitialViewParams;
    EXPECT_EQ(0, readParamFile(kOwner, path.c_str(), params));
    EXPECT_EQ(imageOf(kInitialViewParams), imageOf(params));
    EXPECT_EQ(std::vector<ErrorCode>{23}, reports);
}

TEST_F(ParamFile, WritingOverALongerFileLeavesExactly48Bytes)
{
    const std::string path = tempPath("long.vwp");
    writeWholeFile(path, std::string(1000, 'x'));
    ASSERT_EQ(1, writeParamFile(kOwner, path.c_str(), kInitialViewParams));
    EXPECT_EQ(imageOf(kInitialViewParams), readWholeFile(path));
}

// A full disk: the request succeeds but writes only part of the record.
TEST_F(ParamFile, ShortWriteKeepsTheOldFileAndLeavesNoTemporaryFile)
{
    const std::string folder = freshFolder("short-write");
    const std::string path = folder + "view.vwp";
    writeWholeFile(path, "the old file");
    platform.writeFile = [](FileRef file, const void* data, std::uint32_t size, std::uint32_t* done) {
        return real.writeFile(file, data, size / 2, done);
    };
    EXPECT_EQ(0, writeParamFile(kOwner, path.c_str(), kInitialViewParams));
    EXPECT_EQ("the old file", readWholeFile(path));
    EXPECT_EQ(std::vector<std::string>{"view.vwp"}, filesIn(folder));
    EXPECT_EQ(std::vector<ErrorCode>{real.diskFull}, reports);
}

TEST_F(ParamFile, SaveIntoAMissingFolderIsReported)
{
    const std::string path = freshFolder("no-such") + "missing" + "/" + "view.vwp";
    EXPECT_EQ(0, writeParamFile(kOwner, path.c_str(), kInitialViewParams));
    ASSERT_EQ(1u, reports.size());
    EXPECT_NE(0u, reports[0]);
    EXPECT_FALSE(fileExists(path));
}

TEST_F(ParamFile, ErrorOfTheFailedStepIsReportedNotThatOfTheCleanUp)
{
    const std::string folder = freshFolder("replace-fails");
    const std::string path = folder + "view.vwp";
    writeWholeFile(path, "old");
    platform.replaceFile = [](const char*, const char*) { return ErrorCode{32}; };
    platform.removeFile = [](const char* temp) {
        real.removeFile(temp);
        real.replaceFile("no such file", "no such target");  // changes the system's last error
    };
    EXPECT_EQ(0, writeParamFile(kOwner, path.c_str(), kInitialViewParams));
    EXPECT_EQ(std::vector<ErrorCode>{32}, reports);
    EXPECT_EQ("old", readWholeFile(path));
    EXPECT_EQ(std::vector<std::string>{"view.vwp"}, filesIn(folder));
}

#ifndef _WIN32
// A FIFO would block the reader until a writer came, and a save would put a file in its place.
TEST_F(ParamFile, OnlyRegularFilesAreReadOrReplaced)
{
    const std::string folder = freshFolder("fifo");
    const std::string path = folder + "pipe.vwp";
    ASSERT_EQ(0, mkfifo(path.c_str(), 0600));
    ViewParams params = patternRecord(5);
    EXPECT_EQ(0, readParamFile(kOwner, path.c_str(), params));
    EXPECT_EQ(0, writeParamFile(kOwner, path.c_str(), params));
    EXPECT_EQ(imageOf(patternRecord(5)), imageOf(params));
    EXPECT_EQ((std::vector<ErrorCode>{ENODEV, ENODEV}), reports);
    struct stat info;
    ASSERT_EQ(0, stat(path.c_str(), &info));
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_EQ(std::vector<std::string>{"pipe.vwp"}, filesIn(folder));
}
#endif
