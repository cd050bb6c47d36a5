#include "test_support.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

std::vector<ErrorCode> RecordingPlatform::reports;
std::vector<WindowRef> RecordingPlatform::reportOwners;
std::vector<PixelRect> RecordingPlatform::repaints;
Platform RecordingPlatform::real;

void RecordingPlatform::SetUp()
{
    saved_ = platform;
    real = platform;
    reports.clear();
    reportOwners.clear();
    repaints.clear();
    platform.reportError = [](WindowRef owner, ErrorCode code) {
        reportOwners.push_back(owner);
        reports.push_back(code);
    };
    platform.requestRepaint = [](const PixelRect& rect) { repaints.push_back(rect); };
}

void RecordingPlatform::TearDown()
{
    platform = saved_;
}

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
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool fileExists(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return in.good();
}

std::string freshFolder(const char* name)
{
    static int counter = 0;
    std::ostringstream path;
    path << testing::TempDir() << "tavelin-dir-" << ++counter << "-" << name;
    std::filesystem::remove_all(path.str());
    std::filesystem::create_directories(path.str());
    return path.str() + static_cast<char>(std::filesystem::path::preferred_separator);
}

std::vector<std::string> filesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}
