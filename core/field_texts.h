// The four texts of the control panel's fields, converted to and from a ViewParams without
// any window: centre X, centre Y, magnification and iteration limit.
#pragma once

#include "view_params.h"

constexpr int kFieldTextSize = 32;  // a field's text buffer, the terminating NUL included

struct FieldTexts {
    char centerX[kFieldTextSize];
    char centerY[kFieldTextSize];
    char magnification[kFieldTextSize];
    char maxIterations[kFieldTextSize];
};

// A double as a field shows it: "%1.16f", or "%.17g" (which reads back to the same double)
// where the fixed form would not fit the buffer.
void formatFieldDouble(double value, char (&text)[kFieldTextSize]);

// A magnification as its field shows it: as formatFieldDouble, unless that text reads back as
// a magnification that cannot be drawn (0 for 1e-20) while the value itself can; then the
// shortest of "%.15g", "%.16g" and "%.17g" that reads back as the same double, so that a view
// shown can be rendered again.
void formatFieldMagnification(double value, char (&text)[kFieldTextSize]);

// The four texts of params' centre, magnification and iteration limit.
void formatFieldTexts(const ViewParams& params, FieldTexts& texts);

// The standard conversions, for decimal numbers only: leading white space skipped, an optional
// sign, digits with an optional decimal point and exponent, the rest after the number ignored;
// 0 for a text that does not begin with a number ("inf", "nan", and "0x1A" reads as its 0). The
// integer saturates at the 32-bit limits.
double parseFieldDouble(const char* text);
std::int32_t parseFieldInteger(const char* text);

// Replaces centre, magnification and iteration limit of params with the converted texts; the
// colours and the reserved bytes stay.
void parseFieldTexts(const FieldTexts& texts, ViewParams& params);
