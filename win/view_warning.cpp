#include "view_warning.h"

int acceptDrawableView(HWND owner, const ViewParams& params)
{
    if (isDrawableView(params)) return 1;
    MessageBoxA(owner, "倍率には 0 以外の数値を、中心には有限の数値を指定してください。", "tavelin",
                MB_ICONWARNING);
    return 0;
}
