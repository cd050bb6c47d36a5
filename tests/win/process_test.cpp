// The real tavelin.exe in a process of its own: how it ends, and its exit codes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/field_texts.h"
#include "core/selection.h"
#include "res/resource.h"
#include "tests/test_support.h"
#include "window_fixture.h"

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
    HWND other;  // a window that does not count
};

BOOL CALLBACK matchWindow(HWND window, LPARAM parameter)
{
    Search& search = *reinterpret_cast<Search*>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    if (processId == search.processId && window != search.other && IsWindowVisible(window) &&
        lstrcmpA(className, search.className) == 0) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window of the child with the class name, or null.
HWND findWindow(const Child& child, const char* className, HWND other = nullptr)
{
    Search search = {child.process.dwProcessId, className, nullptr, other};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Waits up to 10 s for such a window.
HWND waitForWindow(const Child& child, const char* className, HWND other = nullptr)
{
    HWND found = nullptr;
    for (int i = 0; i < 500 && !(found = findWindow(child, className, other)); ++i) Sleep(20);
    return found;
}

// Waits until the picture on the screen has not changed for half a second: the render is done.
bool waitUntilPictureSettles(HWND window)
{
    std::string last = screenPixels(window);
    for (int quiet = 0, i = 0; i < 200; ++i) {
        Sleep(100);
        const std::string now = screenPixels(window);
        quiet = now == last ? quiet + 1 : 0;
        last = now;
        if (quiet == 5) return true;
    }
    return false;
}

std::string fieldOf(HWND panel, int id)
{
    char text[64] = {};
    SendMessageA(GetDlgItem(panel, id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
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
        {"Quit during a render whose rows take seconds", true,
         [](HWND, HWND panel) { PostMessageA(panel, WM_COMMAND, IDC_QUIT, 0); }},
    };
    for (const auto& c : cases) {
        Child child = launch("tavelin.exe");
        const HWND main = waitForWindow(child, "tavelin");
        const HWND panel = waitForWindow(child, "#32770");
        ASSERT_TRUE(main && panel) << c.what;
        if (c.duringRender) {
            // Near the tip of the set, where orbits do not repeat: each row takes seconds.
            const char* view[][2] = {{"-2", "2.25e-6"}, {"1e6", "200000000"}};
            SendMessageA(GetDlgItem(panel, IDC_CENTER_X), WM_SETTEXT, 0, LPARAM(view[0][0]));
            SendMessageA(GetDlgItem(panel, IDC_CENTER_Y), WM_SETTEXT, 0, LPARAM(view[0][1]));
            SendMessageA(GetDlgItem(panel, IDC_MAGNIFICATION), WM_SETTEXT, 0, LPARAM(view[1][0]));
            SendMessageA(GetDlgItem(panel, IDC_MAX_ITERATIONS), WM_SETTEXT, 0, LPARAM(view[1][1]));
            SendMessageA(panel, WM_COMMAND, IDC_START, 0);
            Sleep(500);
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

// A user's road through the program: the default picture, a band dragged over it, Start, and
// the picture saved from the menu, compared with the core's rendering of the band's view.
TEST(Process, ZoomedPictureSavedFromTheMenuIsTheRenderedView)
{
    const std::string path = tempPath("end-to-end.bmp");

    Child child = launch("tavelin.exe");
    const HWND main = waitForWindow(child, "tavelin");
    const HWND panel = waitForWindow(child, "#32770");
    ASSERT_TRUE(main && panel);
    ASSERT_TRUE(waitUntilPictureSettles(main)) << "the default picture is finished";

    PostMessageA(main, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
    PostMessageA(main, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200, 150));
    PostMessageA(main, WM_LBUTTONUP, 0, MAKELPARAM(200, 150));
    for (int i = 0; i < 250 && fieldOf(panel, IDC_CENTER_X) != "-1.7531250000000000"; ++i) Sleep(20);
    EXPECT_EQ("9.6969696969696972", fieldOf(panel, IDC_MAGNIFICATION));
    PostMessageA(GetDlgItem(panel, IDC_START), BM_CLICK, 0, 0);
    Sleep(200);
    ASSERT_TRUE(waitUntilPictureSettles(main)) << "the zoomed picture is finished";

    PostMessageA(main, WM_COMMAND, IDM_SAVE_BITMAP, 0);
    const HWND dialog = waitForWindow(child, "#32770", panel);
    ASSERT_NE(nullptr, dialog);
    Sleep(100);
    SendMessageA(GetDlgItem(dialog, 0x47c), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    std::string file;
    for (int i = 0; i < 250 && (file = readWholeFile(path)).size() != 921658; ++i) Sleep(20);
    PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(0u, exitCodeOf(child));

    // The view goes through the fields' texts, as Start reads it.
    MousePoint corner = {200, 150};
    constrainAspect(MousePoint{100, 100}, corner);
    ViewParams view;
    viewFromSelection(kInitialViewParams, view, MousePoint{100, 100}, corner, 640, 480);
    FieldTexts texts;
    formatFieldTexts(view, texts);
    parseFieldTexts(texts, view);
    ASSERT_EQ(921658u, file.size());
    EXPECT_TRUE(file.substr(58) == renderView(view));
}
