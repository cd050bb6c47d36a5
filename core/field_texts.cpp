#include "field_texts.h"

#include <cctype>
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

void formatFieldMagnification(double value, char (&text)[kFieldTextSize])
{
    formatFieldDouble(value, text);
    ViewParams shown = kInitialViewParams, typed = kInitialViewParams;
    shown.magnification = value;
    typed.magnification = parseFieldDouble(text);
    if (isDrawableView(typed) || !isDrawableView(shown)) return;
    // The fixed text reads back as a view that Start refuses (0 for 1e-20): a view on screen
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
    const char* start = text;
    while (std::isspace(static_cast<unsigned char>(*start))) ++start;
    const char* number = start + (*start == '+' || *start == '-');
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    // Only decimal numbers: strtod would also read "inf", "nan" and hexadecimal numbers, whose
    // leading 0 is where a decimal conversion stops.
    if (!digit(number[0]) && !(number[0] == '.' && digit(number[1]))) return 0.0;
    if (number[0] == '0' && (number[1] == 'x' || number[1] == 'X')) return *start == '-' ? -0.0 : 0.0;
    return std::strtod(start, nullptr);
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
