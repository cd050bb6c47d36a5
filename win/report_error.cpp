#include "report_error.h"

namespace {
char errorText[256];
}

void reportError(HWND owner, DWORD code)
{
    errorText[0] = '\0';
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                   0, errorText, sizeof errorText, nullptr);
    MessageBoxA(owner, errorText, "tavelin", MB_ICONERROR);
}

void reportLastError(HWND owner)
{
    reportError(owner, GetLastError());
}
