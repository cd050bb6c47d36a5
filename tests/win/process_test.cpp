// The real tavelin.exe in a process of its own: a failed start-up, and a zoom on the way to the
// close box.
#include <cstring>

#include "res/resource.h"
#include "window_fixture.h"

namespace {

// Starts a program that lies beside the test program; returns its first visible dialog
// captioned "tavelin" (the panel, or the box of a failed start-up), waiting up to 10 s.
HWND launch(const char* name, PROCESS_INFORMATION& process)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string commandLine = std::string(path, std::strrchr(path, '\\') + 1) + name;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    EXPECT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process));
    HWND dialog = nullptr;
    for (int i = 0; i < 500 && !IsWindowVisible(dialog = FindWindowA("#32770", "tavelin")); ++i) Sleep(20);
    return dialog;
}

// The exit code of the process once it has ended; ends it and fails the test after 20 s.
DWORD exitCodeOf(const PROCESS_INFORMATION& process)
{
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 20000)) << "the program did not end";
    TerminateProcess(process.hProcess, 99);  // nothing to do once it has ended
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return code;
}

}  // namespace

TEST(Process, FailedStartUpShowsTheSystemsTextAndExitsWithOne)
{
    PROCESS_INFORMATION process = {};
    const HWND box = launch("tavelin_without_dialog.exe", process);
    ASSERT_TRUE(IsWindowVisible(box));
    EXPECT_FALSE(IsWindowVisible(FindWindowA("tavelin", nullptr))) << "no window is shown";
    EXPECT_EQ(systemText(ERROR_RESOURCE_TYPE_NOT_FOUND), windowText(GetDlgItem(box, 0xFFFF)));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(1u, exitCodeOf(process));
}

// A user's road: the default picture, a band dragged over it, Start, and the close box. The
// screen shows the core's rendering of the view that the fields show.
TEST(Process, ZoomAndClose)
{
    PROCESS_INFORMATION process = {};
    const HWND panel = launch("tavelin.exe", process);
    const HWND main = FindWindowA("tavelin", nullptr);
    ASSERT_TRUE(IsWindowVisible(panel) && IsWindowVisible(main));
    RECT picture;
    GetWindowRect(main, &picture);
    SetWindowPos(panel, nullptr, picture.right, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const auto shows = [main](const ViewParams& view) {
        const std::string expected = renderView(view);
        for (int i = 0; i < 400 && pixelsOf(main, true) != expected; ++i) Sleep(50);
        return pixelsOf(main, true) == expected;
    };
    ASSERT_TRUE(shows(kInitialViewParams)) << "the default picture";
    PostMessageA(main, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
    PostMessageA(main, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200, 150));
    PostMessageA(GetDlgItem(panel, IDC_START), BM_CLICK, 0, 0);
    const ViewParams zoomed = {-1.753125, 1.078125, 9.6969696969696972, 300, {0x00804000, 0x00C0FF80, 0x00FFFFFF}, {}};
    EXPECT_TRUE(shows(zoomed)) << "the zoomed picture";
    EXPECT_EQ("-1.7531250000000000 1.0781250000000000 9.6969696969696972 300 ", fieldTexts(panel));
    PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(0u, exitCodeOf(process));
}
