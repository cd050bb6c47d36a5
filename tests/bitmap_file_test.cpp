#include <cstring>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#endif

#include "core/bitmap_file.h"
#include "test_support.h"

namespace {

const unsigned char kHeader[58] = {
    0x42, 0x4D, 0x3A, 0x10, 0x0E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3A, 0x00, 0x00, 0x00, 0x28,
    0x00, 0x00, 0x00, 0x80, 0x02, 0x00, 0x00, 0xE0, 0x01, 0x00, 0x00, 0x01, 0x00, 0x18, 0x00};

struct Picture {
    std::vector<std::uint8_t> pixels = std::vector<std::uint8_t>(640 * 480 * 3);
    BitmapInfo info;
    FrameBuffer frame{640, 480, pixels.data()};

    Picture()
    {
        // Distinct bytes everywhere, so that a shifted or reordered row shows.
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 7 + i / 1920);
        std::memset(&info, 0x5A, sizeof info);
        describeFrameBuffer(info, 640, 480);
    }
};

using BitmapFile = RecordingPlatform;

}  // namespace

TEST_F(BitmapFile, FileIsTheHeaderThenTheFrameBuffer)
{
    const Picture picture;
    const std::string path = tempPath("picture.bmp");
    ASSERT_EQ(1, writeBitmapFile(nullptr, path.c_str(), picture.info, picture.frame));
    const std::string file = readWholeFile(path);
    ASSERT_EQ(921658u, file.size());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(kHeader), 58), file.substr(0, 58));
    EXPECT_EQ(std::string(picture.pixels.begin(), picture.pixels.end()), file.substr(58));
    // The bottom-left pixel comes first, the top-right one last.
    EXPECT_EQ(static_cast<char>(picture.pixels[0]), file[58]);
    EXPECT_EQ(static_cast<char>(picture.pixels[(479 * 640 + 639) * 3 + 2]), file.back());
    EXPECT_TRUE(reports.empty());
}

TEST_F(BitmapFile, SavingOverALargerFileLeavesExactlyTheBitmap)
{
    const Picture picture;
    const std::string path = tempPath("larger.bmp");
    writeWholeFile(path, std::string(1000000, 'x'));
    ASSERT_EQ(1, writeBitmapFile(nullptr, path.c_str(), picture.info, picture.frame));
    EXPECT_EQ(921658u, readWholeFile(path).size());
}

// Each of the three write requests failing in turn, or writing only part of its bytes as on a
// full disk, leaves the old file byte for byte.
TEST_F(BitmapFile, AFailedOrShortWriteKeepsTheOldFile)
{
    static int failAt, calls, shortWrite;
    for (shortWrite = 0; shortWrite <= 1; ++shortWrite) {
        for (failAt = 1; failAt <= 3; ++failAt) {
            calls = 0;
            reports.clear();
            const Picture picture;
            const std::string folder = freshFolder("bitmap-fails");
            const std::string path = folder + "old.bmp";
            writeWholeFile(path, "an older picture");
            platform.writeFile = [](FileRef file, const void* data, std::uint32_t size, std::uint32_t* done) {
                if (++calls != failAt) return real.writeFile(file, data, size, done);
                return shortWrite ? real.writeFile(file, data, size - 1, done) : ErrorCode{23};
            };
            EXPECT_EQ(0, writeBitmapFile(nullptr, path.c_str(), picture.info, picture.frame));
            EXPECT_EQ(failAt, calls) << "no request after the failed one";
            EXPECT_EQ(std::vector<ErrorCode>{shortWrite ? real.diskFull : 23}, reports);
            EXPECT_EQ("an older picture", readWholeFile(path));
            EXPECT_EQ(std::vector<std::string>{"old.bmp"}, filesIn(folder));
        }
    }
}

#ifndef _WIN32
// Under a file-size limit the system writes part of the pixels and then fails with its own
// error, as on a full disk.
TEST_F(BitmapFile, ASizeLimitFailsTheSaveWithTheSystemsError)
{
    const Picture picture;
    const std::string folder = freshFolder("size-limit");
    writeWholeFile(folder + "old.bmp", "an older picture");
    rlimit saved, limit;
    ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &saved));
    limit = {500000, saved.rlim_max};
    void (*const handler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &limit));
    EXPECT_EQ(0, writeBitmapFile(nullptr, (folder + "old.bmp").c_str(), picture.info, picture.frame));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, handler);
    EXPECT_EQ(std::vector<ErrorCode>{EFBIG}, reports);
    EXPECT_EQ("an older picture", readWholeFile(folder + "old.bmp"));
    EXPECT_EQ(std::vector<std::string>{"old.bmp"}, filesIn(folder));
}
#endif
