#include <cstdlib>

#include "selection.h"
#include "x87_control.h"

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

namespace {

// The centre and magnification of the rectangle at (minX, minY) with extents ex and ey. Each
// expression keeps a 64-bit significand and is rounded to double only where its value is
// stored: the steps, left and top, and each result field once. In doubles the products would
// be rounded too, changing the last bits of most zoomed views.
// noipa: the computation stays inside this call, between the changes of the precision control
// around it; inlined, the compiler could move some of it past them.
__attribute__((noipa)) void enclosedView(const ViewParams& current, ViewParams& result,
                                         std::int32_t minX, std::int32_t minY, std::int32_t ex,
                                         std::int32_t ey, std::int32_t width, std::int32_t height)
{
    using Extended = long double;
    const Extended magnification = current.magnification;
    const double stepX = static_cast<double>(Extended(6.0) / width / magnification);
    const double stepY = static_cast<double>(Extended(4.5) / height / magnification);
    const double left = static_cast<double>(current.centerX - (width * Extended(0.5)) * stepX);
    const double top = static_cast<double>((height * Extended(0.5)) * stepY + current.centerY);
    result.magnification = static_cast<double>((width / Extended(ex)) * magnification);
    result.centerX = static_cast<double>(left + (minX + ex * Extended(0.5)) * stepX);
    result.centerY = static_cast<double>(top - (minY + ey * Extended(0.5)) * stepY);
}

}  // namespace

void viewFromSelection(const ViewParams& current, ViewParams& result, MousePoint anchor,
                       MousePoint corner, std::int32_t width, std::int32_t height)
{
    result = current;
    const std::int32_t minX = anchor.x < corner.x ? anchor.x : corner.x;
    const std::int32_t maxX = anchor.x < corner.x ? corner.x : anchor.x;
    const std::int32_t minY = anchor.y < corner.y ? anchor.y : corner.y;
    const std::int32_t maxY = anchor.y < corner.y ? corner.y : anchor.y;
    if (maxX == minX || maxY == minY) return;

    const std::uint16_t saved = x87ControlWord();
    setX87ControlWord(withX87Precision(saved, kX87Precision64));
    enclosedView(current, result, minX, minY, maxX - minX, maxY - minY, width, height);
    setX87ControlWord(saved);

    // After many zooms the magnification can overflow: such a band shows the current view.
    if (!isDrawableView(result)) result = current;
}
