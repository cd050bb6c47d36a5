#include "files/view_fields.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "deep/decimal.h"
#include "files/refusal.h"

const char* const kDeepFieldNames[kDeepFieldCount] = {"center-x", "center-y", "magnification", "limit", "colors"};

namespace {

constexpr double kMaxDensity = 1000.0;

// A decimal number and nothing after it.
int parseNumber(const char* text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(value);
}

int parseLimit(const char* text, std::int32_t& limit)
{
    std::int64_t value = 0;
    if (!parseWholeNumber(text, 0, INT32_MAX, value)) return 0;
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
        const int digit = *p >= '0' && *p <= '9' ? *p - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
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

int setDeepField(DeepView& view, DeepField field, const char* text, std::string& reason)
{
    const char* name = kDeepFieldNames[field];
    Decimal decimal;
    switch (field) {
    case kCenterX:
    case kCenterY:
        if (!parseDecimal(text, decimal)) {
            return refuse(reason, "bad %s '%s': give a decimal number of at most %lu characters, exponent at most %ld",
                        name, shownText(text).c_str(), static_cast<unsigned long>(kMaxDecimalLength), long(kMaxDecimalExponent));
        }
        (field == kCenterX ? view.centerX : view.centerY) = text;
        return 1;
    case kMagnificationField: {
        Magnification magnification;
        if (!parseMagnification(text, magnification) || magnification.mantissa == 0.0 ||
            std::fabs(magnificationLog2(magnification)) > kDeepestMagnificationLog10 * double(kLog2Of10)) {
            return refuse(reason, "bad magnification '%s': give a non-zero decimal number, at most 1e%.0f in size",
                        shownText(text).c_str(), kDeepestMagnificationLog10);
        }
        view.magnification = magnification;
        return 1;
    }
    case kLimit:
        if (!parseLimit(text, view.maxIterations)) {
            return refuse(reason, "bad limit '%s': give a whole number from 0 to %ld", shownText(text).c_str(), long(INT32_MAX));
        }
        return 1;
    default:
        if (!parseColors(text, view.colors)) {
            return refuse(reason, "bad colors '%s': give 0xRRGGBB,0xRRGGBB,0xRRGGBB", shownText(text).c_str());
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


int setColouringField(Colouring& colouring, const char* name, const char* value, std::string& reason)
{
    reason.clear();
    const std::string shown = shownText(value);
    double number = 0;
    if (!std::strcmp(name, "smooth")) {
        if (std::strcmp(value, "on") && std::strcmp(value, "off")) {
            return refuse(reason, "bad smooth '%s': give on or off", shown.c_str());
        }
        colouring.smooth = !std::strcmp(value, "on");
    } else if (!std::strcmp(name, "palette-density")) {
        if (!parseNumber(value, number) || !(number > 0) || number > kMaxDensity) {
            return refuse(reason, "bad palette density '%s': give a number above 0, at most 1000", shown.c_str());
        }
        colouring.density = number;
    } else if (!std::strcmp(name, "palette-phase")) {
        if (!parseNumber(value, number) || number < 0 || number > 1) {
            return refuse(reason, "bad palette phase '%s': give a number from 0 to 1", shown.c_str());
        }
        colouring.phase = number;
    } else {
        return 0;
    }
    return 1;
}
