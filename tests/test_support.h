// Shared helpers of the core tests: a platform whose reports and repaint requests are
// recorded, and whole files read and written with the standard library.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/platform.h"

// Records what the core reports and invalidates; file requests go to the real platform.
// Restores the real platform at the end of each test.
class RecordingPlatform : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    static std::vector<ErrorCode> reports;
    static std::vector<WindowRef> reportOwners;
    static std::vector<PixelRect> repaints;
    static Platform real;

private:
    Platform saved_ = {};
};

// A path in a new empty folder of the temporary folder, named after the running test.
std::string tempPath(const char* name);

std::string readWholeFile(const std::string& path);
void writeWholeFile(const std::string& path, const std::string& bytes);
bool fileExists(const std::string& path);

// A new empty folder in the temporary folder, its path ending in a separator.
std::string freshFolder(const char* name);

// The names of the files in a folder, sorted: shows that no temporary file was left behind.
std::vector<std::string> filesIn(const std::string& folder);
