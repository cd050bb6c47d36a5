// Location files (.kfr): a file written by hand as Kalles Fraktaler writes them, the round
// trip through our writer, the refusals, and a picture rendered from one.
#include <cmath>
#include <cstring>

#include "files/location_file.h"
#include "files/view_fields.h"
#include "tests/test_support.h"
#include "tests/tool_runner.h"

namespace {

// Keys as Kalles Fraktaler 2+ saves them, ours among many that a view leaves alone.
const char kHandWritten[] =
    "Re: -0.743643887037158704752191506114774\r\n"
    "Im: 0.131825904205311970493132056385139\r\n"
    "Zoom: 1.5E20\r\n"
    "Iterations: 5000\r\n"
    "IterDiv: 1.000000\r\n"
    "SmoothMethod: 1\r\n"
    "ColorOffset: 0\r\n"
    "Colors: 0,0,0,0,255,255,0,0,0,128,\r\n"
    "\r\n"
    "Smooth: 1\r\n";

DeepView parsed(const std::string& text, std::int32_t width, std::int32_t height, std::string& error)
{
    DeepView view = deepViewOf(kInitialViewParams);
    error.clear();
    parseLocationText(text.data(), text.size(), width, height, view, error);
    return view;
}

}  // namespace

TEST(LocationFile, HandWrittenFileAtTwoAspects)
{
    std::string error;
    // width, height, the magnification: Zoom x 1.5 x height / width
    const struct {
        std::int32_t width, height;
        const char* magnification;
    } rows[] = {
        {640, 480, "1.6875e+20"},
        {512, 512, "2.25e+20"},
        {1920, 1080, "1.265625e+20"},
    };
    for (const auto& row : rows) {
        const DeepView view = parsed(kHandWritten, row.width, row.height, error);
        EXPECT_EQ("", error);
        EXPECT_EQ("-0.743643887037158704752191506114774", view.centerX);
        EXPECT_EQ("0.131825904205311970493132056385139", view.centerY);
        EXPECT_EQ(5000, view.maxIterations);
        EXPECT_EQ(row.magnification, deepFieldText(view, kMagnificationField)) << row.width;
    }
}

TEST(LocationFile, RoundTrip)
{
    std::string error;
    DeepView view = deepViewOf(kInitialViewParams);
    const std::string deepY = "1." + std::string(300, '0') + "37";
    ASSERT_TRUE(setDeepField(view, kCenterX, "-1.3e-301", error));
    ASSERT_TRUE(setDeepField(view, kCenterY, deepY.c_str(), error));
    ASSERT_TRUE(setDeepField(view, kLimit, "123456", error));
    for (const char* magnification : {"2.5e300", "3.25", "1e-3", "7.77e4000"}) {
        ASSERT_TRUE(setDeepField(view, kMagnificationField, magnification, error));
        const DeepView back = parsed(locationText(view, 800, 600), 800, 600, error);
        EXPECT_EQ("", error);
        EXPECT_EQ(view.centerX, back.centerX);
        EXPECT_EQ(deepY, back.centerY);
        EXPECT_EQ(123456, back.maxIterations);
        EXPECT_EQ(view.magnification.exponent, back.magnification.exponent) << magnification;
        EXPECT_NEAR(view.magnification.mantissa, back.magnification.mantissa, 1e-15) << magnification;
    }
}

TEST(LocationFile, Refusals)
{
    const std::string good = "Re: 0.25\nIm: -0.5\nZoom: 10\nIterations: 100\n";
    // the text, what the one-line reason says
    const struct {
        std::string text;
        const char* reason;
    } rows[] = {
        {"Re: 0.25\nIm: -0.5\nZoom: 10\n", "no Iterations"},
        {"Im: -0.5\nZoom: 10\nIterations: 100\n", "no Re"},
        {good + "Zoom: 0\n", "line 5: bad Zoom '0'"},
        {good + "Zoom: 1e10001\n", "line 5: bad magnification"},
        {good + "Re: 1.2.3\n", "line 5: bad Re '1.2.3'"},
        {good + "Iterations: 3000000000\n", "bad Iterations '3000000000'"},
        {good + "just words\n", "line 5: give Key: value"},
        {good + "Title: caf\xC3\xA9\n", "bytes that are not text"},
        {std::string("Re: 0\0\nIm: 0\nZoom: 1\nIterations: 9\n", 36), "bytes that are not text"},
    };
    for (const auto& row : rows) {
        std::string error;
        DeepView view = deepViewOf(kInitialViewParams);
        EXPECT_FALSE(parseLocationText(row.text.data(), row.text.size(), 640, 480, view, error)) << row.text;
        EXPECT_NE(std::string::npos, error.find(row.reason)) << error;
        EXPECT_EQ(deepViewOf(kInitialViewParams).centerX, view.centerX);
    }
}

// A location file as the view gives the picture of the same view on the command line, and
// --save-view writes one that gives it again.
TEST(LocationFile, RenderedAndSaved)
{
    const std::string folder = freshFolder("kfr"), kfr = folder + "place.KFR";
    writeWholeFile(kfr, "Re: -0.75\r\nIm: 0.1\r\nZoom: 8\r\nIterations: 300\r\n");
    ASSERT_EQ(0, runTool({kfr, "--size", "64x32", "--quiet", "-o", folder + "a.bmp", "--save-view", folder + "b.kfr"}))
        << toolMessages;
    ASSERT_EQ(0, runTool({"--center-x", "-0.75", "--center-y", "0.1", "--magnification", "6", "--limit", "300", "--size",
                          "64x32", "--quiet", "-o", folder + "c.bmp"}));
    EXPECT_EQ(readWholeFile(folder + "a.bmp"), readWholeFile(folder + "c.bmp"));
    EXPECT_EQ("Re: -0.75\r\nIm: 0.1\r\nZoom: 8\r\n"
              "Iterations: 300\r\n", readWholeFile(folder + "b.kfr"));
}
