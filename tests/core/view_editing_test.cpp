// How a view is edited: a mouse drag becomes a 4:3 band and the view it encloses, and the control
// panel's four fields show a view and are read back into one.
#include "core/field_texts.h"
#include "core/selection.h"
#include "core/x87_control.h"
#include "tests/test_support.h"

// The corner moved to the 4:3 shape: anchor, corner in and corner out. Where the height decides,
// the width is the height times the double just below 4/3, truncated unrounded: one less than 4/3 of
// a height that is a multiple of 3 (the largest wraps round as the 16-bit coordinate it is).
TEST(ZoomGeometry, DragsAndTheViewsTheyEnclose)
{
    const struct { MousePoint anchor, in, out; } corners[] = {
        {{100, 100}, {200, 150}, {166, 150}}, {{100, 100}, {150, 200}, {150, 137}}, {{100, 100}, {40, 10}, {40, 55}},
        {{0, 0}, {30, 30}, {39, 30}}, {{10, 10}, {20, 19}, {21, 19}}, {{630, 0}, {639, 9}, {641, 9}},
        {{5, 0}, {0, 5}, {-1, 5}}, {{10, 10}, {200, 10}, {10, 10}}, {{10, 10}, {10, 200}, {10, 10}},
        {{0, 0}, {639, 479}, {638, 479}}, {{639, 479}, {0, 0}, {1, 0}}, {{100, 100}, {100, 100}, {100, 100}},
        {{0, 0}, {4, 4}, {5, 4}}, {{0, 0}, {300, 300}, {399, 300}}, {{0, 0}, {32767, 32767}, {-21847, 32767}},
    };
    for (const auto& c : corners) {
        MousePoint corner = c.in;
        constrainAspect(c.anchor, corner);
        EXPECT_EQ(bytesOf(c.out), bytesOf(corner)) << &c - corners << ": " << corner.x << ", " << corner.y;
    }
    // The view that a band encloses, exact to the last bit whatever precision the thread's x87 unit
    // is set to (Windows starts threads other than the first with 53 bits, which would make long
    // double round like double), and the caller's precision restored. Bands without area, and views
    // that would not be finite, give the current view; the colours, limit and reserved bytes are
    // always the current view's.
    const struct { double x, y, magnification; MousePoint a, b; double toX, toY, toMagnification; } views[] = {
        {0, 0, 1, {0, 0}, {320, 240}, -1.5, 1.125, 2}, {0, 0, 1, {320, 240}, {0, 0}, -1.5, 1.125, 2},
        {0, 0, 2, {0, 0}, {320, 240}, -0.75, 0.5625, 4}, {0, 0, -1, {0, 0}, {320, 240}, 1.5, -1.125, -2},
        {0, 0, 1, {0, 0}, {3, 3}, -2.9859375, 2.2359375, 213.33333333333334},
        {0, 0, 1, {100, 100}, {166, 150}, -1.753125, 1.078125, 9.6969696969696972},
        {0, 0, 1, {200, 100}, {120, 160}, -1.5, 1.03125, 8},
        // Drags (0, 66)-(123, 143) and (0, 33)-(123, 110), shaped: doubles would round the products
        // and give y 1.2703125000000002 and 1.5796874999999999.
        {0, 0, 1, {0, 66}, {102, 143}, -2.5218750000000001, 1.2703125, 6.2745098039215685},
        {0, 0, 1, {0, 33}, {102, 110}, -2.5218750000000001, 1.5796875000000001, 6.2745098039215685},
        // The steps too are divided with 64 bits before they are stored: divided in doubles they give
        // -1.6281249999999998 and 0.99999999999999978.
        {0, 0, 1.5, {0, 35}, {119, 125}, -1.628125, 1.0, 8.0672268907563023},
        {0.25, -0.5, 3, {100, 100}, {200, 100}, 0.25, -0.5, 3}, {0.25, -0.5, 3, {10, 10}, {10, 30}, 0.25, -0.5, 3},
        {0.25, -0.5, 1e307, {0, 0}, {4, 3}, 0.25, -0.5, 1e307},
    };
    const std::uint16_t saved = x87ControlWord();
    for (const std::uint16_t precision : {kX87Precision64, kX87Precision53}) {
        setX87ControlWord(withX87Precision(saved, precision));
        for (const auto& c : views) {
            ViewParams result;
            viewFromSelection(testView(c.x, c.y, c.magnification, 777), result, c.a, c.b, 640, 480);
            EXPECT_EQ(withX87Precision(saved, precision), x87ControlWord()) << "the caller's precision";
            EXPECT_EQ(bytesOf(testView(c.toX, c.toY, c.toMagnification, 777)), bytesOf(result))
                << "view " << &c - views << ", x87 precision " << precision;
        }
    }
    setX87ControlWord(saved);
}

