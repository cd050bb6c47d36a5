#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "core/field_texts.h"
#include "test_support.h"

namespace {

std::string shown(double value)
{
    char text[kFieldTextSize];
    formatFieldDouble(value, text);
    return text;
}

std::string shownAsMagnification(double value)
{
    char text[kFieldTextSize];
    formatFieldMagnification(value, text);
    return text;
}

}  // namespace

TEST(FieldTextsTest, InitialViewShowsFixedTexts)
{
    FieldTexts texts;
    formatFieldTexts(kInitialViewParams, texts);
    EXPECT_STREQ("0.0000000000000000", texts.centerX);
    EXPECT_STREQ("0.0000000000000000", texts.centerY);
    EXPECT_STREQ("1.0000000000000000", texts.magnification);
    EXPECT_STREQ("300", texts.maxIterations);
}

// The centres always, and magnifications while the fixed text keeps 15 significant digits;
// smaller magnifications in the shortest text that reads back exactly.
TEST(FieldTextsTest, DoublesShowFixedUntilTheyDoNotFit)
{
    const struct {
        double value;
        const char* text;
        const char* magnification = nullptr;  // null: the same text
    } cases[] = {
        {-0.75, "-0.7500000000000000"},
        {640.0 / 66, "9.6969696969696972"},
        {1e-17, "0.0000000000000000", "1e-17"},
        {99999999999999.0, "99999999999999.0000000000000000"},  // 31 characters, the most
        {1e14, "100000000000000"},
        {-9999999999999.0, "-9999999999999.0000000000000000"},
        {-1e13, "-10000000000000"},
        {640.0 / 3 * 1e20, "2.1333333333333336e+22"},
        {-std::numeric_limits<double>::max(), "-1.7976931348623157e+308"},
        {std::numeric_limits<double>::infinity(), "inf"},
        {0.0, "0.0000000000000000"},
        {0.01, "0.0100000000000000"},
        {0.1 / 3, "0.0333333333333333"},
        {-0.001, "-0.0010000000000000", "-0.001"},
        {0.001 / 3, "0.0003333333333333", "0.0003333333333333333"},
        {2e-5 / 7, "0.0000028571428571", "2.8571428571428573e-06"},
        {1e-20, "0.0000000000000000", "1e-20"},
        {5e-324, "0.0000000000000000", "4.94065645841247e-324"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.text, shown(c.value));
        EXPECT_EQ(c.magnification ? c.magnification : c.text, shownAsMagnification(c.value));
    }
}

TEST(FieldTextsTest, TextsConvertAsTheStandardConversionsDo)
{
    const struct {
        const char* text;
        double real;
        std::int32_t integer;
    } cases[] = {
        {"300", 300.0, 300},
        {"300.5", 300.5, 300},
        {"12x", 12.0, 12},
        {"abc", 0.0, 0},
        {"", 0.0, 0},
        {"  -1.5e2zz", -150.0, -1},
        {"+7", 7.0, 7},
        {"2147483647", 2147483647.0, INT32_MAX},
        {"2147483648", 2147483648.0, INT32_MAX},
        {"99999999999999999999999", 1e23, INT32_MAX},
        {"-2147483649", -2147483649.0, INT32_MIN},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.real, parseFieldDouble(c.text)) << '"' << c.text << '"';
        EXPECT_EQ(c.integer, parseFieldInteger(c.text)) << '"' << c.text << '"';
    }
}

TEST(FieldTextsTest, ParsingReplacesOnlyTheFourNumbers)
{
    ViewParams params = kInitialViewParams;
    params.colors[3] = 0x00112233;
    params.reserved[0] = 5;
    const FieldTexts texts = {"-0.75", "0.1", "abc", "12x"};
    parseFieldTexts(texts, params);
    EXPECT_EQ(-0.75, params.centerX);
    EXPECT_EQ(0.1, params.centerY);
    EXPECT_EQ(0.0, params.magnification);
    EXPECT_EQ(12, params.maxIterations);
    EXPECT_EQ(0x00804000u, params.colors[0]);
    EXPECT_EQ(0x00112233u, params.colors[3]);
    EXPECT_EQ(5, params.reserved[0]);
}

// What the program writes into a field reads back: exactly where the text carries every bit
// (short forms, fixed texts of values of 1 and above, magnifications below 0.01), within half a
// unit of the 16th decimal (and the rounding of the result to a double) otherwise.
TEST(FieldTextsTest, WrittenTextsReadBack)
{
    std::mt19937_64 random(7);
    for (int i = 0; i < 20000; ++i) {
        double value;
        if (i % 2) {
            const std::uint64_t bits = random();
            std::memcpy(&value, &bits, sizeof value);
            if (!std::isfinite(value)) continue;
        } else {
            value = std::ldexp(static_cast<double>(random() >> 11), static_cast<int>(random() % 120) - 100);
            if (i % 4 == 0) value = -value;
        }
        const std::string text = shown(value);
        ASSERT_LT(text.size(), 32u);
        ViewParams view = kInitialViewParams;
        view.magnification = value;
        FieldTexts texts;
        formatFieldTexts(view, texts);
        parseFieldTexts(texts, view);
        if (std::fabs(value) < 0.005) {
            EXPECT_EQ(value, view.magnification) << texts.magnification;
        }
        const double back = parseFieldDouble(text.c_str());
        if (std::fabs(value) >= 1.0 || text.find_first_of("e") != std::string::npos) {
            EXPECT_EQ(value, back) << text;
        } else {
            EXPECT_LE(std::fabs(back - value), 0.5e-16 + std::fabs(value) * 0x1p-53) << text;
        }
    }
}
