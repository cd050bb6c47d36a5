#include "deep/deep_view.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "deep/decimal.h"

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
    // The window program takes no step at any limit up to 0 (every pixel inside): such a limit
    // is 0 here, the same picture, and a view text that reads back.
    view.maxIterations = params.maxIterations > 0 ? params.maxIterations : 0;
    for (int i = 0; i < 4; ++i) view.colors[i] = params.colors[i];
    view.programPixels = 0;
    return view;
}

DeepView withMagnificationLog2(const DeepView& view, double log2)
{
    DeepView result = view;
    result.magnification = magnificationFromLog2(log2);
    return result;
}
