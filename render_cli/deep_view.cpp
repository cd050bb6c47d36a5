#include "deep_view.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "refusal.h"

const char* const kDeepFieldNames[kDeepFieldCount] = {"center-x", "center-y", "magnification", "limit", "colors"};

namespace {

// Longer texts are refused: they would take long to convert and say nothing a view needs.
constexpr std::size_t kMaxDecimalLength = 100000;
constexpr std::int64_t kMaxDecimalExponent = 100000;
constexpr long double kLog2Of10 = 3.321928094887362347870319429489390175864831393L;

// A decimal text split up: sign, the digits without the point, where the point was, and the
// exponent. At most 19 leading significant digits go into `leading`.
struct Decimal {
    int negative;
    long double leading;       // the first significant digits as a whole number
    std::int64_t scale;        // value = leading x 10^scale (up to the digits left out)
    int nonZero;
};

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
        if (exponent > kMaxDecimalExponent) return 0;
        exponent = exponent * 10 + (*p - '0');
    }
    if (negative) exponent = -exponent;
    return 1;
}

// [+-]digits[.digits][(e|E)[+-]digits], at least one digit before the exponent.
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

int parseLimit(const char* text, std::int32_t& limit)
{
    if (!isDigit(*text)) return 0;
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text, &end, 10);
    if (errno || *end != '\0' || value < 1 || value > INT32_MAX) return 0;
    limit = std::int32_t(value);
    return 1;
}

// "0xRRGGBB" as a COLORREF (0x00BBGGRR).
int parseColor(const char* begin, const char* end, ColorRef& color)
{
    if (end - begin != 8 || begin[0] != '0' || (begin[1] != 'x' && begin[1] != 'X')) return 0;
    std::uint32_t rgb = 0;
    for (const char* p = begin + 2; p != end; ++p) {
        const char c = char(*p | 0x20);
        const int digit = isDigit(*p) ? *p - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) return 0;
        rgb = rgb * 16 + std::uint32_t(digit);
    }
    color = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
    return 1;
}

int parseColors(const char* text, ColorRef (&colors)[4])
{
    ColorRef parsed[4] = {colors[0], colors[1], colors[2], colors[3]};
    int count = 0;
    for (const char* p = text;; ++count) {
        const char* comma = std::strchr(p, ',');
        const char* end = comma ? comma : p + std::strlen(p);
        if (count == 4 || !parseColor(p, end, parsed[count])) return 0;
        if (!comma) break;
        p = comma + 1;
    }
    if (count + 1 < 3) return 0;
    for (int i = 0; i < 4; ++i) colors[i] = parsed[i];
    return 1;
}

}  // namespace

int parseMagnification(const char* text, Magnification& magnification)
{
    Decimal decimal;
    if (!parseDecimal(text, decimal)) return 0;
    magnification = Magnification{0.0, 0};
    if (!decimal.nonZero) return 1;
    const long double log10 = std::log10(decimal.leading) + decimal.scale;
    if (std::fabs(log10) < 300) {
        // Within the range of doubles the nearest double, as a parameter file holds it.
        int exponent = 0;
        magnification.mantissa = std::frexp(std::strtod(text, nullptr), &exponent) * 2.0;
        magnification.exponent = exponent - 1;
        return 1;
    }
    const long double log2 = log10 * kLog2Of10;
    const long double whole = std::floor(log2);
    magnification.mantissa = double(std::exp2(log2 - whole));
    magnification.exponent = std::int64_t(whole);
    if (magnification.mantissa >= 2.0) {  // rounding at a power of two
        magnification.mantissa = 1.0;
        magnification.exponent += 1;
    }
    if (decimal.negative) magnification.mantissa = -magnification.mantissa;
    return 1;
}

double magnificationLog2(const Magnification& magnification)
{
    return double(magnification.exponent) + std::log2(std::fabs(magnification.mantissa));
}

Magnification magnificationFromLog2(double log2)
{
    const double whole = std::floor(log2);
    return Magnification{std::exp2(log2 - whole), std::int64_t(whole)};
}

long double magnificationValue(const Magnification& magnification)
{
    if (magnification.exponent > 20000) return HUGE_VALL;
    if (magnification.exponent < -20000) return 0.0L;
    return std::ldexp(std::fabs(static_cast<long double>(magnification.mantissa)), int(magnification.exponent));
}

