#include "field_texts.h"

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

void formatFieldTexts(const ViewParams& params, FieldTexts& texts)
{
    formatFieldDouble(params.centerX, texts.centerX);
    formatFieldDouble(params.centerY, texts.centerY);
    formatFieldDouble(params.magnification, texts.magnification);
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
