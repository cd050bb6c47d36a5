#include "tests/test_support.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

std::string tempPath(const char* name)
{
    return freshFolder(testing::UnitTest::GetInstance()->current_test_info()->name()) + name;
}

std::string readWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeWholeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string freshFolder(const char* name)
{
    static int counter = 0;
    const std::string path = testing::TempDir() + "tavelin-dir-" + std::to_string(++counter) + "-" + name;
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
    return path + static_cast<char>(std::filesystem::path::preferred_separator);
}

std::vector<std::string> filesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& file : std::filesystem::directory_iterator(folder)) {
        names.push_back(file.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

ViewParams testView(double x, double y, double magnification, std::int32_t limit)
{
    return {x, y, magnification, limit, {0x102030, 0x405060, 0x708090, 0xFFABCDEF}, {1, 2, 3, 4}};
}

std::string bitmapOf(const std::string& pixels, std::int32_t width, std::int32_t height)
{
    const std::size_t row = std::size_t(width) * 3, stride = (row + 3) / 4 * 4;
    std::string file = "BM" + bytesOf(std::uint32_t(58 + stride * height)) + std::string(4, 0) + bytesOf(58);
    file += bytesOf(40) + bytesOf(width) + bytesOf(height) + std::string("\1\0\x18\0", 4) + std::string(28, 0);
    for (std::size_t i = 0; i < pixels.size(); i += row) file += pixels.substr(i, row) + std::string(stride - row, 0);
    return file;
}
