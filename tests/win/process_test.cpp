// The real tavelin.exe in a process of its own: how it ends, and its exit codes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "res/resource.h"

namespace {

// A program beside the test program.
std::string besideThisProgram(const char* name)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of("\\/") + 1) + name;
}

struct Child {
    PROCESS_INFORMATION process;
};

Child launch(const char* name)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    Child child = {};
    std::string commandLine = besideThisProgram(name);
    EXPECT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &child.process))
        << commandLine;
    return child;
}

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
    if (processId == search.processId && IsWindowVisible(window) && lstrcmpA(className, search.className) == 0) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window of the child with the class name, or null.
HWND findWindow(const Child& child, const char* className)
{
    Search search = {child.process.dwProcessId, className, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Waits up to 10 s for such a window.
HWND waitForWindow(const Child& child, const char* className)
{
    HWND found = nullptr;
    for (int i = 0; i < 500 && !(found = findWindow(child, className)); ++i) Sleep(20);
    return found;
}

// The child's exit code once it has ended; ends it and fails the test after 20 s.
DWORD exitCodeOf(Child& child)
{
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(child.process.hProcess, 20000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(child.process.hProcess, &code);
    } else {
        ADD_FAILURE() << "the program did not end";
        TerminateProcess(child.process.hProcess, 99);
    }
    CloseHandle(child.process.hProcess);
    CloseHandle(child.process.hThread);
    return code;
}

std::string systemText(DWORD code)
{
    char text[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                   sizeof text, nullptr);
    return text;
}

}  // namespace

TEST(Process, EveryWayToEndExitsWithZero)
{
    const struct {
        const char* what;
        bool duringRender;
        void (*act)(HWND main, HWND panel);
    } cases[] = {
        {"Quit", false, [](HWND, HWND panel) { PostMessageA(panel, WM_COMMAND, IDC_QUIT, 0); }},
        {"panel close box", false, [](HWND, HWND panel) { PostMessageA(panel, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"main close box", false, [](HWND main, HWND) { PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"main close box during a render", true,
         [](HWND main, HWND) { PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const auto& c : cases) {
        Child child = launch("tavelin.exe");
        const HWND main = waitForWindow(child, "tavelin");
        const HWND panel = waitForWindow(child, "#32770");
        ASSERT_TRUE(main && panel) << c.what;
        if (c.duringRender) {
            SendMessageA(GetDlgItem(panel, IDC_MAX_ITERATIONS), WM_SETTEXT, 0, LPARAM("1000000"));
            PostMessageA(panel, WM_COMMAND, IDC_START, 0);
        }
        c.act(main, panel);
        EXPECT_EQ(0u, exitCodeOf(child)) << c.what;
    }
}

TEST(Process, StartUpFailureShowsTheSystemsTextAndExitsWithOne)
{
    Child child = launch("tavelin_without_dialog.exe");
    const HWND box = waitForWindow(child, "#32770");
    ASSERT_NE(nullptr, box);
    char caption[64] = {}, text[256] = {};
    GetWindowTextA(box, caption, sizeof caption);
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    EXPECT_STREQ("tavelin", caption);
    const std::string shown = text;
    EXPECT_FALSE(shown.empty());
    EXPECT_TRUE(shown == systemText(ERROR_RESOURCE_TYPE_NOT_FOUND) ||
                shown == systemText(ERROR_RESOURCE_NAME_NOT_FOUND))
        << shown;
    EXPECT_EQ(nullptr, findWindow(child, "tavelin")) << "no window is shown";
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(1u, exitCodeOf(child));
}
