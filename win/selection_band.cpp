#include "selection_band.h"

void drawSelection(HDC dc, MousePoint anchor, MousePoint corner)
{
    const POINT vertices[4] = {
        {anchor.x, anchor.y}, {corner.x, anchor.y}, {corner.x, corner.y}, {anchor.x, corner.y}};
    // With the default pen and brush, XOR leaves the black outline invisible and the white
    // fill inverts every pixel inside.
    SetROP2(dc, R2_XORPEN);
    Polygon(dc, vertices, 4);
}

void onMouse(HWND, UINT, WPARAM, LPARAM) {}
