#include "view_params.h"

#include <cmath>

int isDrawableView(const ViewParams& params)
{
    return std::isfinite(params.centerX) && std::isfinite(params.centerY) &&
           std::isfinite(params.magnification) && params.magnification != 0.0;
}
