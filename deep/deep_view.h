// A view at any depth: the centre as decimal texts of any length, the magnification as a
// binary mantissa and exponent, so that neither is bounded by the range or the precision of
// a double. The renderer turns the texts into numbers at the precision the magnification
// needs.
#pragma once

#include <cstdint>
#include <string>

#include "core/view_params.h"
#include "deep/colouring.h"

// mantissa x 2^exponent, with 1 <= |mantissa| < 2 (or 0 for zero).
struct Magnification {
    double mantissa;
    std::int64_t exponent;
};

struct DeepView {
    std::string centerX;  // decimal texts: [+-]digits[.digits][e[+-]digits]
    std::string centerY;
    Magnification magnification;
    std::int32_t maxIterations;
    ColorRef colors[4];  // three palette anchors and the inside colour, as in ViewParams
    // Non-zero: the double kernels wherever they reach, as the window program renders
    // (--program-pixels), instead of only where they are accurate enough. Not a field of
    // the view's files.
    std::int32_t programPixels;
    Colouring colouring = kPlainColouring;  // how counts become colours
};

// The deepest magnification rendered: the widest reference orbit (34,816 bits) holds a centre
// to 64 bits below a pixel of the widest picture there, and the orbit of a limit of 10^5
// takes about a minute to compute (pixel offsets themselves have exponents of any size).
constexpr double kDeepestMagnificationLog10 = 10000.0;

// The view of a parameter file: its doubles as exact decimal texts, a limit below 0 as 0.
DeepView deepViewOf(const ViewParams& params);

// The magnification of a decimal text (see deep/decimal.h); 1 on success.
int parseMagnification(const char* text, Magnification& magnification);

// log2 of |magnification|, and the magnification 2^log2 (positive).
double magnificationLog2(const Magnification& magnification);
Magnification magnificationFromLog2(double log2);

// |magnification| as a long double; infinity beyond its range.
long double magnificationValue(const Magnification& magnification);

// The magnification as a decimal text of 17 significant digits, "%.16e" style ("2.5e+1000").
std::string formatMagnification(const Magnification& magnification);

// The same view at another magnification, given by its log2.
DeepView withMagnificationLog2(const DeepView& view, double log2);

// A double's exact decimal expansion (every finite double has one), shortest form.
std::string exactDecimal(double value);
