// How soon tavelin answers during a render whose rows each take seconds: starts tavelin.exe,
// renders view e (-2, 2.25e-6, magnification 1e6, limit 2e8), and after a second presses Stop
// and later Quit from outside, as a user would. Prints how long the press of Stop took to be
// handled (the render has ended when it returns) and how long the program took to end after
// Quit. Run under Wine with a display: stop_latency.exe path\to\tavelin.exe
#include <windows.h>

#include <cstdio>
#include <string>

#include "res/resource.h"

namespace {

struct Search {
    DWORD processId;
    const char* className;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM parameter)
{
    Search& search = *reinterpret_cast<Search*>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    if (processId != search.processId || !IsWindowVisible(window) || lstrcmpA(className, search.className) != 0) {
        return TRUE;
    }
    search.found = window;
    return FALSE;
}

HWND waitForWindow(DWORD processId, const char* className)
{
    Search search = {processId, className, nullptr};
    for (int i = 0; i < 500 && !search.found; ++i) {
        EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
        if (!search.found) Sleep(20);
    }
    return search.found;
}

double millisecondsSince(const LARGE_INTEGER& start)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1e3 * double(now.QuadPart - start.QuadPart) / double(frequency.QuadPart);
}

void setField(HWND panel, int id, const char* text)
{
    SendMessageA(GetDlgItem(panel, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: stop_latency tavelin.exe\n");
        return 2;
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string commandLine = argv[1];
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "cannot start %s\n", argv[1]);
        return 1;
    }
    const HWND panel = waitForWindow(process.dwProcessId, "#32770");
    if (!panel) {
        std::fprintf(stderr, "no control panel\n");
        TerminateProcess(process.hProcess, 1);
        return 1;
    }
    setField(panel, IDC_CENTER_X, "-2");
    setField(panel, IDC_CENTER_Y, "2.25e-6");
    setField(panel, IDC_MAGNIFICATION, "1e6");
    setField(panel, IDC_MAX_ITERATIONS, "200000000");
    SendMessageA(GetDlgItem(panel, IDC_START), BM_CLICK, 0, 0);
    Sleep(1000);

    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    SendMessageA(GetDlgItem(panel, IDC_STOP), BM_CLICK, 0, 0);
    std::printf("Stop handled after %.1f ms\n", millisecondsSince(start));

    SendMessageA(GetDlgItem(panel, IDC_START), BM_CLICK, 0, 0);
    Sleep(1000);
    QueryPerformanceCounter(&start);
    PostMessageA(GetDlgItem(panel, IDC_QUIT), BM_CLICK, 0, 0);
    const DWORD waited = WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    std::printf("Quit during the render: %s after %.1f ms, exit code %lu\n",
                waited == WAIT_OBJECT_0 ? "ended" : "still running", millisecondsSince(start), code);
    return 0;
}
