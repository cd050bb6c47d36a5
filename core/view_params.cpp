#include "view_params.h"

#include <cmath>

int isDrawableView(const ViewParams& params)
{
    // The picture spans 6 / magnification; where that overflows, so do the steps between
    // pixels of any picture, and every pixel would show the same point.
    return std::isfinite(params.centerX) && std::isfinite(params.centerY) &&
           std::isfinite(params.magnification) && params.magnification != 0.0 &&
           std::isfinite(6.0 / params.magnification);
}
