// Drives a running tavelin from outside, as the run script needs: `close` asks it to end,
// as its close box would.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 2 || std::strcmp(argv[1], "close") != 0) {
        std::fprintf(stderr, "usage: tavelin_remote close\n");
        return 2;
    }
    const HWND window = FindWindowA("tavelin", nullptr);
    if (!window) {
        std::fprintf(stderr, "tavelin is not running\n");
        return 1;
    }
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    return 0;
}