// Doubles show "%1.16f" while it fits the field's 31 characters, else "%.17g"; a drawable
// magnification whose fixed text reads back as one that is not shows the shortest of "%.15g" to
// "%.17g" that reads back as the same double (null: the same text). Texts convert as the standard
// conversions do for decimal numbers: leading blanks skipped, the rest after the number ignored, 0
// for no number (hexadecimal reads as its 0); integers saturate at the 32-bit limits. Parsing
// replaces only the four numbers.
TEST(FieldTexts, TextsAndNumbers)
{
    const struct { double value; const char *text, *magnification; } doubles[] = {
        {-0.75, "-0.7500000000000000", nullptr},
        {640.0 / 66, "9.6969696969696972", nullptr},
        {99999999999999.0, "99999999999999.0000000000000000", nullptr},
        {1e14, "100000000000000", nullptr},
        {640.0 / 3 * 1e20, "2.1333333333333336e+22", nullptr},
        {1.0 / 0.0, "inf", nullptr},
        {0.0, "0.0000000000000000", nullptr},
        {0.001, "0.0010000000000000", nullptr},
        {2e-5 / 7, "0.0000028571428571", nullptr},
        {1e-20, "0.0000000000000000", "1e-20"},
        {4e-17 / 7, "0.0000000000000000", "5.714285714285715e-18"},
        {5e-324, "0.0000000000000000", nullptr},
    };
    for (const auto& c : doubles) {
        FieldTexts texts = {};
        formatFieldTexts(testView(c.value, 0, c.value, 0), texts);
        EXPECT_EQ(std::string(c.text) + " " + (c.magnification ? c.magnification : c.text),
                  std::string(texts.centerX) + " " + texts.magnification);
    }
    const struct { const char* text; double real; std::int32_t integer; } texts[] = {
        {"300.5", 300.5, 300},
        {"+0.25", 0.25, 0},
        {"12x", 12, 12},
        {"abc", 0, 0},
        {"  -1.5e2zz", -150, -1},
        {"0x1A", 0, 0},
        {"inf", 0, 0},
        {"2147483648", 2147483648.0, INT32_MAX},
        {"99999999999999999999999", 1e23, INT32_MAX},
        {"-2147483649", -2147483649.0, INT32_MIN},
    };
    for (const auto& c : texts) {
        EXPECT_EQ(c.real, parseFieldDouble(c.text)) << '"' << c.text << '"';
        EXPECT_EQ(c.integer, parseFieldInteger(c.text)) << '"' << c.text << '"';
    }
    FieldTexts initial = {};
    formatFieldTexts(kInitialViewParams, initial);
    EXPECT_EQ(bytesOf(FieldTexts{"0.0000000000000000", "0.0000000000000000", "1.0000000000000000", "300"}),
              bytesOf(initial));
    ViewParams params = testView(1, 2, 3, 4);
    parseFieldTexts(FieldTexts{"-0.75", "0.1", "abc", "12x"}, params);
    EXPECT_EQ(bytesOf(testView(-0.75, 0.1, 0, 12)), bytesOf(params));
}
