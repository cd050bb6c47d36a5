// The one reader of numbers typed by people: decimal texts of any length, checked strictly (no
// hexadecimal, no "inf" or "nan", no spaces), for the command line and for view files alike.
#pragma once

#include <cstddef>
#include <cstdint>

// Longer texts are refused: they would take long to convert and say nothing a view needs.
constexpr std::size_t kMaxDecimalLength = 100000;
constexpr std::int64_t kMaxDecimalExponent = 100000;
constexpr long double kLog2Of10 = 3.321928094887362347870319429489390175864831393L;

// A decimal text split up: its sign, its first significant digits and the power of ten they
// are scaled by.
struct Decimal {
    int negative;
    long double leading;       // the first (at most 19) significant digits as a whole number
    std::int64_t scale;        // value = leading x 10^scale (up to the digits left out)
    int nonZero;
};

// [+-]digits[.digits][(e|E)[+-]digits], at least one digit before the exponent, at most
// kMaxDecimalLength characters and an exponent of at most kMaxDecimalExponent in size. 1 when
// the whole text is such a number.
int parseDecimal(const char* text, Decimal& decimal);

// A whole number from low to high written in decimal digits alone, and nothing after it.
int parseWholeNumber(const char* text, std::int64_t low, std::int64_t high, std::int64_t& value);

// A finite decimal number above 0 (as parseDecimal reads it) as the nearest double.
int parsePositiveNumber(const char* text, double& value);
