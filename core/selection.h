// The rubber band of the mouse selection and the geometry that turns it into a view.
#pragma once

#include <cstdint>

#include "view_params.h"

// A mouse point in client coordinates: origin at the top-left pixel, y downwards.
struct MousePoint {
    std::int16_t x;
    std::int16_t y;
};
static_assert(sizeof(MousePoint) == 4, "x and y of a mouse message's lParam");

struct Selection {
    std::int32_t visible;  // non-zero while the band is drawn on the screen
    MousePoint anchor;     // where the left button went down
    MousePoint corner;     // the opposite corner, in the 4:3 shape of the picture
};

// Moves corner so that the rectangle from anchor takes the 4:3 shape of the picture, keeping
// the corner on its side of the anchor.
void constrainAspect(MousePoint anchor, MousePoint& corner);

// The view that the rectangle between the two points encloses in a width x height picture of
// current: a copy of current with a new centre and magnification, computed with a 64-bit
// significand whatever the thread's x87 precision setting. A rectangle without area, or one
// whose view would not be finite, gives an unchanged copy.
void viewFromSelection(const ViewParams& current, ViewParams& result, MousePoint anchor,
                       MousePoint corner, std::int32_t width, std::int32_t height);
