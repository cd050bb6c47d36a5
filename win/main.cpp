// tavelin: a Mandelbrot-set viewer. One thread; the picture is rendered one row per idle turn
// of the message loop.
#include <windows.h>

#include "program.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    if (!startUp(instance)) return 1;
    runMessageLoop();
    shutDown();
    return 0;
}
