// The view-parameter record: which part of the plane is shown and how it is coloured.
// Its 48 bytes are also the parameter file, byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>

// A Windows COLORREF: 0x00BBGGRR, red in the low byte; only the low three bytes are used.
using ColorRef = std::uint32_t;

struct ViewParams {
    double centerX;              // real part of the point at the centre of the picture
    double centerY;              // imaginary part; larger values lie higher up
    double magnification;        // the picture spans 6.0 / magnification across its width
    std::int32_t maxIterations;  // iteration limit of the escape-time test
    ColorRef colors[4];          // three palette anchors, then the inside colour
    std::uint8_t reserved[4];    // carried through files unchanged, never interpreted
};

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the record's memory is the file image");
static_assert(sizeof(ViewParams) == 48, "a parameter file is exactly the 48-byte record");
static_assert(offsetof(ViewParams, centerX) == 0, "file layout");
static_assert(offsetof(ViewParams, centerY) == 8, "file layout");
static_assert(offsetof(ViewParams, magnification) == 16, "file layout");
static_assert(offsetof(ViewParams, maxIterations) == 24, "file layout");
static_assert(offsetof(ViewParams, colors) == 28, "file layout");
static_assert(offsetof(ViewParams, reserved) == 44, "file layout");

constexpr ViewParams kInitialViewParams = {
    0.0, 0.0, 1.0, 300, {0x00804000u, 0x00C0FF80u, 0x00FFFFFFu, 0x00000000u}, {0, 0, 0, 0}};

// A view can be rendered only with a finite centre and a finite, non-zero magnification whose
// picture width, 6 / magnification, is finite too.
int isDrawableView(const ViewParams& params);
