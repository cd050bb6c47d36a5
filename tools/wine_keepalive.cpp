// Keeps Wine's server and helper processes alive between test programs; ended by the test
// set-up's `wineserver -k`.
#include <windows.h>

int main()
{
    const HANDLE ready = CreateFileA("C:\\keepalive.ready", GENERIC_WRITE, 0, nullptr,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    CloseHandle(ready);
    Sleep(INFINITE);
    return 0;
}
