// The warning shown when a view cannot be drawn: its magnification is zero or not a finite
// number, or its centre is not finite.
#pragma once

#include <windows.h>

#include "../core/view_params.h"

// 1 when params can be drawn; otherwise shows the warning, owned by owner, and returns 0.
int acceptDrawableView(HWND owner, const ViewParams& params);
