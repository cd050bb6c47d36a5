#include "deep/decimal.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

int isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int readExponent(const char*& p, std::int64_t& exponent)
{
    int negative = 0;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (!isDigit(*p)) return 0;
    exponent = 0;
    for (; isDigit(*p); ++p) {
        exponent = exponent * 10 + (*p - '0');
        if (exponent > kMaxDecimalExponent) return 0;  // checked after each digit: no overflow
    }
    if (negative) exponent = -exponent;
    return 1;
}

}  // namespace

int parseDecimal(const char* text, Decimal& decimal)
{
    if (std::strlen(text) > kMaxDecimalLength) return 0;
    const char* p = text;
    decimal = Decimal{0, 0.0L, 0, 0};
    if (*p == '+' || *p == '-') decimal.negative = *p++ == '-';
    int digits = 0, kept = 0, afterPoint = 0;
    std::int64_t dropped = 0;  // significant digits left out of `leading`
    for (;; ++p) {
        if (*p == '.' && !afterPoint) {
            afterPoint = 1;
            continue;
        }
        if (!isDigit(*p)) break;
        ++digits;
        if (*p != '0') decimal.nonZero = 1;
        if (kept < 19 && (kept > 0 || *p != '0')) {
            decimal.leading = decimal.leading * 10 + (*p - '0');
            ++kept;
            if (afterPoint) --decimal.scale;
        } else if (kept >= 19 && !afterPoint) {
            ++dropped;
        } else if (kept == 0 && afterPoint) {
            --decimal.scale;  // a leading zero after the point
        }
    }
    if (digits == 0) return 0;
    std::int64_t exponent = 0;
    if ((*p == 'e' || *p == 'E') && !readExponent(++p, exponent)) return 0;
    decimal.scale += exponent + dropped;
    return *p == '\0';
}

int parseWholeNumber(const char* text, std::int64_t low, std::int64_t high, std::int64_t& value)
{
    if (!isDigit(*text)) return 0;
    std::int64_t number = 0;
    for (const char* p = text; *p; ++p) {
        if (!isDigit(*p) || number > (INT64_MAX - 9) / 10) return 0;
        number = number * 10 + (*p - '0');
    }
    if (number < low || number > high) return 0;
    value = number;
    return 1;
}

int parsePositiveNumber(const char* text, double& value)
{
    Decimal decimal;
    if (!parseDecimal(text, decimal) || decimal.negative || !decimal.nonZero) return 0;
    value = std::strtod(text, nullptr);
    return std::isfinite(value) && value > 0;
}
