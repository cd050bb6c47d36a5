#include "field_texts.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

void formatFieldDouble(double value, char (&text)[kFieldTextSize])
{
    const int length = std::snprintf(text, sizeof text, "%1.16f", value);
    if (length < 0 || length >= kFieldTextSize) {
        std::snprintf(text, sizeof text, "%.17g", value);
    }
}

namespace {

// The digits of a text from its first non-zero digit on.
int significantDigits(const char* text)
{
    int count = 0;
    for (const char* p = text; *p; ++p) {
        const bool digit = *p >= '0' && *p <= '9';
        if (digit && (count > 0 || *p != '0')) ++count;
    }
    return count;
}

}  // namespace

void formatFieldMagnification(double value, char (&text)[kFieldTextSize])
{
    formatFieldDouble(value, text);
    if (!(std::fabs(value) < 1.0) || value == 0.0 || significantDigits(text) >= 15) return;
    // The fixed form keeps too few digits, or shows 0, which Start refuses: a view on screen
    // must come back from its fields. The shortest text that reads back as the same double.
    for (int precision = 15; precision < 17; ++precision) {
        std::snprintf(text, sizeof text, "%.*g", precision, value);
        if (parseFieldDouble(text) == value) return;
    }
    std::snprintf(text, sizeof text, "%.17g", value);
}

void formatFieldTexts(const ViewParams& params, FieldTexts& texts)
{
    formatFieldDouble(params.centerX, texts.centerX);
    formatFieldDouble(params.centerY, texts.centerY);
    formatFieldMagnification(params.magnification, texts.magnification);
    std::snprintf(texts.maxIterations, sizeof texts.maxIterations, "%d",
                  static_cast<int>(params.maxIterations));
}

double parseFieldDouble(const char* text)
{
    return std::strtod(text, nullptr);
}

std::int32_t parseFieldInteger(const char* text)
{
    // long long, so that the limits are the same where long has 64 bits.
    const long long value = std::strtoll(text, nullptr, 10);
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<std::int32_t>(value);
}

void parseFieldTexts(const FieldTexts& texts, ViewParams& params)
{
    params.centerX = parseFieldDouble(texts.centerX);
    params.centerY = parseFieldDouble(texts.centerY);
    params.magnification = parseFieldDouble(texts.magnification);
    params.maxIterations = parseFieldInteger(texts.maxIterations);
}
