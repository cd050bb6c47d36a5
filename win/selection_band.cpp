#include "selection_band.h"

#include <windowsx.h>

#include "app_state.h"
#include "control_dialog.h"

void drawSelection(HDC dc, MousePoint anchor, MousePoint corner)
{
    const POINT vertices[4] = {
        {anchor.x, anchor.y}, {corner.x, anchor.y}, {corner.x, corner.y}, {anchor.x, corner.y}};
    // With the default pen and brush, XOR leaves the black outline invisible and the white
    // fill inverts every pixel inside.
    SetROP2(dc, R2_XORPEN);
    Polygon(dc, vertices, 4);
}

namespace {

void removeBand(HWND window)
{
    const HDC dc = GetDC(window);
    drawSelection(dc, selection.anchor, selection.corner);
    ReleaseDC(window, dc);
    selection.visible = 0;
}

// Redraws the band to the new corner and shows the view it encloses; the current view
// changes only when Start is pressed.
void dragBand(HWND window, MousePoint point)
{
    const HDC dc = GetDC(window);
    if (selection.visible) drawSelection(dc, selection.anchor, selection.corner);
    selection.corner = point;
    constrainAspect(selection.anchor, selection.corner);
    drawSelection(dc, selection.anchor, selection.corner);
    selection.visible = 1;
    ReleaseDC(window, dc);

    ViewParams enclosed;
    viewFromSelection(viewParams, enclosed, selection.anchor, selection.corner,
                      surface.clientRect.right, surface.clientRect.bottom);
    showViewParams(enclosed);
}

}  // namespace

void onMouse(HWND window, UINT message, WPARAM keyFlags, LPARAM point)
{
    // No band over a picture that is being built.
    if (renderJob.active) return;
    const MousePoint at = {static_cast<std::int16_t>(GET_X_LPARAM(point)),
                           static_cast<std::int16_t>(GET_Y_LPARAM(point))};
    if (message == WM_LBUTTONDOWN) {
        if (selection.visible) removeBand(window);
        selection.anchor = at;
    } else if (keyFlags & MK_LBUTTON) {
        dragBand(window, at);
    }
}