std::string formatMagnification(const Magnification& magnification)
{
    char text[64];
    const long double log2 = magnification.exponent + std::log2(std::fabs(static_cast<long double>(magnification.mantissa)));
    if (magnification.mantissa == 0.0 || std::fabs(log2) < 1000) {
        std::snprintf(text, sizeof text, "%.17g", std::ldexp(magnification.mantissa, int(magnification.exponent)));
        return text;
    }
    const long double log10 = log2 / kLog2Of10;
    long double whole = std::floor(log10);
    long double leading = std::pow(10.0L, log10 - whole);
    if (leading >= 9.99999999999999995L) {
        leading = 1.0L;
        whole += 1;
    }
    std::snprintf(text, sizeof text, "%s%.16Lfe%+lld", magnification.mantissa < 0 ? "-" : "", leading,
                  static_cast<long long>(whole));
    return text;
}

std::string exactDecimal(double value)
{
    // 767 digits after the point hold the expansion of every double exactly.
    char text[800];
    std::snprintf(text, sizeof text, "%.767e", value);
    char* e = std::strchr(text, 'e');
    char* last = e - 1;
    while (*last == '0') --last;
    if (*last == '.') --last;
    const int exponent = std::atoi(e + 1);
    std::string result(text, std::size_t(last + 1 - text));
    if (exponent != 0) result += "e" + std::to_string(exponent);
    return result;
}

DeepView deepViewOf(const ViewParams& params)
{
    DeepView view;
    view.centerX = exactDecimal(params.centerX);
    view.centerY = exactDecimal(params.centerY);
    int exponent = 0;
    const double mantissa = std::frexp(params.magnification, &exponent);
    view.magnification = Magnification{mantissa * 2.0, std::int64_t(exponent) - 1};
    if (params.magnification == 0.0) view.magnification = Magnification{0.0, 0};
    view.maxIterations = params.maxIterations;
    for (int i = 0; i < 4; ++i) view.colors[i] = params.colors[i];
    view.programPixels = 0;
    return view;
}

int setDeepField(DeepView& view, DeepField field, const char* text, char (&error)[kViewErrorSize])
{
    const char* name = kDeepFieldNames[field];
    Decimal decimal;
    switch (field) {
    case kCenterX:
    case kCenterY:
        if (!parseDecimal(text, decimal)) {
            return refuse(error, sizeof error, "bad %s '%.40s': give a decimal number of at most %lu characters, exponent at most %ld",
                        name, text, static_cast<unsigned long>(kMaxDecimalLength), long(kMaxDecimalExponent));
        }
        (field == kCenterX ? view.centerX : view.centerY) = text;
        return 1;
    case kMagnificationField: {
        Magnification magnification;
        if (!parseMagnification(text, magnification) || magnification.mantissa == 0.0 ||
            std::fabs(magnificationLog2(magnification)) > kDeepestMagnificationLog10 * double(kLog2Of10)) {
            return refuse(error, sizeof error, "bad magnification '%.40s': give a non-zero decimal number, at most 1e%.0f in size",
                        text, kDeepestMagnificationLog10);
        }
        view.magnification = magnification;
        return 1;
    }
    case kLimit:
        if (!parseLimit(text, view.maxIterations)) {
            return refuse(error, sizeof error, "bad limit '%.40s': give a whole number from 1 to %ld", text, long(INT32_MAX));
        }
        return 1;
    default:
        if (!parseColors(text, view.colors)) {
            return refuse(error, sizeof error, "bad colors '%.40s': give 0xRRGGBB,0xRRGGBB,0xRRGGBB", text);
        }
        return 1;
    }
}

std::string deepFieldText(const DeepView& view, DeepField field)
{
    char text[64];
    switch (field) {
    case kCenterX: return view.centerX;
    case kCenterY: return view.centerY;
    case kMagnificationField: return formatMagnification(view.magnification);
    case kLimit: return std::to_string(view.maxIterations);
    default: break;
    }
    std::string colors;
    for (int i = 0; i < 4; ++i) {
        const ColorRef c = view.colors[i];
        std::snprintf(text, sizeof text, "%s0x%06lX", i ? "," : "",
                      static_cast<unsigned long>(((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF)));
        colors += text;
    }
    return colors;
}

int withMagnification(const DeepView& view, const char* text, DeepView& result)
{
    char error[kViewErrorSize];
    result = view;
    return setDeepField(result, kMagnificationField, text, error);
}

DeepView withMagnificationLog2(const DeepView& view, double log2)
{
    DeepView result = view;
    result.magnification = magnificationFromLog2(log2);
    return result;
}
