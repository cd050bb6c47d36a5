// The real programs, started beside the test program in processes of their own: tavelin.exe
// shows its windows, runs until its close box is pressed and ends with 0; without its dialog
// resource, start-up shows the system's text in a box captioned "tavelin", shows no window,
// waits for the box, and ends with 1.
#include <process.h>

#include "window_fixture.h"

TEST(Process, StartAndEnd)
{
    for (const char* name : {"tavelin.exe", "tavelin_without_dialog.exe"}) {
        const bool fails = std::strchr(name, '_');
        const std::string program = std::string(_pgmptr, std::strrchr(_pgmptr, '\\') + 1) + name;
        const auto process = reinterpret_cast<HANDLE>(_spawnl(_P_NOWAIT, program.c_str(), program.c_str(), nullptr));
        ASSERT_NE(INVALID_HANDLE_VALUE, process) << program;
        HWND dialog = nullptr;  // the panel, or the box of the failed start-up
        for (int i = 0; i < 500 && !IsWindowVisible(dialog = FindWindowA("#32770", "tavelin")); ++i) Sleep(20);
        const HWND main = FindWindowA("tavelin", nullptr);
        EXPECT_TRUE(IsWindowVisible(dialog)) << name;
        EXPECT_EQ(!fails, IsWindowVisible(main) != 0) << name;
        EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(process, 500)) << name << " ended before it was asked to";
        if (fails) {
            EXPECT_EQ(systemText(ERROR_RESOURCE_TYPE_NOT_FOUND), windowText(GetDlgItem(dialog, 0xFFFF)));
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        } else {
            PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box
        }
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 20000)) << name << " did not end";
        TerminateProcess(process, 99);  // nothing to do once it has ended
        DWORD exitCode = 0;
        GetExitCodeProcess(process, &exitCode);
        CloseHandle(process);
        EXPECT_EQ(fails ? 1u : 0u, exitCode) << name;
    }
}
