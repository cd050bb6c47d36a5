// Shared helpers of the tests: a platform whose reports and repaint requests are recorded, whole
// files, and renders into frames with guard bytes around them.
#pragma once

#include <gtest/gtest.h>

#include "core/platform.h"
#include "core/row_kernels.h"

// Records what the core reports and asks to repaint; file requests go to the real platform,
// which is put back after each test.
class RecordingPlatform : public testing::Test {
protected:
    void SetUp() override
    {
        real = platform;
        reports.clear();
        repaints.clear();
        platform.reportError = [](WindowRef, ErrorCode code) { reports.push_back(code); };
        platform.requestRepaint = [](const PixelRect& rect) { repaints.push_back(rect); };
    }
    void TearDown() override { platform = real; }

    static inline std::vector<ErrorCode> reports;
    static inline std::vector<PixelRect> repaints;
    static inline Platform real;
};

// A path in a new empty folder of the temporary folder, named after the running test.
std::string tempPath(const char* name);

std::string readWholeFile(const std::string& path);
void writeWholeFile(const std::string& path, const std::string& bytes);

// A new empty folder in the temporary folder, its path ending in a separator.
std::string freshFolder(const char* name);

// The names of the files in a folder, sorted: shows that no temporary file was left behind.
std::vector<std::string> filesIn(const std::string& folder);

// The bytes of a value as they lie in memory.
template <class T>
std::string bytesOf(const T& value) { return std::string(reinterpret_cast<const char*>(&value), sizeof value); }

// A view whose colours tell the palette entries and the inside colour apart: entry 0 is the pixel
// bytes 10 20 30, the inside colour AB CD EF (its COLORREF's high byte is set, and to be ignored).
ViewParams testView(double centerX, double centerY, double magnification, std::int32_t maxIterations);
const std::string kInside = "\xAB\xCD\xEF";

constexpr std::size_t kGuardBytes = 64;

// A render of params into a width x height frame between guard bytes (0xCD), begun as the program
// begins one, over a selection that is drawn. Not to be copied: the frame points into its memory.
struct TestRender {
    TestRender(const ViewParams& params, std::int32_t width, std::int32_t height)
        : memory(kGuardBytes * 2 + std::size_t(width) * height * 3, '\xCD'),
          frame{width, height, reinterpret_cast<std::uint8_t*>(&memory[kGuardBytes])}
    {
        beginRender(params, job, frame, selection);
    }
    // Renders the rest with kernel (the plain one through renderRowPlain) in slices of `steps` steps.
    TestRender& finish(std::int32_t kernel, std::int32_t cycleChecks = 1, std::int32_t steps = INT32_MAX)
    {
        job.kernel = kernel;
        job.cycleChecks = cycleChecks;
        while (job.active) {
            if (kernel == kRowKernelPlain) renderRowPlain(job, frame);
            if (kernel != kRowKernelPlain) renderSlice(job, frame, steps);
        }
        return *this;
    }
    std::string pixels() const { return memory.substr(kGuardBytes, memory.size() - 2 * kGuardBytes); }

    std::string memory;
    FrameBuffer frame;
    RenderJob job = {};
    Selection selection = {1, {3, 4}, {5, 6}};
};

// The 24-bit bitmap file of pixels (bottom row first), put together here byte by byte: the header
// and then the rows, each padded to 4 bytes.
std::string bitmapOf(const std::string& pixels, std::int32_t width, std::int32_t height);
