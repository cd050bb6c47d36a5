#include <cstdlib>

#include "selection.h"

void constrainAspect(MousePoint anchor, MousePoint& corner)
{
    std::int32_t dx = std::abs(corner.x - anchor.x);
    std::int32_t dy = std::abs(corner.y - anchor.y);
    if (dx < dy) {
        dy = dx * 3 / 4;
    } else {
        // dy times the double just below 4/3, truncated: one less than 4dy/3 when dy is a
        // multiple of 3. Integer arithmetic gives that on every compiler, whatever the
        // precision of its floating-point intermediates.
        dx = dy == 0 ? 0 : (4 * dy + 2) / 3 - 1;
    }
    corner.x = static_cast<std::int16_t>(anchor.x < corner.x ? anchor.x + dx : anchor.x - dx);
    corner.y = static_cast<std::int16_t>(anchor.y < corner.y ? anchor.y + dy : anchor.y - dy);
}

void viewFromSelection(const ViewParams& current, ViewParams& result, MousePoint anchor,
                       MousePoint corner, std::int32_t width, std::int32_t height)
{
    result = current;
    const std::int32_t minX = anchor.x < corner.x ? anchor.x : corner.x;
    const std::int32_t maxX = anchor.x < corner.x ? corner.x : anchor.x;
    const std::int32_t minY = anchor.y < corner.y ? anchor.y : corner.y;
    const std::int32_t maxY = anchor.y < corner.y ? corner.y : anchor.y;
    const double ex = maxX - minX;
    const double ey = maxY - minY;
    if (ex == 0.0 || ey == 0.0) return;

    const double stepX = 6.0 / width / current.magnification;
    const double stepY = 4.5 / height / current.magnification;
    const double left = current.centerX - (width * 0.5) * stepX;
    const double top = (height * 0.5) * stepY + current.centerY;
    result.magnification = (width / ex) * current.magnification;
    result.centerX = left + (minX + ex * 0.5) * stepX;
    result.centerY = top - (minY + ey * 0.5) * stepY;

    // After many zooms the magnification can overflow: such a band shows the current view.
    if (!isDrawableView(result)) result = current;
}
